-- Bubble sort of n pseudo-random numbers below 1000 on a table, swapping
-- neighbours in place; counts the swaps.
local n = tonumber(arg[1])
local seed = 7
local values = {}
for i = 1, n do
  seed = (seed * 75 + 74) - ((seed * 75 + 74) // 65537) * 65537
  values[i] = seed - (seed // 1000) * 1000
end
local swaps = 0
for last = n - 1, 1, -1 do
  for j = 1, last do
    local a, b = values[j], values[j + 1]
    if a > b then
      values[j], values[j + 1] = b, a
      swaps = swaps + 1
    end
  end
end
local weighted = 0
for p = 1, n do weighted = weighted + values[p] * p end
print(string.format("CHECKSUM %d %d %d %d", swaps, weighted, values[1], values[n]))
