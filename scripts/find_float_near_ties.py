#!/usr/bin/env python3
"""Lists the doubles that the fixed-point digit generator may leave open.

The generator (runtime/float_digits_fast.cpp) computes T = n * 2^a * 10^k
within 2^-63 below the true value and gives up when T's fraction lies within
that distance below 1, or near 1/2 where rounding depends on it. This script
finds, for every binary exponent, every significand whose T has its fraction
within 2^-62 below 1 or of 1/2 (exact halves excluded: those are decided
exactly), for the shortest-digit midpoints and for N-digit rounding with
N = 1..17. It solves "a * t mod m in [l, r]" by the continued-fraction descent,
so the whole search takes seconds.

Output lines: mode (S, or F<count>), what was near (int, half-, half+), the
double's bits in hex and its repr. The unit tests take their near-tie cases
from this list.
"""

import struct
from fractions import Fraction

WINDOW = Fraction(1, 2 ** 62)
TINY = Fraction(1, 2 ** 400)  # excludes exact halves from the half+ window


def first_in(a, m, lo, hi):
    """Smallest t >= 0 with lo <= a*t mod m <= hi (0 <= lo <= hi < m), or None."""
    a %= m
    if lo == 0:
        return 0
    if a == 0:
        return None
    t = -(-lo // a)
    if a * t <= hi:
        return t
    y = first_in(m % a, a, (-hi) % a, (-lo) % a)
    if y is None:
        return None
    return -(-(lo + m * y) // a)


def residue_ranges(lo, hi, m):
    return [(lo, hi)] if lo <= hi else [(lo, m - 1), (0, hi)]


def solutions(c, start, count, step, offset, lo_frac, hi_frac):
    """Every t in [0, count) with frac((step*(start+t) + offset) * c) in [lo_frac, hi_frac)."""
    m = c.denominator
    a = step * c.numerator % m
    base = (step * start + offset) * c.numerator % m
    lo = -(-lo_frac.numerator * m // lo_frac.denominator)
    hi = -(-hi_frac.numerator * m // hi_frac.denominator) - 1
    found = []
    if lo > hi:
        return found
    for l, r in residue_ranges((lo - base) % m, (hi - base) % m, m):
        done = 0
        while done < count:
            shift = a * done % m
            best = None
            for p, q in residue_ranges((l - shift) % m, (r - shift) % m, m):
                t = first_in(a, m, p, q)
                if t is not None and (best is None or t < best):
                    best = t
            if best is None or done + best >= count:
                break
            found.append(done + best)
            done += best + 1
    return found


def floor_log10_pow2(a):
    return (a * 315653) >> 20


NEAR_INTEGER = [(1 - WINDOW, Fraction(1), "int")]
NEAR_HALF = [(Fraction(1, 2) - WINDOW, Fraction(1, 2), "half-"),
             (Fraction(1, 2) + TINY, Fraction(1, 2) + WINDOW, "half+")]


def binades():
    """(first significand, count, binary exponent) of every binade."""
    yield 1, 2 ** 52 - 1, -1074
    for biased in range(1, 2047):
        yield 2 ** 52, 2 ** 52, biased - 1075


def search():
    for start, count, e in binades():
        # Shortest digits: the midpoints 4f - 2, 4f + 2 and x itself, 4f.
        a = e - 2
        c = Fraction(2) ** a * Fraction(10) ** -floor_log10_pow2(a)
        for offset in (-2, 0, 2):
            windows = NEAR_INTEGER + (NEAR_HALF if offset == 0 else [])
            for lo, hi, what in windows:
                for t in solutions(c, start, count, 4, offset, lo, hi):
                    yield "S", what, start + t, e
        # N digits: f * 2^e * 10^(N - decpt), decpt taking both values a binade allows.
        tops = [e + 52] if start > 1 else range(-1074, -1022)  # the top bit's weights
        decpts = sorted({floor_log10_pow2(top) + d for top in tops for d in (1, 2)})
        for n in range(1, 18):
            for decpt in decpts:
                c = Fraction(2) ** e * Fraction(10) ** (n - decpt)
                for lo, hi, what in NEAR_INTEGER + NEAR_HALF:
                    for t in solutions(c, start, count, 1, 0, lo, hi):
                        x = (start + t) * Fraction(2) ** e
                        if Fraction(10) ** (decpt - 1) <= x < Fraction(10) ** decpt:
                            yield "F%d" % n, what, start + t, e


def main():
    for mode, what, f, e in search():
        x = float(f * Fraction(2) ** e)
        bits = struct.unpack("<Q", struct.pack("<d", x))[0]
        print(mode, what, "%016x" % bits, repr(x))


if __name__ == "__main__":
    main()
