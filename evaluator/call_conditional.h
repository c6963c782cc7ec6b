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

// What skip_untaken_if answers for an if or unless in its shape whose
// block runs.
constexpr int32_t if_block_runs = -2;

// An if or unless (function, the value of the word before position) met
// in the short way's shape with a plain condition: the position after it
// when its block does not run, having done nothing else (its value is
// none); if_block_runs when it does, the analysis being kept for
// run_kept_if. -1 for any other call. The code reaches up to the cells'
// end.
int32_t skip_untaken_if(const Cell* function, const CodeCells& cells, int32_t position);

// Runs the if or unless skip_untaken_if last found with a block to run,
// named by word in code, as call_conditional would; nothing may have run
// or allocated since the analysis. Answers the position after it.
int32_t run_kept_if(const Cell* function, const Cell* word, const Cell* code, bool push);

} // namespace zep::interp::detail
