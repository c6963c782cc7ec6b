// The lexer's reader of decimal integer text, used by `to integer!` on text.
#pragma once
#include <cstdint>

namespace zep::lexer {

// Reads an optional "+" or "-", then decimal digits with "'" separators
// allowed after the first digit, from `count` characters of `unit` bytes
// each (1, 2 or 4) into a 32-bit integer. -2147483648 is accepted. Sets
// *error (and answers 0) for empty text, any other character, or a value
// outside the 32-bit range.
int32_t load_integer(const unsigned char* characters, uint32_t count, uint32_t unit, bool* error);

} // namespace zep::lexer
