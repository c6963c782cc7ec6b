"""The C++ error table is generated from library/errors.zep: the committed
table must be what the generator makes of the committed catalogue."""
import os
import subprocess
import sys

ROOT = os.path.dirname(os.path.dirname(os.path.dirname(os.path.abspath(__file__))))
run = subprocess.run([sys.executable, os.path.join(ROOT, "scripts", "gen_error_catalog.py"),
                      "--check"], capture_output=True, text=True)
if run.returncode != 0:
    print(run.stderr)
    sys.exit(1)
