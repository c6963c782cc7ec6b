// The case-mapping data: (code point, mapped code point) pairs sorted by code
// point, generated from the Unicode 11.0 case data by
// scripts/gen_unicode_tables.py. The BMP lists fill the fold tables at
// start-up; the supplementary lists are searched directly.
#pragma once
#include <cstdint>

namespace zep::case_::tables {

constexpr uint32_t upper_bmp_pairs = 1250;
constexpr uint32_t lower_bmp_pairs = 1158;
constexpr uint32_t supplementary_pairs = 225;

extern const uint32_t to_upper_bmp[2 * upper_bmp_pairs];
extern const uint32_t to_lower_bmp[2 * lower_bmp_pairs];
extern const uint32_t to_upper_supplementary[2 * supplementary_pairs];
extern const uint32_t to_lower_supplementary[2 * supplementary_pairs];

} // namespace zep::case_::tables
