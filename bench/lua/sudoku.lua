-- Backtracking Sudoku solver on a flat list of 81 cells: solve fills the
-- empty cells in order, ok checks a digit against its row, column and box.
-- Cells are kept at 0-based positions, as in the other implementations.
local PUZZLE = "530070000600195000098000060800060003400803001700020006060000280000419005000080079"
local g, empties, free, tries

local function ok(pos, d)
  local r = pos // 9
  local c = pos - r * 9
  local box = (r // 3) * 27 + (c // 3) * 3
  local good = 1
  local i = 0
  while i < 9 do
    local va = g[r * 9 + i]
    local vb = g[i * 9 + c]
    local vc = g[box + (i // 3) * 9 + (i - (i // 3) * 3)]
    if va == d or vb == d or vc == d then
      good = 0
      i = 9
    end
    i = i + 1
  end
  return good
end

local function solve(k)
  if k == free then
    return 1
  end
  local pos = empties[k]
  local found = 0
  local d = 1
  while d <= 9 do
    if ok(pos, d) == 1 then
      g[pos] = d
      tries = tries + 1
      if solve(k + 1) == 1 then
        found = 1
        d = 9
      end
      if found == 0 then
        g[pos] = 0
      end
    end
    d = d + 1
  end
  return found
end

local n = tonumber(arg[1])
local total = 0
tries = 0
for _ = 1, n do
  g = {}
  empties = {}
  free = 0
  for p = 0, #PUZZLE - 1 do
    local ch = PUZZLE:sub(p + 1, p + 1)
    g[p] = tonumber(ch)
    if ch == "0" then
      empties[free] = p
      free = free + 1
    end
  end
  local solved = solve(0)
  for p = 0, 80 do
    total = total + g[p] * (p + 1)
  end
  total = total + solved
end
print("CHECKSUM " .. total .. " " .. tries)
