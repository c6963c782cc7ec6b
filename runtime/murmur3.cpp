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

// Bytes with A-Z lowered, all of a word at once: a byte's 0x80 bit is set in
// ge_a when its low 7 bits are 'A' or above and in gt_z when they are above
// 'Z' (no carry crosses a byte); bytes of 0x80 and above, and zero bytes, are
// left alone.
template <class Word> Word lower_bytes(Word k) {
    constexpr Word ones = static_cast<Word>(0x0101010101010101u);
    Word low7 = k & (ones * 0x7F);
    Word ge_a = low7 + ones * 0x3F;
    Word gt_z = low7 + ones * 0x25;
    Word upper = ge_a & ~gt_z & ~k & (ones * 0x80);
    return k | upper >> 2;
}

} // namespace

uint32_t name_hash(const unsigned char* name, uint32_t length) {
    // MurmurHash3 of the lowered name: eight bytes are lowered at a time and
    // mixed as two blocks, the tail of one to three bytes is lowered whole.
    uint32_t h = seed;
    const unsigned char* p = name;
    for (uint32_t n = length / 8; n > 0; --n, p += 8) {
        uint64_t k;
        std::memcpy(&k, p, 8); // little-endian: byte 0 is the low byte
        k = lower_bytes(k);
        h = mix_block(h, static_cast<uint32_t>(k));
        h = mix_block(h, static_cast<uint32_t>(k >> 32));
    }
    if (length & 4) {
        uint32_t k;
        std::memcpy(&k, p, 4);
        h = mix_block(h, lower_bytes(k));
        p += 4;
    }
    uint32_t k = 0;
    switch (length & 3) {
    case 3:
        k ^= uint32_t{p[2]} << 16;
        [[fallthrough]];
    case 2:
        k ^= uint32_t{p[1]} << 8;
        [[fallthrough]];
    case 1:
        k ^= p[0];
        h = mix_tail(h, lower_bytes(k));
    }
    return finish(h, length);
}

} // namespace zep::hash
