#!/usr/bin/env python3
"""Checks float/text conversion against Python's own (correctly rounded) ones.

Shortest digits are compared with repr(), N-digit rounding with '%.*e'
(exact, ties to even) and reading with float(); every shortest text must
read back to the same bits through the probe's own reader. The committed
power-of-ten table must be what scripts/gen_float_pow10.py produces.
Usage: float_text_check.py <build-dir> [seed]
"""
import math
import os
import random
import struct
import subprocess
import sys
from decimal import Decimal

PROBE = sys.argv[1] + "/probes/float_probe"
rng = random.Random(int(sys.argv[2]) if len(sys.argv) > 2 else 20240613)
ROOT = os.path.dirname(os.path.dirname(os.path.dirname(os.path.abspath(__file__))))
failures = []


def fail(what):
    failures.append(what)


def bits_of(x):
    return struct.unpack(">Q", struct.pack(">d", x))[0]


def from_bits(b):
    return struct.unpack(">d", struct.pack(">Q", b))[0]


def run(lines):
    out = subprocess.run([PROBE], input="\n".join(lines) + "\n", capture_output=True,
                         text=True, check=True).stdout.split("\n")
    assert len(out) == len(lines) + 1, "probe answered %d of %d" % (len(out) - 1, len(lines))
    return out[:-1]


def digits_of(text):
    """(digits, decpt) of a decimal text, value = 0.digits x 10^decpt."""
    mantissa, _, exponent = text.lower().lstrip("-").partition("e")
    whole, _, fraction = mantissa.partition(".")
    all_digits = whole + fraction
    significant = all_digits.lstrip("0")
    point = len(whole) - (len(all_digits) - len(significant)) + int(exponent or 0)
    return significant.rstrip("0"), point


def expected_form(x, digits, decpt):
    """The layout: fixed while -6 <= decpt <= 17, else d.ddd e exp; '.0' kept."""
    sign = "-" if x < 0 else ""
    if decpt > 17 or decpt < -6:
        return "%s%s.%se%d" % (sign, digits[0], digits[1:] or "0", decpt - 1)
    if decpt > 0:
        whole = digits[:decpt].ljust(decpt, "0")
        return "%s%s.%s" % (sign, whole, digits[decpt:] or "0")
    return "%s0.%s%s" % (sign, "0" * -decpt, digits)


def random_finite():
    while True:
        x = from_bits(rng.getrandbits(64))
        if math.isfinite(x):
            return x


def nice_decimal():
    digits = rng.randint(1, 17)
    return float("%de%d" % (rng.getrandbits(57) % 10 ** digits, rng.randint(-30, 30) - digits))


HARD = [5e-324, 2.2250738585072011e-308, 2.2250738585072014e-308, 1e23,
        9007199254740993.0, sys.float_info.max, 0.1, 1 / 3, -0.0, 0.0,
        from_bits(0x000FFFFFFFFFFFFF), from_bits(1), from_bits(2), 2.0 ** -1022,
        1e16, 1e17, 1e-7, 1e-6, 9.999999999999999e16, 1e15, 999999999999999.0,
        123456789012345.0, 0.1 + 0.2, 2.0 ** 63, 2.0 ** 64, 1e22, 5e-310]


def check_shortest():
    patterns = [rng.getrandbits(64) for _ in range(720000)]
    patterns = [b for b in patterns if b >> 52 & 0x7FF != 0x7FF][:700000]
    values = HARD + [-x for x in HARD] + [nice_decimal() for _ in range(300000)]
    patterns = [bits_of(x) for x in values] + patterns
    values += struct.unpack("<%dd" % (len(patterns) - len(values)),
                            struct.pack("<%dQ" % (len(patterns) - len(values)),
                                        *patterns[len(values):]))
    out = run(["S %016x" % b for b in patterns])
    for x, b, line in zip(values, patterns, out):
        digits, decpt, text, readback = line.split(" ")
        if x == 0:
            want = "-0.0" if b >> 63 else "0.0"
            if (digits, decpt, text) != ("0.0", "9998", want):
                fail("zero %r: %s" % (x, line))
            continue
        want_digits, want_decpt = digits_of(repr(x))
        if (digits, int(decpt)) != (want_digits, want_decpt):
            fail("shortest %r: got %s %s" % (x, digits, decpt))
        elif text != expected_form(x, want_digits, want_decpt):
            fail("form %r: got %s" % (x, text))
        if int(readback, 16) != b:
            fail("read back %r: %s" % (x, line))
        if len(failures) > 20:
            return


