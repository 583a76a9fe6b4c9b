-- Lua strings are immutable and s = s .. x copies the whole text each time,
-- so the idiomatic way to append is a buffer joined once at the end.
local n = tonumber(arg[1])
local buffer = {}
for i = 0, n - 1 do
  local k = i - (i // 8) * 8
  buffer[#buffer + 1] = string.rep("ab", k)
  buffer[#buffer + 1] = "c"
end
local s = table.concat(buffer)
print("CHECKSUM " .. #s)
