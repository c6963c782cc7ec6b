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

uint32_t name_hash(const unsigned char* name, uint32_t length) {
    uint32_t h = seed;
    uint32_t blocks = length / 4;
    auto lower = [](unsigned char c) -> uint32_t { return c >= 'A' && c <= 'Z' ? c + 32u : c; };
    for (uint32_t i = 0; i < blocks; ++i) {
        const unsigned char* p = name + i * 4;
        uint32_t k = lower(p[0]) | lower(p[1]) << 8 | lower(p[2]) << 16 | lower(p[3]) << 24;
        h = mix_block(h, k);
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
