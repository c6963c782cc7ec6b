"""The executable: a script that cannot be read, running from another folder
(the library is embedded) and the development folder for the library."""
import os
import subprocess
import sys
import tempfile

# Time-outs grow with the build's slowness: ctest passes the factor of the
# sanitizer and torture builds.
TIME_SCALE = float(os.environ.get("ZEP_TEST_TIME_SCALE", "1"))

build = sys.argv[1]
zep = os.path.join(os.path.abspath(build), "zep")
root = os.path.dirname(os.path.dirname(os.path.dirname(os.path.abspath(__file__))))
failures = []


def run(args, **kw):
    return subprocess.run([zep] + args, capture_output=True, stdin=subprocess.DEVNULL,
                          timeout=60 * TIME_SCALE, **kw)


def check(what, condition, run_result):
    if not condition:
        failures.append(f"{what}: status {run_result.returncode & 0xFF}, output:\n"
                        + run_result.stdout.decode("utf-8", "replace"))


with tempfile.TemporaryDirectory() as tmp:
    missing = os.path.join(tmp, "missing.zep")
    r = run([missing])
    check("missing script", r.returncode & 0xFF == 254 and r.stdout.decode().startswith(
        f"*** Access Error: cannot open: %{missing}\n"), r)

    script = os.path.join(tmp, "s.zep")
    with open(script, "w") as f:
        f.write('Zep [] print system/version\n')
    r = run([script], cwd="/")
    check("run from another folder", r.returncode == 0 and r.stdout == b"0.6.6\n", r)

    # Options before the script are passed over; "--" ends them.
    r = run(["--catch", "--", script])
    check("options before the script", r.returncode == 0 and r.stdout == b"0.6.6\n", r)

    env = dict(os.environ, ZEP_LIBRARY_DIR=os.path.join(root, "library"))
    r = run([script], env=env)
    check("library from its folder", r.returncode == 0 and r.stdout == b"0.6.6\n", r)

    env = dict(os.environ, ZEP_LIBRARY_DIR=tmp)
    r = run([script], env=env)
    check("library folder without the files",
          r.returncode & 0xFF == 254 and b"*** Access Error: cannot open:" in r.stdout, r)

if failures:
    print("\n".join(failures))
    sys.exit(1)
