"""Bytes written by the console writers: UTF-8 with LF line ends, escape
sequences untouched, to a pipe and to a terminal alike."""
import os
import pty
import re
import subprocess
import sys
import tty

# Time-outs grow with the build's slowness: ctest passes the factor of the
# sanitizer and torture builds.
TIME_SCALE = float(os.environ.get("ZEP_TEST_TIME_SCALE", "1"))

PROBE = os.path.join(sys.argv[1], "probes", "output_probe")

long_text = "".join("a" if i % 3 else "\u20ac" for i in range(1500))
ECHO = (
    "é\n€\n\U0001F600\n"
    "\x1b[1;31mred\x1b[0m"
    + long_text + "\n"
    + "\ufffd\ufffdz\n"
    + "t:truefalse-42xé0.33333330.3333333333333333|ABCDEF12\n"
    + "0A\n"
).encode("utf-8")

CASES = [
    # mode, expected stdout, expected status
    ("echo", ECHO, 0),
    ("hooks", b"hello\n[1][2][3][4][5][6][7]", 0),
    ("bad-unit-hook", b"Error: unknown string encoding: 3\n", 0),
]

failures = []
for mode, expected, status in CASES:
    run = subprocess.run([PROBE, mode], capture_output=True, timeout=60 * TIME_SCALE)
    if run.returncode != status or run.stdout != expected:
        failures.append(f"{mode}: status {run.returncode}, output {run.stdout[:200]!r}")

run = subprocess.run([PROBE, "bad-unit-write"], capture_output=True, timeout=60 * TIME_SCALE)
pattern = rb"\n\*\*\* Runtime Error 101: no value matched in SWITCH\n\*\*\* at: [0-9A-F]{8}h\n"
if run.returncode != 101 or not re.fullmatch(pattern, run.stdout):
    failures.append(f"bad-unit-write: status {run.returncode}, output {run.stdout!r}")

# The terminal path writes the same bytes (the terminal is raw, so it adds no CR).
master, slave = pty.openpty()
tty.setraw(slave)
child = subprocess.Popen([PROBE, "echo"], stdout=slave, stderr=subprocess.DEVNULL)
os.close(slave)
received = b""
while True:
    try:
        chunk = os.read(master, 65536)
    except OSError:
        break
    if not chunk:
        break
    received += chunk
status = child.wait(timeout=30 * TIME_SCALE)
os.close(master)
if status != 0 or received != ECHO:
    failures.append(f"terminal echo: status {status}, output {received[:200]!r}")

for failure in failures:
    print("FAIL", failure)
sys.exit(1 if failures else 0)
