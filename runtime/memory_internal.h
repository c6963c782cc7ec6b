// Shared between the memory manager's own modules; not for other callers.
#pragma once
#include <cstdint>

#include "runtime/memory.h"

namespace zep::memory::detail {

// Makes (or empties) the node release queue on the tracked heap.
void init_release_queue();
// Raises no-memory; never returns.
[[noreturn]] void no_memory();
// Data size of count units rounded up to 16, checked against max_size_for.
uint32_t data_size(uint32_t count, uint32_t unit);
// Unit sizes are 1, 2, 4, 8 or 16 bytes; any other ends the process with
// runtime error 101 (a dispatch on unit size met a value it does not handle).
void check_unit(uint32_t unit);
// Starts a collection when the collector is enabled.
void collect_if_enabled();
// Links a static block in front of the static list; frees them all.
void free_static_blocks();

} // namespace zep::memory::detail
