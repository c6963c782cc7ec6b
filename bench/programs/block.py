b = []
for i in range(1, 2000001):
    b.append(i)
print(len(b))
