"""Start-up completes on the executable's own path: the zep executable exits
with status 0 and prints nothing; a probe started the same way reports what
start-up made, and an error that nothing receives after start-up is printed
from the catalogue and ends the process with status -2."""
import os
import subprocess
import sys

BUILD = sys.argv[1]
PROBE = os.path.join(BUILD, "probes", "startup_probe")
failures = []


def run(args):
    return subprocess.run(args, capture_output=True, timeout=60)


zep = run([os.path.join(BUILD, "zep")])
if zep.returncode != 0 or zep.stdout or zep.stderr:
    failures.append(f"zep: status {zep.returncode}, output {zep.stdout!r} {zep.stderr!r}")

state = run([PROBE, "state"])
expected_state = {
    "root cells": "10",  # 3 backing blocks, 6 refinement words, the slot registry
    "argument stack held": "1",
    "frame stack held": "1",
    "symbol block held": "1",
    "slot registry held": "1",
    "argument cells": "20000",
    "frame records": "12000",  # 15,000 cells of 16 bytes in 20-byte records
    "stacks at bottom": "1",
    "first node frame": "10000",
    "owner table kind": "4",
    "global context words": "1",
    "type word": "logic!",
    "collector on": "1",
}
if state.returncode != 0:
    failures.append(f"state: status {state.returncode}: {state.stderr!r}")
facts = dict(line.split(": ", 1) for line in state.stdout.decode().splitlines())
for name, value in expected_state.items():
    if facts.get(name) != value:
        failures.append(f"state: {name} is {facts.get(name)!r}, expected {value!r}")

raised = run([PROBE, "raise"])
expected = "*** Math Error: attempt to divide by zero\n*** Where: ???\n*** Near : \n"
if raised.returncode != 254:
    failures.append(f"raise: status {raised.returncode}, expected 254 (-2)")
if raised.stdout.decode() != expected:
    failures.append(f"raise: printed {raised.stdout!r}, expected {expected!r}")

if failures:
    print("\n".join(failures))
    sys.exit(1)
