"""Randomised comparison of `parse` against a PEG model.

    python3 parse_peg_check.py <build-dir>

Parse rules behave like a parsing expression grammar: ordered choice, greedy
loops that never give back what they took, and the whole input must match.
This check generates random grammars and inputs, computes the expected
result with a small PEG interpreter written here, and compares it with what
the executable's `parse` answers. Each batch of cases becomes one script
that prints one result per line, so the executable runs once per batch.

The model is cross-checked against Python's `re` (atomic groups and
possessive quantifiers), so a fault in the model shows up as such and is
not blamed on the engine.

Environment:
    PEG_SEED    seed of the generator (default 1)
    PEG_COUNT   number of grammars (default 10000)
    PEG_INPUTS  inputs tried per grammar (default 4)
    PEG_BATCH   grammars per script (default 500)
    PEG_SHOW    disagreements to print (default 10)

The generated subset (what the model knows exactly):
  text input over "abcAB", block input of the words a b c and integers 1 2 3;
  literals: strings (also "") and chars (case-insensitive unless /case),
  charsets made with `make bitset!` and `complement` (exact code points),
  lit-words, `quote n`, the datatypes word! integer! block! (block input);
  keywords skip, end, none, fail, any, some, opt, while, n and n m
  repetition, to and thru (literal, sub-block, skip, datatype, quote or
  end), not and ahead, break and reject (only inside a loop's body, not
  under to/thru), into (block input holding nested blocks of words and
  integers; block! matches them); sub-blocks with `|` alternatives (empty
  ones too). `break` ends the current block with success and `reject` with
  failure, skipping its remaining alternatives; either one then ends the
  loop that was innermost when it ran, after that loop's current round.
  Loops get a body that cannot match empty input (opt may take any body:
  its single round stops it). A repetition count takes a single value or
  a sub-block. `not`, like `ahead`, never consumes input: a negative
  lookahead that moved the input (`not not "a"` taking the "a") would be a
  plain fault, so the engine restores the position either way.
"""
import os
import random
import re
import subprocess
import sys
import tempfile

# Time-outs grow with the build's slowness: ctest passes the factor of the
# sanitizer and torture builds.
TIME_SCALE = float(os.environ.get("ZEP_TEST_TIME_SCALE", "1"))

TEXT_ALPHABET = "abcAB"
BLOCK_ITEMS = [("w", "a"), ("w", "b"), ("w", "c"), ("i", 1), ("i", 2), ("i", 3)]
TYPE_TAG = {"word!": "w", "integer!": "i", "block!": "b"}

# name -> (members, complemented)
CHARSETS = {
    "cs-a": ("a", False),
    "cs-ab": ("ab", False),
    "cs-bc": ("bc", False),
    "cs-a-big-b": ("aB", False),  # words ignore case: no "cs-aB"
    "cs-not-a": ("a", True),
}
CHARSET_DEFS = "\n".join(
    f'{name}: {"complement " if neg else ""}make bitset! "{members}"'
    for name, (members, neg) in CHARSETS.items()
)

# ---------------------------------------------------------------------------
# Grammar nodes (tuples):
#   ("str", s) ("char", c) ("cs", name)            text literals
#   ("word", w) ("int", n) ("type", "word!"|...)   block literals
#   ("skip",) ("end",) ("none",) ("fail",) ("break",) ("reject",)
#   ("into", block)     block input items: ("w", w) ("i", n) ("b", (items))
#   ("block", [[node, ...], ...])                  alternatives of sequences
#   ("rep", min, max, body, form)  max -1 = unbounded;
#                                  form any/some/opt/while/n/nm
#   ("to", arg) ("thru", arg)  arg may be ("end",)
#   ("not", arg) ("ahead", arg)
# ---------------------------------------------------------------------------

LITERALS = ("str", "char", "cs", "word", "int", "type")


def alternative_nullable(alt):
    for node in alt:
        if node[0] in ("break", "reject"):  # the rest is skipped
            return node[0] == "break"
        if not nullable(node):
            return False
    return True


def nullable(node):
    kind = node[0]
    if kind == "str":
        return node[1] == ""
    if kind in ("end", "none", "not", "ahead", "to", "break"):
        return True
    if kind == "block":
        return any(alternative_nullable(alt) for alt in node[1])
    if kind == "rep":
        return node[1] == 0 or nullable(node[3])
    if kind == "thru":
        return node[1][0] == "end" or nullable(node[1])
    return False


# ---------------------------------------------------------------------------
# The PEG model. match(node, pos) -> (matched, position); the position
# matters only on success.
# ---------------------------------------------------------------------------


