#!/usr/bin/env python3
"""Generates the case-mapping and display-width tables of the runtime.

Reads the Unicode character database (default /usr/share/unicode, which may
be a newer version than the tables need: DerivedAge.txt is used to go back to
the version each table is built for) and writes

    runtime/unicode/case_tables.cpp   (case data and the BMP fold tables
                                       built from it, Unicode 11.0)
    runtime/unicode/width_tables.cpp  (zero-width and wide ranges, Unicode 14.0)

The generated sources are committed, so the build needs no Unicode data.
Output is deterministic. With --check nothing is written: the script exits 1
when the committed files differ from what it would produce.

Rules (each reaches the expected counts asserted below):

Case data, Unicode 11.0. A mapping is kept only when both the code point and
its mapped code point were assigned in 11.0 (later versions gave existing
characters new case partners, such as U+0264 -> U+A7CB in 14.0).
  to-upper: the simple uppercase mapping (UnicodeData field 12); for a
            character without one, the first code point of its unconditional
            full uppercase mapping (SpecialCasing.txt) when that differs from
            the character. This adds 75 BMP pairs: sharp s -> S, the ligatures
            U+FB00-FB06 and U+FB13-FB17, the Greek forms with iota subscript
            (U+1F88 -> U+1F08, ...), U+0149, U+01F0, U+0390, U+03B0, U+0587,
            U+1E96-1E9A and the accented Greek small letters that have no
            single capital.
  to-lower: the simple lowercase mapping (UnicodeData field 13) only.
  BMP pairs go to the two BMP lists; pairs above 0xFFFF to the supplementary
  lists.

Display width, Unicode 14.0 (code points assigned in 14.0).
  zero-width: general category Mn or Me; format characters (Cf) of the Arabic
              and Syriac blocks U+0600-074F (U+0600-0605, U+061C, U+06DD,
              U+070F); the Hangul medial vowels and final consonants
              (U+1160-11FF and the assigned code points of U+D7B0-D7FF).
              Other format characters (soft hyphen, U+200B-200F, U+2060-2064,
              U+FEFF, the tags, ...) are not in it.
  wide:       East_Asian_Width W or F, counting the unassigned code points
              that the width data lists as wide (U+FA6E-FA6F, U+FADA-FAFF and
              planes 2 and 3 up to U+xFFFD), minus the zero-width code points
              (so U+302A-302D and U+3099-309A split the ranges there).
"""

import argparse
import os
import sys

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
CASE_OUT = os.path.join(ROOT, "runtime", "unicode", "case_tables.cpp")
WIDTH_OUT = os.path.join(ROOT, "runtime", "unicode", "width_tables.cpp")

CASE_VERSION = (11, 0)
WIDTH_VERSION = (14, 0)

EXPECTED = {
    "upper_bmp": 1250,
    "lower_bmp": 1158,
    "upper_supplementary": 225,
    "lower_supplementary": 225,
    "zero_width_ranges": 339,
    "zero_width_code_points": 2204,
    "wide_ranges": 122,
}


def data_lines(path):
    """Yields the ';'-separated fields of each data line, comments removed."""
    with open(path, encoding="utf-8") as f:
        for line in f:
            line = line.split("#", 1)[0].strip()
            if line:
                yield [field.strip() for field in line.split(";")]


def parse_range(text):
    low, _, high = text.partition("..")
    return int(low, 16), int(high or low, 16)


class UnicodeData:
    def __init__(self, folder):
        self.folder = folder
        self.age = self._read_age()
        self.category = {}
        self.simple_upper = {}
        self.simple_lower = {}
        self._read_unicode_data()
        self.full_upper = self._read_special_upper()
        self.east_asian = self._read_east_asian_width()

    def path(self, name):
        return os.path.join(self.folder, name)

    def _read_age(self):
        age = {}
        for fields in data_lines(self.path("DerivedAge.txt")):
            low, high = parse_range(fields[0])
            version = tuple(int(x) for x in fields[1].split("."))
            for cp in range(low, high + 1):
                age[cp] = version
        return age

    def _read_unicode_data(self):
        range_start = None
        with open(self.path("UnicodeData.txt"), encoding="utf-8") as f:
            for line in f:
                fields = line.rstrip("\n").split(";")
                cp, name, category = int(fields[0], 16), fields[1], fields[2]
                if name.endswith(", First>"):
                    range_start = cp
                    continue
                if name.endswith(", Last>"):
                    for c in range(range_start, cp + 1):
                        self.category[c] = category
                    continue
                self.category[cp] = category
                if fields[12]:
                    self.simple_upper[cp] = int(fields[12], 16)
                if fields[13]:
                    self.simple_lower[cp] = int(fields[13], 16)

    def _read_special_upper(self):
        upper = {}
        for fields in data_lines(self.path("SpecialCasing.txt")):
            if len(fields) > 4 and fields[4]:
                continue  # conditional mapping (language or context)
            upper[int(fields[0], 16)] = [int(x, 16) for x in fields[3].split()]
        return upper

    def _read_east_asian_width(self):
        """Maps code point -> (width class, listed as unassigned)."""
        widths = {}
        path = self.path("EastAsianWidth.txt")
        with open(path, encoding="utf-8") as f:
            for line in f:
                data, _, comment = line.partition("#")
                data = data.strip()
                if not data:
                    continue
                codes, value = data.split(";")
                low, high = parse_range(codes.strip())
                unassigned = comment.strip().startswith("Cn")
                for cp in range(low, high + 1):
                    widths[cp] = (value.strip(), unassigned)
        return widths

    def assigned_in(self, cp, version):
        return cp in self.age and self.age[cp] <= version

    def category_in(self, cp, version):
        if not self.assigned_in(cp, version):
            return "Cn"
        return self.category.get(cp, "Cn")


