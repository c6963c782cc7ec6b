// The runtime error exit: ends the process on a fault it cannot recover from,
// printing "*** Runtime Error <code>: <message>" and "*** at: <address>h".
#pragma once
#include <cstdint>

namespace zep::runtime {

// The message of a runtime error code ("unknown error code!" for others).
const char* error_message(uint32_t code);

// Prints the report (nothing for code 0), releases the tracked heap and exits
// with the code as status. Never returns.
[[noreturn]] void error_exit(uint32_t code, uintptr_t address);

} // namespace zep::runtime
