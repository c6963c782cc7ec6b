#!/usr/bin/env python3
"""Checks float! text, arithmetic, rounding and comparison against Python.

Form kinds are rebuilt from Python's '%.Ng' (C99 printf) with the system's
pretty retry, exponent clean-up and suffixes; mold from repr() (shortest
round-trip digits) in the system's layout. Arithmetic and comparison follow a
small Python model; rounding follows the rounding steps in Python floats and,
where the quotient is exact, Python's decimal rounding modes.
Usage: float_model_check.py <build-dir>
"""
import decimal
import math
import random
import struct
import subprocess
import sys

PROBE = sys.argv[1] + "/probes/float_model_probe"
rng = random.Random(20250101)
failures = []
EPSILON = 2.220446049250313e-16


def bits(x):
    return struct.unpack("<Q", struct.pack("<d", x))[0]


def from_bits(b):
    return struct.unpack("<d", struct.pack("<Q", b))[0]


def hx(x):
    return "%016x" % bits(x)


def run(lines):
    out = subprocess.run([PROBE], input="\n".join(lines) + "\n", capture_output=True,
                         text=True, check=True).stdout.split("\n")
    assert len(out) == len(lines) + 1, "probe answered %d of %d" % (len(out) - 1, len(lines))
    return out[:-1]


def check(lines, expected, what):
    for line, got, want in zip(lines, run(lines), expected):
        if got != want:
            failures.append("%s: %s -> %r, expected %r" % (what, line, got, want))


# --- form kinds -------------------------------------------------------------------

KINDS = {  # digits, retry digits, pretty zero, "%" suffix, ".0" suffix
    0: (7, 5, "0.0", False, True),
    1: (16, 14, "0.0", False, True),
    2: (7, 14, "0%", True, False),
    3: (13, 14, "0%", True, False),
    4: (6, 5, "0.0", False, False),
    5: (7, 5, "0", False, False),
}


def layout6(x, n):
    """The runtime's own layout with n digits and no '.0' (time seconds)."""
    if x == 0:
        return "-0" if math.copysign(1, x) < 0 else "0"
    mantissa, exponent = ("%.*e" % (n - 1, abs(x))).split("e")
    digits = mantissa.replace(".", "").rstrip("0")
    decpt = int(exponent) + 1
    sign = "-" if x < 0 else ""
    if decpt > 17 or decpt < -6:
        text = digits[0] + ("." + digits[1:] if len(digits) > 1 else "")
        return "%s%se%d" % (sign, text, decpt - 1)
    if decpt > 0:
        whole = digits[:decpt].ljust(decpt, "0")
        rest = digits[decpt:]
        return sign + whole + ("." + rest if rest else "")
    return "%s0.%s%s" % (sign, "0" * -decpt, digits)


def raw(x, kind, digits):
    return layout6(x, digits) if kind == 4 else "%.*g" % (digits, x)


def wants_retry(text):
    mantissa = text.split("e")[0]
    if len(mantissa) <= 16:
        return False
    if "e" not in text and mantissa.lstrip("-").startswith("0") and len(mantissa) <= 17:
        return False
    return mantissa[-2:] in ("01", "99")


def form_model(x, kind, pretty):
    if math.isnan(x):
        return "1.#NaN"
    if math.isinf(x):
        return "1.#INF" if x > 0 else "-1.#INF"
    digits, retry, zero, percent, dot_zero = KINDS[kind]
    if pretty and abs(x) < EPSILON:
        return zero
    text = raw(x, kind, digits)
    if pretty and wants_retry(text):
        text = raw(x, kind, retry)
    if "e" in text:
        mantissa, exponent = text.split("e")
        sign = "-" if exponent.startswith("-") else ""
        text = mantissa + "e" + sign + (exponent.lstrip("+-").lstrip("0") or "0")
    if percent:
        return text + "%"
    if dot_zero and "." not in text:
        if "e" in text:
            mantissa, exponent = text.split("e")
            return mantissa + ".0e" + exponent
        return text + ".0"
    return text