def case_pairs(ucd):
    v = CASE_VERSION
    upper, lower = [], []
    for cp in range(0x110000):
        if not ucd.assigned_in(cp, v):
            continue
        mapped = ucd.simple_upper.get(cp)
        if mapped is None:
            full = ucd.full_upper.get(cp)
            if full and full != [cp]:
                mapped = full[0]
        if mapped is not None and ucd.assigned_in(mapped, v):
            upper.append((cp, mapped))
        mapped = ucd.simple_lower.get(cp)
        if mapped is not None and ucd.assigned_in(mapped, v):
            lower.append((cp, mapped))
    return upper, lower


def to_ranges(code_points):
    ranges = []
    for cp in sorted(code_points):
        if ranges and ranges[-1][1] == cp - 1:
            ranges[-1][1] = cp
        else:
            ranges.append([cp, cp])
    return [tuple(r) for r in ranges]


def zero_width_set(ucd):
    v = WIDTH_VERSION
    zero = set()
    for cp in range(0x110000):
        category = ucd.category_in(cp, v)
        if category in ("Mn", "Me"):
            zero.add(cp)
        elif category == "Cf" and 0x0600 <= cp <= 0x074F:
            zero.add(cp)
        elif category != "Cn" and (0x1160 <= cp <= 0x11FF or 0xD7B0 <= cp <= 0xD7FF):
            zero.add(cp)
    return zero


def wide_set(ucd, zero):
    v = WIDTH_VERSION
    wide = set()
    for cp, (value, listed_unassigned) in ucd.east_asian.items():
        if value not in ("W", "F") or cp in zero:
            continue
        planes_2_3 = 0x20000 <= cp <= 0x3FFFD
        if ucd.assigned_in(cp, v) or listed_unassigned or planes_2_3:
            wide.add(cp)
    return wide


def check_count(name, value):
    if value != EXPECTED[name]:
        sys.exit(f"gen_unicode_tables: {name} is {value}, expected {EXPECTED[name]}")


def check_rows(name, table, rows):
    for row in rows:
        if row not in table:
            sys.exit(f"gen_unicode_tables: {name} lacks {tuple(hex(x) for x in row)}")


def hex_words(words, per_line):
    lines = []
    for i in range(0, len(words), per_line):
        chunk = words[i : i + per_line]
        lines.append("    " + ", ".join(f"0x{w:05X}" for w in chunk) + ",")
    return "\n".join(lines)


def flat(pairs):
    return [x for pair in pairs for x in pair]


HEADER = """\
// Generated by scripts/gen_unicode_tables.py from the Unicode character
// database ({what}).
// Do not edit: change the script and run it again.
// clang-format off
"""


def case_source(upper, lower):
    upper_bmp = [p for p in upper if p[0] <= 0xFFFF]
    lower_bmp = [p for p in lower if p[0] <= 0xFFFF]
    upper_supp = [p for p in upper if p[0] > 0xFFFF]
    lower_supp = [p for p in lower if p[0] > 0xFFFF]
    check_count("upper_bmp", len(upper_bmp))
    check_count("lower_bmp", len(lower_bmp))
    check_count("upper_supplementary", len(upper_supp))
    check_count("lower_supplementary", len(lower_supp))
    check_rows("to-upper", upper_bmp, [(0x61, 0x41), (0xDF, 0x53), (0xFF, 0x178),
                                       (0x131, 0x49), (0x17F, 0x53), (0x1C5, 0x1C4),
                                       (0x345, 0x399), (0x10D0, 0x1C90), (0xA7B9, 0xA7B8)])
    check_rows("to-lower", lower_bmp, [(0x1C5, 0x1C6), (0x130, 0x69), (0x1E9E, 0xDF),
                                       (0xA7B8, 0xA7B9)])
    if upper_bmp[0] != (0x61, 0x41) or upper_bmp[-1] != (0xFF5A, 0xFF3A):
        sys.exit("gen_unicode_tables: to-upper list does not run from U+0061 to U+FF5A")
    if lower_bmp[-1] != (0xFF3A, 0xFF5A):
        sys.exit("gen_unicode_tables: to-lower list does not end with U+FF3A")
    if (upper_supp[0], upper_supp[-1]) != ((0x10428, 0x10400), (0x1E943, 0x1E921)):
        sys.exit("gen_unicode_tables: supplementary to-upper list has the wrong ends")
    if (lower_supp[0], lower_supp[-1]) != ((0x10400, 0x10428), (0x1E921, 0x1E943)):
        sys.exit("gen_unicode_tables: supplementary to-lower list has the wrong ends")
    if any(cp in (0xA7C2, 0xA7C3) for cp, _ in upper + lower):
        sys.exit("gen_unicode_tables: case data reaches past Unicode 11.0")
    out = [HEADER.format(what="case mappings, Unicode 11.0")]
    out.append('#include "runtime/unicode/case_tables.h"\n\nnamespace zep::case_::tables {\n')
    # The BMP lists are constexpr so that the fold tables are built from
    # them at compile time.
    for name, pairs, qualifier in (("to_upper_bmp", upper_bmp, "constexpr"),
                                   ("to_lower_bmp", lower_bmp, "constexpr"),
                                   ("to_upper_supplementary", upper_supp, "const"),
                                   ("to_lower_supplementary", lower_supp, "const")):
        out.append(f"\n{qualifier} uint32_t {name}[{2 * len(pairs)}] = {{\n")
        out.append(hex_words(flat(pairs), 8))
        out.append("\n};\n")
    out.append("\nconstinit const BmpTable to_upper_table = build_bmp_table(to_upper_bmp);\n")
    out.append("constinit const BmpTable to_lower_table = build_bmp_table(to_lower_bmp);\n")
    out.append("\n} // namespace zep::case_::tables\n")
    return "".join(out)


