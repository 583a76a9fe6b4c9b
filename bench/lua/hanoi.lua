-- Towers of Hanoi with the three pegs as tables used as lists: every move
-- takes the top disk off one list and appends it to another.
local n = tonumber(arg[1])
local pegs = {{}, {}, {}}
local moves, weight = 0, 0

local function hanoi(count, source, target, spare)
  if count > 0 then
    hanoi(count - 1, source, spare, target)
    local src = pegs[source + 1]
    local disk = src[#src]
    moves = moves + 1
    weight = weight + disk * (moves - (moves // 7) * 7)
    local dst = pegs[target + 1]
    dst[#dst + 1] = disk
    src[#src] = nil
    hanoi(count - 1, spare, target, source)
  end
end

for k = n, 1, -1 do
  pegs[1][#pegs[1] + 1] = k
end
hanoi(n, 0, 2, 1)
print("CHECKSUM " .. moves .. " " .. weight .. " " .. #pegs[3] .. " " .. #pegs[1])
