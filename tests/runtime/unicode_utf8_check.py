"""Compares the UTF-8 decoders with Python's codec.

The strict decoder must accept and reject exactly what bytes.decode('utf-8')
does, failing at the same offset; the tolerant stepper must split text like
Python's 'replace' handler (one rejected step per U+FFFD). The corpus holds
every 1- and 2-byte text, every lead byte with every second byte and a few
third/fourth bytes (overlong, surrogate, truncated and out-of-range forms),
random bytes and mutated valid text.
"""
import os
import random
import subprocess
import sys

PROBE = os.path.join(sys.argv[1], "probes", "utf8_probe")
rng = random.Random(1234)


def corpus():
    texts = [b""]
    texts += [bytes([a]) for a in range(256)]
    texts += [bytes([a, b]) for a in range(256) for b in range(256)]
    tails = [0x80, 0x8F, 0x90, 0x9F, 0xA0, 0xBF, 0xC0, 0x41, 0xFF]
    for lead in range(0xC0, 0x100):
        for b2 in range(256):
            for b3 in tails:
                texts.append(bytes([lead, b2, b3]))
                if lead >= 0xF0:
                    texts.append(bytes([lead, b2, b3, 0x80]))
                    texts.append(bytes([lead, b2, b3, 0xBF, 0x41]))
    # Every overlong form of a few code points, every encoded surrogate edge
    # and the values just past the last code point.
    for cp in (0, 0x2F, 0x7F, 0x7FF, 0xFFFF):
        texts += [bytes([0xC0 | cp >> 6, 0x80 | cp & 0x3F])] if cp < 0x80 else []
        texts.append(bytes([0xE0, 0x80 | cp >> 6 & 0x3F, 0x80 | cp & 0x3F]))
        texts.append(bytes([0xF0, 0x80 | cp >> 12 & 0x3F, 0x80 | cp >> 6 & 0x3F, 0x80 | cp & 0x3F]))
    for cp in (0xD800, 0xDBFF, 0xDC00, 0xDFFF, 0x110000, 0x13FFFF, 0x1FFFFF):
        texts.append(bytes([0xE0 | (cp >> 12) & 0xF, 0x80 | cp >> 6 & 0x3F, 0x80 | cp & 0x3F]))
        texts.append(bytes([0xF0 | cp >> 18 & 7, 0x80 | cp >> 12 & 0x3F, 0x80 | cp >> 6 & 0x3F,
                            0x80 | cp & 0x3F]))
    valid = "aé€😀\u07ff\uffff\U0010ffff\n\x00ÿ\U00010000".encode()
    for _ in range(20000):
        if rng.random() < 0.3:
            texts.append(bytes(rng.randrange(256) for _ in range(rng.randrange(1, 12))))
            continue
        t = bytearray(rng.choice([valid, valid[3:], valid[:-2], "x€y".encode()]))
        for _ in range(rng.randrange(1, 4)):
            i = rng.randrange(len(t))
            op = rng.randrange(3)
            if op == 0:
                t[i] = rng.randrange(256)
            elif op == 1:
                del t[i]
            else:
                t.insert(i, rng.choice([0x80, 0xBF, 0xC0, 0xED, 0xF4, 0xF5, rng.randrange(256)]))
        texts.append(bytes(t))
    return texts


def strict_expected(t):
    try:
        s, tail = t.decode("utf-8"), "ok"
    except UnicodeDecodeError as e:
        s, tail = t[: e.start].decode("utf-8"), "error %d" % e.start
    return "".join("%x " % ord(c) for c in s) + tail


def steps_expected(t):
    s = t.decode("utf-8", "replace")
    return "".join("%x " % ord(c) for c in s) + "n=%d" % len(s)


def run(mode, texts):
    data = "".join(t.hex() + "\n" for t in texts)
    out = subprocess.run([PROBE, mode, "--hex-lines"], input=data, capture_output=True,
                         text=True, check=True).stdout.splitlines()
    assert len(out) == len(texts), (len(out), len(texts))
    return out


def main():
    texts = corpus()
    failures = 0
    for t, got in zip(texts, run("strict", texts)):
        want = strict_expected(t)
        if got != want:
            failures += 1
            if failures <= 10:
                print("strict %s: got %r want %r" % (t.hex(), got, want))
    for t, got in zip(texts, run("step", texts)):
        # A rejected step stands where Python writes U+FFFD.
        got = " ".join("fffd" if w == "-1" else w for w in got.split(" "))
        want = steps_expected(t)
        if got != want:
            failures += 1
            if failures <= 10:
                print("step %s: got %r want %r" % (t.hex(), got, want))
    # The whole-stdin mode reads binary input unchanged.
    whole = subprocess.run([PROBE], input="a€\r\n".encode() + b"\xed\xa0\x80", capture_output=True,
                           check=True).stdout.decode()
    if whole != "61 20ac d a error 6\n":
        failures += 1
        print("whole-input mode: %r" % whole)
    print("%d texts, %d failures" % (len(texts), failures))
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
