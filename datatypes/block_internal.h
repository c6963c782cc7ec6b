// Helpers shared by the block modules.
#pragma once
#include <cstdint>

#include "runtime/cell.h"

namespace zep::block {

// The shared none value that lookups answer when nothing is found.
extern Cell none_value;

namespace detail {

// The buffer's first cell.
Cell* cells_of(const Cell* block);
// Pulls a head index past the tail back to the tail (written back); answers
// the head, a negative one counted as 0.
int32_t clamp_head(Cell* block);
// The index table of a hash!, else 0.
Ref table_of(const Cell* block);
// Series types (block types, text types, binary!, vector!, image!).
bool is_series_type(uint8_t type);
// True when the datatype! or typeset! names the type.
bool names_type(const Cell* types, uint8_t type);
// Replaces the cell at the index by its own type's copy (deep or not),
// keeping its header flags.
void copy_in_place(const Cell* block, int32_t index, bool deep);

} // namespace detail

} // namespace zep::block
