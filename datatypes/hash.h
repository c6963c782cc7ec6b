// hash!: a block whose items are also entered in a kind-0 hash table (the
// cell's extra word), so that find and select on it are hashed. The series
// actions it inherits from block! keep the table in step with every edit;
// the actions here make, copy, mold, sort and trim it.
#pragma once
#include <cstdint>

#include "runtime/cell.h"

namespace zep::hash {

// Turns a block cell (a stack slot or native local) into a hash! indexing
// every item of its buffer. Answers the cell.
Cell* make_in_place(Cell* block);

// Datatype.
void init();
Cell* make(Cell* result, const Cell* spec, uint8_t type);
Cell* to(Cell* result, const Cell* spec, uint8_t type);
int32_t mold(const Cell* value, Cell* out_string, bool only, bool all, bool flat,
             int32_t part_limit, int32_t indent);
Cell* copy(Cell* series, Cell* destination, const Cell* part, bool deep, const Cell* types);
Cell* sort(Cell* series, bool case_, const Cell* skip, const Cell* compare, const Cell* part,
           bool all, bool reverse, bool stable);
Cell* trim(Cell* series, bool head, bool tail, bool auto_, bool lines, bool all, const Cell* with);

} // namespace zep::hash
