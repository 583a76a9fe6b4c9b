local function fibl(n)
  if n < 2 then
    return n
  end
  return fibl(n - 1) + fibl(n - 2)
end

print("CHECKSUM " .. fibl(tonumber(arg[1])))
