"""Compares integer!, time! and mixed arithmetic and rounding with a Python
model on random operands: Python ints for the 32-bit arithmetic and its
overflow to float, Python floats (IEEE doubles) for the float results, and
the decimal module for every rounding mode."""
import math
import random
import subprocess
import sys
from decimal import (ROUND_CEILING, ROUND_DOWN, ROUND_FLOOR, ROUND_HALF_DOWN,
                     ROUND_HALF_EVEN, ROUND_HALF_UP, Decimal, localcontext)
from pathlib import Path

INT_MIN, INT_MAX = -2**31, 2**31 - 1
ADD, SUB, MUL, DIV, REM, OR, AND, XOR = range(8)
# Round flag bits: even, down, half-down, floor, ceiling, half-ceiling.
FLAG_MODES = {0: ROUND_HALF_UP, 1: ROUND_HALF_EVEN, 2: ROUND_DOWN, 4: ROUND_HALF_DOWN,
              8: ROUND_FLOOR, 16: ROUND_CEILING, 32: 'half-ceiling'}


class Refused(Exception):
    pass


def fits(n):
    return INT_MIN <= n <= INT_MAX


def signed32(n):
    n &= 0xFFFFFFFF
    return n - 2**32 if n & 0x80000000 else n


def trunc_div(a, b):
    q = abs(a) // abs(b)
    return q if (a < 0) == (b < 0) else -q


def int_op(op, a, b):
    if op in (ADD, SUB, MUL):
        exact = {ADD: a + b, SUB: a - b, MUL: a * b}[op]
        if fits(exact):
            return ('i', exact)
        x, y = float(a), float(b)
        return ('f', {ADD: x + y, SUB: x - y, MUL: x * y}[op])
    if op in (DIV, REM):
        if b == 0:
            raise Refused('math/zero-divide')
        if a == INT_MIN and b == -1:
            raise Refused('math/overflow')
        if op == REM:
            r = abs(a) % abs(b)
            return ('i', -r if a < 0 else r)
        if a % b == 0:
            return ('i', trunc_div(a, b))
        return ('f', float(a) / float(b))
    return ('i', signed32({OR: a | b, AND: a & b, XOR: a ^ b}[op]))


def c_pow(a, b):
    """C pow on whole-number operands: overflow gives an infinity."""
    try:
        return math.pow(a, b)
    except OverflowError:
        return -math.inf if a < 0 and b % 2 else math.inf


def power(a, b):
    if b < 0:
        return ('f', c_pow(a, b))
    v = a ** b
    return ('i', v) if fits(v) else ('f', c_pow(a, b))


def round_quotient(q, flags):
    """q (a Decimal) rounded to a whole number under the round flags."""
    mode = FLAG_MODES[flags]
    if mode == 'half-ceiling':
        tie = q - q.to_integral_value(rounding=ROUND_FLOOR) == Decimal('0.5')
        mode = ROUND_CEILING if tie else ROUND_HALF_UP
    return q.to_integral_value(rounding=mode)


def round_int(n, scale, flags):
    if n == INT_MIN:
        return ('i', n)
    s = 1 if scale is None else scale
    if s == INT_MIN:
        raise Refused('math/overflow')
    s = abs(s)
    if s == 0:
        return ('i', n)
    with localcontext() as ctx:
        ctx.prec = 60
        r = int(round_quotient(Decimal(n) / Decimal(s), flags)) * s
    if abs(r) > INT_MAX:
        raise Refused('math/overflow')
    return ('i', r)


def float_divide(x, y):
    if y == 0:
        if x == 0 or math.isnan(x):
            return math.nan
        return math.copysign(math.inf, x) * math.copysign(1.0, y)
    return x / y


def float_op(op, x, y):
    if op == ADD:
        return x + y
    if op == SUB:
        return x - y
    if op == MUL:
        return x * y
    if op == DIV:
        return float_divide(x, y)
    if op == REM:
        if math.isnan(y) or y == 0:
            return math.nan
        if math.isinf(y):
            return x if math.isfinite(x) else math.nan
        return math.fmod(x, y) if math.isfinite(x) else math.nan
    raise Refused('script/cannot-use')


def time_op(op, x, kind, v):
    if op == MUL and kind == 't':
        raise Refused('script/not-related')
    result = float_op(op, x, float(v))
    return ('f' if op == DIV and kind == 't' else 't', result)


def mixed_op(op, a, kind, v):
    return ('t' if kind == 't' else 'f', float_op(op, float(a), v))


