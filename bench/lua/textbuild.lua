-- A text built from numbers through the conversion functions (tostring,
-- #, float conversion, math.tointeger, a type test), then read back character
-- by character. The text is gathered in a table and joined once.
local n = tonumber(arg[1])
local parts = {}
local width, half, ints = 0, 0, 0
for i = 0, n - 1 do
  local k = (i * 7) - ((i * 7) // 1000) * 1000
  local t = tostring(k)
  parts[#parts + 1] = t
  parts[#parts + 1] = ","
  width = width + #t
  local f = (k + 0.0) / 2
  half = half + math.tointeger(f >= 0 and math.floor(f) or math.ceil(f))
  if math.type(k) == "integer" then
    ints = ints + 1
  end
end
local s = table.concat(parts)
local total, count, cur = 0, 0, 0
for p = 1, #s do
  local ch = s:sub(p, p)
  if ch == "," then
    total = total + cur
    count = count + 1
    cur = 0
  end
  if ch ~= "," then
    cur = cur * 10 + tonumber(ch)
  end
end
print("CHECKSUM " .. #s .. " " .. width .. " " .. half .. " " .. ints .. " " .. total .. " " .. count)
