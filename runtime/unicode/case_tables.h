// The case-mapping data: (code point, mapped code point) pairs sorted by code
// point, generated from the Unicode 11.0 case data by
// scripts/gen_unicode_tables.py. The BMP lists fill the fold tables at
// compile time; the supplementary lists are searched directly.
#pragma once
#include <cstdint>

namespace zep::case_::tables {

// A fold table: the mapped code point of every BMP code point, 0 meaning
// "unchanged".
struct BmpTable {
    uint32_t map[0x10000];
};

template <uint32_t N> constexpr BmpTable build_bmp_table(const uint32_t (&pairs)[N]) {
    BmpTable table{};
    for (uint32_t i = 0; i + 1 < N; i += 2) table.map[pairs[i]] = pairs[i + 1];
    return table;
}

constexpr uint32_t upper_bmp_pairs = 1250;
constexpr uint32_t lower_bmp_pairs = 1158;
constexpr uint32_t supplementary_pairs = 225;

extern const uint32_t to_upper_bmp[2 * upper_bmp_pairs];
extern const uint32_t to_lower_bmp[2 * lower_bmp_pairs];
extern const uint32_t to_upper_supplementary[2 * supplementary_pairs];
extern const uint32_t to_lower_supplementary[2 * supplementary_pairs];

// The fold tables, read-only data: folding needs no start-up and touches
// only the pages of the code points it reads.
extern const BmpTable to_upper_table;
extern const BmpTable to_lower_table;

} // namespace zep::case_::tables
