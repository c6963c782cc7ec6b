#!/usr/bin/env python3
"""Runs one language test script through the real executable.

    run_script.py ZEP SCRIPT

The script passes when the process ends with the expected status (0 unless a
comment line "; expect-status: N" says otherwise) and, when SCRIPT.out exists
next to it, standard output equals that file byte for byte.

A script with a Zep header gets the assertion helper (assert.zep, without its
own header) inserted right after its header, so its code can call expect,
expect-error and assert. A script without a header runs exactly as written.
A comment line "; via-stdin" feeds the script on standard input instead of
naming it on the command line.
"""
import os
import re
import subprocess
import sys
import tempfile

# Time-outs grow with the build's slowness: ctest passes the factor of the
# sanitizer and torture builds.
TIME_SCALE = float(os.environ.get("ZEP_TEST_TIME_SCALE", "1"))

HERE = os.path.dirname(os.path.abspath(__file__))
HEADER = re.compile(r"Zep(?:/System)?[ \t\n]*\[")


def header_end(text):
    """The offset just past the header block, or None without a header."""
    m = HEADER.search(text)
    if not m:
        return None
    depth, i = 0, m.end() - 1
    while i < len(text):
        c = text[i]
        if c == "[":
            depth += 1
        elif c == "]":
            depth -= 1
            if depth == 0:
                return i + 1
        elif c == '"':
            i += 1
            while i < len(text) and text[i] != '"':
                i += 2 if text[i] == "^" else 1
        elif c == "{":
            braces = 1
            i += 1
            while i < len(text) and braces:
                if text[i] == "^":
                    i += 1
                elif text[i] == "{":
                    braces += 1
                elif text[i] == "}":
                    braces -= 1
                i += 1
            continue
        elif c == ";":
            while i < len(text) and text[i] != "\n":
                i += 1
        i += 1
    raise SystemExit("unterminated header block")


def with_helper(text):
    end = header_end(text)
    if end is None:
        return text
    with open(os.path.join(HERE, "assert.zep"), encoding="utf-8") as f:
        helper = f.read()
    # The helper goes on the header's last line, so that the script's line
    # numbers stay as written; its whole-line comments are dropped first (it
    # has no comments after code).
    lines = helper[header_end(helper):].split("\n")
    body = " ".join(line for line in lines if not line.lstrip().startswith(";"))
    return text[:end] + " " + body + text[end:]


def directive(text, name):
    m = re.search(r"^;\s*" + re.escape(name) + r"(?::\s*(\S+))?\s*$", text, re.M)
    return m and (m.group(1) or True)


def main(zep, script):
    zep = os.path.abspath(zep)
    with open(script, encoding="utf-8") as f:
        text = f.read()
    expected_status = int(directive(text, "expect-status") or 0)
    combined = with_helper(text)
    with tempfile.TemporaryDirectory() as tmp:
        path = os.path.join(tmp, os.path.basename(script))
        with open(path, "w", encoding="utf-8") as f:
            f.write(combined)
        if directive(text, "via-stdin"):
            with open(path, "rb") as stdin:
                run = subprocess.run([zep], stdin=stdin, capture_output=True, cwd=HERE,
                                     timeout=120 * TIME_SCALE)
        else:
            run = subprocess.run([zep, path], stdin=subprocess.DEVNULL, capture_output=True,
                                 cwd=HERE, timeout=120 * TIME_SCALE)
    out = run.stdout.decode("utf-8", "replace")
    failures = []
    status = run.returncode & 0xFF
    if status != expected_status & 0xFF:
        failures.append(f"exit status {status}, expected {expected_status & 0xFF}")
    expected_out_path = os.path.splitext(script)[0] + ".out"
    if os.path.exists(expected_out_path):
        with open(expected_out_path, encoding="utf-8") as f:
            expected_out = f.read()
        if out != expected_out:
            failures.append("standard output differs from " + os.path.basename(expected_out_path)
                            + "\n--- expected ---\n" + expected_out)
    if failures:
        print("\n".join(failures))
        print("--- standard output ---\n" + out)
        if run.stderr:
            print("--- standard error ---\n" + run.stderr.decode("utf-8", "replace"))
        return 1
    return 0


if __name__ == "__main__":
    if len(sys.argv) != 3:
        raise SystemExit(__doc__)
    sys.exit(main(sys.argv[1], sys.argv[2]))
