// What the call modules share: reading call spec cells and naming the
// function and its arguments in errors.
#pragma once
#include <cstdint>

#include "runtime/cell.h"
#include "runtime/memory.h"

namespace zep::interp::detail {

inline bool is_native_like(uint8_t type) {
    return type == type_id::native || type == type_id::action;
}
// The call spec's cell at index (valid until the next allocation).
inline Cell* spec_cell(Ref call_spec, int32_t index) {
    return node_cells(call_spec) + index;
}
// The word naming the current call: the top frame's name.
void frame_name(Cell* out);
// The word of the function's argument with the 0-based ordinal among its
// argument words (word!, get-word!, lit-word! before /local).
void argument_word(const Cell* function, int32_t ordinal, Cell* out);
// script expect-arg: the call's name, the value's datatype, the argument.
[[noreturn]] void fire_expect_arg(const Cell* function, int32_t ordinal, const Cell* value);
// True for every value but none! and the logic! false.
inline bool is_true(const Cell* value) {
    uint8_t type = cell_type(value);
    return !(type == type_id::none || (type == type_id::logic && value->data1 == 0));
}

} // namespace zep::interp::detail
