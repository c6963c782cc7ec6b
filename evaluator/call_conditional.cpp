// if, unless and either called from code in their common shape: literal
// blocks after the condition. The arguments are taken without the fetch
// loop and the entry's choice is made here, with the frame, stack layout,
// results and errors of the general call. A plain condition is evaluated
// before anything is marked, and an if or unless whose block is not run
// then marks no frame: nothing in the call could fail or be traced. Any
// other condition is evaluated in the call's frame, as the fetch loop
// evaluates it.
#include "evaluator/call_conditional.h"
#include "datatypes/native.h"
#include "evaluator/call.h"
#include "evaluator/call_integer_test.h"
#include "evaluator/call_internal.h"
#include "evaluator/interp.h"
#include "evaluator/interp_internal.h"
#include "evaluator/interp_plain.h"
#include "evaluator/natives.h"
#include "evaluator/stack.h"

namespace zep::interp::detail {

namespace {

// The number of blocks if, unless (1) or either (2) takes.
inline int32_t blocks_of(int32_t index) {
    return index == natives::index::either ? 2 : 1;
}

inline bool blocks_accepted(const Cell* specs, int32_t blocks) {
    return accepts(specs + 1, type_id::block) &&
           (blocks == 1 || accepts(specs + 2, type_id::block));
}

// The last spec of if, unless and either (by native index) found to be the
// common one, and where its cells were while no buffer moved: a native's
// call spec never changes once built, so the walk to it and the tests need
// not be made again.
struct KnownSpec {
    uint32_t data2 = 0;
    uint32_t data3 = 0; // 0: none
    uint32_t moves = 0;
    const Cell* specs = nullptr;
};
KnownSpec known_specs[natives::index::either + 1];

// The call spec's cells when it is the one the entry expects (the
// condition and the blocks as plain evaluated arguments, no refinement,
// the blocks accepted as such); null otherwise.
inline const Cell* common_spec(const Cell* function, int32_t blocks, uint32_t* shape) {
    *shape = call_shape::plain | static_cast<uint32_t>(1 + blocks);
    KnownSpec& known = known_specs[native::index_of(function)];
    if (known.data3 == function->data3 && known.data2 == function->data2 &&
        known.moves == memory::buffer_moves)
        return known.specs;
    const Cell* cached = call_spec_cache_cell(function);
    if (cell_type(cached) != type_id::block || cached->data3 != *shape) return nullptr;
    const Cell* specs = node_cells(value::series_node(cached));
    if (!blocks_accepted(specs, blocks)) return nullptr;
    known = {function->data2, function->data3, memory::buffer_moves, specs};
    return specs;
}

// Whether the code holds the blocks as literals from first, below limit,
// and no operator follows the last (it would take the block as its left
// operand).
inline bool literal_blocks(const CodeCells& cells, int32_t first, int32_t blocks, int32_t limit) {
    int32_t after = first + blocks;
    if (after > limit) return false;
    for (int32_t i = first; i < after; ++i)
        if (cell_type(cells.cells + i) != type_id::block) return false;
    if (after < limit && cell_type(cells.cells + after) == type_id::word) {
        const Cell* next = bound_value(cells.cells + after);
        if (!next || cell_type(next) == type_id::op) return false;
    }
    return true;
}

// The block to run by its argument index (1 or 2), or 0 for none, for a
// condition that is not unset!.
inline int32_t chosen_block(int32_t index, const Cell* condition) {
    bool truth = is_true(condition);
    if (index == natives::index::either) return truth ? 1 : 2;
    return truth == (index == natives::index::if_) ? 1 : 0;
}

// With the frame marked and the condition pushed: pushes the blocks (from
// first in the code's cells) and runs the chosen one in the frame, or
// leaves none as the entry does. Answers the position after the blocks.
inline int32_t run_chosen(const Cell* code, const CodeCells& cells, int32_t first, int32_t blocks,
                          int32_t chosen, bool push, Cell* result_slot) {
    // Copied before anything allocates.
    for (int32_t i = first; i < first + blocks; ++i) stack::push(cells.cells + i);
    if (chosen == 0) {
        Cell none;
        value::set_none(&none);
        stack::set_result_only(&none);
    } else {
        eval_block_in_frame(stack::base() + chosen);
    }
    return end_call(code, first + blocks, push, result_slot, result_slot);
}

// The condition is no plain expression: the frame is marked and the
// condition evaluated in it, as the fetch loop would. Literal blocks then
// take the short way; anything else goes on with the fetch loop from the
// first block, which runs the entry.
[[gnu::noinline]] int32_t call_with_evaluated_condition(const Cell* function, const Cell* word,
                                                        const Cell* code, int32_t position,
                                                        int32_t end, bool push, int32_t index,
                                                        uint32_t shape) {
    int32_t blocks = blocks_of(index);
    Cell* result_slot = stack::push(word);
    const Cell* fn = stack::push(function); // just below the frame, where errors look for it
    mark_polling_frame(result_slot, stack::frame_header::interp_native);
    position = eval_expression(code, position, end, false, true, false);
    if (is_exit_pending()) return end_call(code, position, push, result_slot, result_slot);
    // Anything may have run: the spec's and the code's cells are found again.
    const Cell* specs = node_cells(call_spec_of(fn));
    const Cell* condition = stack::arguments.top - 1;
    if (!accepts(specs, cell_type(condition))) fire_expect_arg(fn, 0, condition);
    CodeCells cells = code_cells(code);
    int32_t limit = end < cells.count ? end : cells.count;
    // An unset! condition is left to the entry, which decides what it means.
    if (tracing || cell_type(condition) == type_id::unset ||
        !literal_blocks(cells, position, blocks, limit) || !blocks_accepted(specs, blocks)) {
        position =
            fetch_plain_args_loop<false>(fn, true, code, position, end, false, specs, shape, 1);
        return end_call(code, position, push, result_slot, result_slot);
    }
    return run_chosen(code, cells, position, blocks, chosen_block(index, condition), push,
                      result_slot);
}

// A conditional whose condition is plain, analysed before anything runs.
struct PlainConditional {
    PlainOutcome condition;
    int32_t first;  // the first block's position
    int32_t after;  // the position after the blocks
    int32_t chosen; // the block run, by its argument index; 0 for none
};

// A condition that is an integer test of a plain integer (a word at
// position) is as plain: its value goes into *out and the position after
// it is answered; -1 otherwise.
[[gnu::noinline]] int32_t integer_test_condition(const CodeCells& cells, int32_t position,
                                                 int32_t limit, Cell* out) {
    const Cell* found = bound_value(cells.cells + position);
    if (!found || !is_integer_test(found)) return -1;
    return eval_integer_test(found, cells, position + 1, limit, out);
}

// What analyse_plain found.
enum class Analysis { plain, evaluated, other };

// The conditional's arguments at position when the condition is plain
// (computed into out, nothing else done) and literal blocks follow, with
// the checks the general call would make first: Analysis::plain. A
// condition that is not plain: Analysis::evaluated. Any other shape:
// Analysis::other.
template <int32_t blocks>
[[gnu::always_inline]] inline Analysis analyse_plain(int32_t index, const Cell* specs,
                                                     const CodeCells& cells, int32_t position,
                                                     int32_t limit, PlainConditional* out) {
    if (position >= limit) return Analysis::other;
    // An assignment is never tried as plain: it would be made again by the
    // evaluation that follows a failed attempt.
    const Cell* cell = cells.cells + position;
    int32_t first = cell_type(cell) == type_id::set_word
                        ? -1
                        : eval_plain(cells.cells, limit, position, &out->condition);
    if (first < 0 && cell_type(cell) == type_id::word)
        first = integer_test_condition(cells, position, limit, &out->condition.value);
    if (first < 0) return Analysis::evaluated;
    // common_spec found the blocks accepted.
    if (!literal_blocks(cells, first, blocks, limit) ||
        !accepts(specs, cell_type(&out->condition.value)))
        return Analysis::other;
    // Room for what the general call pushes and marks, which would
    // overflow there.
    if (stack::frames.top >= stack::frames.end ||
        stack::arguments.top + 3 + blocks + stack::overflow_slack >= stack::arguments.end)
        return Analysis::other;
    out->first = first;
    out->after = first + blocks;
    // A plain value is never unset!.
    out->chosen = chosen_block(index, &out->condition.value);
    return Analysis::plain;
}

// Leaves none where the call leaves its result: no block runs.
inline int32_t give_none(int32_t after, bool push) {
    Cell* result_slot = stack::arguments.top;
    value::set_none(result_slot);
    stack::arguments.top = result_slot + 1;
    if (!push) *stack::base() = *result_slot;
    return after;
}

// Whether the block starts with return, exit, break or continue that can
// be made pending at once (which take_exit_of then did): the block needs
// no frame, as nothing in it runs.
inline bool takes_leading_exit(const Cell* block) {
    CodeCells cells = code_cells(block);
    int32_t head = value::series_head(block);
    if (head < 0 || head >= cells.count || cell_type(cells.cells + head) != type_id::word)
        return false;
    const Cell* found = bound_value(cells.cells + head);
    return found && is_exit_native(found) && take_exit_of(found, cells, head);
}

// Runs an analysed conditional whose block runs, with the frame and stack
// layout of the general call. For if and unless (blocks 1), whose block is
// often a bare exit in a loop, a block that starts with an exit taken at
// once needs neither; either skips the test, which costs its common shapes
// more than it saves.
template <int32_t blocks>
[[gnu::always_inline]] inline int32_t run_known(const PlainConditional& known, const Cell* function,
                                                const Cell* word, const Cell* code,
                                                const CodeCells& cells, bool push) {
    if (blocks == 1 && takes_leading_exit(cells.cells + known.first + known.chosen - 1))
        return known.after;
    Cell* result_slot = stack::push(word);
    stack::push(function); // just below the frame, where errors look for it
    mark_polling_frame(result_slot, stack::frame_header::interp_native);
    stack::push(&known.condition.value);
    return run_chosen(code, cells, known.first, known.after - known.first, known.chosen, push,
                      result_slot);
}

// The if or unless skip_untaken_if analysed last, whose block runs.
PlainConditional kept_if;

// call_conditional for the entries taking the given number of blocks.
template <int32_t blocks>
[[gnu::always_inline]] inline int32_t
call_conditional_of(int32_t index, const Cell* function, const Cell* word, const Cell* code,
                    int32_t position, int32_t end, bool push) {
    // As the general call, which checks the native stack first.
    check_native_depth();
    uint32_t shape;
    const Cell* specs = common_spec(function, blocks, &shape);
    if (!specs) return -1;
    CodeCells cells = code_cells(code);
    int32_t limit = end < cells.count ? end : cells.count;
    PlainConditional known;
    switch (analyse_plain<blocks>(index, specs, cells, position, limit, &known)) {
    case Analysis::evaluated:
        return call_with_evaluated_condition(function, word, code, position, end, push, index,
                                             shape);
    case Analysis::other:
        return -1;
    case Analysis::plain:
        break;
    }
    if (known.chosen == 0) return give_none(known.after, push);
    return run_known<blocks>(known, function, word, code, cells, push);
}

} // namespace

int32_t call_conditional(const Cell* function, const Cell* word, const Cell* code, int32_t position,
                         int32_t end, bool push) {
    int32_t index = native::index_of(function);
    if (index == natives::index::either)
        return call_conditional_of<2>(index, function, word, code, position, end, push);
    if (index == natives::index::if_ || index == natives::index::unless)
        return call_conditional_of<1>(index, function, word, code, position, end, push);
    return -1;
}

int32_t skip_untaken_if(const Cell* function, const CodeCells& cells, int32_t position) {
    int32_t index = native::index_of(function);
    if (index != natives::index::if_ && index != natives::index::unless) return -1;
    uint32_t shape;
    const Cell* specs = common_spec(function, 1, &shape);
    // Analysed into a local (kept in registers), kept only when it runs.
    PlainConditional known;
    if (!specs ||
        analyse_plain<1>(index, specs, cells, position, cells.count, &known) != Analysis::plain)
        return -1;
    if (known.chosen == 0) return known.after;
    kept_if = known;
    return if_block_runs;
}

int32_t run_kept_if(const Cell* function, const Cell* word, const Cell* code, bool push) {
    return run_known<1>(kept_if, function, word, code, code_cells(code), push);
}

} // namespace zep::interp::detail
