// paren!: a block written between parentheses.
#pragma once
#include <cstdint>

#include "runtime/cell.h"

namespace zep::paren {

// Pushes a copy of a block cell retyped to paren!; answers the new slot.
Cell* push(const Cell* block);

void init();
int32_t mold(const Cell* value, Cell* out_string, bool only, bool all, bool flat,
             int32_t part_limit, int32_t indent);

} // namespace zep::paren