class Model:
    def __init__(self, data, case=False):
        self.data = data
        self.n = len(data)
        self.case = case
        self.fold = (lambda t: t) if case else str.lower
        self.loops = 0  # loops open now
        self.stop_loop = None  # the loop a break or reject ends

    def literal(self, node, p):
        kind, n, d = node[0], self.n, self.data
        if kind == "str":
            s = node[1]
            if self.fold(d[p:p + len(s)]) == self.fold(s):
                return True, p + len(s)
            return False, p
        if p >= n:
            return False, p
        item = d[p]
        if kind == "char":
            ok = self.fold(item) == self.fold(node[1])
        elif kind == "cs":
            members, neg = CHARSETS[node[1]]
            ok = (item in members) != neg
        elif kind == "word":
            ok = item == ("w", node[1])
        elif kind == "int":
            ok = item == ("i", node[1])
        else:
            ok = item[0] == TYPE_TAG[node[1]]
        return ok, p + 1 if ok else p

    def match(self, node, p):
        kind = node[0]
        if kind in LITERALS:
            return self.literal(node, p)
        if kind == "skip":
            return (True, p + 1) if p < self.n else (False, p)
        if kind == "end":
            return p == self.n, p
        if kind == "none":
            return True, p
        if kind == "fail":
            return False, p
        if kind == "block":
            for alt in node[1]:
                q, ok = p, True
                for sub in alt:
                    if sub[0] in ("break", "reject"):
                        self.stop_loop = self.loops
                        return sub[0] == "break", q if sub[0] == "break" else p
                    ok, q = self.match(sub, q)
                    if not ok:
                        break
                if ok:
                    return True, q
            return False, p
        if kind == "into":
            if p >= self.n or self.data[p][0] != "b":
                return False, p
            inner = Model(list(self.data[p][1]), self.case)
            return (True, p + 1) if inner.parse(node[1]) else (False, p)
        if kind == "rep":
            _, lo, hi, body, _ = node
            count, q = 0, p
            self.loops += 1
            level = self.loops
            while hi == -1 or count < hi:
                ok, r = self.match(body, q)
                stop = self.stop_loop == level
                if stop:
                    self.stop_loop = None
                if not ok:
                    break
                count += 1
                if r == q or stop:  # no progress, break or reject
                    q = r
                    break
                q = r
            self.loops -= 1
            return count >= lo, q
        if kind in ("to", "thru"):
            arg = node[1]
            if arg[0] == "end":
                return True, self.n
            for start in range(p, self.n + 1):
                ok, r = self.match(arg, start)
                if ok:
                    return True, start if kind == "to" else r
            return False, p
        if kind == "not":
            ok, _ = self.match(node[1], p)
            return not ok, p
        if kind == "ahead":
            ok, _ = self.match(node[1], p)
            return ok, p
        raise ValueError(kind)

    def parse(self, top):
        ok, p = self.match(top, 0)
        return ok and p == self.n


# ---------------------------------------------------------------------------
# Independent oracle: the grammar as a regular expression with atomic groups
# and possessive quantifiers. Block input is mapped to one character per item.
# ---------------------------------------------------------------------------

BLOCK_CHAR = {("w", "a"): "a", ("w", "b"): "b", ("w", "c"): "c",
              ("i", 1): "1", ("i", 2): "2", ("i", 3): "3"}


def regex_can_check(node):
    """False for grammars using what a regular expression cannot express."""
    kind = node[0]
    if kind in ("into", "break", "reject"):
        return False
    if kind == "block":
        return all(regex_can_check(n) for alt in node[1] for n in alt)
    if kind == "rep":
        return regex_can_check(node[3])
    if kind in ("to", "thru", "not", "ahead"):
        return regex_can_check(node[1])
    return True


