"""The binary! base codecs against Python's base64/binascii (bases 2, 16, 64)
and an independent base 58 written with Python integers, on random and edge
inputs; money! arithmetic against the decimal module (amounts of 5 fraction
digits, rounded half away from zero, 17 integer digits at most)."""
import base64
import binascii
import decimal
import os
import random
import subprocess
import sys

# Time-outs grow with the build's slowness: ctest passes the factor of the
# sanitizer and torture builds.
TIME_SCALE = float(os.environ.get("ZEP_TEST_TIME_SCALE", "1"))

PROBE = os.path.join(sys.argv[1], "probes", "literals_probe")
B58 = "123456789ABCDEFGHJKLMNPQRSTUVWXYZabcdefghijkmnopqrstuvwxyz"
failures = []


def run(mode, lines):
    out = subprocess.run([PROBE, mode], input="\n".join(lines) + "\n", capture_output=True,
                         text=True, timeout=120 * TIME_SCALE)
    if out.returncode != 0:
        failures.append(f"{mode}: status {out.returncode} {out.stderr}")
    return out.stdout.splitlines()


def b58encode(data):
    n = int.from_bytes(data, "big")
    digits = ""
    while n:
        n, r = divmod(n, 58)
        digits = B58[r] + digits
    return "1" * (len(data) - len(data.lstrip(b"\0"))) + digits


def encode(base, data):
    if base == 2:
        return "".join(f"{b:08b}" for b in data)
    if base == 16:
        return binascii.hexlify(data).decode().upper()
    if base == 58:
        return b58encode(data)
    return base64.b64encode(data).decode()


def check_codecs():
    rng = random.Random(58)
    samples = [b"", b"\0", b"\0\0\x01", b"\xff" * 7, b"hello world"]
    samples += [bytes(rng.randrange(256) for _ in range(rng.randrange(1, 70))) for _ in range(300)]
    cases, expected = [], []
    for base in (2, 16, 58, 64):
        for data in samples:
            text = encode(base, data)
            cases.append(f"e {base} {data.hex() or '-'}")
            expected.append(text or "")
            cases.append(f"d {base} {text.encode().hex() or '-'}")
            expected.append(data.hex() or "-")
    # Decoding skips blanks; base 2 skips comments; invalid texts give none.
    texts = [
        (2, b"0100 0001 ; a comment\n01000010", b"AB"),
        (16, b"de ad\nbe ef", b"\xde\xad\xbe\xef"),
        (64, b"aGVs\nbG8=", b"hello"),
        (64, b"aGVsbG8", b"hello"),
        (16, b"abc", None), (16, b"zz", None), (2, b"0101", None), (2, b"01020101", None),
        (64, b"a===", None), (64, b"aGVs=bG8", None), (64, b"a", None), (58, b"0OIl", None),
    ]
    for base, text, data in texts:
        cases.append(f"d {base} {text.hex()}")
        expected.append("none" if data is None else data.hex())
    got = run("codec", cases)
    for case, want, have in zip(cases, expected, got):
        if want != have:
            failures.append(f"codec {case}: {have!r}, expected {want!r}")
    if len(got) != len(cases):
        failures.append(f"codec: {len(got)} answers for {len(cases)} cases")


UNIT = decimal.Decimal("0.00001")
LIMIT = decimal.Decimal(10) ** 17


def quantize(x):
    return x.quantize(UNIT, rounding=decimal.ROUND_HALF_UP)


def money_text(x):
    text = f"{abs(x):f}"
    whole, _, fraction = text.partition(".")
    fraction = (fraction + "00000")[:5].rstrip("0").ljust(2, "0")
    return ("-" if x < 0 else "") + "$" + whole + "." + fraction


def amount(operand):
    kind, _, text = operand.partition(":")
    if kind == "i":
        return decimal.Decimal(int(text)), False
    if kind == "f":
        return decimal.Decimal(repr(float(text))), False
    return decimal.Decimal(operand.replace("$", "")), True


def expected_money(op, a, b):
    x, money_a = amount(a)
    y, money_b = amount(b)
    if op in ("add", "subtract", "remainder"):
        x, y = quantize(x), quantize(y)
        if op == "remainder":
            if y == 0:
                return "error 400"
            result = x % y
        else:
            result = x + y if op == "add" else x - y
    elif op == "multiply":
        result = quantize(x * y)
    else:
        if y == 0:
            return "error 400"
        result = quantize(x / y)
    if abs(result) >= LIMIT:
        return "error 401"
    return money_text(result)


def check_money():
    decimal.getcontext().prec = 100
    rng = random.Random(49)

    def money():
        digits = rng.choice([1, 3, 8, 12, 17])
        whole = rng.randrange(10 ** digits)
        fraction = rng.randrange(100000)
        sign = rng.choice(["", "-"])
        return f"{sign}${whole}.{fraction:05d}"

    def number():
        if rng.random() < 0.5:
            return f"i:{rng.randrange(-10**9, 10**9)}"
        return f"f:{rng.choice([0.1, 0.3, 1.5, -2.25, 1e-3, 3.14159, 7e10, 1e-7, 123456.789])}"

    cases = []
    for _ in range(600):
        op = rng.choice(["add", "subtract", "multiply", "divide", "remainder"])
        if op in ("multiply", "divide"):
            cases.append(f"{op} {money()} {number()}")
        elif rng.random() < 0.5:
            cases.append(f"{op} {money()} {money()}")
        else:
            cases.append(f"{op} {money()} {number()}")
    cases += [
        "divide $1 i:3", "divide -$2 i:3", "multiply $0.00001 f:0.5", "multiply -$0.00001 f:0.5",
        "add $99999999999999999.99999 $0.00001", "divide $1 i:0", "remainder $5 $0",
        "multiply $99999999999999999 i:10", "subtract $0.1 f:0.1", "multiply $3 f:0.1",
    ]
    got = run("money", cases)
    for case, have in zip(cases, got):
        want = expected_money(*case.split())
        if want != have:
            failures.append(f"money {case}: {have!r}, expected {want!r}")
    if len(got) != len(cases):
        failures.append(f"money: {len(got)} answers for {len(cases)} cases")


check_codecs()
check_money()
if failures:
    print("\n".join(failures[:40]))
    sys.exit(1)
