#include "runtime/unicode/utf8.h"

#include "runtime/raise.h"
#include "runtime/unicode/units.h"

namespace zep::unicode {

namespace {

// Bjoern Hoehrmann's DFA decoder table: 256 byte classes, then the 108-entry
// transition table indexed by state + class. States are multiples of 12; 0
// accepts, 12 rejects.
struct Utf8Table {
    unsigned char bytes[364];
};

constexpr Utf8Table make_utf8_table() {
    Utf8Table t{};
    struct Range {
        unsigned first, last, cls;
    };
    constexpr Range classes[] = {
        {0x00, 0x7F, 0},  {0x80, 0x8F, 1},  {0x90, 0x9F, 9}, {0xA0, 0xBF, 7}, {0xC0, 0xC1, 8},
        {0xC2, 0xDF, 2},  {0xE0, 0xE0, 10}, {0xE1, 0xEC, 3}, {0xED, 0xED, 4}, {0xEE, 0xEF, 3},
        {0xF0, 0xF0, 11}, {0xF1, 0xF3, 6},  {0xF4, 0xF4, 5}, {0xF5, 0xFF, 8}};
    for (const Range& r : classes) {
        for (unsigned b = r.first; b <= r.last; ++b) t.bytes[b] = static_cast<unsigned char>(r.cls);
    }
    constexpr unsigned char transitions[108] = {
        0,  12, 24, 36, 60, 96, 84, 12, 12, 12, 48, 72, 12, 12, 12, 12, 12, 12, 12, 12, 12, 12,
        12, 12, 12, 0,  12, 12, 12, 12, 12, 0,  12, 0,  12, 12, 12, 24, 12, 12, 12, 12, 12, 24,
        12, 24, 12, 12, 12, 12, 12, 12, 12, 12, 12, 24, 12, 12, 12, 12, 12, 24, 12, 12, 12, 12,
        12, 12, 12, 24, 12, 12, 12, 12, 12, 12, 12, 12, 12, 36, 12, 36, 12, 12, 12, 36, 12, 12,
        12, 12, 12, 36, 12, 36, 12, 12, 12, 36, 12, 12, 12, 12, 12, 12, 12, 12, 12, 12};
    for (unsigned i = 0; i < 108; ++i) t.bytes[256 + i] = transitions[i];
    return t;
}

constexpr Utf8Table utf8_table = make_utf8_table();

constexpr uint32_t accept = 0;
constexpr uint32_t reject = 12;

inline uint32_t byte_class(unsigned char b) {
    return utf8_table.bytes[b];
}
inline uint32_t next_state(uint32_t state, uint32_t cls) {
    return utf8_table.bytes[256 + state + cls];
}

[[noreturn]] void invalid_char() {
    error::fire_named(error::Category::script, "invalid-char");
}

} // namespace

const unsigned char* decode_utf8_step(const unsigned char* p, const unsigned char* end,
                                      int32_t& cp) {
    uint32_t cls = byte_class(*p);
    uint32_t code = (0xFFu >> cls) & *p;
    uint32_t state = next_state(accept, cls);
    ++p;
    while (state != accept && state != reject) {
        if (p == end) break;
        uint32_t next = next_state(state, byte_class(*p));
        // The byte that breaks a sequence is left to start the next one.
        if (next == reject) break;
        code = code << 6 | (*p & 0x3Fu);
        state = next;
        ++p;
    }
    cp = state == accept ? static_cast<int32_t>(code) : -1;
    return p;
}

uint32_t count_utf8_chars(const unsigned char* start, const unsigned char* end) {
    uint32_t n = 0;
    int32_t cp;
    for (const unsigned char* p = start; p < end; ++n) p = decode_utf8_step(p, end, cp);
    return n;
}

const unsigned char* skip_utf8_chars(const unsigned char* start, const unsigned char* end,
                                     uint32_t n) {
    int32_t cp;
    const unsigned char* p = start;
    for (; n > 0 && p < end; --n) p = decode_utf8_step(p, end, cp);
    return p;
}

Utf8Char decode_utf8_checked(const unsigned char* p, uint32_t available) {
    uint32_t cls = byte_class(p[0]);
    uint32_t code = (0xFFu >> cls) & p[0];
    uint32_t state = next_state(accept, cls);
    uint32_t i = 1;
    while (state != accept && state != reject) {
        if (i == available) {
            return {Utf8Char::truncated, static_cast<uint8_t>(available), -1};
        }
        state = next_state(state, byte_class(p[i]));
        code = code << 6 | (p[i] & 0x3Fu);
        ++i;
    }
    if (state == accept) return {Utf8Char::ok, static_cast<uint8_t>(i), static_cast<int32_t>(code)};
    uint32_t asked = char_length(p[0]);
    if (asked == 0) asked = 1;
    if (asked > available) asked = available;
    return {Utf8Char::invalid, static_cast<uint8_t>(asked), -1};
}

int32_t decode_utf8_char(const unsigned char* p, uint32_t& count) {
    Utf8Char c = decode_utf8_checked(p, count);
    if (c.status == Utf8Char::invalid) {
        error::fire_named(error::Category::access, "invalid-utf8");
    }
    if (c.status == Utf8Char::ok) count = c.length;
    return c.cp;
}

uint32_t char_length(unsigned char lead) {
    if ((lead & 0xF0) == 0xF0) return 4;
    if ((lead & 0xE0) == 0xE0) return 3;
    if ((lead & 0xC0) == 0xC0) return 2;
    return 0;
}

uint32_t utf8_length_of(uint32_t cp) {
    if (cp <= 0x7F) return 1;
    if (cp <= 0x7FF) return 2;
    if (cp <= 0xFFFF) return 3;
    if (cp <= max_code_point) return 4;
    invalid_char();
}

uint64_t utf8_size_of_series(const unsigned char* start, const unsigned char* end, uint32_t unit) {
    uint64_t size = 0;
    switch (unit) {
    case 1:
        for (const unsigned char* p = start; p < end; ++p) size += *p <= 0x7F ? 1 : 2;
        return size;
    case 2:
    case 4:
        for (const unsigned char* p = start; p < end; p += unit) {
            size += utf8_length_of(read_unit(p, unit));
        }
        return size;
    default:
        unit_fault();
    }
}

uint32_t encode_utf8(uint32_t cp, unsigned char* dest) {
    if (cp <= 0x7F) {
        dest[0] = static_cast<unsigned char>(cp);
        return 1;
    }
    if (cp <= 0x7FF) {
        dest[0] = static_cast<unsigned char>(0xC0 | cp >> 6);
        dest[1] = static_cast<unsigned char>(0x80 | (cp & 0x3F));
        return 2;
    }
    if (cp <= 0xFFFF) {
        dest[0] = static_cast<unsigned char>(0xE0 | cp >> 12);
        dest[1] = static_cast<unsigned char>(0x80 | (cp >> 6 & 0x3F));
        dest[2] = static_cast<unsigned char>(0x80 | (cp & 0x3F));
        return 3;
    }
    if (cp <= max_code_point) {
        dest[0] = static_cast<unsigned char>(0xF0 | cp >> 18);
        dest[1] = static_cast<unsigned char>(0x80 | (cp >> 12 & 0x3F));
        dest[2] = static_cast<unsigned char>(0x80 | (cp >> 6 & 0x3F));
        dest[3] = static_cast<unsigned char>(0x80 | (cp & 0x3F));
        return 4;
    }
    invalid_char();
}

uint32_t encode_utf8_bounded(uint32_t cp, unsigned char* dest, int32_t room) {
    if (room <= 0) return 0;
    unsigned char bytes[4];
    uint32_t n = encode_utf8(cp, bytes);
    if (static_cast<uint32_t>(room) < n) n = static_cast<uint32_t>(room);
    for (uint32_t i = 0; i < n; ++i) dest[i] = bytes[i];
    return n;
}

} // namespace zep::unicode
