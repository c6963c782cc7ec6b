"""Start-up completes on the executable's own path: the zep executable exits
with status 0 and prints nothing; a probe started the same way reports what
start-up made, and an error that nothing receives after start-up is printed
from the catalogue and ends the process with status -2."""
import os
import subprocess
import sys

# Time-outs grow with the build's slowness: ctest passes the factor of the
# sanitizer and torture builds.
TIME_SCALE = float(os.environ.get("ZEP_TEST_TIME_SCALE", "1"))

BUILD = sys.argv[1]
PROBE = os.path.join(BUILD, "probes", "startup_probe")
failures = []


def run(args):
    return subprocess.run(args, capture_output=True, timeout=60 * TIME_SCALE)


zep = run([os.path.join(BUILD, "zep")])
if zep.returncode != 0 or zep.stdout or zep.stderr:
    failures.append(f"zep: status {zep.returncode}, output {zep.stdout!r} {zep.stderr!r}")

state = run([PROBE, "state"])
expected_state = {
    # 3 backing blocks, 6 refinement words, the print scratch block, the error
    # catalogue and prototype, the interpreter's state block, the parse state
    # block, the slot registry
    "root cells": "15",
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
# Every datatype built so far, by type id: start-up registers each with its
# type word and, but for context! (which has no actions), a filled action row.
BUILT_TYPES = {
    1: "datatype!", 2: "unset!", 3: "none!", 4: "logic!", 5: "block!", 6: "paren!",
    7: "string!", 8: "file!", 9: "url!", 10: "char!", 11: "integer!", 12: "float!",
    13: "symbol!", 14: "context!", 15: "word!", 16: "set-word!", 17: "lit-word!",
    18: "get-word!", 19: "refinement!", 20: "issue!", 21: "native!", 22: "action!",
    23: "op!", 24: "function!", 25: "path!", 26: "lit-path!", 27: "set-path!",
    28: "get-path!", 29: "routine!", 30: "bitset!", 31: "triple!", 32: "object!",
    33: "typeset!", 34: "error!",
    36: "hash!", 37: "pair!", 38: "percent!", 39: "tuple!", 40: "map!", 41: "binary!",
    42: "series!", 43: "time!", 44: "tag!", 45: "email!", 47: "date!", 49: "money!", 50: "ref!",
    51: "point2D!", 52: "point3D!",
}
if state.returncode != 0:
    failures.append(f"state: status {state.returncode}: {state.stderr!r}")
lines = state.stdout.decode().splitlines()
types = {}
for line in lines:
    if line.startswith("row "):
        number, rest = line[len("row "):].split(": ", 1)
        types[int(number)] = rest
for type_id, name in BUILT_TYPES.items():
    slots = 0 if name == "context!" else 1
    if types.get(type_id) != f"{name} word 1 slots {slots}":
        failures.append(f"type {type_id}: {types.get(type_id)!r}, expected {name} registered")
for type_id in sorted(set(types) - set(BUILT_TYPES)):
    failures.append(f"type {type_id}: {types[type_id]!r} registered but not expected")
facts = dict(line.split(": ", 1) for line in lines if not line.startswith("row "))
for name, value in expected_state.items():
    if facts.get(name) != value:
        failures.append(f"state: {name} is {facts.get(name)!r}, expected {value!r}")

raised = run([PROBE, "raise"])
expected = "*** Math Error: attempt to divide by zero\n*** Where: ???\n*** Near : none\n"
if raised.returncode != 254:
    failures.append(f"raise: status {raised.returncode}, expected 254 (-2)")
if raised.stdout.decode() != expected:
    failures.append(f"raise: printed {raised.stdout!r}, expected {expected!r}")

if failures:
    print("\n".join(failures))
    sys.exit(1)
