local n = tonumber(arg[1])
local l = {}
for i = 0, n - 1 do
  l[#l + 1] = i
end
local s = 0
for _, e in ipairs(l) do
  s = s + e
end
local m = n // 100
for j = 0, m - 1 do
  local p = j * 97 - (j * 97 // n) * n
  s = s + l[p + 1]
end
local len = n
for j = 0, m - 1 do
  table.remove(l, len)
  len = len - 1
end
local t = 0
for _, e in ipairs(l) do
  t = t + e
end
print("CHECKSUM " .. s .. " " .. t .. " " .. #l)
