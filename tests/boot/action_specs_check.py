"""Every datatype that implements an action is accepted by the first
argument of that action's spec in the library."""
import os
import subprocess
import sys

probe = os.path.join(sys.argv[1], "probes", "action_specs_probe")
run = subprocess.run([probe], capture_output=True, timeout=60)
if run.returncode != 0 or run.stdout:
    print(f"status {run.returncode}; actions that refuse types implementing them:")
    print(run.stdout.decode("utf-8", "replace"))
    sys.exit(1)
