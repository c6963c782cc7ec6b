#include "evaluator/call_integer_test.h"

#include "evaluator/call.h"
#include "evaluator/call_internal.h"
#include "evaluator/interp_plain.h"
#include "evaluator/stack.h"
#include "runtime/value_make.h"

namespace zep::interp::detail {

namespace {

bool integer_test(const Cell* function, int32_t n) {
    int32_t index = static_cast<int32_t>(function->data1);
    if (cell_type(function) == type_id::action)
        return index == action_slot::is_even ? (n & 1) == 0 : (n & 1) != 0;
    switch (index) {
    case natives::index::is_zero:
        return n == 0;
    case natives::index::is_positive:
        return n > 0;
    default: // negative?
        return n < 0;
    }
}

} // namespace

int32_t eval_integer_test(const Cell* function, const CodeCells& cells, int32_t position,
                          int32_t limit, Cell* out) {
    const Cell* cached = call_spec_cache_cell(function);
    if (cell_type(cached) != type_id::block || cached->data3 != (call_shape::plain | 1u)) return -1;
    // An assignment is never tried as plain: the general call would make
    // it again.
    if (position >= limit || cell_type(cells.cells + position) == type_id::set_word) return -1;
    PlainOutcome argument;
    int32_t next = eval_plain(cells.cells, limit, position, &argument);
    if (next < 0 || cell_type(&argument.value) != type_id::integer ||
        !accepts(node_cells(value::series_node(cached)), type_id::integer))
        return -1;
    // Room for what the general call pushes and marks, where it would
    // overflow.
    if (stack::frames.top >= stack::frames.end ||
        stack::arguments.top + 3 + stack::overflow_slack >= stack::arguments.end)
        return -1;
    value::set_logic(out, integer_test(function, value::integer_of(&argument.value)));
    return next;
}

} // namespace zep::interp::detail
