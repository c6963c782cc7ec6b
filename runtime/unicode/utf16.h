// UTF-16LE encoding and the measurements that size UTF-16 conversions.
#pragma once
#include <cstdint>

namespace zep::unicode {

// Writes cp as UTF-16LE at dest: one unit below 0x10000, a surrogate pair up
// to 0x10FFFF, nothing above. Answers the 16-bit units written (1, 2 or 0).
uint32_t encode_utf16_char(uint32_t cp, unsigned char* dest);

// The text unit (1, 2 or 4) that `units` 16-bit UTF-16LE units need: 4 as
// soon as one is a surrogate, else 2 when any is above 0xFF, else 1.
uint32_t utf16_unit_needed(const unsigned char* bytes, uint32_t units);

// Extra bytes a UTF-16 conversion of the unit range [start, end) may need
// beyond 2 per character: 2 for each LF (a CR may be inserted) and 2 for each
// code point of 0x10000 or more (the second unit of its pair).
uint64_t utf16_extra_bytes(const unsigned char* start, const unsigned char* end, uint32_t unit);

} // namespace zep::unicode
