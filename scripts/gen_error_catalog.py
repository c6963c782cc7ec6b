#!/usr/bin/env python3
"""Turns library/errors.zep into runtime/error_catalog_data.cpp.

The error catalogue is written once, in the language's own notation, in
library/errors.zep. The runtime needs the same data before any library code
can run (raising an error needs its code and message), so this script
generates the C++ table from that file.

    gen_error_catalog.py            rewrite runtime/error_catalog_data.cpp
    gen_error_catalog.py --check    fail when the committed file differs
"""
import pathlib
import re
import sys

ROOT = pathlib.Path(__file__).resolve().parent.parent
SOURCE = ROOT / "library" / "errors.zep"
TARGET = ROOT / "runtime" / "error_catalog_data.cpp"

CATEGORIES = ["throw", "note", "syntax", "script", "math", "access",
              "reserved1", "reserved2", "user", "internal"]
SCRIPT_IDS = 94

TOKEN = re.compile(r"""
    (?P<space>\s+|;[^\n]*)
  | (?P<string>"(?:\^.|[^"^\n])*")
  | (?P<braced>\{(?:\^.|[^}^])*\})
  | (?P<open>\[) | (?P<close>\])
  | (?P<getword>:[a-z][a-z0-9-]*)
  | (?P<setpath>[a-z][a-z0-9-]*(?:/[a-z][a-z0-9-]*)+:)
  | (?P<setword>[A-Za-z][A-Za-z0-9?!*-]*:)
  | (?P<integer>-?\d+)
  | (?P<word>[A-Za-z][A-Za-z0-9?!*-]*)
""", re.VERBOSE)

ESCAPES = {'"': '"', "^": "^", "/": "\n", "-": "\t"}


class CatalogError(Exception):
    pass


def tokens(text):
    pos = 0
    while pos < len(text):
        m = TOKEN.match(text, pos)
        if not m:
            line = text.count("\n", 0, pos) + 1
            raise CatalogError(f"line {line}: cannot read {text[pos:pos + 20]!r}")
        pos = m.end()
        kind = m.lastgroup
        if kind != "space":
            yield kind, m.group(kind)


def unescape(literal):
    out, chars = [], iter(literal[1:-1])
    for c in chars:
        if c == "^":
            e = next(chars)
            if e not in ESCAPES:
                raise CatalogError(f"unknown escape ^{e} in {literal}")
            out.append(ESCAPES[e])
        else:
            out.append(c)
    return "".join(out)


def parse_block(stream):
    """Reads values up to the closing bracket; blocks nest as lists."""
    values = []
    for kind, text in stream:
        if kind == "close":
            return values
        if kind == "open":
            values.append(("block", parse_block(stream)))
        else:
            values.append((kind, text))
    raise CatalogError("missing ]")


def expect(stream, kind, text=None):
    got = next(stream, (None, None))
    if got[0] != kind or (text is not None and got[1] != text):
        raise CatalogError(f"expected {text or kind}, got {got[1]!r}")
    return got[1]


def parse_catalog(text):
    stream = tokens(text)
    expect(stream, "word", "Zep")
    expect(stream, "open")
    parse_block(stream)  # the header
    expect(stream, "setpath", "system/catalog/errors:")
    expect(stream, "word", "make")
    expect(stream, "word", "object!")
    expect(stream, "open")
    body = parse_block(stream)
    if next(stream, None) is not None:
        raise CatalogError("text after the errors object")
    categories = []
    items = iter(body)
    for kind, name in items:
        if kind != "setword":
            raise CatalogError(f"expected a category, got {name!r}")
        if next(items, None) != ("word", "construct"):
            raise CatalogError(f"category {name} is not a constructed object")
        kind, fields = next(items, (None, None))
        if kind != "block":
            raise CatalogError(f"category {name} has no body")
        categories.append(parse_category(name[:-1], fields))
    return categories


def parse_template(value, where):
    kind, content = value
    if kind == "string":
        return False, [unescape(content)]
    if kind == "getword" and content in (":arg1", ":arg2", ":arg3"):
        # The argument itself is the message (a user error's text).
        return False, [int(content[-1])]
    if kind != "block":
        raise CatalogError(f"{where}: a template is a string, a block or an argument")
    pieces = []
    for k, t in content:
        if k == "string":
            pieces.append(unescape(t))
        elif k == "getword" and t in (":arg1", ":arg2", ":arg3"):
            pieces.append(int(t[-1]))
        else:
            raise CatalogError(f"{where}: unexpected {t!r} in template")
    return True, pieces


