// The runtime record: process-wide state filled at start-up that the rest of
// the runtime reads (command-line arguments, the last fault's registers).
#pragma once
#include <cstdint>

namespace zep::runtime {

// Frame and stack pointer of the code that failed, kept for diagnostics.
struct FaultRecord {
    uintptr_t frame_pointer;
    uintptr_t stack_pointer;
};

struct Record {
    int arg_count;
    // UTF-8 arguments in tracked-heap blocks; a null pointer ends the array.
    char** args;
    // The whole command line rebuilt from the arguments (tracked heap).
    char* command_line;
    FaultRecord fault;
};

extern Record record;

// Stores the caller's frame and stack pointers in the fault record and
// answers the address in the caller that the call returns to (the "at"
// address of a runtime error report).
uintptr_t save_fault_frame();

} // namespace zep::runtime
