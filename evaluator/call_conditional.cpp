// if, unless and either called from code in their common shape: a plain
// condition and literal blocks. The arguments are taken without the fetch
// loop and the entry's choice is made here, with the frame, stack layout,
// results and errors of the general call. An if or unless whose block is
// not run marks no frame: nothing in the call could fail or be traced.
#include "datatypes/native.h"
#include "evaluator/call.h"
#include "evaluator/call_internal.h"
#include "evaluator/interp.h"
#include "evaluator/interp_internal.h"
#include "evaluator/interp_plain.h"
#include "evaluator/natives.h"
#include "evaluator/stack.h"

namespace zep::interp::detail {

int32_t call_conditional(const Cell* function, const Cell* word, const Cell* code, int32_t position,
                         int32_t end, bool push) {
    int32_t index = native::index_of(function);
    if (index < natives::index::if_ || index > natives::index::either) return -1;
    // As the general call, which checks the native stack first.
    check_native_depth();
    int32_t blocks = index == natives::index::either ? 2 : 1;
    // The spec must be the one the entry expects: the condition and the
    // blocks as plain evaluated arguments, no refinement.
    const Cell* cached = call_spec_cache_cell(function);
    if (cell_type(cached) != type_id::block ||
        cached->data3 != (call_shape::plain | static_cast<uint32_t>(1 + blocks)))
        return -1;
    CodeCells cells = code_cells(code);
    int32_t limit = end < cells.count ? end : cells.count;
    // An assignment in the condition is left to the general path, which
    // would make it again after a fallback.
    if (position >= limit || cell_type(cells.cells + position) == type_id::set_word) return -1;
    PlainOutcome condition;
    int32_t first = eval_plain(cells.cells, limit, position, &condition);
    if (first < 0) return -1;
    int32_t after = first + blocks;
    if (after > limit) return -1;
    for (int32_t i = first; i < after; ++i)
        if (cell_type(cells.cells + i) != type_id::block) return -1;
    // An operator after the last block would take it as its left operand.
    if (after < limit && cell_type(cells.cells + after) == type_id::word) {
        const Cell* next = bound_value(cells.cells + after);
        if (!next || cell_type(next) == type_id::op) return -1;
    }
    const Cell* specs = node_cells(value::series_node(cached));
    if (!accepts(specs, cell_type(&condition.value)) || !accepts(specs + 1, type_id::block) ||
        (blocks == 2 && !accepts(specs + 2, type_id::block)))
        return -1;
    // Room for what the general call pushes and marks, which would
    // overflow there.
    if (stack::frames.top >= stack::frames.end ||
        stack::arguments.top + 3 + blocks + stack::overflow_slack >= stack::arguments.end)
        return -1;
    // A plain value is never unset!, so every entry's truth is is_true.
    bool truth = is_true(&condition.value);
    int32_t chosen = 0; // the block to run, by its argument index
    if (blocks == 2) {
        chosen = truth ? 1 : 2;
    } else if (truth == (index == natives::index::if_)) {
        chosen = 1;
    } else {
        // No block runs: the result is none, where the call leaves it.
        Cell* result_slot = stack::arguments.top;
        value::set_none(result_slot);
        stack::arguments.top = result_slot + 1;
        if (!push) *stack::base() = *result_slot;
        return after;
    }
    Cell* result_slot = stack::push(word);
    stack::push(function); // just below the frame, where errors look for it
    mark_polling_frame(result_slot, stack::frame_header::interp_native);
    stack::push(&condition.value);
    // Copied before anything allocates.
    for (int32_t i = first; i < after; ++i) stack::push(cells.cells + i);
    eval_block_in_frame(stack::base() + chosen);
    return end_call(code, after, push, result_slot, result_slot);
}

} // namespace zep::interp::detail
