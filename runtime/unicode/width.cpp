#include "runtime/unicode/width.h"

#include "runtime/unicode/width_tables.h"

namespace zep::unicode {

int is_in_ranges(uint32_t cp, const uint32_t* table, uint32_t words) {
    uint32_t ranges = words / 2;
    if (ranges == 0 || cp < table[0] || cp > table[2 * ranges - 1]) return 0;
    // Binary search for the last range whose low bound is not above cp.
    uint32_t low = 0, high = ranges;
    while (high - low > 1) {
        uint32_t mid = low + (high - low) / 2;
        if (table[2 * mid] <= cp) {
            low = mid;
        } else {
            high = mid;
        }
    }
    return cp <= table[2 * low + 1] ? 1 : 0;
}

int char_width(uint32_t cp) {
    if (cp == 0) return 0;
    if (cp < 32 || (cp >= 127 && cp < 160)) return 1;
    if (is_in_ranges(cp, tables::zero_width, 2 * tables::zero_width_ranges)) return 0;
    if (is_in_ranges(cp, tables::wide, 2 * tables::wide_ranges)) return 2;
    return 1;
}

} // namespace zep::unicode