def to_regex(node, case=False):
    kind = node[0]
    flag = "" if case else "i"
    if kind == "str":
        return "(?%s:%s)" % (flag, re.escape(node[1])) if node[1] else ""
    if kind == "char":
        return "(?%s:%s)" % (flag, re.escape(node[1]))
    if kind == "cs":
        members, neg = CHARSETS[node[1]]
        return "[%s%s]" % ("^" if neg else "", re.escape(members))
    if kind == "word":
        return node[1]
    if kind == "int":
        return str(node[1])
    if kind == "type":
        return {"word!": "[abc]", "integer!": "[123]", "block!": "x"}[node[1]]
    if kind == "skip":
        return "."
    if kind == "end":
        return r"\Z"
    if kind == "none":
        return ""
    if kind == "fail":
        return "(?!)"
    if kind == "block":
        return "(?>%s)" % "|".join("".join(to_regex(n, case) for n in alt) for alt in node[1])
    if kind == "rep":
        _, lo, hi, body, _ = node
        quant = {(0, -1): "*", (1, -1): "+", (0, 1): "?"}.get(
            (lo, hi), "{%d,%d}" % (lo, hi) if hi != -1 else "{%d,}" % lo)
        return "(?:%s)%s+" % (to_regex(body, case), quant)
    if kind in ("to", "thru"):
        arg = node[1]
        if arg[0] == "end":
            return ".*+"
        if kind == "to":
            return "(?>.*?(?=%s))" % to_regex(arg, case)
        return "(?>.*?(?>%s))" % to_regex(arg, case)
    if kind == "not":
        return "(?!%s)" % to_regex(node[1], case)
    if kind == "ahead":
        return "(?=%s)" % to_regex(node[1], case)
    raise ValueError(kind)


def regex_parse(top, data, case):
    subject = data if isinstance(data, str) else "".join(BLOCK_CHAR.get(i, "x") for i in data)
    return re.match("(?>%s)\\Z" % to_regex(top, case), subject, re.DOTALL) is not None


# ---------------------------------------------------------------------------
# Rendering as rule text
# ---------------------------------------------------------------------------


def render(node):
    kind = node[0]
    if kind == "str":
        return '"%s"' % node[1]
    if kind == "char":
        return '#"%s"' % node[1]
    if kind in ("cs", "type"):
        return node[1]
    if kind == "word":
        return "'" + node[1]
    if kind == "int":
        return "quote %d" % node[1]
    if kind in ("skip", "end", "none", "fail", "break", "reject"):
        return kind
    if kind == "into":
        return "into " + render(node[1])
    if kind == "block":
        return "[%s]" % " | ".join(" ".join(render(n) for n in alt) for alt in node[1])
    if kind == "rep":
        _, lo, hi, body, form = node
        head = {"n": str(lo), "nm": "%d %d" % (lo, hi)}.get(form, form)
        return "%s %s" % (head, render(body))
    if kind in ("to", "thru", "not", "ahead"):
        return "%s %s" % (kind, render(node[1]))
    raise ValueError(kind)


def call_text(top, data, case):
    return "parse%s %s %s" % ("/case" if case else "", render_input(data), render(top))


def render_input(data):
    if isinstance(data, str):
        return '"%s"' % data
    return "[%s]" % " ".join(render_input(v) if t == "b" else str(v) for t, v in data)


# ---------------------------------------------------------------------------
# Random grammars
# ---------------------------------------------------------------------------


