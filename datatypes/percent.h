// percent!: a float64 in payload words 2-3 holding the fraction (50% holds
// 0.5), shown multiplied by 100 with a "%". Every action but form and mold
// is float!'s.
#pragma once
#include <cstdint>

#include "runtime/cell.h"

namespace zep::percent {

// Registers percent! (after float!, whose slots it copies).
void init();

Cell* make_in(Cell* cell, double value);
Cell* make_in_words(Cell* cell, uint32_t low, uint32_t high);
Cell* push(double value);
Cell* push_words(uint32_t low, uint32_t high);

int32_t form(const Cell* value, Cell* out_string, int32_t part_limit);
int32_t mold(const Cell* value, Cell* out_string, bool only, bool all, bool flat,
             int32_t part_limit, int32_t indent);

} // namespace zep::percent
