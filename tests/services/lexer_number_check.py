#!/usr/bin/env python3
"""Checks the lexer's number loaders against Python's correctly rounded
float(): random float and percent tokens (with "'" separators, exponents,
long mantissas) and integers around the 32-bit edge, which must load as
integer! inside the range and as float! beyond it.
Usage: lexer_number_check.py <build-dir> [seed]
"""
import os
import random
import struct
import subprocess
import sys

# Time-outs grow with the build's slowness: ctest passes the factor of the
# sanitizer and torture builds.
TIME_SCALE = float(os.environ.get("ZEP_TEST_TIME_SCALE", "1"))

PROBE = sys.argv[1] + "/probes/lexer_number_probe"
rng = random.Random(int(sys.argv[2]) if len(sys.argv) > 2 else 20240614)


def bits_of(x):
    x = x + 0.0  # the reader gives +0.0 for a negative text that rounds to zero
    return "%016x" % struct.unpack(">Q", struct.pack(">d", x))[0]


def digits(n):
    return "".join(rng.choice("0123456789") for _ in range(n))


def with_separators(text):
    """Puts single "'" separators between some digits."""
    out = text[0]
    for c in text[1:]:
        if rng.random() < 0.15:
            out += "'"
        out += c
    return out


def float_token():
    """(token, plain text for Python)."""
    whole = digits(rng.randint(1, 22))
    fraction = digits(rng.randint(0, 20))
    exponent = ""
    if rng.random() < 0.6:
        exponent = rng.choice("eE") + rng.choice(["", "+", "-"]) + str(rng.randint(0, 330))
    if not fraction and not exponent:
        fraction = "5"
    sign = rng.choice(["", "", "-", "+"])
    token = sign + with_separators(whole) + "." + fraction + exponent
    return token, sign + whole + "." + fraction + exponent


cases = []
for _ in range(3000):
    token, plain = float_token()
    cases.append((token, "F " + bits_of(float(plain))))
for _ in range(1000):
    whole, fraction = digits(rng.randint(1, 12)), digits(rng.randint(0, 12))
    number = whole + ("." + fraction if fraction else "")
    sign = rng.choice(["", "-"])
    cases.append((sign + number + "%", "P " + bits_of(float(sign + number + "e-2"))))
for _ in range(1000):
    n = rng.randint(-2 ** 31 - 2000, 2 ** 31 + 2000)
    if rng.random() < 0.2:
        n = rng.choice([2 ** 31 - 1, -2 ** 31, 2 ** 31, -2 ** 31 - 1])
    text = str(n)
    if rng.random() < 0.2:
        text = ("-" if n < 0 else "") + with_separators(str(abs(n)))
    inside = -2 ** 31 <= n < 2 ** 31
    cases.append((text, "I %d" % n if inside else "F " + bits_of(float(n))))
for n in range(11, 25):
    text = digits(n).lstrip("0") or "1"
    expected = "I " + text if len(text) <= 10 and int(text) < 2 ** 31 else "F " + bits_of(float(text))
    cases.append((text, expected))

out = subprocess.run([PROBE], input="\n".join(t for t, _ in cases) + "\n", capture_output=True,
                     text=True, check=True, timeout=120 * TIME_SCALE).stdout.split("\n")
failures = [(t, e, g) for (t, e), g in zip(cases, out) if e != g]
if len(out) < len(cases):
    failures.append(("(probe)", "%d answers" % len(cases), "%d" % len(out)))
for token, expected, got in failures[:20]:
    print("%s: expected %s, got %s" % (token, expected, got))
if failures:
    print("%d of %d cases failed" % (len(failures), len(cases)))
    sys.exit(1)
print("%d number tokens load as Python reads them" % len(cases))
