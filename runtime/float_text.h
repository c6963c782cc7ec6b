// Exact conversion between IEEE 754 doubles and decimal text.
//
// dtoa gives the digits of a double: the shortest string that reads back to
// the same double, or a correctly rounded string of N significant digits
// (exact ties to the even digit). form lays those digits out as the system's
// float text; from_text reads a decimal text, correctly rounded.
//
// Results live in static buffers that the next conversion overwrites.
#pragma once
#include <cstddef>
#include <string>
#include <string_view>

namespace zep::float_ {

// Decimal point positions that mark the special texts.
constexpr int decpt_non_finite = 9999;
constexpr int decpt_zero = 9998;

// The most significant digits dtoa produces; larger requests are capped.
constexpr int max_digits = 29;

struct DigitString {
    // The digits d1..dn of the value 0.d1...dn x 10^decpt, with "-" in front
    // for a negative x; or a special text: "1.#INF", "-1.#INF", "1.#NaN",
    // "0.0", "-0.0", "0", "-0". Never has trailing zeros after the digits.
    const char* text;
    int decpt;
    int sign;   // 1 for a negative x (and -0.0); 0 for NaN
    int length; // characters of text after the "-"
};

// digits 0: shortest round-trip digits; digits > 0: at most that many
// significant digits, correctly rounded. dot_zero picks the zero texts.
DigitString dtoa(double x, int digits, bool dot_zero);

// The text of x: fixed form while -6 <= decpt <= 17, else "d.ddde<exp>";
// a bare trailing "." becomes ".0" with dot_zero and is dropped without.
std::string_view form(double x, int digits, bool dot_zero);
// The text of x x 10^shift from the digits of x (so that no rounding comes
// in), always in fixed form: for the literals that take no exponent. The
// special texts as dtoa gives them.
std::string form_fixed(double x, int digits, bool dot_zero, int shift = 0);

// Reads the number at start (up to end), correctly rounded; the exponent
// adjustment is added to the decimal exponent. *unread (when given) receives
// the number of characters after the number. "1.#INF", "-1.#INF" and
// "1.#NaN" read as the special values; a negative text that rounds to zero,
// and "-0", read as +0.0.
double from_text(const char* start, const char* end, int exponent_adjustment,
                 ptrdiff_t* unread = nullptr);

} // namespace zep::float_
