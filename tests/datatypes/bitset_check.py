"""Bitset set operations, complemented ones included, against Python sets.

A complemented bitset is modelled as (True, non-members): everything outside
the given finite set is a member."""
import os
import random
import subprocess
import sys

# Time-outs grow with the build's slowness: ctest passes the factor of the
# sanitizer and torture builds.
TIME_SCALE = float(os.environ.get("ZEP_TEST_TIME_SCALE", "1"))

PROBE = os.path.join(sys.argv[1], "probes", "bitset_probe")
FAR = 1000000
BINARY_OPS = ["or", "and", "xor", "union", "intersect", "exclude", "difference"]


def random_spec(rng, allow_not=True):
    negated = allow_not and rng.random() < 0.5
    items, named = [], set()
    for _ in range(rng.randrange(0, 8)):
        lo = rng.randrange(0, rng.choice([16, 200, 900]))
        if rng.random() < 0.3:
            hi = lo + rng.randrange(0, 40)
            items.append(f"{lo}-{hi}")
            named.update(range(lo, hi + 1))
        else:
            items.append(str(lo))
            named.add(lo)
    text = " ".join((["not"] if negated else []) + items)
    return text, (negated, named)


def member(model, n):
    negated, named = model
    return (n not in named) if negated else (n in named)


def apply(op, a, b):
    """The model result as a membership function."""
    if op == "complement":
        return lambda n: not member(a, n)
    if op == "append":
        return lambda n: member(a, n) or member(b, n)
    if op == "remove":
        return lambda n: member(a, n) and not member(b, n)
    combine = {
        "or": lambda x, y: x or y, "union": lambda x, y: x or y,
        "and": lambda x, y: x and y, "intersect": lambda x, y: x and y,
        "xor": lambda x, y: x != y, "difference": lambda x, y: x != y,
        "exclude": lambda x, y: x and not y,
    }[op]
    return lambda n: combine(member(a, n), member(b, n))


def main():
    rng = random.Random(20240611)
    cases = []
    for _ in range(3000):
        op = rng.choice(BINARY_OPS + ["complement", "append", "remove"])
        text_a, a = random_spec(rng)
        text_b, b = random_spec(rng, allow_not=op not in ("append", "remove"))
        cases.append((op, text_a, text_b, apply(op, a, b)))
    stdin = "".join(f"{op} {ta} | {tb} |\n" for op, ta, tb, _ in cases)
    run = subprocess.run([PROBE], input=stdin.encode(), capture_output=True, timeout=120 * TIME_SCALE)
    if run.returncode != 0:
        print(f"probe failed with status {run.returncode}: {run.stderr.decode()}")
        return 1
    lines = run.stdout.decode().splitlines()
    if len(lines) != len(cases):
        print(f"expected {len(cases)} lines, got {len(lines)}")
        return 1
    failures = 0
    for (op, ta, tb, model), line in zip(cases, lines):
        head, rest = line.split(":")
        listed, far = rest.split("|")
        limit = int(head)
        got = {int(t) for t in listed.split()}
        expected = {n for n in range(limit) if model(n)}
        wrong = got != expected or int(far) != model(FAR)
        if wrong and failures < 10:
            print(f"{op} [{ta}] [{tb}]: got {sorted(got)[:40]} far {far.strip()}, "
                  f"expected {sorted(expected)[:40]} far {int(model(FAR))}")
        failures += wrong
    if failures:
        print(f"{failures} of {len(cases)} cases differ")
        return 1
    return 0


if __name__ == "__main__":
    sys.exit(main())
