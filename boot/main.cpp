// Entry point of the zep executable. The process starts the platform layer,
// then runs the interpreter on a thread with a large stack under the
// outermost catch record; the main thread only waits for it.
#include "boot/startup.h"
#include "runtime/catch.h"
#include "runtime/heap.h"
#include "runtime/platform.h"

namespace {

int run_interpreter(void*) {
    zep::catch_::run_outermost([] { zep::boot::init_interpreter(); });
    zep::runtime::release_heap();
    return 0;
}

} // namespace

int main(int argc, char** argv) {
    zep::platform::init(argc, argv);
    return zep::platform::run_on_large_stack(run_interpreter, nullptr);
}
