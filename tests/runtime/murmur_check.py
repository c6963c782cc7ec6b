"""Cross-checks the MurmurHash3 x86 32-bit hash against an independent
Python implementation of the published algorithm on random inputs."""
import os
import random
import subprocess
import sys

MASK = 0xFFFFFFFF


def rotl(x, r):
    return ((x << r) | (x >> (32 - r))) & MASK


def fmix(h):
    h ^= h >> 16
    h = (h * 0x85EBCA6B) & MASK
    h ^= h >> 13
    h = (h * 0xC2B2AE35) & MASK
    return h ^ (h >> 16)


def murmur3(data, seed):
    c1, c2 = 0xCC9E2D51, 0x1B873593
    h = seed
    whole = len(data) // 4 * 4
    for i in range(0, whole, 4):
        k = int.from_bytes(data[i:i + 4], "little")
        k = (rotl((k * c1) & MASK, 15) * c2) & MASK
        h = (rotl(h ^ k, 13) * 5 + 0xE6546B64) & MASK
    tail = data[whole:]
    if tail:
        k = int.from_bytes(tail, "little")
        h ^= (rotl((k * c1) & MASK, 15) * c2) & MASK
    return fmix(h ^ len(data))


def main():
    probe = os.path.join(sys.argv[1], "probes", "murmur_probe")
    rng = random.Random(2024)
    cases = [(rng.getrandbits(32), bytes(rng.getrandbits(8) for _ in range(rng.randrange(0, 70))))
             for _ in range(3000)]
    cases += [(1, b""), (0, b"\0\0\0\0")]
    text = "".join(f"{seed} {data.hex()}\n" for seed, data in cases)
    out = subprocess.run([probe], input=text, capture_output=True, text=True, check=True).stdout.split()
    assert len(out) == len(cases), (len(out), len(cases))
    for (seed, data), got in zip(cases, out):
        want = f"{murmur3(data, seed):08x}"
        assert got == want, (seed, data.hex(), got, want)
    assert out[-2] == "514e28b7"
    print(f"{len(cases)} hashes agree")


main()