def round_time(x, unit, flags):
    """round/to of a time by a float scale, as the float rounding runs it."""
    if unit < math.ldexp(abs(x), -53):
        return ('t', x)
    if unit >= 1.0:
        y = x / unit
    else:
        y = x * (1.0 / unit)
    r = float(round_quotient(Decimal(y), flags))
    return ('t', r * unit if unit >= 1.0 else r / (1.0 / unit))


def random_int(rng):
    pick = rng.random()
    if pick < 0.15:
        return rng.choice([0, 1, -1, 2, -2, INT_MAX, INT_MIN, INT_MAX - 1, INT_MIN + 1,
                           65536, -65536, 46340, 46341, 10, -10])
    if pick < 0.45:
        return rng.randint(-1000, 1000)
    if pick < 0.7:
        return rng.randint(-70000, 70000)
    return rng.randint(INT_MIN, INT_MAX)


def random_seconds(rng):
    pick = rng.random()
    if pick < 0.1:
        return rng.choice([0.0, 1.0, -1.0, 3600.0, 0.5, -0.5, 59.5, 1e-7])
    if pick < 0.6:
        return rng.randint(-360000, 360000) / rng.choice([1, 2, 4, 10, 100])
    return rng.uniform(-1e9, 1e9)


def cases(rng, count):
    for _ in range(count):
        kind = rng.random()
        if kind < 0.35:
            op, a, b = rng.randrange(8), random_int(rng), random_int(rng)
            yield f'I {op} {a} {b}', lambda op=op, a=a, b=b: int_op(op, a, b)
        elif kind < 0.45:
            a = rng.choice([random_int(rng), rng.randint(-50, 50)])
            b = rng.randint(-3, 40)
            if a == 0 and b < 0:
                b = -b
            yield f'P {a} {b}', lambda a=a, b=b: power(a, b)
        elif kind < 0.65:
            n = random_int(rng)
            scale = rng.choice([None, random_int(rng), rng.randint(-20, 20), 10, 2, 3])
            flags = rng.choice(list(FLAG_MODES))
            text = '-' if scale is None else str(scale)
            yield (f'R {n} {text} {flags}',
                   lambda n=n, s=scale, f=flags: round_int(n, s, f))
        elif kind < 0.8:
            op = rng.randrange(5)
            x = random_seconds(rng)
            operand_kind = rng.choice('ift')
            v = (random_int(rng) if operand_kind == 'i' else random_seconds(rng))
            text = str(v) if operand_kind == 'i' else float(v).hex()
            yield (f'T {op} {x.hex()} {operand_kind} {text}',
                   lambda op=op, x=x, k=operand_kind, v=v: time_op(op, x, k, v))
        elif kind < 0.9:
            op = rng.randrange(8)
            a = random_int(rng)
            operand_kind = rng.choice('ft')
            v = random_seconds(rng)
            yield (f'M {op} {a} {operand_kind} {v.hex()}',
                   lambda op=op, a=a, k=operand_kind, v=v: mixed_op(op, a, k, v))
        else:
            x = random_seconds(rng)
            unit = rng.choice([60.0, 3600.0, 1.0, 0.5, 0.25, 0.001, 15.0, 2.5])
            flags = rng.choice(list(FLAG_MODES))
            yield (f'Q {x.hex()} {unit.hex()} {flags}',
                   lambda x=x, u=unit, f=flags: round_time(x, u, f))


def expected_text(model):
    try:
        kind, value = model()
    except Refused as refused:
        return f'e {refused}'
    if kind == 'i':
        return f'i {value}'
    return (kind, value)


def same(got, expected):
    if isinstance(expected, str):
        return got == expected
    kind, value = expected
    parts = got.split()
    if len(parts) != 2 or parts[0] != kind:
        return False
    actual = float.fromhex(parts[1])
    if math.isnan(value):
        return math.isnan(actual)
    return actual == value and math.copysign(1, actual) == math.copysign(1, value)


def main():
    probe = Path(sys.argv[1]) / 'probes' / 'integer_model_probe'
    rng = random.Random(20261210)
    work = list(cases(rng, 30000))
    stdin = ''.join(line + '\n' for line, _ in work)
    run = subprocess.run([str(probe)], input=stdin, capture_output=True, text=True, check=True)
    outputs = run.stdout.splitlines()
    assert len(outputs) == len(work), (len(outputs), len(work))
    failures = 0
    for (line, model), got in zip(work, outputs):
        expected = expected_text(model)
        if not same(got, expected):
            failures += 1
            if failures <= 20:
                print(f'{line!r}: got {got!r}, model {expected!r}')
    print(f'{len(work)} operations, {failures} mismatches')
    return 1 if failures else 0


if __name__ == '__main__':
    sys.exit(main())