def mold_model(x):
    if math.isnan(x):
        return "1.#NaN"
    if math.isinf(x):
        return "1.#INF" if x > 0 else "-1.#INF"
    if x == 0:
        return "-0.0" if math.copysign(1, x) < 0 else "0.0"
    mantissa, _, exponent = repr(abs(x)).partition("e")
    whole, _, fraction = mantissa.partition(".")
    all_digits = whole + fraction
    significant = all_digits.lstrip("0")
    decpt = len(whole) - (len(all_digits) - len(significant)) + int(exponent or 0)
    digits = significant.rstrip("0")
    sign = "-" if x < 0 else ""
    if decpt > 17 or decpt < -6:
        return "%s%s.%se%d" % (sign, digits[0], digits[1:] or "0", decpt - 1)
    if decpt > 0:
        return "%s%s.%s" % (sign, digits[:decpt].ljust(decpt, "0"), digits[decpt:] or "0")
    return "%s0.%s%s" % (sign, "0" * -decpt, digits)


def random_double():
    pick = rng.random()
    if pick < 0.3:
        return from_bits(rng.getrandbits(64))
    if pick < 0.6:
        digits = rng.randint(1, 17)
        return float("%de%d" % (rng.getrandbits(57) % 10 ** digits, rng.randint(-25, 25) - digits))
    if pick < 0.8:  # sums of short decimals: noisy last digits
        a = round(rng.uniform(-100, 100), rng.randint(0, 3))
        b = round(rng.uniform(-100, 100), rng.randint(0, 3))
        return a + b
    return rng.choice([0.1 + 0.7, 1 / 3, 1e20, 1.5e-7, 123456789012345678.0, 3.0, 1e-17,
                       -0.0, 0.0, 5e-324, 1.7976931348623157e308, 0.5, 1e16, 1e17, 1e-5])


SPECIALS = [math.inf, -math.inf, math.nan, -math.nan]


def check_forms():
    values = [random_double() for _ in range(3000)] + SPECIALS
    lines, expected = [], []
    for x in values:
        for kind in range(6):
            for pretty in (0, 1):
                shown = x * 100 if kind in (2, 3) else x
                lines.append("K %d %d %s" % (kind, pretty, hx(shown)))
                expected.append(form_model(shown, kind, pretty))
    check(lines, expected, "form kind")

    lines = ["M " + hx(x) for x in values]
    expected = ["%s\t%s\t%s" % (form_model(x, 1, True), mold_model(x), form_model(x * 100, 3, True))
                for x in values]
    check(lines, expected, "form/mold")
    # Every molded finite value reads back to the same double.
    for x in values:
        if math.isfinite(x) and float(mold_model(x)) != x:
            failures.append("mold model does not read back: %r" % x)


# --- arithmetic --------------------------------------------------------------------


def do_op(x, y, op):
    try:
        if op == 0:
            return x + y
        if op == 1:
            return x - y
        if op == 2:
            return x * y
        if op == 3:
            if y == 0:
                if math.isnan(x) or x == 0:
                    return math.nan
                return math.copysign(math.inf, x) * math.copysign(1, y)
            return x / y
    except OverflowError:
        return math.copysign(math.inf, x) * (math.copysign(1, y) if op == 2 else 1)
    if math.isnan(y):
        return y
    if math.isinf(y):
        return x if math.isfinite(x) else math.nan
    if y == 0 or not math.isfinite(x):
        return math.nan
    return math.fmod(x, y)


def result_type(t1, t2):
    if "t" in (t1, t2):
        return "t"
    return "p" if t1 == "p" else "f"


def same_double(a, b):
    return (math.isnan(a) and math.isnan(b)) or bits(a) == bits(b)


