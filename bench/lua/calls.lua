local function add3(a, b, c)
  return a + b + c
end

local function inc(a)
  return a + 1
end

local n = tonumber(arg[1])
local s, i = 0, 0
while i < n do
  s = add3(s, i, 1)
  i = inc(i)
end
print("CHECKSUM " .. s)
