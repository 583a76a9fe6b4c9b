-- Caesar cipher over a text of n letters and blanks: each character looked
-- up in the alphabet, shifted, and the text built again (pieces gathered in
-- a table and joined once); decoded back, compared, and the vowels and a
-- hash of the secret counted.
local letters = "abcdefghijklmnopqrstuvwxyz"

local function position(items, item)
  local index = items:find(item, 1, true)
  if index == nil then return #items end
  return index - 1
end

local function shift(text, by)
  local out = {}
  for p = 1, #text do
    local ch = text:sub(p, p)
    local pos = position(letters, ch)
    if pos == 26 then
      out[#out + 1] = ch
    else
      local moved = (pos + by) - ((pos + by) // 26) * 26
      out[#out + 1] = letters:sub(moved + 1, moved + 1)
    end
  end
  return table.concat(out)
end

local n = tonumber(arg[1])
local seed = 5
local parts = {}
for _ = 1, n do
  seed = (seed * 75 + 74) - ((seed * 75 + 74) // 65537) * 65537
  local pick = seed - (seed // 32) * 32
  if pick >= 26 then
    parts[#parts + 1] = " "
  else
    parts[#parts + 1] = letters:sub(pick + 1, pick + 1)
  end
end
local text = table.concat(parts)
local secret = shift(text, 3)
local back = shift(secret, 23)
local same = back == text and 1 or 0
local found, hash = 0, 0
for p = 1, #secret do
  local ch = secret:sub(p, p)
  if position("aeiou", ch) < 5 then found = found + 1 end
  local pos = position(letters, ch)
  hash = (hash * 31 + pos) - ((hash * 31 + pos) // 1000003) * 1000003
end
print(string.format("CHECKSUM %d %d %d %d", #secret, same, found, hash))
