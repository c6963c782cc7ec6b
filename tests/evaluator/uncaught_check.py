"""An error that no frame receives is printed and ends the process with
status -2; throw, break and the others become throw errors first."""
import os
import subprocess
import sys

# Time-outs grow with the build's slowness: ctest passes the factor of the
# sanitizer and torture builds.
TIME_SCALE = float(os.environ.get("ZEP_TEST_TIME_SCALE", "1"))

PROBE = os.path.join(sys.argv[1], "probes", "uncaught_probe")

CASES = [
    ("script", '*** Script Error: invalid argument: "a text"\n'
               "*** Where: probe-fn\n*** Near : none\n"),
    ("throw", '*** Throw Error: no catch for throw: "a text"\n'
              "*** Where: probe-fn\n*** Near : none\n"),
]

failures = []
for mode, expected in CASES:
    run = subprocess.run([PROBE, mode], capture_output=True, timeout=30 * TIME_SCALE)
    if run.returncode != 254:
        failures.append(f"{mode}: status {run.returncode}, expected 254 (-2)")
    if run.stdout.decode("utf-8") != expected:
        failures.append(f"{mode}: printed {run.stdout!r}, expected {expected!r}")

if failures:
    print("\n".join(failures))
    sys.exit(1)
