#include "services/lexer_load_float.h"

#include <cstring>

#include "runtime/float_text.h"

namespace zep::lexer {

namespace {

uint32_t char_at(const unsigned char* p, uint32_t unit) {
    uint32_t cp = 0;
    std::memcpy(&cp, p, unit); // little-endian units
    return cp;
}

bool is_digit(char c) {
    return c >= '0' && c <= '9';
}

// Checks the shape: sign? digits [mark digits] [e sign? digits], with at
// least one digit before the exponent. The mark is already ".".
bool is_decimal_text(const char* p, const char* end) {
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

bool is_special_text(const char* p, const char* end) {
    size_t n = static_cast<size_t>(end - p);
    auto is = [&](const char* text) {
        if (n != std::strlen(text)) return false;
        for (size_t i = 0; i < n; ++i) {
            char c = p[i] >= 'a' && p[i] <= 'z' ? static_cast<char>(p[i] - 32) : p[i];
            char t = text[i] >= 'a' && text[i] <= 'z' ? static_cast<char>(text[i] - 32) : text[i];
            if (c != t) return false;
        }
        return true;
    };
    return is("1.#INF") || is("-1.#INF") || is("+1.#INF") || is("1.#NaN") || is("-1.#NaN") ||
           is("+1.#NaN");
}

} // namespace

double load_float(const unsigned char* characters, uint32_t count, uint32_t unit, bool* error) {
    *error = true;
    if (count == 0 || count > float_text_limit) return 0.0;
    char text[float_text_limit];
    uint32_t n = 0;
    for (uint32_t i = 0; i < count; ++i) {
        uint32_t cp = char_at(characters + uint64_t{i} * unit, unit);
        if (cp == '\'') continue;
        if (cp > 0x7F) return 0.0;
        text[n++] = cp == ',' ? '.' : static_cast<char>(cp);
    }
    if (!is_decimal_text(text, text + n) && !is_special_text(text, text + n)) return 0.0;
    *error = false;
    return float_::from_text(text, text + n, 0);
}

} // namespace zep::lexer
