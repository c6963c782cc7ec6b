#include "runtime/catch.h"

#include "runtime/error_exit.h"

namespace zep::catch_ {

uint32_t exception_slot = 0;

void unwind() { throw Unwind{exception_slot}; }

void throw_code(uint32_t code) {
    exception_slot = code;
    throw Unwind{code};
}

void on_uncaught_throw(uint32_t code) {
    if (code == code_quiet_exit) runtime::error_exit(0, 0);
    runtime::error_exit(95, reinterpret_cast<uintptr_t>(&on_uncaught_throw));
}

} // namespace zep::catch_
