"""Cross-checks the url percent codec against Python's urllib.parse on random
texts: encoding in both modes, and decoding wherever the two sets of rules
agree (escapes of ASCII bytes and of whole UTF-8 sequences, raw characters,
stray percent signs)."""
import random
import subprocess
import sys
from pathlib import Path
from urllib.parse import quote, unquote

URL_SAFE = "@!#$&'()*+,/:=?"  # with letters, digits and -._~ always safe
RAW = [chr(c) for c in range(32, 127) if chr(c) != "%"] + list("\t\né€😀ÿ\u0100\u07ff\u0800\uffff")


def random_text(rng):
    return "".join(rng.choice(RAW) for _ in range(rng.randint(0, 12)))


def random_url_text(rng):
    pieces = []
    for _ in range(rng.randint(0, 10)):
        kind = rng.randint(0, 3)
        if kind == 0:
            pieces.append(random_text(rng))
        elif kind == 1:  # whole characters escaped, upper or lower case digits
            escaped = quote(rng.choice(RAW), safe="")
            pieces.append(escaped.lower() if rng.random() < 0.3 else escaped)
        elif kind == 2:
            pieces.append("%" + rng.choice(["g", "zz", "Q1", "-"]))
        else:
            pieces.append(quote(random_text(rng), safe=URL_SAFE))
    # A stray "%" at the very end stays too.
    return "".join(pieces) + ("%" if rng.random() < 0.1 else "")


def main():
    build = Path(sys.argv[1])
    probe = build / "probes" / "url_codec_probe"
    rng = random.Random(20240611)
    encode_inputs = [random_text(rng) for _ in range(3000)]
    decode_inputs = [random_url_text(rng) for _ in range(3000)]
    inputs = encode_inputs + decode_inputs
    feed = "".join(t.encode("utf-8").hex() + "\n" for t in inputs)
    out = subprocess.run([str(probe)], input=feed, capture_output=True, text=True, check=True)
    lines = out.stdout.split("\n")
    failures = 0
    for i, text in enumerate(inputs):
        got_url, got_unreserved, got_decoded = (bytes.fromhex(x).decode("utf-8") for x in lines[3 * i:3 * i + 3])
        expected = [quote(text, safe=URL_SAFE), quote(text, safe="")]
        if i >= len(encode_inputs):
            expected.append(unquote(text, errors="strict"))
        got = [got_url, got_unreserved, got_decoded][: len(expected)]
        if got != expected:
            failures += 1
            if failures < 5:
                print("mismatch for", repr(text), got, expected)
    print(f"{len(inputs) - failures} passed, {failures} failed")
    sys.exit(1 if failures else 0)


main()
