// Collector state that other modules read: the collection cycle counter and
// whether a collection is running or node compaction is held off. The
// collector bumps and sets these.
#pragma once
#include <cstdint>

#include "runtime/memory.h"

namespace zep::gc {

// Collections completed so far (the memory manager's counter).
inline uint32_t cycle() {
    return memory::collections_done;
}
// True while a collection runs.
extern bool running;
// True while node compaction is held off (a table rehash in progress).
extern bool compaction_held;

} // namespace zep::gc
