// Case folding: every case-insensitive operation maps code points through one
// pair of tables built at start-up. A BMP code point folds with one table
// read; code points above 0xFFFF search the short supplementary pair lists.
#pragma once
#include <cstdint>

namespace zep::case_ {

// Fold directions.
constexpr int to_lower = 0;
constexpr int to_upper = 1;

// Builds the to-upper and to-lower BMP tables (65,536 words each, 0 meaning
// "unchanged") on the tracked heap. Called once during interpreter
// initialisation; each call builds a fresh pair and frees the previous one.
void init_tables();

namespace detail {
extern uint32_t* upper_table;
extern uint32_t* lower_table;
uint32_t fold_supplementary(uint32_t cp, int direction);
} // namespace detail

// The code point mapped in the given direction, or the code point itself.
// The tables must have been built.
inline uint32_t fold_char(uint32_t cp, int direction) {
    if (cp <= 0xFFFF) {
        uint32_t mapped = (direction == to_upper ? detail::upper_table : detail::lower_table)[cp];
        return mapped ? mapped : cp;
    }
    return detail::fold_supplementary(cp, direction);
}

} // namespace zep::case_
