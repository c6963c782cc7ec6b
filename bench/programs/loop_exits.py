# Leaving loops and functions early: continue, return from nested loops,
# return through exception handling.
def find_first(limit):
    for _ in range(10):
        for i in range(1, limit + 1):
            if i == 7:
                return i
    return 0


def guarded(x):
    try:
        return x
    except Exception:
        return None


total = 0
for i in range(1, 300001):
    if i % 2 == 0:
        continue
    total += find_first(10) + guarded(1)
print(total)
