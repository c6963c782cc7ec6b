"""Compares text loading and conversion with Python's codecs.

UTF-8 loading must agree with bytes.decode('utf-8-sig') (a leading BOM is
skipped), except that text ending inside a valid beginning of a sequence loads
what comes before and reports the bytes left. UTF-16LE loading must agree with
decode('utf-16-le', 'surrogatepass') except that a high surrogate without its
low partner is an error and any surrogate unit makes the text unit 4. The loaded value converted back must equal Python's
UTF-8 and UTF-16LE encodings. The unit must be the narrowest that holds the
text.
"""
import os
import random
import subprocess
import sys

PROBE = os.path.join(sys.argv[1], "probes", "utf8_probe")
rng = random.Random(99)
PIECES = ["a", "\r", "\n", "\r\n", "é", "ÿ", "€", "\uffff", "😀", "\U0010ffff", "\x00",
          "\ufeff", "\ud800", "\udc00", "\udbff\udfff"]


def unit_of(s):
    m = max(map(ord, s), default=0)
    return 1 if m <= 0xFF else 2 if m <= 0xFFFF else 4


def loaded(s, left=0, unit=None):
    return ("u%d left=%d " % (unit or unit_of(s), left) + "".join("%x " % ord(c) for c in s) + "| "
            + s.encode("utf-8", "surrogatepass").hex() + " | "
            + s.encode("utf-16-le", "surrogatepass").hex())


def expect_utf8(t, crlf):
    if len(t) > 2 and t.startswith(b"\xef\xbb\xbf"):
        t = t[3:]
    try:
        s, left = t.decode("utf-8"), 0
    except UnicodeDecodeError as e:
        if e.reason != "unexpected end of data" or e.end != len(t):
            return "error invalid-utf8"
        s, left = t[: e.start].decode("utf-8"), len(t) - e.start
    if crlf:
        s = s.replace("\r\n", "\n").replace("\r", "\n")
    return loaded(s, left)


def expect_utf16(t, crlf):
    s = t[: len(t) // 2 * 2].decode("utf-16-le", "surrogatepass")
    if any(0xD800 <= ord(c) <= 0xDBFF for c in s):
        return "error invalid-data"
    # Any surrogate unit in the input, a lone low one too, asks for unit 4.
    unit = 4 if any(0xD800 <= ord(c) <= 0xDFFF for c in s) else None
    return loaded(s.replace("\r", "") if crlf else s, unit=unit)


def texts():
    out = [b"", b"\xef\xbb\xbf", b"\xef\xbb", b"a\xef\xbb\xbf"]
    for _ in range(4000):
        s = "".join(rng.choice(PIECES) for _ in range(rng.randrange(0, 8)))
        out.append(s.encode("utf-8", "surrogatepass"))
        out.append(s.encode("utf-16-le", "surrogatepass"))
        b = bytearray(s.encode("utf-8", "surrogatepass"))
        if b:
            del b[rng.randrange(len(b)):]  # cut anywhere, often inside a sequence
        out.append(bytes(b))
        out.append(bytes(rng.randrange(256) for _ in range(rng.randrange(1, 9))))
    return out


def main():
    corpus = texts()
    data = "".join(t.hex() + "\n" for t in corpus)
    failures = 0
    for mode, expect in (("load", expect_utf8), ("load-crlf", expect_utf8),
                         ("load16", expect_utf16), ("load16-crlf", expect_utf16)):
        got = subprocess.run([PROBE, mode, "--hex-lines"], input=data, capture_output=True,
                             text=True, check=True).stdout.splitlines()
        assert len(got) == len(corpus)
        for t, line in zip(corpus, got):
            want = expect(t, mode.endswith("crlf"))
            if line != want:
                failures += 1
                if failures <= 10:
                    print("%s %s:\n  got  %s\n  want %s" % (mode, t.hex(), line, want))
    print("%d texts x 4 modes, %d failures" % (len(corpus), failures))
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
