// Helpers shared by the block modules.
#pragma once
#include <cstdint>

#include "datatypes/series.h"
#include "runtime/cell.h"
#include "runtime/memory.h"
#include "runtime/value_make.h"

namespace zep::block {

// The shared none value that lookups answer when nothing is found.
extern Cell none_value;

namespace detail {

// The buffer's first cell.
inline Cell* cells_of(const Cell* block) {
    return reinterpret_cast<Cell*>(buffer_head(node_buffer(block->data2)));
}
// Pulls a head index past the tail back to the tail (written back); answers
// the head, a negative one counted as 0.
inline int32_t clamp_head(Cell* block) {
    int32_t h = value::series_head(block);
    int32_t total = series::total_length(block);
    if (h > total) block->data1 = static_cast<uint32_t>(h = total);
    return h < 0 ? 0 : h;
}
// The index table of a hash!, else 0.
inline Ref table_of(const Cell* block) {
    return cell_type(block) == type_id::hash ? block->data3 : 0;
}
// Series types (block types, text types, binary!, vector!, image!).
bool is_series_type(uint8_t type);
// True when the datatype! or typeset! names the type.
bool names_type(const Cell* types, uint8_t type);
// Replaces the cell at the index by its own type's copy (deep or not),
// keeping its header flags.
void copy_in_place(const Cell* block, int32_t index, bool deep);

} // namespace detail

} // namespace zep::block
