// The catalogue errors that the number-like types (float!, percent!, pair!,
// tuple!) raise, with their arguments built from plain values. None returns.
#pragma once
#include <cstdint>

#include "runtime/cell.h"

namespace zep::float_errors {

// script invalid-type naming the datatype.
[[noreturn]] void invalid_type(uint8_t type);
// script bad-to-arg: the target datatype and the spec.
[[noreturn]] void bad_to_arg(uint8_t type, const Cell* spec);
// script not-related: the operation's word (or the caller when null) and
// the datatype.
[[noreturn]] void not_related(const Cell* operation, uint8_t type);
// script cannot-use: the calling function and the datatype.
[[noreturn]] void cannot_use(uint8_t type);
// script invalid-path: the path and the selector.
[[noreturn]] void invalid_path(const Cell* path, const Cell* selector);
// script invalid-arg: the value.
[[noreturn]] void invalid_arg(const Cell* value);
// script type-limit naming the datatype.
[[noreturn]] void type_limit(uint8_t type);
// math overflow and math zero-divide.
[[noreturn]] void overflow();
[[noreturn]] void zero_divide();

} // namespace zep::float_errors
