def next_of(x):
    return x + 1
total = 0
for _ in range(2000000):
    total = next_of(total)
print(total)
