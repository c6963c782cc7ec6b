#include "runtime/float_text.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstring>

#include "runtime/float_digits.h"

namespace zep::float_ {

namespace {

// The digits follow a "-" so that a negative result is the same text one
// character earlier.
char digit_area[1 + max_digits + 1] = {'-'};
char form_buffer[64];

DigitString special(const char* text, int decpt, int sign) {
    return {text, decpt, sign, static_cast<int>(std::strlen(text)) - sign};
}

// Exponent form outside these decimal point positions.
constexpr int largest_fixed_decpt = 17;
constexpr int smallest_fixed_decpt = -6;

} // namespace

DigitString dtoa(double x, int digits, bool dot_zero) {
    if (digits < 0) digits = 0;
    if (digits > max_digits) digits = max_digits;
    bool negative = std::signbit(x);
    if (std::isnan(x)) return special("1.#NaN", decpt_non_finite, 0);
    if (std::isinf(x))
        return negative ? special("-1.#INF", decpt_non_finite, 1)
                        : special("1.#INF", decpt_non_finite, 0);
    if (x == 0) {
        const char* text = dot_zero ? (negative ? "-0.0" : "0.0") : (negative ? "-0" : "0");
        return special(text, decpt_zero, negative);
    }
    int decpt = 0;
    char* out = digit_area + 1;
    int n = digits == 0 ? digits::shortest(std::fabs(x), out, &decpt)
                        : digits::fixed(std::fabs(x), digits, out, &decpt);
    out[n] = '\0';
    return {negative ? digit_area : out, decpt, negative, n};
}

std::string_view form(double x, int digits, bool dot_zero) {
    DigitString d = dtoa(x, digits, dot_zero);
    if (d.decpt >= decpt_zero) return d.text;

    const char* in = d.text + d.sign;
    int n = d.length;
    int decpt = d.decpt;
    char* o = form_buffer;
    if (d.sign) *o++ = '-';
    bool exponent_form = decpt > largest_fixed_decpt || decpt < smallest_fixed_decpt;
    if (exponent_form) {
        *o++ = in[0];
        *o++ = '.';
        std::memcpy(o, in + 1, n - 1);
        o += n - 1;
    } else if (decpt > 0) {
        int whole = decpt < n ? decpt : n;
        std::memcpy(o, in, whole);
        o += whole;
        for (int i = n; i < decpt; ++i) *o++ = '0';
        *o++ = '.';
        std::memcpy(o, in + whole, n - whole);
        o += n - whole;
    } else {
        *o++ = '0';
        *o++ = '.';
        for (int i = decpt; i < 0; ++i) *o++ = '0';
        std::memcpy(o, in, n);
        o += n;
    }
    if (o[-1] == '.') {
        if (dot_zero)
            *o++ = '0';
        else
            --o;
    }
    if (exponent_form) {
        *o++ = 'e';
        o = std::to_chars(o, form_buffer + sizeof form_buffer, decpt - 1).ptr;
    }
    *o = '\0';
    return {form_buffer, static_cast<size_t>(o - form_buffer)};
}

std::string form_fixed(double x, int digits, bool dot_zero, int shift) {
    DigitString d = dtoa(x, digits, dot_zero);
    if (d.decpt >= decpt_zero) return d.text;
    std::string_view in(d.text + d.sign, static_cast<size_t>(d.length));
    int point = d.decpt + shift;
    std::string out = d.sign ? "-" : "";
    if (point > 0) {
        size_t whole = std::min(static_cast<size_t>(point), in.size());
        out += in.substr(0, whole);
        out.append(static_cast<size_t>(point) - whole, '0');
        out += '.';
        out += in.substr(whole);
    } else {
        out += "0.";
        out.append(static_cast<size_t>(-point), '0');
        out += in;
    }
    if (out.back() == '.') {
        if (dot_zero)
            out += '0';
        else
            out.pop_back();
    }
    return out;
}

} // namespace zep::float_
