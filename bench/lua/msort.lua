-- Merge sort with the order passed in as a function: msort splits by walking
-- the list, merge asks the order function for every pair.
local function before(a, b)
  return a <= b
end

local function merge(a, b, order)
  local out = {}
  local i, j = 1, 1
  local na, nb = #a, #b
  while i <= na and j <= nb do
    local x, y = a[i], b[j]
    local first = order(x, y)
    if first then
      out[#out + 1] = x
      i = i + 1
    end
    if not first then
      out[#out + 1] = y
      j = j + 1
    end
  end
  while i <= na do
    out[#out + 1] = a[i]
    i = i + 1
  end
  while j <= nb do
    out[#out + 1] = b[j]
    j = j + 1
  end
  return out
end

local function msort(items, order)
  local size = #items
  if size < 2 then
    return items
  end
  local left, right = {}, {}
  local k = 0
  for _, item in ipairs(items) do
    if k < size // 2 then
      left[#left + 1] = item
    end
    if k >= size // 2 then
      right[#right + 1] = item
    end
    k = k + 1
  end
  return merge(msort(left, order), msort(right, order), order)
end

local n = tonumber(arg[1])
local data = {}
local seed = 5
for i = 1, n do
  seed = (seed * 75 + 74) - ((seed * 75 + 74) // 65537) * 65537
  data[i] = seed
end
local result = msort(data, before)
local weighted = 0
for p, x in ipairs(result) do
  weighted = weighted + x * p
end
print("CHECKSUM " .. weighted .. " " .. result[1] .. " " .. result[n] .. " " .. #result)
