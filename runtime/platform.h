// The platform layer for Linux: process start-up (fault handling, floating
// point, command-line arguments), the large interpreter stack with its depth
// guard, clocks, sleeping, the current directory and the environment.
#pragma once
#include <cstddef>
#include <cstdint>

namespace zep::platform {

// --- Start-up -------------------------------------------------------------

// Start-up, in order: installs the fault handlers (with an alternate signal
// stack), resets the floating-point environment, ignores SIGPIPE (write
// failures are ignored, not fatal) and stores the arguments in the runtime
// record. The calling thread's stack bounds are not recorded here:
// run_on_large_stack records those of the thread that runs the body, and
// code that runs on the main thread itself calls init_stack_bounds (for the
// main thread that reads /proc/self/maps, a sizeable part of start-up).
void init(int argc, char** argv);

// Input/output start-up: chooses the console output path once.
void init_io();

// Maps SIGSEGV, SIGBUS, SIGFPE and SIGILL onto runtime errors and SIGINT onto
// the quiet exit; installs an alternate signal stack on the calling thread.
void install_fault_handlers();

// Gives the calling thread an alternate signal stack (each thread needs its
// own, so that a stack overflow can still be reported). Idempotent.
void install_signal_stack();

// SSE2 round to nearest, every floating-point exception masked, no
// flush-to-zero.
void reset_floating_point();

// Stores the arguments (copies in tracked-heap blocks, a null entry last),
// their count and the rebuilt command line in the runtime record.
void get_args(int argc, const char* const* argv);

// The arguments joined by single spaces; an argument that contains a blank
// (space or tab) or is empty is put in double quotes. A tracked-heap block.
char* build_command_line(int argc, const char* const* argv);

// --- The interpreter's stack ------------------------------------------------

constexpr size_t large_stack_size = size_t{512} << 20;

// Runs body(context) on a new thread whose stack has `stack_size` bytes (with
// a guard region below it, its own signal stack and the floating-point
// environment reset), waits for it and answers the body's result. When the
// thread cannot be made, the body runs on the calling thread, whose stack
// bounds are recorded first.
int run_on_large_stack(int (*body)(void*), void* context, size_t stack_size = large_stack_size);

template <class F> int run_on_large_stack(F& body, size_t stack_size = large_stack_size) {
    return run_on_large_stack([](void* f) { return (*static_cast<F*>(f))(); }, &body, stack_size);
}

// Records the calling thread's stack bounds: the depth guard's limit and the
// region in which a fault counts as a stack overflow.
void init_stack_bounds();

namespace detail {
extern thread_local constinit uintptr_t stack_limit;
}

// True when the native stack has come within the safety margin of its end;
// deep recursions test it and raise internal stack-overflow instead of
// running into the guard region. Always false on a thread whose bounds were
// not recorded.
inline bool stack_guard_exceeded() {
    return reinterpret_cast<uintptr_t>(__builtin_frame_address(0)) < detail::stack_limit;
}

// --- Clocks -----------------------------------------------------------------

// Seconds of the current UTC day; with `precise` the fraction of the current
// second is added (nanosecond resolution).
double now_utc(bool precise);

// Today's date packed as year << 17 | month << 12 | day << 7 | zone; the zone
// (7 bits) is 0 for UTC, else the local offset: whole hours in bits 2-6 (a
// negative offset as its magnitude in bits 2-5 with bit 6 set) and the
// remaining minutes / 15 in bits 0-1.
uint32_t local_time(bool utc);

uint32_t pack_date(int year, int month, int day, uint32_t zone);
uint32_t pack_zone(long offset_seconds);

// Sleeps for the given seconds, at least 1 ms (also for negative or NaN).
void sleep(double seconds);

// --- Files and environment --------------------------------------------------

// The current directory as a NUL-terminated UTF-8 tracked-heap block and its
// length without the terminator; null when it cannot be read.
char* get_current_dir(size_t* length);
bool set_current_dir(const char* path);

// A tracked-heap copy of the variable's value, or null when it is not set.
char* get_env(const char* name);
// Sets the variable; a null value removes it. False when refused.
bool set_env(const char* name, const char* value);

// --- Raw output ---------------------------------------------------------------

// Writes all bytes to the descriptor, retrying after interruptions and
// partial writes; other failures are ignored. Async-signal-safe.
void write_all(int fd, const void* data, size_t length);

} // namespace zep::platform
