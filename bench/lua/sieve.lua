local n = tonumber(arg[1])
-- flags[k + 1] is the flag of the number k
local flags = {}
for i = 0, n do
  flags[#flags + 1] = 1
end
flags[1] = 0
flags[2] = 0
local i = 2
while i * i <= n do
  if flags[i + 1] ~= 0 then
    for j = i * i, n, i do
      flags[j + 1] = 0
    end
  end
  i = i + 1
end
local count, total = 0, 0
for k = 0, n do
  if flags[k + 1] ~= 0 then
    count = count + 1
    total = total + k
  end
end
print("CHECKSUM " .. count .. " " .. total)
