-- Product of two n x n matrices of pseudo-random numbers below 100, held as
-- tables of row tables, one dot product call per cell.
local n = tonumber(arg[1])
local seed = 3

local function random_row()
  local row = {}
  for c = 1, n do
    seed = (seed * 75 + 74) - ((seed * 75 + 74) // 65537) * 65537
    row[c] = seed - (seed // 100) * 100
  end
  return row
end

local ma, mb = {}, {}
for i = 1, n do
  ma[i] = random_row()
  mb[i] = random_row()
end

local function dot(a_row, column)
  local total = 0
  for k = 1, n do total = total + a_row[k] * mb[k][column] end
  return total
end

local mc = {}
for i = 1, n do
  local row = {}
  for c = 1, n do row[c] = dot(ma[i], c) end
  mc[i] = row
end
local trace, total = 0, 0
for i = 1, n do
  trace = trace + mc[i][i]
  for c = 1, n do
    total = (total + mc[i][c]) - ((total + mc[i][c]) // 1000003) * 1000003
  end
end
print(string.format("CHECKSUM %d %d", trace, total))