def parse_category(name, fields):
    if len(fields) % 2:
        raise CatalogError(f"category {name}: odd field list")
    pairs = [(fields[i], fields[i + 1]) for i in range(0, len(fields), 2)]
    for (kind, text), _ in pairs:
        if kind != "setword":
            raise CatalogError(f"category {name}: {text!r} is not a field")
    names = [p[0][1][:-1] for p in pairs]
    if names[:2] != ["code", "type"]:
        raise CatalogError(f"category {name}: code and type must come first")
    if pairs[0][1][0] != "integer" or pairs[1][1][0] != "string":
        raise CatalogError(f"category {name}: code is an integer, type a string")
    ids = []
    for (_, setword), value in pairs[2:]:
        ident = setword[:-1]
        if ident in (i[0] for i in ids):
            raise CatalogError(f"category {name}: {ident} given twice")
        ids.append((ident,) + parse_template(value, f"{name}/{ident}"))
    return {"name": name, "code": int(pairs[0][1][1]),
            "title": unescape(pairs[1][1][1]), "ids": ids}


def validate(categories):
    names = [c["name"] for c in categories]
    if names != CATEGORIES:
        raise CatalogError(f"categories must be, in order: {' '.join(CATEGORIES)}")
    for index, c in enumerate(categories):
        if c["code"] != index * 100:
            raise CatalogError(f"category {c['name']}: code must be {index * 100}")
        if len(c["ids"]) >= 100:
            raise CatalogError(f"category {c['name']}: at most 99 ids")
    if len(categories[3]["ids"]) != SCRIPT_IDS:
        raise CatalogError(f"script must have {SCRIPT_IDS} ids")


def c_string(text):
    out = []
    for ch in text:
        if ch in '\\"':
            out.append("\\" + ch)
        elif ch == "\n":
            out.append("\\n")
        elif ch == "\t":
            out.append("\\t")
        else:
            out.append(ch)
    return '"' + "".join(out) + '"'


def c_name(name):
    return name.replace("-", "_")


def render(categories):
    lines = [
        "// Generated by scripts/gen_error_catalog.py from library/errors.zep.",
        "// Do not edit: change the catalogue there and run the script.",
        "// clang-format off",
        '#include "runtime/error_catalog.h"',
        "",
        "namespace zep::error::catalog {",
        "",
        "namespace {",
    ]
    for c in categories:
        for ident, block, pieces in c["ids"]:
            items = ", ".join(
                f"{{nullptr, {p}}}" if isinstance(p, int) else f"{{{c_string(p)}, 0}}"
                for p in pieces)
            lines.append(f"constexpr Piece {c_name(c['name'])}_{c_name(ident)}[] = {{{items}}};")
    lines.append("")
    for c in categories:
        if not c["ids"]:
            continue
        lines.append(f"constexpr Template {c_name(c['name'])}_ids[] = {{")
        for ident, block, pieces in c["ids"]:
            array = f"{c_name(c['name'])}_{c_name(ident)}"
            lines.append(f"    {{{c_string(ident)}, {array}, {len(pieces)}, "
                         f"{'true' if block else 'false'}}},")
        lines.append("};")
    lines.append("} // namespace")
    lines.append("")
    lines.append("const CategoryInfo categories[category_count] = {")
    for c in categories:
        ids = f"{c_name(c['name'])}_ids" if c["ids"] else "nullptr"
        lines.append(f"    {{{c_string(c['name'])}, {c_string(c['title'])}, {c['code']}, "
                     f"{ids}, {len(c['ids'])}}},")
    lines.append("};")
    lines.append("")
    lines.append("} // namespace zep::error::catalog")
    return "\n".join(lines) + "\n"


def main(argv):
    try:
        categories = parse_catalog(SOURCE.read_text(encoding="utf-8"))
        validate(categories)
    except CatalogError as e:
        print(f"{SOURCE.name}: {e}", file=sys.stderr)
        return 1
    text = render(categories)
    if "--check" in argv:
        if not TARGET.exists() or TARGET.read_text(encoding="utf-8") != text:
            print(f"{TARGET.relative_to(ROOT)} is out of date: run {pathlib.Path(__file__).name}",
                  file=sys.stderr)
            return 1
        return 0
    TARGET.write_text(text, encoding="utf-8")
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
