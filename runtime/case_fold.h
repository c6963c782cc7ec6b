// Case folding: every case-insensitive operation maps code points through one
// pair of tables. A BMP code point folds with one read of a read-only table
// built at compile time; code points above 0xFFFF search the short
// supplementary pair lists.
#pragma once
#include <cstdint>

#include "runtime/unicode/case_tables.h"

namespace zep::case_ {

// Fold directions.
constexpr int to_lower = 0;
constexpr int to_upper = 1;

namespace detail {
uint32_t fold_supplementary(uint32_t cp, int direction);
} // namespace detail

// The code point mapped in the given direction, or the code point itself.
inline uint32_t fold_char(uint32_t cp, int direction) {
    if (cp <= 0xFFFF) {
        uint32_t mapped =
            (direction == to_upper ? tables::to_upper_table : tables::to_lower_table).map[cp];
        return mapped ? mapped : cp;
    }
    return detail::fold_supplementary(cp, direction);
}

} // namespace zep::case_
