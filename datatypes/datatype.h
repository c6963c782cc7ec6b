// datatype!: a value naming a type id (payload word 1).
#pragma once
#include <cstdint>

#include "runtime/cell.h"

namespace zep::datatype {

// Registers datatype! (form, mold and compare only).
void init();

// A fresh datatype! cell naming `type`, pushed on the argument stack.
Cell* push(uint8_t type);
// A fresh datatype! cell naming `type`, appended at the block's tail.
Cell* append_to_block(Cell* block, uint8_t type);

// Action slots.
int32_t form(const Cell* value, Cell* out_string, int32_t part_limit);
int32_t mold(const Cell* value, Cell* out_string, bool only, bool all, bool flat,
             int32_t part_limit, int32_t indent);
int compare(const Cell* value, const Cell* other, int code);

} // namespace zep::datatype
