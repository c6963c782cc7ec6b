// The text kinds of floats: printf-style "%.Ng" layouts with the pretty
// adjustments, the exponent clean-up and the suffixes; and float! form and
// mold.
#include <cmath>
#include <cstring>
#include <string_view>

#include "datatypes/float.h"
#include "datatypes/string_buffer.h"
#include "runtime/float_text.h"

namespace zep::float_ {

bool is_pretty_print = true;
bool has_full_support = false;

namespace {

constexpr int buffer_size = 32;
char text_buffer[buffer_size];

struct KindRule {
    int digits;        // the g precision
    int retry_digits;  // the pretty retry precision
    const char* zero;  // the text of magnitudes below epsilon under pretty
    bool percent_sign; // "%" appended
    bool dot_zero;     // ".0" added to a text without "."
};

constexpr KindRule rules[] = {
    {7, 5, "0.0", false, true},   // vector32
    {16, 14, "0.0", false, true}, // float
    {7, 14, "0%", true, false},   // percent32
    {13, 14, "0%", true, false},  // percent
    {6, 5, "0.0", false, false},  // seconds
    {7, 5, "0", false, false},    // point
};

// Writes x as "%.Ng" would: N significant digits, trailing zeros dropped,
// exponent form when the exponent is below -4 or at least N.
void format_g(double x, int n, char* out) {
    float_::DigitString d = float_::dtoa(x, n, false);
    if (d.decpt == decpt_zero) { // "0" or "-0"
        std::strcpy(out, d.text);
        return;
    }
    const char* digits = d.text + d.sign;
    int count = d.length;
    int exponent = d.decpt - 1;
    char* o = out;
    if (d.sign) *o++ = '-';
    if (exponent < -4 || exponent >= n) {
        *o++ = digits[0];
        if (count > 1) {
            *o++ = '.';
            std::memcpy(o, digits + 1, count - 1);
            o += count - 1;
        }
        *o++ = 'e';
        *o++ = exponent < 0 ? '-' : '+';
        unsigned magnitude = static_cast<unsigned>(exponent < 0 ? -exponent : exponent);
        char reversed[4];
        int k = 0;
        do {
            reversed[k++] = static_cast<char>('0' + magnitude % 10);
            magnitude /= 10;
        } while (magnitude);
        if (k < 2) reversed[k++] = '0';
        while (k) *o++ = reversed[--k];
    } else if (d.decpt <= 0) {
        *o++ = '0';
        *o++ = '.';
        for (int i = d.decpt; i < 0; ++i) *o++ = '0';
        std::memcpy(o, digits, count);
        o += count;
    } else {
        int whole = d.decpt < count ? d.decpt : count;
        std::memcpy(o, digits, whole);
        o += whole;
        for (int i = count; i < d.decpt; ++i) *o++ = '0';
        if (count > whole) {
            *o++ = '.';
            std::memcpy(o, digits + whole, count - whole);
            o += count - whole;
        }
    }
    *o = '\0';
}

void format_kind(double x, int kind, int digits, char* out) {
    if (kind == kind::seconds) {
        std::string_view text = float_::form(x, digits, false);
        std::memcpy(out, text.data(), text.size());
        out[text.size()] = '\0';
        return;
    }
    format_g(x, digits, out);
}

// A noisy 16-digit text ends in "01" or "99": long enough to hold all the
// digits a double has.
bool wants_retry(const char* text) {
    const char* e = std::strchr(text, 'e');
    size_t length = e ? static_cast<size_t>(e - text) : std::strlen(text);
    if (length <= 16) return false;
    if (!e) {
        const char* first = text[0] == '-' ? text + 1 : text;
        if (first[0] == '0' && length <= 17) return false;
    }
    const char* last_two = text + length - 2;
    return std::strncmp(last_two, "01", 2) == 0 || std::strncmp(last_two, "99", 2) == 0;
}

// "e+020" becomes "e20", "e-005" becomes "e-5".
void clean_exponent(char* text) {
    char* e = std::strchr(text, 'e');
    if (!e) return;
    char* from = e + 1;
    char* to = e + 1;
    if (*from == '+') {
        ++from;
    } else if (*from == '-') {
        *to++ = *from++;
    }
    while (*from == '0' && from[1] != '\0') ++from;
    std::memmove(to, from, std::strlen(from) + 1);
}

void add_dot_zero(char* text) {
    if (std::strchr(text, '.')) return;
    char* e = std::strchr(text, 'e');
    if (!e) {
        std::strcat(text, ".0");
        return;
    }
    std::memmove(e + 2, e, std::strlen(e) + 1);
    e[0] = '.';
    e[1] = '0';
}

} // namespace

const char* form_float(double x, int kind) {
    if (std::isnan(x)) return "1.#NaN";
    if (std::isinf(x)) return x > 0 ? "1.#INF" : "-1.#INF";
    const KindRule& rule = rules[kind >= kind::vector32 && kind <= kind::point ? kind : 1];
    if (is_pretty_print && std::fabs(x) < epsilon) return rule.zero;

    format_kind(x, kind, rule.digits, text_buffer);
    if (is_pretty_print && wants_retry(text_buffer)) {
        format_kind(x, kind, rule.retry_digits, text_buffer);
    }
    clean_exponent(text_buffer);
    if (rule.percent_sign) {
        std::strcat(text_buffer, "%");
    } else if (rule.dot_zero) {
        add_dot_zero(text_buffer);
    }
    return text_buffer;
}

int32_t form(const Cell* value, Cell* out_string, int32_t part_limit) {
    const char* text = form_float(get(value), kind::float_);
    string::append_text(out_string, text);
    return part_limit - static_cast<int32_t>(std::strlen(text));
}

int32_t mold(const Cell* value, Cell* out_string, bool, bool, bool, int32_t part_limit, int32_t) {
    std::string_view text = float_::form(get(value), 0, true);
    string::append_bytes(out_string, reinterpret_cast<const unsigned char*>(text.data()),
                         static_cast<uint32_t>(text.size()));
    return part_limit - static_cast<int32_t>(text.size());
}

} // namespace zep::float_
