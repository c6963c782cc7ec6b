// What the call modules share: reading call spec cells, naming the function
// and its arguments in errors, and the plain call path.
#pragma once
#include <cstddef>
#include <cstdint>
#include <cstring>

#include "datatypes/function.h"
#include "evaluator/actions.h"
#include "evaluator/call.h"
#include "evaluator/interp_internal.h"
#include "evaluator/interp_plain.h"
#include "evaluator/native_specs.h"
#include "evaluator/natives.h"
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

// script no-arg: the call's name and the missing argument's word.
[[noreturn]] void fire_no_arg_of(const Cell* function, int32_t ordinal);
// internal not-done: a native or action without an entry.
[[noreturn]] void fire_no_entry();
// Refinement positions of a native called with every refinement off
// (call_shape::max_refinements of them).
const int32_t* all_off();
// The call event of a native called from code, named by the top frame.
void trace_native_call(const Cell* code, int32_t position, const Cell* function);

// The type test of a call spec typeset (bytes in data1..data3, low byte
// first; bit 0x80 >> (type % 8) of byte type / 8, which is bit
// (type % 32) ^ 7 of the word type / 32).
inline bool accepts(const Cell* types, uint8_t type) {
    if (type >= 96) return false;
    uint32_t word;
    std::memcpy(&word,
                reinterpret_cast<const unsigned char*>(types) + offsetof(Cell, data1) +
                    sizeof word * (type >> 5),
                sizeof word);
    return ((word >> ((type & 31) ^ 7)) & 1) != 0;
}

// Runs the entry of the native or action whose arguments fill the top
// frame; the frame stops promising to poll (natives that poll say so again).
inline void run_native_entry(const Cell* function, const int32_t* refinements) {
    // The native's own frame is on top.
    stack::frames.top[-1].header &= ~frame_polls_exit;
    if (function->header & native::flag::unlike_entry) check_unlike_entry_call(function);
    int32_t index = static_cast<int32_t>(function->data1);
    natives::Entry entry = cell_type(function) == type_id::action ? actions::entry_at(index)
                                                                  : natives::entry_at(index);
    if (!entry) fire_no_entry();
    entry(false, refinements);
}

// An argument that is a literal or a plain expression, pushed as the
// general evaluation pushes it, answering the position after it; -1 with
// nothing done for any other argument. code holds the code's cells (its
// count bounds the position: code cut while it runs is left to the general
// evaluation).
[[gnu::always_inline]] inline int32_t push_plain_arg(const CodeCells& code, int32_t position,
                                                     int32_t end, bool infix) {
    if (position >= code.count) return -1;
    const Cell* cell = code.cells + position;
    // A literal (a block for a conditional or a loop, a number) with no
    // word after it, which could be an operator, is its own value.
    if (is_self_evaluating(cell_type(cell)) &&
        (infix || position + 1 >= end || position + 1 >= code.count ||
         cell_type(cell + 1) != type_id::word)) {
        stack::push(cell);
        return position + 1;
    }
    PlainOutcome plain;
    int32_t next =
        eval_plain(code.cells, end < code.count ? end : code.count, position, &plain, infix);
    if (next >= 0) stack::push(&plain.value);
    return next;
}

// One evaluated argument of an ordinary call (position below end); answers
// the new position.
inline int32_t fetch_evaluated_arg(const Cell* code, int32_t position, int32_t end, bool infix) {
    if (!tracing) {
        int32_t next = push_plain_arg(code_cells(code), position, end, infix);
        if (next >= 0) return next;
    }
    return eval_expression(code, position, end, infix, true, false);
}

// An argument taken literally (position below end): a paren is evaluated,
// a get-word or get-path gives its value, anything else is pushed as it
// is; unset when the code, cut while it ran, no longer reaches the
// position. Answers the new position.
int32_t fetch_literal_arg(const Cell* code, int32_t position, int32_t end);

