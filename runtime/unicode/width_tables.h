// Display-width data: sorted inclusive [low, high] code point ranges, two
// words per range, generated from the Unicode 14.0 data by
// scripts/gen_unicode_tables.py.
#pragma once
#include <cstdint>

namespace zep::unicode::tables {

constexpr uint32_t zero_width_ranges = 339;
constexpr uint32_t wide_ranges = 122;

extern const uint32_t zero_width[2 * zero_width_ranges];
extern const uint32_t wide[2 * wide_ranges];

} // namespace zep::unicode::tables
