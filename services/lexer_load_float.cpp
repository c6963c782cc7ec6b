#include "services/lexer_load_float.h"

#include <cstring>
#include <limits>
#include <string>

#include "runtime/float_text.h"
#include "runtime/unicode/units.h"

namespace zep::lexer {

namespace {

bool is_digit(uint8_t c) {
    return c >= '0' && c <= '9';
}

uint8_t upper(uint8_t c) {
    return c >= 'a' && c <= 'z' ? static_cast<uint8_t>(c - 32) : c;
}

bool is_text(const uint8_t* p, const uint8_t* end, const char* text) {
    size_t n = std::strlen(text);
    if (static_cast<size_t>(end - p) != n) return false;
    for (size_t i = 0; i < n; ++i)
        if (upper(p[i]) != upper(static_cast<uint8_t>(text[i]))) return false;
    return true;
}

} // namespace

bool is_float_syntax(const uint8_t* p, const uint8_t* end) {
    if (p < end && (*p == '+' || *p == '-')) ++p;
    int digits = 0;
    while (p < end && is_digit(*p)) ++p, ++digits;
    if (p < end && *p == '.') {
        ++p;
        while (p < end && is_digit(*p)) ++p, ++digits;
    }
    if (digits == 0) return false;
    if (p < end && (*p == 'e' || *p == 'E')) {
        ++p;
        if (p < end && (*p == '+' || *p == '-')) ++p;
        if (p == end) return false;
        while (p < end && is_digit(*p)) ++p;
    }
    return p == end;
}

bool read_float_text(const uint8_t* p, const uint8_t* end, int exponent_adjustment, double* value) {
    // Text with separators or a comma is rewritten into a plain copy first.
    std::string plain;
    if (std::memchr(p, '\'', static_cast<size_t>(end - p)) ||
        std::memchr(p, ',', static_cast<size_t>(end - p))) {
        plain.reserve(static_cast<size_t>(end - p));
        for (const uint8_t* q = p; q < end; ++q) {
            if (*q == '\'') continue;
            plain.push_back(*q == ',' ? '.' : static_cast<char>(*q));
        }
        p = reinterpret_cast<const uint8_t*>(plain.data());
        end = p + plain.size();
    }
    if (!is_float_syntax(p, end)) return false;
    ptrdiff_t unread = 0;
    *value = float_::from_text(reinterpret_cast<const char*>(p), reinterpret_cast<const char*>(end),
                               exponent_adjustment, &unread);
    return unread == 0;
}

bool read_float_special(const uint8_t* p, const uint8_t* end, double* value) {
    bool negative = false;
    if (p < end && (*p == '+' || *p == '-')) {
        negative = *p == '-';
        ++p;
    }
    if (end - p != 6 || p[0] != '1' || p[1] != '.' || p[2] != '#') return false;
    if (is_text(p + 3, end, "NaN")) {
        uint64_t bits = 0x7FF8000000000000ull;
        std::memcpy(value, &bits, sizeof bits);
        return true;
    }
    if (!is_text(p + 3, end, "INF")) return false;
    *value = negative ? -std::numeric_limits<double>::infinity()
                      : std::numeric_limits<double>::infinity();
    return true;
}

double load_float(const unsigned char* characters, uint32_t count, uint32_t unit, bool* error) {
    *error = true;
    if (count == 0 || count > float_text_limit) return 0.0;
    uint8_t text[float_text_limit];
    for (uint32_t i = 0; i < count; ++i) {
        uint32_t c = unicode::read_unit(characters + uint64_t{i} * unit, unit);
        if (c > 0x7F) return 0.0;
        text[i] = static_cast<uint8_t>(c);
    }
    double x = 0.0;
    if (!read_float_text(text, text + count, 0, &x) && !read_float_special(text, text + count, &x))
        return 0.0;
    *error = false;
    return x;
}

} // namespace zep::lexer
