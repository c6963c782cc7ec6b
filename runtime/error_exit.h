// The runtime error exit: ends the process on a fault it cannot recover from,
// printing "*** Runtime Error <code>: <message>" and "*** at: <address>h".
#pragma once
#include <cstdint>

namespace zep::runtime {

// The message of a runtime error code ("unknown error code!" for others).
const char* error_message(uint32_t code);

// Prints the report through the typed printer (nothing for code 0), releases
// the tracked heap and exits with the code as status. Never returns.
[[noreturn]] void error_exit(uint32_t code, uintptr_t address);

// The same report written straight to standard output with async-signal-safe
// calls only (no allocation, no locks); for the fault handlers. The tracked
// heap is left to the process exit.
[[noreturn]] void error_exit_from_signal(uint32_t code, uintptr_t address);

} // namespace zep::runtime