def tie_value():
    """A double whose exact decimal ends in 5, with the digit count just below."""
    if rng.random() < 0.5:
        x = rng.randrange(1, 1 << 20) / 2.0 ** rng.randint(1, 30)
    else:
        x = float(rng.randrange(1, 1 << 53) * 5 * 10 ** rng.randint(0, 4))
    exact = digits_of(format(Decimal(x), "f"))[0]
    return x, max(1, len(exact) - 1)


def check_fixed():
    cases = [(0.125, 2), (59.9999999, 6), (7.25, 6), (30.0, 6), (9.5, 1), (8.5, 1),
             (125.0, 2), (135.0, 2), (999999999999999.0, 3), (5e-324, 1), (5e-324, 29),
             (sys.float_info.max, 29), (0.5, 1), (1.0, 1)]
    cases += [(random_finite(), rng.randint(1, 29)) for _ in range(150000)]
    cases += [(nice_decimal(), rng.randint(1, 17)) for _ in range(50000)]
    cases += [tie_value() for _ in range(50000)]
    out = run(["F %d %016x" % (n, bits_of(x)) for x, n in cases])
    for (x, n), line in zip(cases, out):
        digits, decpt = line.split(" ")
        if x == 0:
            continue
        want = digits_of("%.*e" % (n - 1, x))
        if (digits, int(decpt)) != want:
            fail("fixed %r to %d: got %s %s, want %s" % (x, n, digits, decpt, want))
            if len(failures) > 20:
                return


def random_text():
    kind = rng.random()
    if kind < 0.3:  # short: the exact double-arithmetic path
        n = rng.randint(1, 15)
        text = "%de%d" % (rng.randrange(10 ** n), rng.randint(-40, 40))
    elif kind < 0.55:  # long mantissas anywhere in range
        n = rng.choice([16, 17, 18, 19, 20, 25, 40, 100, 400, 900])
        digits = str(rng.randrange(10 ** (n - 1), 10 ** n))
        point = rng.randint(0, n)
        text = "%s.%se%d" % (digits[:point], digits[point:], rng.randint(-340, 320))
    elif kind < 0.85:  # exact halfway points and their close neighbours
        x = abs(random_finite())
        if x == sys.float_info.max:
            x = 1.0
        half = (Decimal(x) + Decimal(math.nextafter(x, math.inf))) / 2
        text = str(half)
        nudge = rng.random()
        if nudge < 0.33:
            mantissa, e, exponent = text.partition("E")
            text = (mantissa if "." in mantissa else mantissa + ".") + "000000000001" + e + exponent
        elif nudge < 0.66:
            text = str(half - Decimal(10) ** (half.adjusted() - 780))
    else:  # the edges: subnormals, overflow, odd spellings
        sign = rng.choice(["", "+", "-"])
        lead = rng.choice(["0.", "000", ".", "00.000"])
        exponent = rng.randint(-345, -300) if rng.random() < 0.5 else rng.randint(290, 310)
        text = "%s%s%de%d" % (sign, lead, rng.randrange(1, 10 ** 17), exponent)
    return text


def check_reading():
    texts = ["0.1", "1e23", "2.2250738585072011e-308", "2.2250738585072012e-308",
             "4.9406564584124654e-324", "2.4703282292062327e-324", "2.4703282292062328e-324",
             "1.7976931348623157e308", "1.7976931348623158e308", "1.7976931348623159e308",
             "9007199254740993", "9007199254740995", "1e400", "1e-400", "-0.0", "0", "-5e-400",
             "123456789012345678901234567890", "." + "0" * 400 + "1e400", "7e22", "8e37",
             "1" * 2000 + "e-2000", "0." + "9" * 1000]
    texts += [random_text() for _ in range(200000)]
    out = run(["R " + t for t in texts])
    for text, line in zip(texts, out):
        bits, unread = line.split(" ")
        want = float(text)
        if want == 0:
            want = 0.0  # a negative text that rounds to zero reads as +0.0
        if int(bits, 16) != bits_of(want) or unread != "0":
            fail("read %s: got %s, want %016x" % (text[:80], line, bits_of(want)))
            if len(failures) > 20:
                return


def check_table():
    script = os.path.join(ROOT, "scripts", "gen_float_pow10.py")
    if subprocess.run([sys.executable, script, "--check"]).returncode != 0:
        fail("runtime/float_pow10_table.cpp differs from what %s generates" % script)


check_table()
check_shortest()
check_fixed()
check_reading()
for f in failures[:20]:
    print(f)
sys.exit(1 if failures else 0)