class Generator:
    def __init__(self, rng, text):
        self.rng = rng
        self.text = text
        self.in_loop = False  # break and reject only inside a loop's body

    def literal(self):
        r = self.rng
        if self.text:
            pick = r.random()
            if pick < 0.45:
                length = r.choice([0, 1, 1, 1, 2, 2, 3]) if r.random() < 0.9 else 0
                return ("str", "".join(r.choice("abcaA") for _ in range(length)))
            if pick < 0.75:
                return ("char", r.choice("abcA"))
            return ("cs", r.choice(list(CHARSETS)))
        pick = r.random()
        if pick < 0.55:
            return ("word", r.choice("abc"))
        if pick < 0.85:
            return ("int", r.choice([1, 2, 3]))
        return ("type", r.choice(["word!", "integer!", "block!"]))

    def primary(self, depth):
        r = self.rng
        pick = r.random()
        if pick < 0.6 or depth <= 0:
            return self.literal()
        if pick < 0.72:
            return ("skip",)
        if pick < 0.76:
            return (r.choice(["end", "none", "fail"]),)
        return self.block(depth - 1)

    def block(self, depth):
        r = self.rng
        alts = []
        for _ in range(r.choice([1, 1, 2, 2, 3])):
            alts.append([self.element(depth) for _ in range(r.choice([1, 1, 2, 2, 3]))])
        if self.in_loop and r.random() < 0.4:
            alt = r.choice(alts)
            alt.insert(r.randint(0, len(alt)), (r.choice(["break", "reject"]),))
        # An empty alternative makes the ones after it dead: only the last.
        if r.random() < 0.1:
            alts.append([])
        return ("block", alts)

    def in_context(self, in_loop, make):
        saved, self.in_loop = self.in_loop, in_loop
        try:
            return make()
        finally:
            self.in_loop = saved

    def loop_body(self, depth, nullable_ok=False):
        def make():
            for _ in range(20):
                pick = self.rng.random()
                if pick < 0.3:
                    body = self.element(depth - 1)
                elif pick < 0.55 and depth > 0:
                    body = self.block(depth - 1)
                else:
                    body = self.primary(depth)
                if nullable_ok or not nullable(body):
                    return body
            return self.literal_nonempty()
        return self.in_context(True, make)

    def literal_nonempty(self):
        while True:
            lit = self.literal()
            if not nullable(lit):
                return lit

    def search_arg(self, depth):
        r = self.rng
        pick = r.random()
        if pick < 0.12:
            return ("end",)
        if pick < 0.2:
            return ("skip",)
        if pick < 0.35 and depth > 0:
            return self.in_context(False, lambda: self.block(depth - 1))
        lit = self.literal_nonempty()
        return lit

    def element(self, depth):
        r = self.rng
        pick = r.random()
        if pick < 0.45 or depth <= 0:
            return self.primary(depth)
        if pick < 0.62:
            form = r.choice(["any", "some", "opt", "while"])
            body = self.loop_body(depth, nullable_ok=form == "opt")
            lo, hi = {"any": (0, -1), "some": (1, -1), "opt": (0, 1), "while": (0, -1)}[form]
            return ("rep", lo, hi, body, form)
        if pick < 0.72:
            lo = r.choice([0, 1, 1, 2, 2, 3])
            body = self.in_context(True, lambda: self.primary(depth))
            while nullable(body):
                body = self.in_context(True, lambda: self.primary(depth))
            if r.random() < 0.5:
                return ("rep", lo, lo, body, "n")
            return ("rep", lo, lo + r.choice([0, 1, 2]), body, "nm")
        if pick < 0.8:
            return (r.choice(["to", "thru"]), self.search_arg(depth))
        if pick < 0.85 and not self.text:
            return ("into", self.in_context(False, lambda: self.block(depth - 1)))
        if pick < 0.93:
            return ("not", self.element(depth - 1))
        return ("ahead", self.element(depth - 1))

    # Inputs: random ones, and ones drawn from the grammar so that many match.
    def sample(self, node, out, budget):
        r = self.rng
        kind = node[0]
        if budget[0] <= 0:
            return
        budget[0] -= 1
        if kind == "str":
            out.extend(c if r.random() < 0.8 else c.swapcase() for c in node[1])
        elif kind == "char":
            out.append(node[1])
        elif kind == "cs":
            members, neg = CHARSETS[node[1]]
            out.append(r.choice("cbA" if neg else members))
        elif kind == "word":
            out.append(("w", node[1]))
        elif kind == "int":
            out.append(("i", node[1]))
        elif kind == "type":
            if node[1] == "block!":
                out.append(self.random_item(nested=True))
            else:
                out.append(r.choice(BLOCK_ITEMS[:3] if node[1] == "word!" else BLOCK_ITEMS[3:]))
        elif kind == "into":
            inner = []
            self.sample(node[1], inner, budget)
            out.append(("b", tuple(inner)))
        elif kind == "skip":
            out.append(self.random_item())
        elif kind == "block":
            for n in r.choice(node[1]):
                self.sample(n, out, budget)
        elif kind == "rep":
            _, lo, hi, body, _ = node
            for _ in range(r.randint(lo, hi if hi != -1 else lo + 3)):
                self.sample(body, out, budget)
        elif kind in ("to", "thru"):
            for _ in range(r.choice([0, 0, 1, 2])):
                out.append(self.random_item())
            if node[1][0] != "end":
                self.sample(node[1], out, budget)
            else:
                for _ in range(r.choice([0, 1, 2])):
                    out.append(self.random_item())

    def random_item(self, nested=False):
        r = self.rng
        if self.text:
            return r.choice(TEXT_ALPHABET)
        if nested or r.random() < 0.1:
            return ("b", tuple(r.choice(BLOCK_ITEMS) for _ in range(r.randint(0, 3))))
        return r.choice(BLOCK_ITEMS)

    def inputs(self, top, count):
        r = self.rng
        result = []
        for i in range(count):
            out = []
            if i % 2 == 0:
                self.sample(top, out, [40])
                if out and r.random() < 0.3:  # one small mutation
                    j = r.randrange(len(out))
                    if r.random() < 0.5:
                        del out[j]
                    else:
                        out.insert(j, self.random_item())
            else:
                out = [self.random_item() for _ in range(r.randint(0, 6))]
            out = out[:12]
            result.append("".join(out) if self.text else out)
        return result


