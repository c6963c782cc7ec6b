// Small operations on cells and their header words.
#pragma once
#include <cstdint>

#include "runtime/cell.h"

namespace zep::value {

// Replaces the type id and keeps the flag bits.
inline void set_type(Cell* cell, uint8_t type) {
    cell->header = (cell->header & ~cell_type_mask) | type;
}

// Ors flag bits into a header word.
inline void set_flags(uint32_t* header, uint32_t bits) {
    *header |= bits;
}

// Clears the new-line marker of a header word.
inline void clear_line_flag(uint32_t* header) {
    *header &= ~cell_flag_new_line;
}

// Copies the four words unless both are the same cell; answers the destination.
inline Cell* copy_cell(const Cell* source, Cell* destination) {
    if (source != destination) *destination = *source;
    return destination;
}

} // namespace zep::value
