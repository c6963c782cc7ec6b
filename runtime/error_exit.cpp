#include "runtime/error_exit.h"

#include <cstdio>
#include <cstdlib>

#include "runtime/heap.h"

namespace zep::runtime {

const char* error_message(uint32_t code) {
    switch (code) {
    case 94: return "out of memory";
    case 95: return "no CATCH for THROW";
    case 98: return "assertion failed";
    case 99: return "unknown error";
    default: return "unknown error code!";
    }
}

void error_exit(uint32_t code, uintptr_t address) {
    if (code != 0) {
        std::printf("\n*** Runtime Error %u: %s\n*** at: %08Xh\n", code, error_message(code),
                    static_cast<unsigned>(address));
        std::fflush(stdout);
    }
    release_heap();
    std::_Exit(static_cast<int>(code));
}

} // namespace zep::runtime
