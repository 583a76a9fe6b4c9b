-- Appending a converted number to a text, n times (gathered in a table and
-- joined once, as Lua does it).
local n = tonumber(arg[1])
local parts = {}
for k = 0, n - 1 do
  parts[#parts + 1] = tostring(k)
end
print("CHECKSUM " .. #table.concat(parts))
