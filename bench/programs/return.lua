local function next_of(x) return x + 1 end
local total = 0
for _ = 1, 2000000 do total = next_of(total) end
print(total)
