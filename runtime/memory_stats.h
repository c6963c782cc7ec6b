// The memory figures behind the `stats` native.
#pragma once
#include <cstdint>

#include "runtime/cell.h"

namespace zep::stats {

// Mode 1 answers the memory in use: 4 bytes per used node, the used part of
// every series frame and the size of every big series. Mode 2 or more
// appends to the block (a node) a block of node-frame triples
// [free used capacity], a block of series-frame triples [free used total],
// a block of big-series sizes, then the grand total of memory held and the
// tracked heap's part of it; it answers that grand total. Other modes
// answer 0. The collector is held off meanwhile.
double memory_stats(Ref block, uint32_t mode);

// Appends value to the block as an integer!, or as a float! when it does
// not fit a 32-bit integer.
void append_number(Ref block, double value);

} // namespace zep::stats
