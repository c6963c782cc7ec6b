"""A registration with a wrong slot count prints the datatype error and ends
the process with status 0."""
import os
import subprocess
import sys

# Time-outs grow with the build's slowness: ctest passes the factor of the
# sanitizer and torture builds.
TIME_SCALE = float(os.environ.get("ZEP_TEST_TIME_SCALE", "1"))

PROBE = os.path.join(sys.argv[1], "probes", "registry_probe")

CASES = [
    ("short", b"*** Datatype Error: invalid actions count for type: 50\n"
              b"*** Found: 61\n*** Expected: 62\n"),
    ("long", b"*** Datatype Error: invalid actions count for type: 50\n"
             b"*** Found: 70\n*** Expected: 62\n"),
]

failures = []
for mode, expected in CASES:
    run = subprocess.run([PROBE, mode], capture_output=True, timeout=60 * TIME_SCALE)
    if run.returncode != 0 or run.stdout != expected:
        failures.append(f"{mode}: status {run.returncode}, output {run.stdout!r}")

if failures:
    print("\n".join(failures))
    sys.exit(1)
