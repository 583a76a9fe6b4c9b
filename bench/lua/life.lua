-- Game of Life on a 32 x 32 torus held as a table of row tables (0-based,
-- as in the other implementations); at reads a cell with wrap-around, every
-- generation builds a new grid.
local SIDE = 32
local grid

local function at(r, c)
  local row = grid[(r + SIDE) - ((r + SIDE) // SIDE) * SIDE]
  return row[(c + SIDE) - ((c + SIDE) // SIDE) * SIDE]
end

local n = tonumber(arg[1])
local seed = 7
grid = {}
for r = 0, SIDE - 1 do
  local row = {}
  for c = 0, SIDE - 1 do
    seed = (seed * 75 + 74) - ((seed * 75 + 74) // 65537) * 65537
    local alive = 0
    if seed > 43690 then
      alive = 1
    end
    row[c] = alive
  end
  grid[r] = row
end
for _ = 1, n do
  local nxt = {}
  for r = 0, SIDE - 1 do
    local nextrow = {}
    local here = grid[r]
    for c = 0, SIDE - 1 do
      local count = at(r - 1, c - 1) + at(r - 1, c) + at(r - 1, c + 1) + at(r, c - 1)
      count = count + at(r, c + 1) + at(r + 1, c - 1) + at(r + 1, c) + at(r + 1, c + 1)
      local me = here[c]
      local alive = 0
      if count == 3 then
        alive = 1
      end
      if count == 2 then
        alive = me
      end
      nextrow[c] = alive
    end
    nxt[r] = nextrow
  end
  grid = nxt
end
local live, weight = 0, 0
for r = 0, SIDE - 1 do
  for c = 0, SIDE - 1 do
    if grid[r][c] ~= 0 then
      live = live + 1
      weight = weight + r * SIDE + c
    end
  end
end
print("CHECKSUM " .. live .. " " .. weight)
