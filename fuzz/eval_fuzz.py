#!/usr/bin/env python3
"""Random-program fuzzer for the whole interpreter.

    fuzz/eval_fuzz.py OUT_DIR [--zep build-asan/zep] [--seed N] [--count N]
                      [--jobs N] [--exprs N] [--timeout S] [--no-reduce]

Generates random Zep programs, each a run of expressions wrapped in `try`,
and runs them through the executable (meant to be the sanitizer build) in a
scratch folder. A run is fine when it exits with 0 or with the status of an
uncaught error (254) or of an uncaught throw (95), with nothing from the
sanitizers on standard error. Anything else (a signal, a runtime error exit,
a sanitizer report, a hang past the timeout) is a failure: the program is
reduced by dropping lines, then bracket groups and tokens, while the same
failure persists, and kept in OUT_DIR with its report. Program i of a run
depends only on --seed and i, so `--seed S --count 1 --first i` gives it back.

The vocabulary comes from the running system: the function names found in
library/*.zep are handed to a small script that prints the spec of each
(argument modes, accepted types with typesets expanded, refinements).
"""
import argparse
import concurrent.futures
import hashlib
import os
import random
import re
import shutil
import subprocess
import sys
import tempfile

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))

# Natives and actions that reach outside the process, wait, or end it.
EXCLUDED = {
    "call", "browse", "wait", "delete", "rename", "write", "create", "open",
    "close", "modify", "update", "read", "query", "set-env", "quit", "halt",
    "forever", "input", "ask", "list-env", "to-local-file", "print", "prin",
}
# Loops whose counts or conditions are generated with care.
LOOPS = {"loop", "repeat", "while", "until", "forall", "foreach", "remove-each"}

SANITIZER_MARKERS = ("ERROR: AddressSanitizer", "runtime error:", "ERROR: LeakSanitizer",
                     "UndefinedBehaviorSanitizer", "AddressSanitizer:DEADLYSIGNAL")
FINE_STATUSES = {0, 254, 95}

VOCAB_SCRIPT = r"""Zep []
names: [%s]
foreach n names [
    v: get/any to word! n
    t: type?/word :v
    if find [native! action! op! function!] t [
        print ["FN" n t]
        foreach item reflect :v 'spec [
            it: type?/word :item
            case [
                it = 'refinement! [if item = /local [break] print ["REF" item]]
                it = 'set-word! [break]
                find [word! lit-word! get-word!] it [print ["ARG" it to word! item]]
                it = 'block! [
                    types: copy []
                    foreach ty item [
                        if word! = type? :ty [
                            tv: get/any ty
                            either typeset! = type? :tv [append types to block! :tv][append types ty]
                        ]
                    ]
                    print ["TYPES" types]
                ]
            ]
        ]
    ]
]
"""


def library_names():
    names = []
    for fn in sorted(os.listdir(os.path.join(ROOT, "library"))):
        if not fn.endswith(".zep"):
            continue
        with open(os.path.join(ROOT, "library", fn), encoding="utf-8") as f:
            for line in f:
                m = re.match(r"^([^\s:;\[\]\"]+):\s", line)
                if m:
                    names.append(m.group(1))
    return names


class Fn:
    def __init__(self, name, kind):
        self.name, self.kind = name, kind
        self.args = []    # [mode, name, types]
        self.refs = []    # [name, [args]]


def load_vocabulary(zep):
    names = [n for n in library_names() if n not in EXCLUDED and not n.endswith("!")]
    # Operators are not valid words in a block of names; ask by lit-word.
    # Names go as strings: operators such as < or % are not all words in code.
    script = VOCAB_SCRIPT % " ".join('"%s"' % n for n in names if "/" not in n[1:])
    with tempfile.NamedTemporaryFile("w", suffix=".zep", delete=False) as f:
        f.write(script)
        path = f.name
    try:
        out = subprocess.run([zep, path], capture_output=True, text=True, timeout=60).stdout
    finally:
        os.unlink(path)
    fns, cur, target = [], None, None
    for line in out.splitlines():
        parts = line.split()
        if not parts:
            continue
        if parts[0] == "FN":
            cur = Fn(parts[1], parts[2].rstrip("!"))
            fns.append(cur)
            target = cur.args
        elif parts[0] == "REF" and cur:
            cur.refs.append([parts[1].lstrip("/"), []])
            target = cur.refs[-1][1]
        elif parts[0] == "ARG" and cur:
            target.append([parts[1].rstrip("!"), parts[2], None])
        elif parts[0] == "TYPES" and cur and target:
            target[-1][2] = [p.rstrip("!") for p in parts[1:]]
    return [f for f in fns if f.name not in EXCLUDED]


