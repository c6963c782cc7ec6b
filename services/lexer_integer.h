// The lexer's readers of decimal integer text: the token reader behind
// integer! tokens and pairs, and the converter `to integer!` uses on text.
#pragma once
#include <cstdint>

namespace zep::lexer {

// What reading decimal integer text found.
enum class DecimalRead : uint8_t {
    ok,
    overflow, // well-formed, but beyond the 32-bit range
    invalid,  // not an optional sign followed by digits and separators
};

// Reads an optional "+" or "-", then decimal digits with single "'"
// separators after the first digit (two in a row are invalid), from the
// bytes [p, end). -2147483648 is accepted; anything else outside the 32-bit
// range is an overflow. *value is set only when the answer is ok.
DecimalRead read_decimal(const uint8_t* p, const uint8_t* end, int32_t* value);

// Reads count characters of `unit` bytes each (1, 2 or 4) as read_decimal
// does. Sets *error (and answers 0) for empty text, any other character, or
// a value outside the 32-bit range.
int32_t load_integer(const unsigned char* characters, uint32_t count, uint32_t unit, bool* error);

} // namespace zep::lexer