def check_arithmetic():
    cases = []
    for _ in range(4000):
        op = rng.randint(0, 4)
        t1 = rng.choice("ifpt")
        t2 = rng.choice("ifpt")
        a = rng.randint(-2 ** 31, 2 ** 31 - 1) if t1 == "i" else random_double()
        b = rng.randint(-2 ** 31, 2 ** 31 - 1) if t2 == "i" else rng.choice(
            [random_double(), 0.0, -0.0, math.inf, -math.inf, math.nan])
        cases.append((op, t1, a, t2, b))
    lines = ["A %d %s %s %s %s" % (op, t1, a if t1 == "i" else hx(a), t2,
                                    b if t2 == "i" else hx(b))
             for op, t1, a, t2, b in cases]
    for line, got, (op, t1, a, t2, b) in zip(lines, run(lines), cases):
        want = do_op(float(a), float(b), op)
        kind, _, value = got.partition(" ")
        if kind != result_type(t1, t2) or not same_double(from_bits(int(value, 16)), want):
            failures.append("arithmetic %s -> %s, expected %s %r" %
                            (line, got, result_type(t1, t2), want))


# --- rounding --------------------------------------------------------------------

EVEN, DOWN, HALF_DOWN, FLOOR, CEILING, HALF_CEILING = 1, 2, 4, 8, 16, 32


def round_model(x, u, flags):
    if u == 0 or u < math.ldexp(abs(x), -53):
        return x
    e = 0
    if u >= 1.0:
        y = x / u
    else:
        m, e = math.frexp(u)
        if e <= -1022:
            x = math.ldexp(x, -e)
            u = m
        else:
            e = 0
        y = x * (1.0 / u)
    d = abs(y)
    h = math.floor(d) + 0.5
    symmetric = True
    if flags & DOWN:
        r = math.floor(d)
    elif flags & FLOOR:
        r, symmetric = math.floor(y), False
    elif flags & CEILING:
        r, symmetric = math.ceil(y), False
    elif h < d:
        r = math.ceil(d)
    elif h > d:
        r = math.floor(d)
    elif flags & EVEN:
        r = math.ceil(d) if math.fmod(d, 2.0) >= 1.0 else math.floor(d)
    elif flags & HALF_DOWN:
        r = math.floor(d)
    elif flags & HALF_CEILING:
        r, symmetric = math.ceil(y), False
    else:
        r = math.ceil(d)
    r = float(r)
    if symmetric and y < 0:
        r = -r
    return r * u if u >= 1.0 else math.ldexp(r / (1.0 / u), e)


def round_decimal(x, u, flags):
    """The exact answer for units whose quotient x / u is exact."""
    q = decimal.Decimal(x) / decimal.Decimal(u)
    modes = [(DOWN, decimal.ROUND_DOWN), (FLOOR, decimal.ROUND_FLOOR),
             (CEILING, decimal.ROUND_CEILING)]
    for flag, mode in modes:
        if flags & flag:
            return float(q.to_integral_value(mode) * decimal.Decimal(u))
    frac = q - q.to_integral_value(decimal.ROUND_FLOOR)
    if frac == decimal.Decimal("0.5"):
        if flags & EVEN:
            mode = decimal.ROUND_HALF_EVEN
        elif flags & HALF_DOWN:
            mode = decimal.ROUND_HALF_DOWN
        elif flags & HALF_CEILING:
            mode = decimal.ROUND_CEILING
        else:
            mode = decimal.ROUND_HALF_UP
    else:
        mode = decimal.ROUND_HALF_UP
    return float(q.to_integral_value(mode) * decimal.Decimal(u))


