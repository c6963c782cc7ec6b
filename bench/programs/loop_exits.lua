-- Leaving loops and functions early: continue, return from nested loops,
-- return through a protected call.
local function find_first(limit)
  for _ = 1, 10 do
    for i = 1, limit do
      if i == 7 then return i end
    end
  end
  return 0
end

local function guarded(x)
  local _, v = pcall(function() return x end)
  return v
end

local total = 0
for i = 1, 300000 do
  if i % 2 == 1 then total = total + find_first(10) + guarded(1) end
end
print(total)
