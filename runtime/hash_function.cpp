// Hash functions: MurmurHash3 x86 32-bit for byte keys, its finaliser for
// pointer and integer keys, and the hash of a value by its type.
#include <algorithm>
#include <cstring>

#include "datatypes/symbol.h"
#include "runtime/case_fold.h"
#include "runtime/hashtable.h"
#include "runtime/memory.h"
#include "runtime/unicode/text_cell.h"
#include "runtime/unicode/units.h"

namespace zep::hash {

void (*normalize_map_key)(Cell* key) = nullptr;
void (*canonical_money)(Cell* value) = nullptr;

namespace {

constexpr uint32_t c1 = 0xCC9E2D51u;
constexpr uint32_t c2 = 0x1B873593u;

inline uint32_t rotl(uint32_t x, int r) {
    return (x << r) | (x >> (32 - r));
}

inline uint32_t mix_block(uint32_t h, uint32_t k) {
    k *= c1;
    k = rotl(k, 15);
    k *= c2;
    h ^= k;
    h = rotl(h, 13);
    return h * 5 + 0xE6546B64u;
}

inline uint32_t fmix32(uint32_t h) {
    h ^= h >> 16;
    h *= 0x85EBCA6Bu;
    h ^= h >> 13;
    h *= 0xC2B2AE35u;
    h ^= h >> 16;
    return h;
}

inline uint32_t finish(uint32_t h, uint32_t length) {
    return fmix32(h ^ length);
}

uint32_t hash_words(const Cell* cell, int first, int count) {
    uint32_t words[4] = {cell->header, cell->data1, cell->data2, cell->data3};
    return murmur3(&words[first], static_cast<uint32_t>(count) * 4);
}

uint32_t binary_hash(const Cell* value) {
    SeriesBuffer* b = node_buffer(value->data2);
    uint32_t used = b->tail - b->head;
    int32_t head = static_cast<int32_t>(value->data1);
    uint32_t start = head < 0 ? 0 : std::min<uint32_t>(static_cast<uint32_t>(head), used);
    return murmur3(buffer_head(b) + start, used - start);
}

} // namespace

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
        k *= c1;
        k = rotl(k, 15);
        k *= c2;
        h ^= k;
    }
    return finish(h, length);
}

uint32_t murmur3(const void* bytes, uint32_t length) {
    return murmur3_seeded(bytes, length, seed);
}

uint32_t mix_pointer(uint32_t key) {
    return fmix32(key);
}

uint32_t text_hash(const Cell* text, bool case_sensitive) {
    unicode::TextRange range = unicode::text_range(text);
    uint32_t shift = unicode::unit_shift(range.unit);
    uint32_t h = seed;
    for (uint32_t i = 0; i < range.length; ++i) {
        uint32_t cp = unicode::read_unit(range.start + (uint64_t{i} << shift), range.unit);
        if (!case_sensitive) cp = case_::fold_char(cp, case_::to_lower);
        h = mix_block(h, cp);
    }
    // The length mixed in is 4 x the code points, kept to 32 bits as the
    // algorithm's length word is.
    return finish(h, range.length * 4u);
}

uint32_t name_hash(const unsigned char* name, uint32_t length) {
    uint32_t h = seed;
    uint32_t blocks = length / 4;
    auto lower = [](unsigned char c) -> uint32_t {
        return c >= 'A' && c <= 'Z' ? c + 32u : c;
    };
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
        k *= c1;
        k = rotl(k, 15);
        k *= c2;
        h ^= k;
    }
    return finish(h, length);
}

uint32_t value_hash(const Cell* value, bool case_sensitive) {
    switch (cell_type(value)) {
    case type_id::unset:
        return static_cast<uint32_t>(-2);
    case type_id::none:
        return static_cast<uint32_t>(-1);
    case type_id::datatype:
    case type_id::logic:
    case type_id::object:
    case type_id::error:
    case type_id::port:
        return fmix32(value->data1);
    case type_id::block:
    case type_id::paren:
    case type_id::path:
    case type_id::lit_path:
    case type_id::set_path:
    case type_id::get_path:
    case type_id::hash:
    case type_id::point2d:
    case type_id::image:
        return hash_words(value, 1, 2);
    case type_id::string:
    case type_id::file:
    case type_id::url:
    case type_id::tag:
    case type_id::email:
    case type_id::ref:
        return text_hash(value, case_sensitive);
    case type_id::char_:
    case type_id::integer:
    case type_id::map:
    case type_id::handle:
    case type_id::event:
        return fmix32(value->data2);
    case type_id::float_:
    case type_id::pair:
    case type_id::percent:
    case type_id::time:
        return hash_words(value, 2, 2);
    case type_id::symbol: {
        SeriesBuffer* b = node_buffer(value->data3);
        return name_hash(buffer_head(b), b->tail - b->head); // the NUL lies past the tail
    }
    case type_id::word:
    case type_id::set_word:
    case type_id::lit_word:
    case type_id::get_word:
    case type_id::refinement:
    case type_id::issue:
        return fmix32(symbol::resolve(value->data2));
    case type_id::native:
    case type_id::action:
        return fmix32(value->data3);
    case type_id::op:
    case type_id::function:
    case type_id::triple:
    case type_id::typeset:
    case type_id::date:
    // point3D! holds three coordinate words: all three are hashed.
    case type_id::point3d:
        return hash_words(value, 1, 3);
    case type_id::tuple: {
        uint32_t n = std::min<uint32_t>((value->header >> 19) & 0xF, 12);
        unsigned char bytes[12];
        std::memcpy(bytes, &value->data1, 4);
        std::memcpy(bytes + 4, &value->data2, 4);
        std::memcpy(bytes + 8, &value->data3, 4);
        return murmur3(bytes, n);
    }
    case type_id::binary:
        return binary_hash(value);
    case type_id::money: {
        Cell canonical = *value;
        if (canonical_money) canonical_money(&canonical);
        return murmur3(&canonical, sizeof(Cell));
    }
    default:
        return 0;
    }
}

} // namespace zep::hash
