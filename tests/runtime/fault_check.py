"""Runtime error reports and exit statuses of faults, throws and Ctrl-C."""
import os
import re
import signal
import subprocess
import sys

# Time-outs grow with the build's slowness: ctest passes the factor of the
# sanitizer and torture builds.
TIME_SCALE = float(os.environ.get("ZEP_TEST_TIME_SCALE", "1"))

PROBE = os.path.join(sys.argv[1], "probes", "fault_probe")
ADDRESS = "[0-9A-F]{8}"


def report(code, message):
    return re.escape(f"\n*** Runtime Error {code}: {message}\n*** at: ") + ADDRESS + re.escape("h\n")


CASES = [
    # mode, expected stdout (regex), expected status
    ("null", report(1, "access violation"), 1),
    ("divide", report(13, "integer divide by zero"), 13),
    ("throw", report(95, "no CATCH for THROW"), 95),
    ("no-memory", report(94, "out of memory"), 94),
    ("overflow", report(19, "stack error or overflow"), 19),
    ("unknown-code", re.escape("\n*** Runtime Error 42: unknown error code!\n*** at: 1234ABCDh\n"), 42),
    ("quiet", "", 0),
    ("deep", re.escape("stack overflow caught\n"), 0),
]

failures = []
for mode, pattern, status in CASES:
    run = subprocess.run([PROBE, mode], capture_output=True, timeout=60 * TIME_SCALE)
    out = run.stdout.decode("utf-8", "replace")
    if run.returncode != status or not re.fullmatch(pattern, out):
        failures.append(f"{mode}: status {run.returncode} (want {status}), output {out!r}")

# Ctrl-C from outside is a quiet exit with status 0.
child = subprocess.Popen([PROBE, "interrupt"], stdout=subprocess.PIPE)
first = child.stdout.readline()
child.send_signal(signal.SIGINT)
rest = child.stdout.read()
status = child.wait(timeout=30 * TIME_SCALE)
if first != b"ready\n" or rest != b"" or status != 0:
    failures.append(f"interrupt: status {status}, output {first + rest!r}")

for failure in failures:
    print("FAIL", failure)
sys.exit(1 if failures else 0)
