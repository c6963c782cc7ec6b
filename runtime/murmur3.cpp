// MurmurHash3 x86 32-bit (the published algorithm) for byte keys, and its
// finaliser for pointer and integer keys.
#include <cstring>

#include "runtime/hashtable.h"
#include "runtime/murmur3_internal.h"

namespace zep::hash {

using namespace detail;

uint32_t murmur3_seeded(const void* bytes, uint32_t length, uint32_t seed) {
    const auto* data = static_cast<const unsigned char*>(bytes);
    uint32_t h = seed;
    uint32_t blocks = length / 4;
    for (uint32_t i = 0; i < blocks; ++i) {
        uint32_t k;
        std::memcpy(&k, data + i * 4, 4); // x86_64 is little-endian, as the algorithm reads
        h = mix_block(h, k);
    }
    const unsigned char* tail = data + blocks * 4;
    uint32_t k = 0;
    switch (length & 3) {
    case 3:
        k ^= uint32_t{tail[2]} << 16;
        [[fallthrough]];
    case 2:
        k ^= uint32_t{tail[1]} << 8;
        [[fallthrough]];
    case 1:
        k ^= tail[0];
        h = mix_tail(h, k);
    }
    return finish(h, length);
}

uint32_t murmur3(const void* bytes, uint32_t length) {
    return murmur3_seeded(bytes, length, seed);
}

uint32_t mix_pointer(uint32_t key) {
    return fmix32(key);
}

namespace {

// Four bytes with A-Z lowered at once: a byte's 0x80 bit is set in ge_a when
// its low 7 bits are 'A' or above and in gt_z when they are above 'Z' (no
// carry crosses a byte); bytes of 0x80 and above are left alone.
uint32_t lower_block(uint32_t k) {
    uint32_t low7 = k & 0x7F7F7F7Fu;
    uint32_t ge_a = low7 + 0x3F3F3F3Fu;
    uint32_t gt_z = low7 + 0x25252525u;
    uint32_t upper = ge_a & ~gt_z & ~k & 0x80808080u;
    return k | upper >> 2;
}

} // namespace

uint32_t name_hash(const unsigned char* name, uint32_t length) {
    uint32_t h = seed;
    uint32_t blocks = length / 4;
    auto lower = [](unsigned char c) -> uint32_t { return c >= 'A' && c <= 'Z' ? c + 32u : c; };
    for (uint32_t i = 0; i < blocks; ++i) {
        uint32_t k;
        std::memcpy(&k, name + i * 4, 4); // little-endian: byte 0 is the low byte
        h = mix_block(h, lower_block(k));
    }
    const unsigned char* tail = name + blocks * 4;
    uint32_t k = 0;
    switch (length & 3) {
    case 3:
        k ^= lower(tail[2]) << 16;
        [[fallthrough]];
    case 2:
        k ^= lower(tail[1]) << 8;
        [[fallthrough]];
    case 1:
        k ^= lower(tail[0]);
        h = mix_tail(h, k);
    }
    return finish(h, length);
}

} // namespace zep::hash
