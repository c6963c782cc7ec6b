"""Cross-checks the checksum and compression services against Python's
hashlib, hmac, zlib and gzip modules on random data of many sizes."""
import gzip
import hashlib
import hmac
import random
import subprocess
import sys
import zlib
from pathlib import Path

DIGESTS = ["md5", "sha1", "sha256", "sha384", "sha512"]
WBITS = {"zlib": 15, "deflate": -15, "gzip": 31}
DONE, TOO_SMALL, BAD_DATA = 0, 1, 2


def hexed(data):
    return data.hex() if data else "-"


def compress_py(fmt, data, level=6):
    c = zlib.compressobj(level, zlib.DEFLATED, WBITS[fmt])
    return c.compress(data) + c.flush()


def samples(rng):
    sizes = [0, 1, 2, 3, 55, 56, 63, 64, 65, 127, 128, 129, 1000, 70000]
    out = [rng.randbytes(n) for n in sizes]
    out += [b"abc", b"a" * 100000, bytes(range(256)) * 40, "é€😀".encode() * 50]
    return out


def run(probe, requests):
    out = subprocess.run([str(probe)], input="\n".join(requests) + "\n", capture_output=True,
                         text=True, check=True)
    return out.stdout.split("\n")


def main():
    probe = Path(sys.argv[1]) / "probes" / "system_services_probe"
    rng = random.Random(20260110)
    requests, expected = [], []

    def ask(line, answer):
        requests.append(line)
        expected.append(answer)

    data_set = samples(rng)
    keys = [b"", b"k", rng.randbytes(64), rng.randbytes(129), "clé".encode()]
    for data in data_set:
        for name in DIGESTS:
            ask(f"digest {name} {hexed(data)}", hashlib.new(name, data).hexdigest())
            key = rng.choice(keys)
            ask(f"hmac {name.upper()} {hexed(key)} {hexed(data)}",
                hmac.new(key, data, name).hexdigest())
        ask(f"crc32 {hexed(data)}", str(zlib.crc32(data)))
        ask(f"adler32 {hexed(data)}", str(zlib.adler32(data)))
    # Empty digests are not empty output.
    ask("hmac crc32 6b 616263", "none")
    # The internet checksum: RFC 1071's worked example, an odd length and a
    # sum that needs folding twice.
    ask("tcp 0001f203f4f5f6f7", str(0x220D))
    ask("tcp 0001f2", str(0x0DFE))
    ask("tcp ffffffff01", str(0xFEFF))
    ask("tcp -", str(0xFFFF))

    # Encoders: the output decodes back with zlib; a small buffer reports
    # a size that then suffices.
    for data in data_set:
        for fmt in WBITS:
            room = len(data) + 32
            requests.append(f"encode {fmt} {room} {hexed(data)}")
            expected.append(("encode", fmt, data))
    requests.append(f"encode zlib 4 {hexed(bytes(range(256)))}")
    expected.append(("too-small",))

    # Decoders: streams made by Python, measured and decoded, and refused.
    for data in data_set:
        for fmt in WBITS:
            stream = gzip.compress(data, mtime=0) if fmt == "gzip" else compress_py(fmt, data, 9)
            ask(f"decode {fmt} -1 {hexed(stream)}", f"{DONE} {len(data)} -")
            ask(f"decode {fmt} {len(data) + 1} {hexed(stream)}",
                f"{DONE} {len(data)} {hexed(data)}")
            if len(data) > 1:
                ask(f"decode {fmt} {len(data) // 2} {hexed(stream)}", f"{TOO_SMALL} {len(data)} -")
            requests.append(f"decode {fmt} 10 {hexed(stream[:-1])}")  # truncated
            expected.append(("refused",))
    bad_streams = [
        ("zlib", compress_py("zlib", b"hello") + b"x"),   # bytes after the end
        ("zlib", b"\x78\x9b" + compress_py("zlib", b"hi")[2:]),  # header check fails
        ("zlib", b"\x78\xbb" + b"\x00" * 8),  # preset dictionary
        ("zlib", b"\x79\x9c\x03\x00"),  # method 9
        ("gzip", b"\x1f\x8c" + gzip.compress(b"hi")[2:]),
        ("gzip", gzip.compress(b"hi")[:-4] + b"\x00\x00\x00\x00"),  # wrong length
        ("deflate", b"\xff\xff\xff"),
        ("zlib", b""),
        ("gzip", b""),
    ]
    for fmt, stream in bad_streams:
        requests.append(f"decode {fmt} 100 {hexed(stream)}")
        expected.append(("refused",))
    two_members = gzip.compress(b"one ", mtime=0) + gzip.compress(b"two", mtime=0)
    ask(f"decode gzip 100 {hexed(two_members)}", f"{DONE} 7 {hexed(b'one two')}")

    answers = run(probe, requests)
    failures = 0
    for request, want, got in zip(requests, expected, answers):
        ok = True
        if isinstance(want, str):
            ok = got == want
        elif want[0] == "encode":
            code, size, hexdata = got.split(" ")
            if code == "1":  # incompressible: the reported size must suffice
                retry = request.split(" ")
                retry[2] = size
                got = run(probe, [" ".join(retry)])[0]
                code, size, hexdata = got.split(" ")
            stream = bytes.fromhex(hexdata) if hexdata != "-" else b""
            ok = code == "0" and int(size) == len(stream)
            if ok:
                back = gzip.decompress(stream) if want[1] == "gzip" else zlib.decompress(
                    stream, WBITS[want[1]])
                ok = back == want[2]
        elif want[0] == "too-small":
            code, size, _ = got.split(" ")
            ok = code == "1" and int(size) >= len(compress_py("zlib", bytes(range(256))))
        elif want[0] == "refused":
            ok = got.split(" ")[0] == str(BAD_DATA)
        if not ok:
            failures += 1
            if failures < 10:
                print(f"FAIL {request[:100]}\n  want {str(want)[:100]}\n  got  {got[:100]}")
    if len(answers) < len(requests):
        print("probe answered too few lines")
        failures += 1
    print(f"{len(requests) - failures} passed, {failures} failed")
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
