#include "runtime/gc_state.h"

namespace zep::gc {

bool running = false;
bool compaction_held = false;

} // namespace zep::gc
