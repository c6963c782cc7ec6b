// The root block: one block of cells holding what the runtime keeps alive for
// the whole run (the backing blocks of the two stacks, the symbol block, the
// slot registry, start-up's refinement words and collected words). The
// collector marks it first; anything appended here needs no root of its own.
#pragma once
#include <cstdint>

#include "runtime/cell.h"

namespace zep::roots {

// Cells the root block is first made with; it grows as cells are appended.
constexpr uint32_t first_capacity = 64;

// The root block's node; 0 until start-up makes it.
extern Ref block;

// Makes an empty root block (start-up, before anything is appended).
void init();
// Appends a copy of the value as a new tail cell (making the root block
// first when it does not exist yet) and answers that cell. Valid until the
// next allocation.
Cell* append(const Cell* value);
// Appends a block! cell naming the series node, which keeps it alive.
void hold(Ref node);
// Number of cells in the root block.
uint32_t length();
// Forgets the root block (its memory goes with memory::free_all).
void forget();

} // namespace zep::roots
