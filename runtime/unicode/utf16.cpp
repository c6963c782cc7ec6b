#include "runtime/unicode/utf16.h"

#include <cstddef>

#include "runtime/unicode/units.h"
#include "runtime/unicode/utf8.h"

namespace zep::unicode {

uint32_t encode_utf16_char(uint32_t cp, unsigned char* dest) {
    if (cp < 0x10000) {
        write_unit(dest, 2, cp);
        return 1;
    }
    if (cp > max_code_point) return 0;
    uint32_t v = cp - 0x10000;
    write_unit(dest, 2, 0xD800 | v >> 10);
    write_unit(dest + 2, 2, 0xDC00 | (v & 0x3FF));
    return 2;
}

uint32_t utf16_unit_needed(const unsigned char* bytes, uint32_t units) {
    uint32_t needed = 1;
    for (uint32_t i = 0; i < units; ++i) {
        unsigned char high = bytes[2 * size_t{i} + 1];
        if (high >= 0xD8 && high <= 0xDF) return 4;
        if (high != 0) needed = 2;
    }
    return needed;
}

uint64_t utf16_extra_bytes(const unsigned char* start, const unsigned char* end, uint32_t unit) {
    uint64_t extra = 0;
    uint32_t step = 1u << unit_shift(unit);
    for (const unsigned char* p = start; p < end; p += step) {
        uint32_t cp = read_unit(p, unit);
        if (cp == '\n' || cp >= 0x10000) extra += 2;
    }
    return extra;
}

} // namespace zep::unicode