# Values of each datatype, edge values first in spirit. Names of shared
# series (s, b, bin, ...) come from the prelude.
VALUES = {
    "integer": ["0", "1", "-1", "2", "3", "7", "2147483647", "-2147483648", "255", "256",
                "65535", "65536", "-100", "1000000", "2147483646", "-2147483647", "16", "31",
                "32", "64"],
    "float": ["0.0", "-0.0", "1.5", "-2.5", "1e308", "-1e308", "1e-308", "4.9e-324", "1.0e10",
              "2147483648.0", "-2147483649.0", "0.1", "3.0", "1.#INF", "(1e308 * 10.0)",
              "(0.0 / 0.0)", "1e300", "-1.797693134862315e308", "9.99e15"],
    "percent": ["0%", "50%", "100%", "-100%", "1000000000%", "0.5%", "200%"],
    "string": ['""', '"abc"', '"a^/b^-c"', '"ÿé€😀"', "s", "s2", "s3", "s4", '"^@"',
               "(append/dup copy {} {ab} 5000)", "(to string! #{C3A9})", '"  x  "', '"%41%"',
               '"1.5"', '"12"', '"-2147483649"', '"[a b"', '"#{FF}"', '"{"', "u",
               '"2147483648"', '"1e400"', '"a b c"', '"1-Jan-2000"', '"$1.2"', '"1x2"'],
    "file": ["%foo", '%""', "%a/b/../c", "%/", "%%41", "%.", "%~"],
    "url": ["http://a.b/c?d=e#f", "ftp://x", "http://", "a:b", "http://%FF%FE"],
    "tag": ["<a>", '<a b="c">', "<>>", "</x>"],
    "email": ["a@b.c", "@x", "x@"],
    "ref": ["@foo", "@"],
    "char": ['#"a"', '#"^@"', '#"^(FFFF)"', '#"^(10FFFF)"', '#"€"', '(to char! 55296)', '#"Z"',
             '#"0"', '#"^/"', '#"^(FF)"', '#"😀"'],
    "binary": ["#{}", "#{00}", "#{FF}", "#{C3A9}", "bin", "bin2", "bin3", "#{FFFEFD80}",
               "(append/dup copy #{} #{00} 5000)", "#{EFBBBF41}", "#{F4908080}",
               "#{78DA030000000001}", "#{1F8B0800000000000003030000000000000000}",
               "2#{10101010}", "64#{QUJD}"],
    "block": ["[]", "[1 2 3]", "[a b c]", "[[[[]]]]", "b", "b2", "b3", "b4", "[a: 1 b: 2]",
              '[1 "a" #"x" 2.5 none]', "[a 1 b 2 c 3]", "[x [y] (z)]", "DEEP",
              "(append/dup copy [] 1 500)", "[:a 'b c: /d #e]", "cyc", "[- 1]",
              "[1 + 2]", "[integer! string!]"],
    "paren": ["(to paren! [1 + 2])", "(to paren! [])", "(to paren! b)"],
    "hash": ["h", "h2", "(make hash! [])", "(make hash! [a a b b])"],
    "map": ["m", "(make map! [])", "(make map! [a 1 b [2] c none])"],
    "none": ["none", "#(none)"],
    "logic": ["true", "false", "#(true)"],
    "unset": ["()", "#(unset)"],
    "word": ["'a", "'append", "'none", "'self", "'x", "'s", "'b", "(to word! {ab})", "'integer!"],
    "set-word": ["(to set-word! 'a)", "(pick [x:] 1)"],
    "lit-word": ["(pick ['a] 1)", "(to lit-word! 'b)"],
    "get-word": ["(pick [:a] 1)", "(to get-word! 's)"],
    "refinement": ["/a", "/local", "/part", "/"],
    "issue": ["#abc", "#1"],
    "path": ["'a/b/c", "'o/a", "'b/1", "(to path! [])", "(to path! [s 2])", "'m/a"],
    "lit-path": ["(pick ['a/b] 1)", "(to lit-path! [o b])"],
    "set-path": ["(pick [a/b:] 1)", "(to set-path! [o a])"],
    "get-path": ["(pick [:a/b] 1)", "(to get-path! [o f])"],
    "datatype": ["integer!", "block!", "unset!", "string!", "object!", "error!", "datatype!",
                 "binary!", "map!", "char!", "float!", "word!", "paren!", "tuple!", "date!"],
    "typeset": ["number!", "any-type!", "series!", "any-word!", "(make typeset! [])"],
    "object": ["o", "(make object! [])", "ob", "od", "(make ob [a: 2])", "(make object! [a: 1 b: self])", "e", "system/standard/error",
               "(make o [c: 3])"],
    "error": ["e", "(make error! {x})", "(make error! [type: 'math id: 'zero-divide])",
              "(make error! 302)"],
    "function": [":fn", "(func [] [1])", "(func [x [integer!] /r y] [x])", "(does [clear b])",
                 "(func [a b] [a < b])", "(has [z] [z])", "(func [x y] [recycle clear b true])",
                 "(func [x y] [append/dup s {z} 300 recycle x = y])", ":cb", ":cb2",
                 "(func [e m r i st] [clear i recycle true])"],
    "native": [":if", ":parse", ":reduce", ":do", ":foreach", ":try"],
    "action": [":append", ":pick", ":mold", ":sort", ":to"],
    "op": [":+", ":=", ":and", ":**"],
    "pair": ["1x2", "0x0", "-1x-1", "2147483647x-2147483648", "100x100"],
    "tuple": ["1.2.3", "0.0.0", "255.255.255.255", "1.2.3.4.5.6.7.8.9.10.11.12", "0.0.0.0"],
    "time": ["0:00", "12:30:45.5", "-1:00", "596523:14:07", "0:0:0.000000001", "-596523:14:07"],
    "date": ["1-Jan-2000", "31-Dec-9999/23:59:59+14:00", "29-Feb-2000", "1-Jan-0001",
             "1-Jan-2000/0:00-12:00", "15-Jun-1970/12:00"],
    "money": ["$0", "$1.23", "-$999999999.99", "$99999999999999.99"],
    "bitset": ['(make bitset! "abc")', "(complement make bitset! 8)", "(make bitset! 0)",
               "(make bitset! [#\"a\" - #\"z\"])", "(make bitset! #{FF00})", "bs"],
    "vector": ["(make vector! [1 2 3])"],
    "point2D": ["(1, 2)"],
    "point3D": ["(1, 2, 3)"],
}
ALL_TYPES = sorted(VALUES)

