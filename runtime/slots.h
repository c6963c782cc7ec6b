// The value-slot registry: a block of cells kept alive as a collector root,
// whose unused cells are integer! cells chained free (each holds the 1-based
// index of the next free cell; -1 ends the chain).
#pragma once
#include <cstdint>

#include "runtime/cell.h"

namespace zep::slots {

constexpr uint32_t first_capacity = 100;

// The registry block's node; start-up keeps it in the root block.
extern Ref registry;
// 1-based index of the first free cell, or -1.
extern int32_t free_head;

// Makes the registry block with 100 cells, all chained free.
void init();

} // namespace zep::slots
