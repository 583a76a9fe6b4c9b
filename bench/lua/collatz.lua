-- Collatz sequences of 1..n: total and longest number of steps.
local n = tonumber(arg[1])
local total, longest = 0, 0
for i = 1, n do
  local x = i
  local steps = 0
  while x ~= 1 do
    local h = x // 2
    local odd = x - h * 2
    if odd == 0 then
      x = h
    end
    if odd ~= 0 then
      x = x * 3 + 1
    end
    steps = steps + 1
  end
  total = total + steps
  if steps > longest then
    longest = steps
  end
end
print("CHECKSUM " .. total .. " " .. longest)
