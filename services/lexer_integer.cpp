#include "services/lexer_integer.h"

#include "runtime/unicode/units.h"

namespace zep::lexer {

namespace {

// The reader over `count` characters that `at(i)` gives as code points.
template <class At> DecimalRead read_characters(uint64_t count, At at, int32_t* value) {
    uint64_t i = 0;
    bool negative = false;
    if (count > 0 && (at(0) == '+' || at(0) == '-')) {
        negative = at(0) == '-';
        i = 1;
    }
    // The magnitude is kept within 2^31 so that the smallest integer fits.
    constexpr uint64_t limit = uint64_t{1} << 31;
    uint64_t magnitude = 0;
    bool any_digit = false;
    bool overflow = false;
    bool after_separator = false;
    for (; i < count; ++i) {
        uint32_t c = at(i);
        if (c == '\'') {
            if (!any_digit || after_separator) return DecimalRead::invalid;
            after_separator = true;
            continue;
        }
        if (c < '0' || c > '9') return DecimalRead::invalid;
        after_separator = false;
        any_digit = true;
        if (overflow) continue;
        magnitude = magnitude * 10 + (c - '0');
        if (magnitude > limit) overflow = true;
    }
    if (!any_digit) return DecimalRead::invalid;
    if (overflow || (!negative && magnitude == limit)) return DecimalRead::overflow;
    int64_t signed_value = static_cast<int64_t>(magnitude);
    *value = static_cast<int32_t>(negative ? -signed_value : signed_value);
    return DecimalRead::ok;
}

} // namespace

DecimalRead read_decimal(const uint8_t* p, const uint8_t* end, int32_t* value) {
    return read_characters(
        static_cast<uint64_t>(end - p), [p](uint64_t i) -> uint32_t { return p[i]; }, value);
}

int32_t load_integer(const unsigned char* characters, uint32_t count, uint32_t unit, bool* error) {
    int32_t value = 0;
    auto at = [characters, unit](uint64_t i) {
        return unicode::read_unit(characters + i * unit, unit);
    };
    *error = read_characters(count, at, &value) != DecimalRead::ok;
    return *error ? 0 : value;
}

} // namespace zep::lexer
