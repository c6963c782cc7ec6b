#include "services/lexer_integer.h"

#include <cstring>

namespace zep::lexer {

namespace {
uint32_t char_at(const unsigned char* characters, uint32_t index, uint32_t unit) {
    switch (unit) {
    case 1:
        return characters[index];
    case 2: {
        uint16_t c;
        std::memcpy(&c, characters + uint64_t{index} * 2, 2);
        return c;
    }
    default: {
        uint32_t c;
        std::memcpy(&c, characters + uint64_t{index} * 4, 4);
        return c;
    }
    }
}
} // namespace

int32_t load_integer(const unsigned char* characters, uint32_t count, uint32_t unit, bool* error) {
    *error = true;
    uint32_t i = 0;
    bool negative = false;
    if (count > 0) {
        uint32_t c = char_at(characters, 0, unit);
        if (c == '+' || c == '-') {
            negative = c == '-';
            i = 1;
        }
    }
    // The magnitude, kept within 2^31 so that the smallest integer fits.
    constexpr uint64_t limit = uint64_t{1} << 31;
    uint64_t magnitude = 0;
    bool any_digit = false;
    for (; i < count; ++i) {
        uint32_t c = char_at(characters, i, unit);
        if (c == '\'' && any_digit) continue;
        if (c < '0' || c > '9') return 0;
        magnitude = magnitude * 10 + (c - '0');
        if (magnitude > limit) return 0;
        any_digit = true;
    }
    if (!any_digit || (!negative && magnitude == limit)) return 0;
    *error = false;
    int64_t value = static_cast<int64_t>(magnitude);
    return static_cast<int32_t>(negative ? -value : value);
}

} // namespace zep::lexer