// The loop of fetch_plain_args; with_literals when some of the arguments
// are taken literally (their test stays out of the common loop). The
// arguments before first_arg are already pushed and checked.
template <bool with_literals>
[[gnu::always_inline]] inline int32_t
fetch_plain_args_loop(const Cell* function, bool native, const Cell* code, int32_t position,
                      int32_t end, bool infix, const Cell* specs, uint32_t shape,
                      int32_t first_arg = 0) {
    int32_t count = call_shape::arguments(shape);
    // The spec's cells stay put until a collection moves them.
    uint32_t collections = memory::collections_done;
    int32_t i = first_arg;
    if (infix) {
        // The left operand already sits in the frame's base cell.
        stack::cover_slot();
        if (count > 0) {
            if (!accepts(specs, stack::top_type())) fire_expect_arg(function, 0, stack::top());
            i = 1;
        }
    }
    // Literal and plain arguments change no buffer: the code's cells are
    // found again only after a general evaluation.
    CodeCells cells = code_cells(code);
    for (; i < count; ++i) {
        bool evaluated = false;
        if (with_literals && call_shape::takes_literally(shape, i)) {
            // A paren, get-word or get-path (or code cut while it runs) is
            // left to fetch_literal_arg; anything else is taken as it is.
            uint8_t type = position < cells.count ? cell_type(cells.cells + position)
                                                  : uint8_t{type_id::paren};
            if (position >= end) {
                // Out of code: an argument that accepts unset! gets it.
                if (!accepts(specs + i, type_id::unset)) fire_no_arg_of(function, i);
                value::set_unset(stack::push_slot());
            } else if (type != type_id::paren && type != type_id::get_word &&
                       type != type_id::get_path) {
                stack::push(cells.cells + position);
                ++position;
            } else {
                position = fetch_literal_arg(code, position, end);
                evaluated = true;
            }
        } else {
            if (position >= end) fire_no_arg_of(function, i);
            int32_t next = tracing ? -1 : push_plain_arg(cells, position, end, infix);
            if (next >= 0) {
                position = next;
            } else {
                position = eval_expression(code, position, end, infix, true, false);
                evaluated = true;
            }
        }
        if (evaluated) {
            // Anything may have run: an exit, a collection, a change to the code.
            if (is_exit_pending()) return position;
            if (memory::collections_done != collections) {
                specs = node_cells(call_spec_of(function));
                collections = memory::collections_done;
            }
            cells = code_cells(code);
        }
        // The argument was just pushed: the top is above the stack's first cell.
        const Cell* argument = stack::arguments.top - 1;
        if (!accepts(specs + i, cell_type(argument))) fire_expect_arg(function, i, argument);
    }
    if (!native) {
        if (int32_t locals = call_shape::locals(shape)) function::init_locals(locals);
        return position;
    }
    if (traces(trace_bit::call)) trace_native_call(code, position, function);
    run_native_entry(function, (shape & call_shape::refinements) ? all_off() : nullptr);
    return position;
}

// fetch_plain_args_loop<true>, out of line (call_fetch.cpp).
int32_t fetch_plain_args_with_literals(const Cell* function, bool native, const Cell* code,
                                       int32_t position, int32_t end, bool infix, const Cell* specs,
                                       uint32_t shape);

// fetch_code_args for a function-like value whose call spec is plain (its
// cells and shape given; native: a native! or action!): the arguments are
// fetched and checked in order, then a function's /local slots are pushed
// or a native's entry runs. Inlined into each caller: the call sequence is
// hot enough that a call and its register saves show.
[[gnu::always_inline]] inline int32_t fetch_plain_args(const Cell* function, bool native,
                                                       const Cell* code, int32_t position,
                                                       int32_t end, bool infix, const Cell* specs,
                                                       uint32_t shape) {
    if (shape & call_shape::literal_bits)
        return fetch_plain_args_with_literals(function, native, code, position, end, infix, specs,
                                              shape);
    return fetch_plain_args_loop<false>(function, native, code, position, end, infix, specs, shape);
}

} // namespace zep::interp::detail
