local n = tonumber(arg[1])
local s = 0
for i = 0, n - 1 do
  s = s + i
end
print("CHECKSUM " .. s)
