-- Text processing: a text of n two-syllable words, read back character by
-- character into words, each word counted in a list of distinct words found
-- by a linear search. The text is gathered in a table and joined once.
local n = tonumber(arg[1])
local syllables = {"ka", "lo", "mi", "ne", "tu", "ra", "si", "po"}
local seed = 11
local parts = {}
for _ = 1, n do
  seed = (seed * 75 + 74) - ((seed * 75 + 74) // 65537) * 65537
  local first = syllables[seed - (seed // 8) * 8 + 1]
  seed = (seed * 75 + 74) - ((seed * 75 + 74) // 65537) * 65537
  local second = syllables[seed // 8 - (seed // 64) * 8 + 1]
  parts[#parts + 1] = first .. second .. " "
end
local text = table.concat(parts)
local words, counts = {}, {}
local word = ""
local total = 0
for p = 1, #text do
  local ch = text:sub(p, p)
  if ch == " " then
    local pos = #words + 1
    for k = 1, #words do
      if words[k] == word then
        pos = k
        break
      end
    end
    if pos == #words + 1 then
      words[pos] = word
      counts[pos] = 0
    end
    counts[pos] = counts[pos] + 1
    total = total + 1
    word = ""
  end
  if ch ~= " " then
    word = word .. ch
  end
end
local weighted, letters = 0, 0
for p = 1, #counts do
  weighted = weighted + counts[p] * p
  letters = letters + #words[p]
end
print("CHECKSUM " .. #words .. " " .. total .. " " .. weighted .. " " .. letters)
