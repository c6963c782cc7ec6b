#include "runtime/unicode/units.h"

#include "runtime/error_exit.h"

namespace zep::unicode {

void unit_fault() {
    runtime::error_exit(101, reinterpret_cast<uintptr_t>(__builtin_return_address(0)));
}

} // namespace zep::unicode
