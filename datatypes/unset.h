// unset!: the value of nothing (no payload).
#pragma once
#include <cstdint>

#include "runtime/cell.h"

namespace zep::unset {

// Registers unset! (make, to, form, mold and compare).
void init();

// Overwrites the current call's result cell with unset! and answers it.
Cell* box();
// A fresh unset! cell pushed on the argument stack.
Cell* push();
// A fresh unset! cell appended at the block's tail.
Cell* make_in(Cell* block);

// Action slots. make and to ignore their spec.
Cell* make(Cell* result, const Cell* spec, uint8_t type);
Cell* to(Cell* result, const Cell* spec, uint8_t type);
int32_t form(const Cell* value, Cell* out_string, int32_t part_limit);
int32_t mold(const Cell* value, Cell* out_string, bool only, bool all, bool flat,
             int32_t part_limit, int32_t indent);
int compare(const Cell* value, const Cell* other, int code);

} // namespace zep::unset
