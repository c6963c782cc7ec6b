// Details shared by the fault handlers and the stack set-up.
#pragma once
#include <cstdint>

namespace zep::platform {

// Records the low end of the calling thread's stack: a fault just below it
// is reported as a stack overflow.
void set_stack_low(uintptr_t low);

// Removes and frees the calling thread's alternate signal stack.
void release_signal_stack();

// The runtime error code of a fault signal (si_code distinguishes the kinds
// of SIGFPE and SIGILL); `stack_overflow` tells a SIGSEGV on the stack's
// guard region from other access violations.
uint32_t fault_code(int signal, int si_code, bool stack_overflow);

} // namespace zep::platform