PRELUDE = """Zep [Title: "fuzz"]
s: copy "abcdefghij" s2: at s 4 s3: tail s s4: skip s 2
b: copy [1 2 3 4 5 6] b2: skip b 3 b3: tail b b4: at b 2
bin: copy #{000102030405} bin2: next bin bin3: tail bin
h: make hash! [a 1 b 2 c 3] h2: next h
m: make map! [a 1 b 2]
o: make object! [a: 1 b: "x" f: func [x] [x]]
e: try [1 / 0]
fn: func [x /r y] [x]
u: try [to string! #{FFFE80}]
bs: make bitset! "aeiou"
cyc: copy [1 2] append/only cyc cyc
DEEP: transcode append/dup append/dup copy "" "[" 400 "]" 400
a: 1 x: 2
k: 0
cb: func [a [any-type!] b [any-type!] c [any-type!] d [any-type!] e [any-type!]] [recycle clear s false]
cb2: func [x y] [recycle append b x true]
ob: make object! [a: 1 b: [1 2] on-change*: func [w o n] [recycle clear s append b w]]
od: make object! [l: [1 2 3] on-deep-change*: func [o w t a n i p] [recycle clear l]]
"""

# Statements that modify the shared series so that the other positions end
# up past the tail, or share buffers.
MUTATIONS = [
    "clear s", "clear b", "clear bin", "append s {xyz}", "insert b b", "append b b2",
    "remove/part b 2", "insert s s2", "change/part b b2 3", "clear h", "clear next b",
    "append/dup s {q} 100", "reverse b", "sort b", "take/last b", "take/part s 3",
    "insert bin bin2", "remove-each v b [clear b false]", "foreach v b [clear b]",
    "append/only b b", "poke b 1 b", "clear m", "put m 'z s", "b: copy b", "trim s",
    "s: copy s", "append s #\"^(10FFFF)\"", "append s #\"é\"", "move/part s s3 2",
    "swap b b2", "head s", "insert tail b h", "recycle", "recycle",
]


