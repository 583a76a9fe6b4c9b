-- The ZIRN dict library: two parallel lists, keys and values, searched linearly.
local function find(keys, key)
  for i = 1, #keys do
    if keys[i] == key then
      return i
    end
  end
  return #keys + 1
end

local function dict()
  return { {}, {} }
end

local function insertdict(d, key, value)
  local keys, values = d[1], d[2]
  local temp = find(keys, key)
  if temp ~= #keys + 1 then
    table.remove(keys, temp)
    table.remove(values, temp)
  end
  keys[#keys + 1] = key
  values[#values + 1] = value
  return { keys, values }
end

local function getdict(d, key)
  return d[2][find(d[1], key)]
end

local function removedict(d, key)
  local keys, values = d[1], d[2]
  local temp = find(keys, key)
  table.remove(keys, temp)
  table.remove(values, temp)
  return { keys, values }
end

local n = tonumber(arg[1])
local d = dict()
for i = 0, n - 1 do
  d = insertdict(d, "k" .. i, i)
end
local s = 0
for i = 0, n - 1 do
  s = s + getdict(d, "k" .. i)
end
for i = 0, n - 1, 2 do
  d = insertdict(d, "k" .. i, i * 3)
end
for i = 0, n - 1, 5 do
  d = removedict(d, "k" .. i)
end
local w, p = 0, 0
for _, e in ipairs(d[2]) do
  p = p + 1
  w = w + p * e
end
print("CHECKSUM " .. s .. " " .. w .. " " .. p)
