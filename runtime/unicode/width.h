// Display width of a code point in character cells, as the line editor and
// the terminal backend lay out text.
#pragma once
#include <cstdint>

namespace zep::unicode {

// 1 when the code point lies in one of the table's inclusive [low, high]
// ranges; `words` is the table's length in words (two per range), and the
// ranges are sorted and disjoint.
int is_in_ranges(uint32_t cp, const uint32_t* table, uint32_t words);

// 0 for NUL and the zero-width (combining, Hangul medial and final jamo)
// code points, 2 for wide ones, 1 for everything else, the C0 and C1
// controls and DEL included.
int char_width(uint32_t cp);

} // namespace zep::unicode
