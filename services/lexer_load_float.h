// The lexer's reader of decimal float text for conversions such as
// `to float!` on a string: an optional sign, digits with "'" separators,
// "." or "," as the decimal mark, an optional exponent; or one of the
// special texts "1.#INF", "-1.#INF", "1.#NaN". The lexer owns this reader.
#pragma once
#include <cstdint>

namespace zep::lexer {

// The longest text the reader accepts, in characters.
constexpr uint32_t float_text_limit = 312;

// Reads count characters of unit width 1, 2 or 4 bytes into a double; sets
// *error (and answers 0.0) when the text is not a float.
double load_float(const unsigned char* characters, uint32_t count, uint32_t unit, bool* error);

} // namespace zep::lexer
