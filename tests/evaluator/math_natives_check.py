#!/usr/bin/env python3
"""Checks the trigonometric and logarithmic natives against Python's math.

Degrees: the expected value is the function of the angle turned into radians
with math.radians; the natives reduce the angle first, so results agree to a
small tolerance and always in sign (a zero result below 2.22e-16 aside).
Radians: sine, cosine and the inverse functions are the platform's, so they
agree to the last bit with Python's math module (same C library), within
one unit in the last place to stay portable.
Usage: math_natives_check.py <build-dir>
"""
import math
import random
import struct
import subprocess
import sys

PROBE = sys.argv[1] + "/probes/math_natives_probe"
rng = random.Random(9)
failures = []


def hx(x):
    return "%016x" % struct.unpack("<Q", struct.pack("<d", x))[0]


def from_hex(s):
    return struct.unpack("<d", struct.pack("<Q", int(s, 16)))[0]


def python_value(fn, *args):
    try:
        return fn(*args)
    except ValueError:
        return math.nan  # domain errors: the natives give the platform's NaN
    except OverflowError:
        return math.inf


def agrees(got, want, rel, abs_tol):
    if math.isnan(want):
        return math.isnan(got)
    if math.isinf(want):
        return got == want
    if abs(want) < 1e-15 and abs(got) < 2.220446049250313e-16:
        return True
    if (got > 0) != (want > 0) and abs(want) > 1e-12:
        return False  # a wrong sign is never a rounding difference
    return math.isclose(got, want, rel_tol=rel, abs_tol=abs_tol)


cases = []  # (word, radians, args, expected, rel, abs)
degrees = [0, 30, 45, 60, 89, 90, 91, 120, 135, 150, 179, 180, 181, 225, 269, 270, 271,
           315, 359, 360, 361, 540, 720, 1000, 12345.5]
degrees += [-d for d in degrees] + [rng.uniform(-2000, 2000) for _ in range(200)]
for d in degrees:
    r = math.radians(d)
    cases.append(("sine", 0, (d,), math.sin(r), 1e-9, 1e-12))
    cases.append(("cosine", 0, (d,), math.cos(r), 1e-9, 1e-12))
    if abs(math.cos(r)) > 1e-9:
        cases.append(("tangent", 0, (d,), math.tan(r), 1e-9, 1e-12))
for x in [0.0, 0.5, 1.0, -1.0, 2.0, 3.0, -7.25, 100.0] + [rng.uniform(-10, 10) for _ in range(50)]:
    for word, fn in (("sine", math.sin), ("cosine", math.cos), ("tangent", math.tan)):
        want = fn(x)
        if word != "tangent" and abs(want) < 2.220446049250313e-16:
            want = 0.0
        cases.append((word, 1, (x,), want, 2.3e-16, 0))
for x in [-1.5, -1.0, -0.5, 0.0, 0.25, 0.5, 1.0, 1.5] + [rng.uniform(-1, 1) for _ in range(30)]:
    for word, fn in (("arcsine", math.asin), ("arccosine", math.acos), ("arctangent", math.atan)):
        want = python_value(fn, x)
        cases.append((word, 1, (x,), want, 2.3e-16, 0))
        cases.append((word, 0, (x,), want * 180.0 / math.pi, 4.5e-16, 0))
for y, x in [(1, 1), (1, -1), (-1, -1), (0, -1), (-0.0, -1), (3, 0), (0, 0)] + \
        [(rng.uniform(-5, 5), rng.uniform(-5, 5)) for _ in range(30)]:
    want = math.atan2(y, x)
    cases.append(("arctangent2", 1, (y, x), want, 2.3e-16, 0))
    cases.append(("arctangent2", 0, (y, x), math.degrees(want), 4.5e-16, 0))
for x in [0.0, -1.0, 1.0, 2.0, 8.0, 10.0, 1e-300, 1e300, 0.1, math.inf] + \
        [rng.uniform(0, 1000) for _ in range(30)]:
    cases.append(("log-e", 0, (x,), python_value(math.log, x) if x != 0 else -math.inf,
                  2.3e-16, 0))
    cases.append(("log-10", 0, (x,), python_value(math.log10, x) if x != 0 else -math.inf,
                  2.3e-16, 0))
    cases.append(("log-2", 0, (x,), python_value(math.log2, x) if x != 0 else -math.inf,
                  1e-15, 0))
    cases.append(("square-root", 0, (x,), python_value(math.sqrt, x), 0, 0))
for x in [0.0, 1.0, -1.0, 0.5, 10.0, 700.0, 710.0, -750.0] + [rng.uniform(-50, 50) for _ in range(30)]:
    cases.append(("exp", 0, (x,), python_value(math.exp, x), 1e-13, 0))

lines = ["%s %d %s" % (w, r, " ".join(hx(float(a)) for a in args)) for w, r, args, *_ in cases]
out = subprocess.run([PROBE], input="\n".join(lines) + "\n", capture_output=True, text=True,
                     check=True).stdout.split()
if len(out) != len(cases):
    sys.exit("probe answered %d of %d lines" % (len(out), len(cases)))
for (word, radians, args, want, rel, abs_tol), got_hex in zip(cases, out):
    got = from_hex(got_hex)
    if not agrees(got, want, rel, abs_tol):
        failures.append("%s%s %r: got %r, expected %r" %
                        (word, "/radians" if radians else "", args, got, want))

# Exact values the natives promise.
exact = [("sine", 0, (180.0,), 0.0), ("sine", 0, (-180.0,), 0.0), ("cosine", 0, (90.0,), 0.0),
         ("cosine", 0, (270.0,), 0.0), ("tangent", 0, (90.0,), math.inf),
         ("tangent", 0, (-90.0,), -math.inf), ("tangent", 0, (270.0,), -math.inf),
         ("sine", 0, (30.0,), math.sin(math.pi / 6))]
lines = ["%s %d %s" % (w, r, " ".join(hx(a) for a in args)) for w, r, args, _ in exact]
out = subprocess.run([PROBE], input="\n".join(lines) + "\n", capture_output=True, text=True,
                     check=True).stdout.split()
for (word, radians, args, want), got_hex in zip(exact, out):
    if from_hex(got_hex) != want:
        failures.append("%s %r: got %r, expected exactly %r" % (word, args, from_hex(got_hex), want))

for f in failures[:30]:
    print(f)
if failures:
    sys.exit("%d of %d cases failed" % (len(failures), len(cases) + len(exact)))
print("%d cases agree with Python's math module" % (len(cases) + len(exact)))
