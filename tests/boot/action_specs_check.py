"""Every datatype that implements an action is accepted by the first
argument of that action's spec in the library."""
import os
import subprocess
import sys

# Time-outs grow with the build's slowness: ctest passes the factor of the
# sanitizer and torture builds.
TIME_SCALE = float(os.environ.get("ZEP_TEST_TIME_SCALE", "1"))

probe = os.path.join(sys.argv[1], "probes", "action_specs_probe")
run = subprocess.run([probe], capture_output=True, timeout=60 * TIME_SCALE)
if run.returncode != 0 or run.stdout:
    print(f"status {run.returncode}; actions that refuse types implementing them:")
    print(run.stdout.decode("utf-8", "replace"))
    sys.exit(1)