class Gen:
    def __init__(self, rng, vocab):
        self.r, self.vocab = rng, vocab
        self.by_name = {f.name: f for f in vocab}

    def value(self, types=None, depth=0):
        r = self.r
        if types and r.random() < 0.75:
            known = [t for t in types if t in VALUES]
            if "any-type" in types or not known:
                known = ALL_TYPES
            t = r.choice(known)
        else:
            t = r.choice(ALL_TYPES)
        if depth < 3 and r.random() < 0.2:
            return "(" + self.expr(depth + 1, want=t) + ")"
        v = r.choice(VALUES[t])
        if v == "DEEP":
            return "DEEP"
        if t == "integer" and r.random() < 0.2:
            return str(r.randint(-300, 300))
        return v

    def code_block(self, depth):
        n = self.r.randint(0, 3)
        return "[" + " ".join(self.expr(depth + 1) for _ in range(n)) + "]"

    def arg(self, mode, name, types, depth, fn):
        r = self.r
        if mode == "lit-word":
            if r.random() < 0.6:
                return r.choice(["a", "x", "s", "b", "o", "none", "word", "(1 + 2)", "[a]", ":a"])
            return self.value(types, depth)
        if mode == "get-word":
            return r.choice([":s", ":fn", ":append", "a", "b", "(1)", "[]"])
        if name == "count" and fn.kind == "action":
            # A /dup count near the limit makes gigabytes: valid, only slow.
            return r.choice(["0", "1", "3", "-1", "-2147483648", "1000", "2.5", "none"])
        if types and "block" in types and r.random() < 0.5 and fn.kind == "native":
            return self.code_block(depth)
        return self.value(types, depth)

    def call(self, f, depth):
        r = self.r
        path = [f.name]
        args = []
        for mode, name, types in f.args:
            args.append(self.arg(mode, name, types, depth, f))
        for ref, rargs in f.refs:
            if r.random() < 0.3:
                path.append(ref)
                for mode, name, types in rargs:
                    args.append(self.arg(mode, name, types, depth, f))
        if f.kind == "op":
            return " ".join([args[0], f.name, args[1]])
        return " ".join(["/".join(path)] + args)

    def loop_expr(self, name, depth):
        r = self.r
        body = self.code_block(depth)
        series = r.choice(["b", "b2", "s", "s2", "bin", "h", "m", "[1 2 3]", "b3", "cyc", "o"])
        count = r.choice(["0", "1", "3", "-1", "-2147483648", "2.5", "none", "'x"])
        word = r.choice(["v", "[v w]", "[]", "'v", "v:", "[v 2]"])
        return {
            "loop": f"loop {count} {body}",
            "repeat": f"repeat i {count} {body}",
            "while": f"k: 0 while [k: k + 1 k < 4] {body}",
            "until": f"k: 0 until [k: k + 1 if k > 3 [break] {body[1:-1]} k > 3]",
            "forall": f"forall {r.choice(['b', 'b2', 's', 'bin', 'h', 'x'])} {body}",
            "foreach": f"foreach {word} {series} {body}",
            "remove-each": f"remove-each {word} {series} {body}",
        }[name]

    def parse_rule(self, depth=0, block_input=False):
        r = self.r
        n = r.randint(1, 4)
        items = []
        for _ in range(n):
            c = r.random()
            if depth < 4 and c < 0.2:
                items.append("[" + self.parse_rule(depth + 1, block_input) + "]")
                continue
            # Loops whose body keeps inserting, or `while` over a rule that
            # matches without moving, never end by design: they are left out.
            choices = [
                '"a"', '"ab"', "#\"b\"", "skip", "end", "none", "fail", "break", "reject",
                "any", "some", "opt", "not", "ahead", "to", "thru", "copy p", "set p",
                "p:", ":p", "keep", "collect", "collect into b", "collect set p",
                "remove", "change", "if (true)", "(clear s)", "(k: k + 1)", "|", "|", "2",
                "0", "1 3", "-1", "2147483647", "into", "quote", "bs",
                "(make bitset! \"abc\")", "integer!", "word!", "block!", "string!", "'a", "a",
                "[end skip]", '""', "@a", "(append b 1)", "(clear b)", ":s", "s", "b",
                "keep pick", "keep copy p", "remove skip", "change skip \"yy\"",
                "then", "accept", "#{00}", "rr", "(parse s rr)", "(recycle)", "(clear p)",
                "(append p 1)", "(od/l: 1)", "p: (clear p) :p",
            ]
            items.append(r.choice(choices))
        return " ".join(items)

    def parse_expr(self):
        r = self.r
        inp = r.choice(['copy "aabbab"', "s", "s2", "b", "b2", "bin", '"ab"', '""', "[a a b]",
                        "[1 [a] a]", '"aébé"', "copy b", "copy s", "DEEP", "'a/b", "u"])
        rule = self.parse_rule(0)
        refs = r.choice(["", "/case", "/part", "/trace"])
        extra = ""
        if refs == "/part":
            extra = " " + r.choice(["2", "-1", "0", "100", "s3", "b2", "2147483647"])
        elif refs == "/trace":
            extra = " func [ev m r i st] [true]"
        pre = ""
        if r.random() < 0.2:
            pre = "rr: [" + self.parse_rule(1) + " rr | skip] "
        return f"{pre}parse{refs} {inp} [{rule}]{extra}"

    def conversion(self):
        r = self.r
        op = r.choice(["to", "make", "as", "to", "make"])
        t = r.choice(ALL_TYPES)
        if op == "as" and r.random() < 0.7:
            t = r.choice(["string", "binary", "block", "paren", "file", "url", "tag", "email",
                          "path", "set-path", "lit-path", "get-path", "hash", "ref"])
        return f"{op} {t}! {self.value()}"

    def round_trip(self):
        r = self.r
        v = self.value()
        c = r.choice([
            f"transcode mold/all {v}", f"transcode mold {v}", f"transcode to binary! mold {v}",
            f"form {v}", f"mold/flat/part {v} {r.choice(['0', '1', '5', '-1', '100000'])}",
            f"mold/only {v}", f"transcode form {v}", f"transcode {self.random_text()}",
            f"transcode/one {self.random_text()}", f"transcode/next {self.random_text()}",
            f"transcode/one {self.random_text()}",
            f"do {self.random_text()}" if r.random() < 0.3 else f"transcode/trace {self.random_text()} func [e i t l o] [true]",
        ])
        return c

    def random_text(self):
        r = self.r
        frags = ["[", "]", "(", ")", "{", "}", '"', "#{", "#\"", "^", "1", "-", "1.5e",
                 "a", ":", "'", "/", "$", "%", "@", "<", ">", "#(", " ", "^/", "x", "2147483648",
                 "1x", ".", "#", "é", "\\", ";", "1-Jan-", "12:", "http://", "%\"", "e", "9",
                 "#[", "2#{", "64#{", "16#{", "ÿ", "^(", "FFFF", "10FFFF)", "0.0.0", "~"]
        text = "".join(r.choice(frags) for _ in range(r.randint(0, 12)))
        if r.random() < 0.5:
            return "{" + text.replace("^", "^^").replace("{", "^{").replace("}", "^}") + "}"
        h = bytes(r.randrange(256) for _ in range(r.randint(0, 8))) if r.random() < 0.3 \
            else text.encode("utf-8")
        return "#{" + h.hex().upper() + "}"

    def alias_expr(self):
        r = self.r
        return r.choice([
            "append b b", "insert b2 b", "change/part b b2 3", "append s s2", "insert s3 s",
            "sort/compare b func [x y] [clear b true]", "forall b [remove b]",
            "parse b [some [p: (clear b) skip]]", "append/part s s4 -1", "copy/part b2 b",
            "copy/part s3 s", "remove/part b2 b", "change b2 b", "insert/part b b2 b3",
            "swap s s2", "reverse/part b2 b", "find/reverse b2 3", "take/part b2 b",
            "at b3 -3", "skip s3 -2", "back s3", "pick b3 -1", "poke b3 -1 0", "index? b3",
            "length? s2", "tail? b2", "head? s3", "select b3 1", "move b b2",
            "move/to b b 100", "put h2 'a 9", "unique b2", "union b2 b3", "exclude s s2",
            "trim/head s2", "take/deep b2", "clear b2", "remove b3", "change/dup s2 #\"x\" 3",
            "sort/skip b2 2", "random b2", "mold b2",
        ])

    def special(self):
        """Constructions outside plain calls: made functions, paths, objects."""
        r = self.r
        v = self.value
        # A native made with another native's entry and a spec that lets
        # other types through reaches an entry that trusts its own spec
        # (known, left open): indexes in range are left out.
        idx = r.choice(["0", "-1", "63", "121", "2147483647", "108"])
        spec = r.choice(["[x]", "[]", "[x y]", "[x [integer!] /r y]", "[return: [integer!] x]",
                         "[x x]", "['x :y]", "[/local a]", "[\"doc\" x [any-type!]]", "[1]"])
        return r.choice([
            f"f: make native! [{spec} {idx}] f {v()} {v()}",
            f"f: make action! [{spec} {idx}] f {v()} {v()}",
            f"f: func {spec} [{self.expr(1)}] f {v()} {v()}",
            f"f: make op! func [a b] [{self.expr(1)}] {v()} f {v()}",
            f"apply :{r.choice(self.vocab).name} reduce [{v()} {v()} {v()}]",
            f"o/a: {v()} o/b/1: {v()}",
            f"ob/a: {v()}", f"append od/l {v()}", f"od/l: {v()}", f"insert od/l {v()}",
            f"b/1: {v()}", f"s/2: {v()}", f"m/(v()): {v()}".replace("(v())", "(" + v() + ")"),
            f"pick {v()} {v()}", f"{v()}/1", f"extend o [{r.choice(['a', 'c', 'self'])}: {v()}]",
            f"set [a x] {v()}", f"set/any 'x {v()}", f"get/any {v()}",
            f"construct [a: {v()} b: {v()}]", f"make object! [a: {v()} b: {v()}]",
            f"make ob [a: {v()}]", f"copy/deep ob", f"mold od", f"reflect {v()} {v()}",
            f"do {self.random_text()}", f"do transcode {self.random_text()}",
            f"sort/compare copy {v()} :cb2", f"sort/compare/all copy b func [x y] [recycle x > y]",
            f"foreach x b [recycle append b x if 20 < length? b [break]]",
            f"k: 0 remove-each x b [recycle k: k + 1 if k < 20 [insert b 1] true]",
            f"transcode/trace {self.random_text()} :cb",
            f"f: func [n] [either n > 0 [f n - 1] [{self.expr(1)}]] f {r.choice(['10', '300', '3000'])}",
            f"catch [throw {v()}]", f"catch/name [throw/name {v()} 'x] 'x",
        ])

    def expr(self, depth=0, want=None):
        r = self.r
        c = r.random()
        if depth > 0 or c < 0.55:
            f = r.choice(self.vocab)
            if f.name in LOOPS:
                return self.loop_expr(f.name, depth)
            return self.call(f, depth)
        if c < 0.65:
            return self.parse_expr()
        if c < 0.75:
            return self.conversion()
        if c < 0.85:
            return self.round_trip()
        if c < 0.9:
            return self.alias_expr()
        if c < 0.96:
            return self.special()
        return r.choice(MUTATIONS)

    def program(self, n):
        lines = [PRELUDE.rstrip("\n")]
        for _ in range(n):
            c = self.r.random()
            if c < 0.1:
                lines.append("try [" + self.r.choice(MUTATIONS) + "]")
            elif c < 0.25:
                lines.append("try [mold/all " + self.expr() + "]")
            else:
                lines.append("try [" + self.expr() + "]")
        return "\n".join(lines) + "\n"


