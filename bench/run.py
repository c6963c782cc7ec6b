#!/usr/bin/env python3
"""Runs each program of bench/programs in Zep, Python and Lua side by side.

    bench/run.py [--zep PATH] [--runs N] [PROGRAM ...]

--zep defaults to build/zep. Each program runs N times (default 5) per
language; the best CPU time (user + system, start-up included) counts, which
other work on the machine disturbs less than wall-clock time. Python is the
system's /usr/bin/python3 when there is one (a python3 found through PATH may
be a wrapper that adds its own start-up). The table shows the times and the
ratio of Zep's time to each other language's. The programs print a result,
and a program whose languages disagree is reported. Not part of ctest.
"""
import argparse
import os
import subprocess
import sys
import tempfile

HERE = os.path.dirname(os.path.abspath(__file__))
PROGRAMS = os.path.join(HERE, "programs")


def cpu_run(command):
    """Runs the command; answers its status, output and CPU seconds."""
    with tempfile.TemporaryFile() as out:
        child = subprocess.Popen(command, stdout=out, stderr=subprocess.STDOUT,
                                 stdin=subprocess.DEVNULL)
        _, status, usage = os.wait4(child.pid, 0)
        out.seek(0)
        text = out.read().decode("utf-8", "replace").strip()
    return os.waitstatus_to_exitcode(status), text, usage.ru_utime + usage.ru_stime


def best_time(command, runs):
    best, output = None, None
    for _ in range(runs):
        code, text, seconds = cpu_run(command)
        if code != 0:
            return None, text
        best = seconds if best is None else min(best, seconds)
        output = text
    return best, output


def python_command():
    system = "/usr/bin/python3"
    return [system] if os.access(system, os.X_OK) else ["python3"]


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--zep", default=os.path.join(HERE, "..", "build", "zep"))
    parser.add_argument("--runs", type=int, default=5)
    parser.add_argument("programs", nargs="*")
    args = parser.parse_args()
    names = args.programs or sorted(
        os.path.splitext(f)[0] for f in os.listdir(PROGRAMS) if f.endswith(".zep"))
    languages = [("zep", [args.zep]), ("python", python_command()), ("lua", ["lua5.4"])]
    suffixes = {"zep": ".zep", "python": ".py", "lua": ".lua"}
    print(f"{'program':<10}{'zep s':>9}{'python s':>10}{'lua s':>9}{'zep/py':>9}{'zep/lua':>9}")
    status = 0
    for name in names:
        times, outputs = {}, {}
        for lang, command in languages:
            path = os.path.join(PROGRAMS, name + suffixes[lang])
            times[lang], outputs[lang] = best_time(command + [path], args.runs)
        cells = [f"{times[l]:9.3f}" if times[l] is not None else f"{'failed':>9}"
                 for l, _ in languages]
        ratios = []
        for other in ("python", "lua"):
            if times["zep"] and times[other]:
                ratios.append(f"{times['zep'] / times[other]:9.2f}")
            else:
                ratios.append(f"{'-':>9}")
        print(f"{name:<10}{cells[0]}{cells[1]:>10}{cells[2]}{ratios[0]}{ratios[1]}")
        if len(set(outputs.values())) != 1:
            status = 1
            for lang, out in outputs.items():
                print(f"    {lang}: {out[:200]}")
    return status


if __name__ == "__main__":
    sys.exit(main())
