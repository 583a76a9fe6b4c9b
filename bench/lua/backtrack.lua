-- N-queens counted by backtracking: cols[r] is the column of the queen in
-- row r; safe() checks a square against the rows above, one recursive call
-- per row.
local n = tonumber(arg[1])
local cols = {}
local placed = 0

local function safe(i, row, col)
  if i < 0 then
    return 1
  end
  local q = cols[i]
  if q == col then
    return 0
  end
  if q - col == row - i then
    return 0
  end
  if col - q == row - i then
    return 0
  end
  return safe(i - 1, row, col)
end

local function place(row)
  if row == n then
    return 1
  end
  local count = 0
  for col = 0, n - 1 do
    if safe(row - 1, row, col) == 1 then
      cols[row] = col
      placed = placed + 1
      count = count + place(row + 1)
    end
  end
  return count
end

for k = 0, n - 1 do
  cols[k] = 0
end
local solutions = place(0)
print("CHECKSUM " .. solutions .. " " .. placed)
