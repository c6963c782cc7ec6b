#include "runtime/catch.h"

#include "runtime/error_exit.h"

namespace zep::catch_ {

uint32_t exception_slot = 0;

void unwind() {
    throw Unwind{exception_slot};
}

void throw_code(uint32_t code) {
    exception_slot = code;
    throw Unwind{code};
}

void on_uncaught_throw(uint32_t code) {
    if (code == code_quiet_exit) runtime::error_exit(0, 0);
    runtime::error_exit(95, reinterpret_cast<uintptr_t>(&on_uncaught_throw));
}

void on_foreign_exception(bool out_of_memory) {
    runtime::error_exit(out_of_memory ? 94 : 99,
                        reinterpret_cast<uintptr_t>(&on_foreign_exception));
}

} // namespace zep::catch_
