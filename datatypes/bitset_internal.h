// Bit-array helpers shared by the bitset! modules.
#pragma once
#include <cstdint>

#include "datatypes/bitset.h"

namespace zep::bitset {

// Grows the array to `needed` bytes, new bytes 0x00 (0xFF when complemented).
void ensure_bytes(Cell* bitset, uint32_t needed);
// Sets, clears or tests the inclusive range lo..hi, growing as set_bit and
// clear_bit do.
void set_range(Cell* bitset, uint32_t lo, uint32_t hi);
void clear_range(Cell* bitset, uint32_t lo, uint32_t hi);
bool test_range(Cell* bitset, uint32_t lo, uint32_t hi);
// Writes into out a new bitset with the same bytes and flag; with invert,
// every byte inverted and the flag toggled (the complement as a set).
Cell* duplicate(const Cell* bitset, Cell* out, bool invert);
// process over a block's items from the unit index `start`.
int32_t process_from(const Cell* block, uint32_t start, Cell* bitset, Op op, SpecUse use);

} // namespace zep::bitset