def make_cases(seed, count, per_grammar):
    rng = random.Random(seed)
    cases = []
    for _ in range(count):
        text = rng.random() < 0.65
        gen = Generator(rng, text)
        top = gen.block(rng.choice([1, 2, 2, 3]))
        case = text and rng.random() < 0.25
        for data in gen.inputs(top, per_grammar):
            cases.append((top, data, case))
    return cases


# ---------------------------------------------------------------------------
# Running the executable
# ---------------------------------------------------------------------------

SCRIPT_HEAD = "Zep []\n" + CHARSET_DEFS + """
run-case: func [input rule /strict /local r] [
    either error! = type? set/any 'r try [either strict [parse/case input rule] [parse input rule]] [
        print ["error" r/id]
    ] [
        print mold :r
    ]
]
"""


def run_script(zep, body, tmp, timeout=120 * TIME_SCALE):
    """(status, output); status None when the script did not end in time."""
    path = os.path.join(tmp, "batch.zep")
    with open(path, "w") as f:
        f.write(SCRIPT_HEAD + body)
    try:
        proc = subprocess.run([zep, path], capture_output=True, stdin=subprocess.DEVNULL,
                              timeout=timeout)
    except subprocess.TimeoutExpired as e:
        return None, (e.stdout or b"").decode("utf-8", "replace")
    return proc.returncode, proc.stdout.decode("utf-8", "replace")


def parse_available(zep, tmp):
    """True when the executable's parse is built; None if it does not run."""
    status, out = run_script(zep, "run-case \"a\" [\"a\"]\n", tmp)
    if out.strip() == "true":
        return True
    if "not-done" in out or "not done" in out.lower() or "not yet" in out.lower():
        return False
    sys.exit(f"parse probe failed (status {status}):\n{out}")


def case_line(top, data, case):
    return "run-case%s %s %s\n" % ("/strict" if case else "", render_input(data), render(top))


def report_stop(zep, tmp, chunk, status, out):
    """A batch crashed, hung or printed too much: find the case alone."""
    print(f"a batch ended with status {status} after {len(out.splitlines())} of"
          f" {len(chunk)} results")
    for top, data, case in chunk:
        one_timeout = 10 * TIME_SCALE
        one_status, one_out = run_script(zep, case_line(top, data, case), tmp,
                                         timeout=one_timeout)
        if one_status != 0 or len(one_out.splitlines()) != 1:
            what = (f"did not end in {one_timeout:g} s" if one_status is None
                    else f"ended with status {one_status}")
            print(f"  {call_text(top, data, case)}\n    {what}; output: {one_out[-500:]!r}")
            break
    return 1


def main():
    zep = os.path.join(os.path.abspath(sys.argv[1]), "zep")
    seed = int(os.environ.get("PEG_SEED", "1"))
    count = int(os.environ.get("PEG_COUNT", "10000"))
    per_grammar = int(os.environ.get("PEG_INPUTS", "4"))
    batch = int(os.environ.get("PEG_BATCH", "500"))
    show = int(os.environ.get("PEG_SHOW", "10"))

    cases = make_cases(seed, count, per_grammar)

    # The model against the regular-expression oracle first: a disagreement
    # here is a fault of this check, not of the engine.
    for top, data, case in cases:
        if not regex_can_check(top):
            continue
        want, alt = Model(data, case).parse(top), regex_parse(top, data, case)
        if want != alt:
            sys.exit(f"model and regex disagree on {call_text(top, data, case)}:"
                     f" model {want}, regex {alt}\nregex: {to_regex(top, case)}")

    with tempfile.TemporaryDirectory() as tmp:
        if not parse_available(zep, tmp):
            print("parse is not built yet: skipping the randomised comparison")
            return 0
        failures, grammars_bad = [], set()
        size = batch * per_grammar
        for start in range(0, len(cases), size):
            chunk = cases[start:start + size]
            body = "".join(case_line(t, d, c) for t, d, c in chunk)
            status, out = run_script(zep, body, tmp)
            lines = out.splitlines()
            if status != 0 or len(lines) != len(chunk):
                return report_stop(zep, tmp, chunk, status, out)
            for i, ((top, data, case), got) in enumerate(zip(chunk, lines)):
                want = "true" if Model(data, case).parse(top) else "false"
                if got.strip() != want:
                    failures.append((call_text(top, data, case), want, got.strip()))
                    grammars_bad.add((start + i) // per_grammar)
        agreed = count - len(grammars_bad)
        print(f"{len(cases)} parses of {count} grammars (seed {seed}):"
              f" {len(cases) - len(failures)} agree; {agreed} grammars agree on every input")
        for call, want, got in failures[:show]:
            print(f"  {call}\n    expected {want}, got {got}")
        return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
