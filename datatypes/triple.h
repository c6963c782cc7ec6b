// triple!: an internal value of three signed 32-bit integers (payload words
// 1-3), used by the parse engine for its frames. It can only be formed and
// molded.
#pragma once
#include <cstdint>

#include "runtime/cell.h"

namespace zep::triple {

Cell* make_at(Cell* cell, int32_t a, int32_t b, int32_t c);

void init();

int32_t form(const Cell* value, Cell* out_string, int32_t part_limit);
int32_t mold(const Cell* value, Cell* out_string, bool only, bool all, bool flat,
             int32_t part_limit, int32_t indent);

} // namespace zep::triple
