-- The ZIRN math library's sqrt: Newton's iteration until two successive
-- estimates differ by less than the single-precision literal 0.0000000001.
local TOLERANCE = string.unpack("f", string.pack("f", 0.0000000001))

local function abs(a)
  if a < 0 then
    return a - a * 2
  end
  return a
end

local function sqrt(a)
  local x = a + 0.0
  if x < 2 then
    return x
  end
  local y = x
  local z = (y + x / y) / 2
  while abs(y - z) >= TOLERANCE do
    y = z
    z = (y + x / y) / 2
  end
  return z
end

local n = tonumber(arg[1])
local acc = 0
for i = 1, n do
  local r = sqrt(i)
  acc = acc + math.floor(r * 1000 + 0.5)
end
print("CHECKSUM " .. acc)
