// The tests of an integer's parity and sign (even?, odd?, zero?, positive?,
// negative?) met in code with a plain integer argument: they can neither
// fail nor run anything else, so the interpreter computes them without a
// call (evaluator/call_integer_test.cpp).
#pragma once
#include <cstdint>

#include "datatypes/registry.h"
#include "evaluator/interp_internal.h"
#include "evaluator/natives.h"
#include "runtime/cell.h"

namespace zep::interp::detail {

// Whether the native or action is one of the integer tests.
inline bool is_integer_test(const Cell* function) {
    int32_t index = static_cast<int32_t>(function->data1);
    if (cell_type(function) == type_id::action)
        return index == action_slot::is_even || index == action_slot::is_odd;
    return cell_type(function) == type_id::native &&
           (index == natives::index::is_zero || index == natives::index::is_positive ||
            index == natives::index::is_negative);
}

// The test (function, whose word stands before position) when its spec is
// the usual one and its argument, from position below limit, is a plain
// expression giving an integer that the spec accepts: *out gets the
// logic! result and the position after the argument is answered. -1 with
// nothing done for anything else, left to the general call (which also
// raises the stack overflow the call would meet).
int32_t eval_integer_test(const Cell* function, const CodeCells& cells, int32_t position,
                          int32_t limit, Cell* out);

} // namespace zep::interp::detail
