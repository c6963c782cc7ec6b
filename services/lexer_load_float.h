// The lexer's readers of decimal float text: the token readers behind
// float!, percent! and point tokens, and the converter `to float!` uses on
// text.
#pragma once
#include <cstdint>

namespace zep::lexer {

// The longest text load_float and point coordinates accept, in characters.
constexpr uint32_t float_text_limit = 312;

// True when [p, end) is sign? digits ["." digits] [("e" | "E") sign? digits]
// with at least one digit before the exponent.
bool is_float_syntax(const uint8_t* p, const uint8_t* end);

// Reads decimal float text: "'" separators are dropped and "," is taken as
// the decimal mark, then the text must pass is_float_syntax. The value is
// correctly rounded, with `exponent_adjustment` added to the decimal
// exponent (-2 reads a percent as its fraction). False when the text is not
// a float.
bool read_float_text(const uint8_t* p, const uint8_t* end, int exponent_adjustment, double* value);

// Reads the special forms: an optional sign, then "1.#" and "NaN" or "INF"
// in any case. NaN is the quiet NaN whatever the sign; "-" gives negative
// infinity.
bool read_float_special(const uint8_t* p, const uint8_t* end, double* value);

// Reads count characters of unit width 1, 2 or 4 bytes (at most
// float_text_limit) as read_float_text does, or as a special form. Sets
// *error (and answers 0.0) when the text is not a float.
double load_float(const unsigned char* characters, uint32_t count, uint32_t unit, bool* error);

} // namespace zep::lexer