def run(zep, text, timeout, workdir):
    path = os.path.join(workdir, "prog.zep")
    with open(path, "w", encoding="utf-8") as f:
        f.write(text)
    env = dict(os.environ)
    env["ASAN_OPTIONS"] = ("detect_leaks=0:allow_user_segv_handler=0:handle_abort=1:"
                           "detect_stack_use_after_return=0:allocator_may_return_null=1")
    env["UBSAN_OPTIONS"] = "print_stacktrace=1"
    try:
        p = subprocess.run([zep, path], cwd=workdir, stdout=subprocess.DEVNULL,
                           stderr=subprocess.PIPE, timeout=timeout, env=env)
    except subprocess.TimeoutExpired:
        return ("hang", "")
    err = p.stderr.decode("utf-8", "replace")
    if any(mk in err for mk in SANITIZER_MARKERS):
        return ("sanitizer:" + signature(err), err)
    if p.returncode < 0:
        return (f"signal:{-p.returncode}", err)
    if p.returncode not in FINE_STATUSES:
        return (f"status:{p.returncode}", err)
    return None


def signature(err):
    """The kind of report and the first source line of the project it names."""
    kind = "?"
    m = re.search(r"AddressSanitizer: ([\w-]+)", err) or re.search(r"runtime error: (.{0,40})", err)
    if m:
        kind = re.sub(r"0x[0-9a-f]+", "", m.group(1)).strip()
    place = ""
    m = re.search(r"([\w./-]+\.(?:cpp|h)):(\d+)(?::\d+)?: runtime error", err) or \
        re.search(r"#\d+ 0x[0-9a-f]+ in .*? /\S*?/((?:runtime|datatypes|evaluator|services|boot|"
                  r"console|view)/[\w./-]+):(\d+)", err)
    if m:
        place = os.path.basename(m.group(1)) + ":" + m.group(2)
    return f"{kind}@{place}"


