// if, unless and either called from code with literal blocks: the short
// way the interpreter takes them (evaluator/call_conditional.cpp).
#pragma once
#include <cstdint>

#include "evaluator/interp_internal.h"
#include "runtime/cell.h"

namespace zep::interp::detail {

// if, unless or either (a native!) called from code with literal blocks,
// made as the general call makes it when nothing traces; -1 with nothing
// done for any other call.
int32_t call_conditional(const Cell* function, const Cell* word, const Cell* code, int32_t position,
                         int32_t end, bool push);

// An if or unless (function, the value of the word before position) met
// in the short way's shape with a plain condition and whose block does not
// run: answers the position after it, having done nothing (its value is
// none); -1 for any other call. The code reaches up to the cells' end.
int32_t skip_untaken_if(const Cell* function, const CodeCells& cells, int32_t position);

} // namespace zep::interp::detail
