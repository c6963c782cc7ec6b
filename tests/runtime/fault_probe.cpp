// Runs one failing case under the same start-up as the executable, so that a
// check can compare the report and the exit status:
//   fault_probe null|divide|throw|quiet|interrupt|deep|overflow|no-memory|unknown-code
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <unistd.h>

#include "runtime/catch.h"
#include "runtime/error_exit.h"
#include "runtime/heap.h"
#include "runtime/output_hooks.h"
#include "runtime/platform.h"
#include "runtime/raise.h"

using namespace zep;

namespace {

const char* mode = "";

// Recursion with 1 KiB frames; the volatile bound keeps the compiler from
// seeing an endless recursion.
volatile int depth_bound = 1 << 30;
int deepest = 0;

__attribute__((noinline)) int descend(int depth, bool guarded) {
    volatile char frame[1024];
    frame[depth % sizeof frame] = 1;
    deepest = depth;
    if (guarded && platform::stack_guard_exceeded())
        error::fire_named(error::Category::internal, "stack-overflow");
    if (depth >= depth_bound) return 0;
    return descend(depth + 1, guarded) + frame[0];
}

// The faults are meant: sanitizer builds must let them reach the processor.
__attribute__((no_sanitize("address", "undefined"), noinline)) void store_through_null() {
    volatile int* volatile pointer = nullptr;
    *pointer = 1;
}

__attribute__((no_sanitize("address", "undefined"), noinline)) void divide_by_zero() {
    volatile int dividend = 1, divisor = 0;
    std::printf("%d\n", dividend / divisor);
}

void run_mode() {
    if (!std::strcmp(mode, "null")) {
        store_through_null();
    } else if (!std::strcmp(mode, "divide")) {
        divide_by_zero();
    } else if (!std::strcmp(mode, "throw")) {
        catch_::throw_code(catch_::code_throw);
    } else if (!std::strcmp(mode, "quiet")) {
        catch_::throw_code(catch_::code_quiet_exit);
    } else if (!std::strcmp(mode, "interrupt")) {
        const char ready[] = "ready\n";
        platform::write_all(STDOUT_FILENO, ready, sizeof ready - 1);
        for (;;) pause();
    } else if (!std::strcmp(mode, "deep")) {
        // The guard trips well past what a default 8 MiB stack would hold.
        uint32_t code = catch_::receive(catch_::threshold_call, [] { descend(0, true); });
        bool named = code == catch_::code_error && error::last_raised.id &&
                     !std::strcmp(error::last_raised.id, "stack-overflow");
        std::printf("%s\n", named && deepest > 32 * 1024 ? "stack overflow caught" : "wrong");
    } else if (!std::strcmp(mode, "overflow")) {
        descend(0, false);
    } else if (!std::strcmp(mode, "no-memory")) {
        heap::alloc(SIZE_MAX - 8);
    } else if (!std::strcmp(mode, "unknown-code")) {
        runtime::error_exit(42, 0x1234ABCD);
    }
}

} // namespace

int main(int argc, char** argv) {
    platform::init(argc, argv);
    if (argc > 1) mode = argv[1];
    // "overflow" runs without the guard on a smaller stack to hit its end.
    size_t stack = !std::strcmp(mode, "overflow") ? size_t{16} << 20 : platform::large_stack_size;
    return platform::run_on_large_stack(
        [](void*) {
            catch_::run_outermost([] {
                output::init_hooks();
                platform::init_io();
                run_mode();
            });
            return 0;
        },
        nullptr, stack);
}