def width_source(zero, wide):
    zero_ranges, wide_ranges = to_ranges(zero), to_ranges(wide)
    check_count("zero_width_ranges", len(zero_ranges))
    check_count("zero_width_code_points", len(zero))
    check_count("wide_ranges", len(wide_ranges))
    check_rows("zero-width", zero_ranges, [(0x300, 0x36F), (0x483, 0x489), (0x591, 0x5BD),
                                           (0x600, 0x605), (0x61C, 0x61C), (0x70F, 0x70F),
                                           (0x1160, 0x11FF), (0xD7B0, 0xD7C6), (0xFE00, 0xFE0F),
                                           (0xFE20, 0xFE2F), (0xE0100, 0xE01EF)])
    if zero_ranges[0] != (0x300, 0x36F) or zero_ranges[-1] != (0xE0100, 0xE01EF):
        sys.exit("gen_unicode_tables: zero-width table has the wrong ends")
    if zero & {0xAD, 0x200B, 0x200C, 0x200D, 0x200E, 0x200F, 0x2060, 0xFEFF}:
        sys.exit("gen_unicode_tables: zero-width table holds a format character it must not")
    check_rows("wide", wide_ranges, [(0x1100, 0x115F), (0x231A, 0x231B), (0x2E80, 0x2E99),
                                     (0x3000, 0x3029), (0x3041, 0x3096), (0x4E00, 0xA48C),
                                     (0xAC00, 0xD7A3), (0xF900, 0xFAFF), (0xFF01, 0xFF60),
                                     (0xFFE0, 0xFFE6), (0x1F300, 0x1F320), (0x1FAF0, 0x1FAF6),
                                     (0x20000, 0x2FFFD), (0x30000, 0x3FFFD)])
    if wide_ranges[0] != (0x1100, 0x115F) or wide_ranges[-1] != (0x30000, 0x3FFFD):
        sys.exit("gen_unicode_tables: wide table has the wrong ends")
    out = [HEADER.format(what="display widths, Unicode 14.0")]
    out.append('#include "runtime/unicode/width_tables.h"\n\nnamespace zep::unicode::tables {\n')
    for name, ranges in (("zero_width", zero_ranges), ("wide", wide_ranges)):
        out.append(f"\nconst uint32_t {name}[{2 * len(ranges)}] = {{\n")
        out.append(hex_words(flat(ranges), 8))
        out.append("\n};\n")
    out.append("\n} // namespace zep::unicode::tables\n")
    return "".join(out)


def generate(folder):
    ucd = UnicodeData(folder)
    upper, lower = case_pairs(ucd)
    zero = zero_width_set(ucd)
    wide = wide_set(ucd, zero)
    return {CASE_OUT: case_source(upper, lower), WIDTH_OUT: width_source(zero, wide)}


def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n")[0])
    parser.add_argument("--data", default="/usr/share/unicode",
                        help="folder of the Unicode character database")
    parser.add_argument("--check", action="store_true",
                        help="compare with the committed files instead of writing them")
    args = parser.parse_args()
    sources = generate(args.data)
    stale = []
    for path, text in sources.items():
        if args.check:
            try:
                with open(path, encoding="utf-8") as f:
                    if f.read() != text:
                        stale.append(path)
            except FileNotFoundError:
                stale.append(path)
        else:
            with open(path, "w", encoding="utf-8") as f:
                f.write(text)
    if stale:
        print("out of date: " + ", ".join(os.path.relpath(p, ROOT) for p in stale))
        return 1
    return 0


if __name__ == "__main__":
    sys.exit(main())
