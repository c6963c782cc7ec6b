// none!: the value of absence (no payload). Series actions on none answer
// none, so that code can chain searches without testing every step.
#pragma once
#include <cstdint>

#include "runtime/cell.h"

namespace zep::none {

// Registers none!.
void init();

// Overwrites the current call's result cell with none! and answers it.
Cell* box();
// A fresh none! cell pushed on the argument stack.
Cell* push();
// A fresh none! cell appended at the block's tail.
Cell* make_in(Cell* block);

// Action slots.
Cell* make(Cell* result, const Cell* spec, uint8_t type);
Cell* to(Cell* result, const Cell* spec, uint8_t type);
int32_t form(const Cell* value, Cell* out_string, int32_t part_limit);
int32_t mold(const Cell* value, Cell* out_string, bool only, bool all, bool flat,
             int32_t part_limit, int32_t indent);
int compare(const Cell* value, const Cell* other, int code);
Cell* clear(Cell* series);
Cell* find(Cell* series, Cell* value, Cell* part, bool only, bool case_, bool same, bool any,
           Cell* with, Cell* skip, bool last, bool reverse, bool tail, bool match);
Cell* remove(Cell* series, Cell* part, Cell* key);
Cell* select(Cell* series, Cell* value, Cell* part, bool only, bool case_, bool same, bool any,
             Cell* with, Cell* skip, bool last, bool reverse);
Cell* take(Cell* series, Cell* part, bool deep, bool last);
// "No length": the length? action turns -1 into none.
int32_t length(Cell* series);

} // namespace zep::none
