// What the scalar datatypes (integer!, char!, time!) share: the errors they
// raise with their arguments, and handing an arithmetic operation to the
// worker of another datatype through the action table.
#pragma once
#include <cstdint>

#include "evaluator/runtime_words.h"
#include "runtime/cell.h"

namespace zep::scalar {

[[noreturn]] void raise_overflow();
[[noreturn]] void raise_zero_divide();
// script invalid-type naming the value's datatype.
[[noreturn]] void raise_invalid_type(const Cell* value);
// script not-related: the operation word and a datatype.
[[noreturn]] void raise_not_related(words::global::Id operation, uint8_t type);
// script not-related naming the calling function and money!.
[[noreturn]] void raise_money_scale();
// script bad-to-arg: the target datatype and the value.
[[noreturn]] void raise_bad_to_arg(uint8_t type, const Cell* value);
// script type-limit naming the datatype.
[[noreturn]] void raise_type_limit(uint8_t type);
// script out-of-range with the value.
[[noreturn]] void raise_out_of_range(const Cell* value);
// script expect-arg: the calling function, the value's datatype and the
// argument's word.
[[noreturn]] void raise_expect_arg(const Cell* value, const char* argument);
// script cannot-use naming the calling function and the datatype.
[[noreturn]] void raise_cannot_use(uint8_t type);

// The action slot of a math op code (add 11, subtract 18, ...).
uint32_t slot_of_op(int op);
// Runs the arithmetic action of `type` for the op code on the current
// call's operands; script invalid-type naming the type when it has none.
void run_type_op(uint8_t type, int op);
// Exchanges the current call's two operands.
void exchange_operands();

} // namespace zep::scalar
