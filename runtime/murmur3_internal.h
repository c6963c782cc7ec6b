// The block mixing and finalising steps of MurmurHash3, shared by the byte
// hash and the code-point text hash.
#pragma once
#include <cstdint>

namespace zep::hash::detail {

constexpr uint32_t c1 = 0xCC9E2D51u;
constexpr uint32_t c2 = 0x1B873593u;

inline uint32_t rotl(uint32_t x, int r) {
    return (x << r) | (x >> (32 - r));
}

// One 32-bit block mixed into the running hash.
inline uint32_t mix_block(uint32_t h, uint32_t k) {
    k *= c1;
    k = rotl(k, 15);
    k *= c2;
    h ^= k;
    h = rotl(h, 13);
    return h * 5 + 0xE6546B64u;
}

// The tail of 1 to 3 bytes (already assembled little-endian) mixed in.
inline uint32_t mix_tail(uint32_t h, uint32_t k) {
    k *= c1;
    k = rotl(k, 15);
    k *= c2;
    return h ^ k;
}

inline uint32_t fmix32(uint32_t h) {
    h ^= h >> 16;
    h *= 0x85EBCA6Bu;
    h ^= h >> 13;
    h *= 0xC2B2AE35u;
    h ^= h >> 16;
    return h;
}

// The length mixed in, then the finaliser.
inline uint32_t finish(uint32_t h, uint32_t length) {
    return fmix32(h ^ length);
}

} // namespace zep::hash::detail
