// action!: a function of the action entry table (evaluator/actions.h). Its
// cell is laid out as a native!'s: data1 the 1-based action number, data2
// the spec block node, data3 the two-cell context block.
#pragma once
#include <cstdint>

#include "runtime/cell.h"

namespace zep::action {

constexpr int32_t table_slots = 62;

int32_t form(const Cell* value, Cell* out_string, int32_t part_limit);
int32_t mold(const Cell* value, Cell* out_string, bool only, bool all, bool flat,
             int32_t part_limit, int32_t indent);

// Registers action! (type 22).
void init();

} // namespace zep::action