def check_rounding():
    decimal.getcontext().prec = 400
    flag_sets = [0, EVEN, DOWN, HALF_DOWN, FLOOR, CEILING, HALF_CEILING]
    cases = []
    for _ in range(3000):
        u = rng.choice([1.0, 0.5, 0.25, 2.0, 4.0, 0.01, 0.1, 3.0, 1e-3, 10.0, 5e-310, 1e-300])
        halves = rng.random() < 0.5
        k = rng.randint(-2000, 2000)
        x = (k + 0.5) * u if halves else rng.uniform(-1000, 1000) * u
        cases.append((x, u, rng.choice(flag_sets)))
    cases += [(2.5, 1.0, 0), (-2.5, 1.0, 0), (2.5, 1.0, EVEN), (2.5, 1.0, HALF_DOWN),
              (-2.5, 1.0, HALF_CEILING), (-2.1, 1.0, FLOOR), (1.2345, 0.01, 0),
              (0.125, 0.25, 0), (0.125, 0.25, EVEN), (1e300, 1e-300, 0), (3e-310, 1e-310, 0)]
    lines = ["R %d %s %s" % (f, hx(x), hx(u)) for x, u, f in cases]
    for line, got, (x, u, f) in zip(lines, run(lines), cases):
        result = from_bits(int(got, 16))
        if not same_double(result, round_model(x, u, f)):
            failures.append("round %s -> %r, model %r" % (line, result, round_model(x, u, f)))
        exact = u in (1.0, 0.5, 0.25, 2.0, 4.0)
        if exact and u >= math.ldexp(abs(x), -53) and result != round_decimal(x, u, f):
            failures.append("round %s -> %r, decimal %r" % (line, result, round_decimal(x, u, f)))
    for x, u, f, want in [(2.5, 1.0, 0, 3.0), (-2.5, 1.0, 0, -3.0), (2.5, 1.0, EVEN, 2.0),
                          (2.5, 1.0, HALF_DOWN, 2.0), (-2.5, 1.0, HALF_CEILING, -2.0),
                          (-2.1, 1.0, FLOOR, -3.0), (1.2345, 0.01, 0, 1.23),
                          (0.125, 0.25, 0, 0.25), (0.125, 0.25, EVEN, 0.0),
                          (1e300, 1e-300, 0, 1e300), (3e-310, 1e-310, 0, 3e-310)]:
        if round_model(x, u, f) != want:
            failures.append("round model %r %r %d gives %r, expected %r" %
                            (x, u, f, round_model(x, u, f), want))


# --- comparison -------------------------------------------------------------------


def key(x):
    b = bits(x)
    return (-b) % 2 ** 64 if b >> 63 else b | 1 << 63


def almost_equal(a, b):
    if math.isnan(a) or math.isnan(b):
        return False
    if a == b or abs(a - b) < EPSILON:
        return True
    ka, kb = key(a), key(b)
    if abs((ka >> 32) - (kb >> 32)) > 1:
        return False
    return abs(ka - kb) <= 10


def compare_model(a, b, code):
    if code in (0, 1):
        return 0 if almost_equal(a, b) else 1
    if code == 2:
        return 0 if a == b else 1
    if code == 9:
        return 0 if bits(a) == bits(b) else 1
    if math.isnan(a) or math.isnan(b):
        return {3: 1, 4: 1, 5: -1, 6: -1, 10: 1, 11: 1, 12: 1}.get(code, 0)
    return (a > b) - (a < b)


def check_compare():
    cases = []
    for _ in range(3000):
        a = random_double()
        pick = rng.random()
        if pick < 0.4:
            b = from_bits((bits(a) + rng.randint(-14, 14)) % 2 ** 64)
        elif pick < 0.5:
            b = a + rng.choice([EPSILON / 2, -EPSILON / 4, 1e-300])
        else:
            b = rng.choice([random_double(), math.nan, -0.0, 0.0, a])
        cases.append((a, b, rng.randint(0, 12)))
    cases += [(0.1 + 0.2, 0.3, 0), (0.1 + 0.2, 0.3, 2), (0.0, -0.0, 2), (0.0, -0.0, 9),
              (math.nan, math.nan, 0), (math.nan, 1.0, 3), (math.nan, 1.0, 5)]
    lines = ["C %d %s %s" % (c, hx(a), hx(b)) for a, b, c in cases]
    check(lines, [str(compare_model(a, b, c)) for a, b, c in cases], "compare")


check_forms()
check_arithmetic()
check_rounding()
check_compare()
for f in failures[:25]:
    print(f)
if failures:
    print("%d failures" % len(failures))
    sys.exit(1)
print("float model check passed")