TOKEN = re.compile(r'"(?:\^.|[^"^])*"|\{(?:\^.|[^{}^])*\}|#\{[^}]*\}|#"(?:\^\([0-9A-Fa-f]+\)|\^.|[^"])"|[\[\]()]|[^\s\[\]()"{}]+(?:"[^"]*")?|\S')


def reduce_program(zep, text, kind, timeout, workdir):
    def fails(t):
        res = run(zep, t, timeout, workdir)
        return res is not None and res[0] == kind

    lines = text.split("\n")
    # Lines first, in shrinking chunks.
    chunk = max(1, len(lines) // 2)
    while chunk >= 1:
        i = 0
        while i < len(lines):
            cand = lines[:i] + lines[i + chunk:]
            if i > 0 or chunk < len(lines):
                if fails("\n".join(cand)):
                    lines = cand
                    continue
            i += chunk
        chunk //= 2
    if kind == "hang":
        return "\n".join(lines)
    # Then bracket groups and tokens within each line.
    out = []
    for li, line in enumerate(lines):
        toks = TOKEN.findall(line)
        changed = True
        while changed:
            changed = False
            spans = []
            stack = []
            for j, t in enumerate(toks):
                if t in ("[", "("):
                    stack.append(j)
                elif t in ("]", ")") and stack:
                    spans.append((stack.pop(), j + 1))
            spans += [(j, j + 1) for j in range(len(toks)) if toks[j] not in "[]()"]
            spans.sort(key=lambda sp: sp[0] - sp[1])
            for a, z in spans:
                cand = toks[:a] + toks[z:]
                trial = lines[:li] + [" ".join(cand)] + lines[li + 1:]
                trial = out + trial[li:]
                if fails("\n".join(trial)):
                    toks = cand
                    changed = True
                    break
        out.append(" ".join(toks))
    return "\n".join(out)


def work(args, index, vocab):
    rng = random.Random(f"{args.seed}:{index}")
    text = Gen(rng, vocab).program(args.exprs)
    with tempfile.TemporaryDirectory(prefix="zepfuzz") as wd:
        res = run(args.zep, text, args.timeout, wd)
        if res is None:
            return index, None, None, None
        kind, err = res
        small = text
        if not args.no_reduce:
            small = reduce_program(args.zep, text, kind, args.timeout, wd)
            res2 = run(args.zep, small, args.timeout, wd)
            if res2:
                err = res2[1]
        return index, kind, small, err


def main():
    ap = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    ap.add_argument("out_dir")
    ap.add_argument("--zep", default=os.path.join(ROOT, "build-asan", "zep"))
    ap.add_argument("--seed", type=int, default=1)
    ap.add_argument("--count", type=int, default=100)
    ap.add_argument("--first", type=int, default=0)
    ap.add_argument("--jobs", type=int, default=os.cpu_count() or 1)
    ap.add_argument("--exprs", type=int, default=60, help="expressions per program")
    ap.add_argument("--timeout", type=float, default=20.0)
    ap.add_argument("--no-reduce", action="store_true")
    ap.add_argument("--print", action="store_true", help="print program --first and stop")
    args = ap.parse_args()
    args.zep = os.path.abspath(args.zep)
    vocab = load_vocabulary(args.zep)
    if not vocab:
        sys.exit("could not read the vocabulary from " + args.zep)
    if args.print:
        print(Gen(random.Random(f"{args.seed}:{args.first}"), vocab).program(args.exprs), end="")
        return
    os.makedirs(args.out_dir, exist_ok=True)
    seen = {}
    failures = 0
    indexes = range(args.first, args.first + args.count)
    with concurrent.futures.ProcessPoolExecutor(args.jobs) as pool:
        futs = [pool.submit(work, args, i, vocab) for i in indexes]
        done = 0
        for fut in concurrent.futures.as_completed(futs):
            index, kind, small, err = fut.result()
            done += 1
            if done % 250 == 0:
                print(f"{done} programs run, {failures} failing", flush=True)
            if kind is None:
                continue
            failures += 1
            tag = re.sub(r"[^\w.@-]+", "_", kind)[:80]
            digest = hashlib.sha1(small.encode()).hexdigest()[:8]
            base = os.path.join(args.out_dir, f"{tag}-{digest}")
            with open(base + ".zep", "w", encoding="utf-8") as f:
                f.write(small)
            with open(base + ".txt", "w", encoding="utf-8") as f:
                f.write(f"seed {args.seed} program {index}\n{kind}\n\n{err[-20000:]}")
            new = kind not in seen
            seen.setdefault(kind, []).append(index)
            print(f"program {index}: {kind}{' (new)' if new else ''} -> {base}.zep", flush=True)
    total = args.count * args.exprs
    print(f"{args.count} programs, about {total} expressions, {failures} failing, "
          f"{len(seen)} distinct")
    for kind, idx in sorted(seen.items()):
        print(f"  {kind}: {len(idx)} (first: program {min(idx)})")
    sys.exit(1 if failures else 0)


if __name__ == "__main__":
    main()
