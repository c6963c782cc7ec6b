// Block and expression evaluation, the infix look-ahead and calls of
// function values met in code.
#include "evaluator/interp.h"

#include <pthread.h>

#include "datatypes/context.h"
#include "datatypes/function.h"
#include "datatypes/native.h"
#include "datatypes/op.h"
#include "datatypes/registry.h"
#include "datatypes/series.h"
#include "datatypes/symbol.h"
#include "datatypes/word.h"
#include "evaluator/call.h"
#include "evaluator/call_conditional.h"
#include "evaluator/compiled_support.h"
#include "evaluator/fast_paths.h"
#include "evaluator/interp_internal.h"
#include "evaluator/interp_plain.h"
#include "evaluator/natives.h"
#include "evaluator/runtime_words.h"
#include "evaluator/stack.h"
#include "runtime/collector.h"
#include "runtime/error_exit.h"
#include "runtime/gc_roots.h"
#include "runtime/root_block.h"

namespace zep::interp {

namespace detail {

Cell* state_cells = nullptr;
GlobalValues global_values;
LastContext last_context;

Cell* refresh_global_values() {
    global_values.moves = memory::buffer_moves;
    global_values.cells = node_cells(context::header(context::global)->data2);
    return global_values.cells;
}
const Cell* refresh_context_header(Ref ctx) {
    last_context = {ctx, memory::buffer_moves, node_cells(ctx)};
    return last_context.header;
}

const char* native_stack_limit = nullptr;
HeldStack held_stack;
CurrentExpression current_expression;

// The held stack follows the state cells in their block; the block's tail
// ends at the state cells.
void init_held_stack(Ref node) {
    held_stack.begin = held_stack.top = node_cells(node) + state::count;
    held_stack.end = held_stack.begin + held_capacity;
}

void held_overflow() {
    error::fire(error::Category::internal, "stack-overflow");
}

void native_depth_exceeded() {
    error::fire(error::Category::internal, "stack-overflow");
}

void set_native_stack_limit() {
    // Stop well before the thread's stack ends: raising the error, the
    // handlers and the collector need room of their own.
    constexpr size_t reserve = size_t{1} << 20;
    pthread_attr_t attr;
    if (pthread_getattr_np(pthread_self(), &attr) != 0) return;
    void* low = nullptr;
    size_t size = 0;
    if (pthread_attr_getstack(&attr, &low, &size) == 0 && size > 2 * reserve)
        native_stack_limit = static_cast<const char*>(low) + reserve;
    pthread_attr_destroy(&attr);
}

int32_t clamped_index(const Cell* series) {
    int32_t index = value::series_head(series);
    int32_t count = cell_count(series);
    if (index < 0) return 0;
    return index > count ? count : index;
}

} // namespace detail

using namespace detail;

namespace {

const Cell* body_word() {
    return words::global_word(words::global::body);
}

[[noreturn]] void fire_with(error::Category category, const char* id, const Cell* arg1,
                            const Cell* arg2 = nullptr) {
    Cell first = *arg1;
    Cell second = arg2 ? *arg2 : Cell{};
    error::fire(category, id, &first, arg2 ? &second : nullptr);
}

// Marks a frame that keeps the pending-exit promise (see evaluator/call.h).
inline void mark_polling_native(const Cell* word) {
    stack::mark_interp_native(word);
    set_polls_exit();
}

// Stores a value as the expression's result.
inline void take_result(const Cell* value, bool push) {
    if (push)
        stack::push(value);
    else
        stack::set_result_only(value);
}

// The value of a word (a word's value is stored with set_last in result
// mode: the top stays where it is).
inline void take_word_value(const Cell* value, bool push) {
    if (push)
        stack::push(value);
    else
        stack::set_last(value);
}

inline const Cell* result_cell(bool push) {
    return push ? stack::top() : stack::base();
}

// The naming word of a call: the path element or the cell before the
// position when it is a word!, else <anon>.
Cell name_of_call(const Cell* code, int32_t position, const Cell* path, int32_t path_element) {
    const Cell* candidate = nullptr;
    if (path)
        candidate = cell_at(path, path_element);
    else if (code && position >= 1 && position - 1 < cell_count(code))
        candidate = cell_at(code, position - 1);
    if (candidate && cell_type(candidate) == type_id::word) return *candidate;
    return *words::global_word(words::global::anon);
}

// The object context a function! call uses: the object through which a
// path reached it, else the integer in its more block's fifth cell, else the
// naming word's context. The global context is given as 0.
Ref object_context_for(const Cell* function, const Cell* parent, const Cell* name) {
    Ref chosen = 0;
    if (parent && cell_type(parent) == type_id::object && parent->data1 != context::global) {
        chosen = parent->data1;
    } else {
        const Cell* second = function::more_cell(function, function::more::second);
        if (cell_type(second) == type_id::integer)
            chosen = static_cast<Ref>(value::integer_of(second));
        else
            chosen = value::word_context(name);
    }
    return chosen == context::global ? 0 : chosen;
}

int32_t eval_set_word(const Cell* code, int32_t position, int32_t end, bool push) {
    Cell word = *cell_at(code, position);
    if (position + 1 >= end) fire_with(error::Category::script, "need-value", &word);
    mark_polling_native(&word);
    Cell* slot = stack::push(&word);
    if (traces(trace_bit::push)) trace_event(trace_bit::push, code, position, nullptr, slot);
    position = eval_expression(code, position + 1, end, false, true, false);
    if (!is_exit_pending()) {
        if (traces(trace_bit::set))
            trace_event(trace_bit::set, code, position, stack::base(), stack::base() + 1);
        Cell* assigned = stack::base() + 1;
        Cell* slot = cell_type(assigned) == type_id::unset ? nullptr : plain_slot(stack::base());
        if (slot) {
            *slot = *assigned;
            *stack::base() = *assigned;
        } else {
            word::set_checked();
        }
    }
    if (push)
        stack::unwind();
    else
        stack::unwind_last();
    return position;
}

// A set-word's expression whose value is not plain, ended as the full
// evaluation ends it.
inline int32_t eval_assignment(const Cell* code, int32_t position, int32_t end, bool no_infix,
                               bool push) {
    Cell* const start_top = stack::arguments.top;
    int32_t next = eval_set_word(code, position, end, push);
    if (!no_infix && !is_exit_pending()) next = eval_infix(code, next, end, push, start_top);
    if (!push && traces(trace_bit::expr) && !is_exit_pending())
        trace_event(trace_bit::expr, code, next, nullptr, stack::base());
    return next;
}

int32_t eval_set_path(const Cell* code, int32_t position, int32_t end, bool push) {
    Cell path = *cell_at(code, position);
    gc::Root root(&path);
    if (position + 1 >= end) fire_with(error::Category::script, "need-value", &path);
    mark_polling_native(words::global_word(words::global::set_path));
    position = eval_expression(code, position + 1, end, false, true, false);
    if (!is_exit_pending()) {
        if (traces(trace_bit::set))
            trace_event(trace_bit::set, code, position, &path, stack::base());
        eval_path(&path, code, position, end, true, false, false, false);
    }
    if (push)
        stack::unwind();
    else
        stack::unwind_last();
    return position;
}

// #system or #system-global before a block marks code that must be compiled.
bool is_system_issue(const Cell* code, int32_t position, int32_t end, const Cell* issue) {
    if (position + 1 >= end || cell_type(cell_at(code, position + 1)) != type_id::block)
        return false;
    uint32_t symbol = symbol::resolve(value::word_symbol(issue));
    return symbol == symbol::resolve(words::symbol_of(words::symbol::system)) ||
           symbol == symbol::resolve(words::symbol_of(words::symbol::system_global));
}

// The seam through which sort and the other series actions call a
// comparison function with two values.
void call_two(const Cell* function, const Cell* first, const Cell* second, Cell* result) {
    Cell* saved_top = stack::arguments.top;
    const Cell* arguments[2] = {first, second};
    call_with(function, arguments, 2, nullptr);
    *result = *stack::top();
    stack::arguments.top = saved_top;
}

bool is_number_type(uint8_t type) {
    return type == type_id::integer || type == type_id::float_;
}

// Leaves a plain expression's value where the general evaluation leaves it
// (start_top: the argument top when the expression began).
inline void store_plain(const PlainOutcome& plain, bool push, Cell* start_top) {
    switch (plain.shape) {
    case PlainShape::value:
        take_result(&plain.value, push);
        break;
    case PlainShape::word_value:
        take_word_value(&plain.value, push);
        break;
    case PlainShape::combined:
        // The left operand's cell holds the result (and so does the result
        // slot in result mode).
        if (push) {
            stack::push(&plain.value);
        } else {
            *start_top = plain.value;
            stack::arguments.top = start_top + 1;
            *stack::base() = plain.value;
        }
        break;
    case PlainShape::assigned:
        // As the set-word's frame leaves it.
        stack::arguments.top = start_top;
        stack::push(&plain.value);
        if (!push) *stack::base() = plain.value;
        break;
    }
}

// The code value's index clamped to 0..count (clamped_index without walking
// to the buffer again).
inline int32_t clamped_head(const Cell* code, const CodeCells& cells) {
    int32_t index = value::series_head(code);
    if (index < 0) return 0;
    return index > cells.count ? cells.count : index;
}

// What run_plain_expressions answers when it ended the code with a pending
// exit.
constexpr int32_t plain_exit_taken = -1;

// The symbol of `continue` (the runtime word table has the other three).
uint32_t continue_symbol = 0;

// Whether the cell is the word `return`, `exit`, `break` or `continue`
// spelled as such (other spellings take the native's call): the cheap test
// before take_plain_exit.
inline bool names_exit(const Cell* cell) {
    if (cell_type(cell) != type_id::word) return false;
    uint32_t symbol = value::word_symbol(cell);
    return symbol == words::symbol_of(words::symbol::return_) ||
           symbol == words::symbol_of(words::symbol::exit) ||
           symbol == words::symbol_of(words::symbol::break_) || symbol == continue_symbol;
}

// Makes the exit pending when every frame from the top down to its
// receiver polls (the test the native makes below its own frame).
inline bool request_exit_here(uint32_t code) {
    if (!can_request_exit_here(code)) return false;
    value::set_unset(&pending_value);
    pending_exit = code;
    return true;
}

} // namespace

bool detail::take_exit_of(const Cell* found, const CodeCells& code, int32_t position) {
    switch (native::index_of(found)) {
    case natives::index::exit_:
        return request_exit_here(catch_::code_exit);
    case natives::index::break_:
        return request_exit_here(catch_::code_break);
    case natives::index::continue_:
        return request_exit_here(catch_::code_continue);
    case natives::index::return_:
        break;
    default:
        return false;
    }
    if (position + 1 >= code.count || !can_request_exit_here(catch_::code_return)) return false;
    // Tested before the value: an assignment in it must happen only when
    // the return is taken here.
    PlainOutcome value;
    if (eval_plain(code.cells, code.count, position + 1, &value) < 0) return false;
    pending_value = value.value;
    pending_exit = catch_::code_return;
    return true;
}

namespace {

// take_exit_of for the word at position, whatever its value.
inline bool take_plain_exit(const CodeCells& code, int32_t position) {
    const Cell* found = bound_value(code.cells + position);
    return found && cell_type(found) == type_id::native && take_exit_of(found, code, position);
}

// Runs a block's (or paren's) expressions from position while they are
// plain, keeping the last value in *last. Answers the position reached, or
// plain_exit_taken when a plain return, exit, break or continue ended the
// code.
[[gnu::always_inline]] inline int32_t run_plain_expressions(const CodeCells& code, int32_t position,
                                                            PlainOutcome* last) {
    while (position < code.count) {
        int32_t next = eval_plain(code.cells, code.count, position, last);
        if (next < 0)
            return names_exit(code.cells + position) && take_plain_exit(code, position)
                       ? plain_exit_taken
                       : position;
        position = next;
    }
    return position;
}

void eval_paren(const Cell* paren, bool push);

// What follows a value or a call taken as an expression, as the full
// evaluation ends it: the infix look-ahead and the expr trace event.
[[gnu::always_inline]] inline int32_t end_expression(const Cell* code, int32_t next, int32_t end,
                                                     bool no_infix, bool push, Cell* start_top) {
    if (!no_infix && !is_exit_pending()) next = eval_infix(code, next, end, push, start_top);
    if (!push && traces(trace_bit::expr) && !is_exit_pending())
        trace_event(trace_bit::expr, code, next, nullptr, stack::base());
    return next;
}

// The expression at position (below code.count) when it is a call of a
// function or native named by a word, made as eval_expression makes it
// when nothing traces; -1 with nothing done for any other expression.
// found is the word's value (not null).
[[gnu::always_inline]] inline int32_t eval_call_of(const Cell* found, const Cell* code_value,
                                                   const CodeCells& code, int32_t position,
                                                   int32_t end, bool no_infix, bool push) {
    const Cell* word = code.cells + position;
    Cell* const start_top = stack::arguments.top;
    int32_t next;
    uint8_t type = cell_type(found);
    if (type == type_id::function)
        next = call_interpreted_from_code(found, word, code_value, position + 1, end, push);
    else if (type == type_id::native && native::index_of(found) <= natives::index::either &&
             (next = call_conditional(found, word, code_value, position + 1, end, push)) >= 0)
        ; // if, unless or either in their common shape
    else if (type == type_id::native || type == type_id::action)
        next = call_native_from_code(found, word, code_value, position + 1, end, push);
    else
        return -1;
    if (next < 0) return -1;
    return end_expression(code_value, next, end, no_infix, push, start_top);
}
// A paren at position (below code.count), evaluated as eval_expression
// evaluates it when nothing traces.
[[gnu::always_inline]] inline int32_t eval_paren_at(const Cell* code_value, const CodeCells& code,
                                                    int32_t position, int32_t end, bool no_infix,
                                                    bool push) {
    Cell* const start_top = stack::arguments.top;
    Cell paren = code.cells[position];
    eval_paren(&paren, push);
    return end_expression(code_value, position + 1, end, no_infix, push, start_top);
}

// The expression at position (below code.count) when it is a call named by
// a word or a paren, evaluated as eval_expression evaluates it when nothing
// traces; -1 with nothing done for any other expression.
[[gnu::always_inline]] inline int32_t eval_call_or_paren(const Cell* code_value,
                                                         const CodeCells& code, int32_t position,
                                                         int32_t end, bool no_infix, bool push) {
    const Cell* cell = code.cells + position;
    if (cell_type(cell) == type_id::paren)
        return eval_paren_at(code_value, code, position, end, no_infix, push);
    if (cell_type(cell) != type_id::word) return -1;
    const Cell* found = bound_value(cell);
    if (!found) return -1;
    return eval_call_of(found, code_value, code, position, end, no_infix, push);
}

// Evaluates a paren; the result is pushed or stored. A traced paren runs
// as a block in its own frame (the tracer sees it enter and exit).
// Otherwise its expressions run in the enclosing frame, each pushing its
// value where the paren's value goes: a block's frame would show nowhere,
// as errors name the nearest function. Its leading plain expressions run
// first, without holding its code or making it the current expression.
void eval_paren(const Cell* paren, bool push) {
    if (tracing) {
        // The block's own frame starts at the top: its result lands there
        // and, in result mode, in the result slot too.
        eval_block(paren, !push);
        return;
    }
    check_native_depth();
    CodeCells cells = code_cells(paren);
    int32_t position = clamped_head(paren, cells);
    // A call of a function named by a word (other than the exits, which may
    // be taken as plain) goes straight to the general loop: it is no plain
    // expression.
    const Cell* callee = nullptr;
    const Cell* found = nullptr; // the first word's value
    if (position < cells.count && cell_type(cells.cells + position) == type_id::word) {
        found = bound_value(cells.cells + position);
        if (found && is_exit_native(found)) {
            // A leading exit whose receiver can take it pending needs
            // nothing more.
            if (take_exit_of(found, cells, position)) return;
        } else if (found && is_function_type(cell_type(found))) {
            callee = found;
        }
    }
    // A leading if or unless whose block does not run is taken like a plain
    // expression: nothing in it could fail or be traced. One whose block
    // runs is run from its analysis below.
    bool kept_if = false;
    if (callee && cell_type(callee) == type_id::native &&
        native::index_of(callee) <= natives::index::unless) {
        int32_t next = skip_untaken_if(callee, cells, position + 1);
        kept_if = next == if_block_runs;
        if (next >= 0) {
            callee = found = nullptr;
            position = next;
            if (position >= cells.count) {
                Cell none;
                value::set_none(&none);
                stack::push(&none);
                if (!push) *stack::base() = none;
                return;
            }
        }
    }
    // Room for the value the first expression pushes.
    if (!callee && position < cells.count && stack::arguments.top + 1 < stack::arguments.end) {
        PlainOutcome last;
        if (found && is_plain_word_value(cell_type(found))) {
            // A word with a plain value first: its lookup is not made twice.
            int32_t next =
                finish_plain(cells.cells, cells.count, position, found, nullptr, false, &last);
            if (next >= 0) position = run_plain_expressions(cells, next, &last);
        } else {
            position = run_plain_expressions(cells, position, &last);
        }
        if (position == plain_exit_taken) return;
        if (position >= cells.count) {
            stack::push(&last.value);
            if (!push) *stack::base() = last.value;
            return;
        }
    }
    // Nothing allocated since the cells were found: they stay valid.
    Held locals(*paren);
    const Cell* code = locals.get();
    int32_t tail = cells.count;
    Cell* const start_top = stack::arguments.top;
    if (position >= tail) {
        Cell unset;
        value::set_unset(&unset);
        stack::push(&unset);
    } else {
        ExpressionScope current(code);
        // The expression at position was found not plain: an assignment
        // goes straight to its general path.
        bool assignment = cell_type(cells.cells + position) == type_id::set_word;
        for (;;) {
            current.at(position);
            int32_t next;
            if (kept_if) {
                // Nothing ran or allocated since the analysis.
                next = run_kept_if(callee, cells.cells + position, code, true);
                next = end_expression(code, next, tail, false, true, start_top);
                kept_if = false;
                callee = nullptr;
            } else if (callee) {
                // Still the word's value: nothing ran since it was found.
                next = eval_call_of(callee, code, cells, position, tail, false, true);
                callee = nullptr;
            } else {
                next = assignment || tracing
                           ? -1
                           : eval_call_or_paren(code, cells, position, tail, false, true);
            }
            if (next < 0)
                next = assignment ? eval_assignment(code, position, tail, false, true)
                                  : eval_expression(code, position, tail, false, true, false);
            position = next;
            assignment = false;
            if (is_exit_pending() || position >= tail) break;
            // A paren cut while it runs ends at its new tail (a tail only
            // ever comes nearer).
            cells = code_cells(code);
            if (cells.count < tail) tail = cells.count;
            if (position >= tail) break;
            stack::arguments.top = start_top;
        }
    }
    if (is_exit_pending()) return;
    if (!push) *stack::base() = *start_top;
    stack::arguments.top = start_top + 1;
}

} // namespace

// A block in the current frame is evaluated as a paren whose value goes
// into the frame's result slot.
void eval_block_in_frame(const Cell* block) {
    eval_paren(block, false);
}

namespace {

// The fast code of an operator: a math code (compare false) for the
// actions add ... xor~, a comparison code (compare true) for the comparison
// natives; -1 for any other operator.
inline int fast_code_of(uint8_t wrapped, int32_t index, bool* compare) {
    *compare = wrapped == type_id::native;
    if (wrapped == type_id::action) return actions::math_code_of_action(index);
    if (wrapped == type_id::native) return actions::compare_code_of_native(index);
    return -1;
}

// left OP right for two numbers, the right one a plain copy: combined in
// place when both are integers, else by the on-top fast paths, with the
// results and errors of the operator's action or native.
void infix_on_numbers(uint8_t wrapped, int32_t index, int fast, bool compare, const Cell* name_cell,
                      const Cell* right, bool push, Cell* start_top) {
    const Cell* left = push ? start_top : stack::base();
    Cell result;
    if (cell_type(left) == type_id::integer && cell_type(right) == type_id::integer &&
        integer_infix(wrapped, index, value::integer_of(left), value::integer_of(right), &result)) {
        // As the on-top fast paths leave it: the result at start_top and,
        // in result-slot mode, in the result slot too.
        *start_top = result;
        stack::arguments.top = start_top + 1;
        if (!push) *stack::base() = result;
        return;
    }
    // Numbers hold no references: plain copies are safe across the call.
    Cell right_copy = *right;
    Cell name = *name_cell;
    if (!push && start_top != stack::base()) *start_top = *stack::base();
    stack::arguments.top = start_top + 1;
    if (compare)
        actions::compare_op_on_top(fast, &name, &right_copy);
    else
        actions::math_op_on_top(fast, &name, &right_copy);
    if (!push) stack::set_last(start_top);
}

// An infix math or comparison operator whose left operand is a number and
// whose right operand needs evaluating (a paren, a call...): the operand is
// evaluated in the operator's frame as the general call would, then two
// integers are combined in place and anything else goes to the operator's
// entry. Answers the position after the operand.
int32_t infix_on_evaluated_operand(const Cell* op_value, uint8_t wrapped, int32_t index,
                                   const Cell* code, int32_t position, int32_t end, bool push,
                                   Cell* start_top) {
    // [0] the function the operator wraps, [1] its word.
    Held held(op::unwrap(op_value), *cell_at(code, position));
    if (!push && start_top != stack::base()) *start_top = *stack::base();
    stack::arguments.top = start_top;
    check_native_depth();
    mark_polling_native(held.get(1));
    stack::cover_slot(); // the left operand, already in place
    CodeCells cells = code_cells(code);
    // The caller found the operand's position below the code's tail.
    position = cell_type(cells.cells + position + 1) == type_id::paren
                   ? eval_paren_at(code, cells, position + 1, end, true, true)
                   : eval_expression(code, position + 1, end, true, true, false);
    if (!is_exit_pending()) {
        Cell* operands = stack::base();
        Cell result;
        if (cell_type(operands) == type_id::integer &&
            cell_type(operands + 1) == type_id::integer &&
            integer_infix(wrapped, index, value::integer_of(operands),
                          value::integer_of(operands + 1), &result)) {
            *operands = result;
        } else {
            run_infix_native(held.get(0));
        }
    }
    return end_call(code, position, push, held.get(1), nullptr);
}

// The interpreter's roots outside any series: the value of a return or
// break on its way to its receiver (once it arrived, the cell is stale and
// no longer looked at), and the held cells up to the held stack's top.
void mark_roots() {
    if (is_exit_pending()) gc::mark_cells(&pending_value, &pending_value + 1);
    HeldCells held = held_cells();
    if (held.begin) gc::mark_cells(held.begin, held.top);
}

} // namespace

void init() {
    gc::add_mark_callback(mark_roots);
    global_values = GlobalValues{};
    last_context = LastContext{};
    current_expression = CurrentExpression{};
    Ref node = series::alloc_static(state::count + held_capacity, sizeof(Cell), 0);
    SeriesBuffer* b = node_buffer(node);
    b->tail = b->head + state::count * sizeof(Cell);
    state_cells = node_cells(node);
    for (uint32_t i = 0; i < state::count; ++i) value::set_unset(&state_cells[i]);
    static const char* const event_names[16] = {
        "init",  "end",  "prolog", "epilog", "enter", "exit",  "open",  "return",
        "fetch", "push", "set",    "call",   "error", "throw", "catch", "expr"};
    for (uint32_t i = 0; i < 16; ++i) {
        uint32_t symbol = symbol::make(event_names[i]);
        word::make_at_result(symbol, &state_cells[state::event_words + i]);
    }
    continue_symbol = symbol::make("continue");
    init_held_stack(node);
    roots::hold(node);
    set_native_stack_limit();
    tracing = false;
    trace_mask = trace_bit::all_events;
    tracer_locals = 0;
    error::trace_hook = [](const Cell* error_value) {
        trace_event(trace_bit::error, nullptr, -1, nullptr, error_value);
    };
    series::call_two = &call_two;
}

void forget() {
    state_cells = nullptr;
    global_values = GlobalValues{};
    last_context = LastContext{};
    held_stack = HeldStack{};
    current_expression = CurrentExpression{};
    tracing = false;
    error::trace_hook = nullptr;
    series::call_two = nullptr;
}

HeldCells held_cells() {
    return {detail::held_stack.begin, detail::held_stack.top};
}

bool current_code(Cell* out) {
    const CurrentExpression& current = current_expression;
    if (!current.code) return false;
    *out = *current.code;
    out->header = type_id::block;
    out->data1 = static_cast<uint32_t>(current.position);
    return true;
}

namespace {

// True when a block's frame could be marked (stack::mark_frame would not
// raise stack-overflow).
inline bool frame_room() {
    return stack::frames.top < stack::frames.end &&
           stack::arguments.top + stack::overflow_slack < stack::arguments.end;
}

// Runs the block's leading plain expressions without its frame: nothing in
// them can fail or be traced, and a return or exit among them is only taken
// here when it can be made pending. Answers -1 when that ran the whole block
// (its value left as the frame leaves it, or the exit pending), else the
// position at which the general evaluation goes on.
int32_t run_plain_block(const Cell* block, bool chain) {
    CodeCells code = code_cells(block);
    int32_t head = clamped_head(block, code);
    if (head >= code.count || !frame_room()) return head;
    PlainOutcome last;
    int32_t position = run_plain_expressions(code, head, &last);
    if (position == plain_exit_taken) return -1;
    if (position < code.count) return position;
    Cell* result = stack::arguments.top;
    *result = last.value;
    stack::arguments.top = result + 1;
    if (chain) *stack::base() = last.value;
    return -1;
}

// A block in its eval frame, from position start (-1: from its head).
[[gnu::noinline]] void eval_block_framed(const Cell* block, bool chain, int32_t start) {
    Held locals(*block);
    const Cell* code = locals.get();
    int32_t head = clamped_index(code);
    int32_t tail = cell_count(code);
    mark_polling_frame(body_word(), stack::frame_header::eval);
    if (traces(trace_bit::enter)) trace_event(trace_bit::enter, code, head, nullptr, nullptr);
    if (head >= tail) {
        Cell unset;
        value::set_unset(&unset);
        stack::set_result_only(&unset);
    } else {
        ExpressionScope current(code);
        int32_t position = start < 0 ? head : start;
        // An expression found not plain that is an assignment goes straight
        // to its general path.
        bool assignment = start >= 0 && cell_type(cell_at(code, position)) == type_id::set_word;
        for (;;) {
            current.at(position);
            position = assignment ? eval_assignment(code, position, tail, false, false)
                                  : eval_expression(code, position, tail, false, false, false);
            assignment = false;
            if (is_exit_pending() || position >= tail) break;
            // A block cut while it runs ends at its new tail (a tail only
            // ever comes nearer).
            int32_t now = cell_count(code);
            if (now < tail) tail = now;
            if (position >= tail) break;
            stack::reset();
        }
    }
    if (traces(trace_bit::exit)) trace_event(trace_bit::exit, code, tail, nullptr, stack::base());
    if (chain)
        stack::unwind_last();
    else
        stack::unwind();
}

} // namespace

void eval_block(const Cell* block, bool chain) {
    check_native_depth();
    int32_t start = -1;
    if (!tracing) {
        start = run_plain_block(block, chain);
        if (start < 0) return;
    }
    eval_block_framed(block, chain, start);
}

namespace {

[[gnu::noinline]] int32_t eval_expression_full(const Cell* code, int32_t position, int32_t end,
                                               bool no_infix, bool push, bool functions_as_values);

} // namespace

// The common expressions first, with little set-up, when nothing traces:
// plain expressions (eval_plain), calls of functions and natives named by a
// word, set-words.
int32_t eval_expression(const Cell* code, int32_t position, int32_t end, bool no_infix, bool push,
                        bool functions_as_values) {
    if (!tracing) {
        CodeCells cells = code_cells(code);
        if (static_cast<uint32_t>(position) < static_cast<uint32_t>(cells.count)) {
            Cell* const start_top = stack::arguments.top;
            int32_t limit = end < cells.count ? end : cells.count;
            const Cell* value = cells.cells + position;
            uint8_t type = cell_type(value);
            PlainOutcome plain;
            int32_t next = -1;
            if (is_self_evaluating(type)) {
                if (position < limit) {
                    next = finish_plain(cells.cells, limit, position, value, nullptr, no_infix,
                                        &plain);
                    // An operator that is not plain follows: the value as
                    // the full evaluation takes it, then the look-ahead.
                    if (next < 0) {
                        take_result(value, push);
                        return end_expression(code, position + 1, end, no_infix, push, start_top);
                    }
                }
            } else if (type == type_id::word) {
                const Cell* found = bound_value(value);
                uint8_t found_type = found ? cell_type(found) : uint8_t{type_id::unset};
                if (is_plain_word_value(found_type) && position < limit) {
                    next = finish_plain(cells.cells, limit, position, found, nullptr, no_infix,
                                        &plain);
                    if (next >= 0) {
                        store_plain(plain, push, start_top);
                        return next;
                    }
                    take_word_value(found, push);
                    return end_expression(code, position + 1, end, no_infix, push, start_top);
                } else if (found) {
                    next = eval_call_of(found, code, cells, position, end, no_infix, push);
                    if (next >= 0) return next;
                }
                return eval_expression_full(code, position, end, no_infix, push,
                                            functions_as_values);
            } else if (type == type_id::paren) {
                return eval_paren_at(code, cells, position, end, no_infix, push);
            } else if (type == type_id::set_word) {
                if (position < limit) next = assign_plain(cells.cells, limit, position, &plain);
                if (next < 0) return eval_assignment(code, position, end, no_infix, push);
            }
            if (next >= 0) {
                store_plain(plain, push, start_top);
                return next;
            }
        }
    }
    return eval_expression_full(code, position, end, no_infix, push, functions_as_values);
}

namespace {

int32_t eval_expression_full(const Cell* code, int32_t position, int32_t end, bool no_infix,
                             bool push, bool functions_as_values) {
    Cell* const start_top = stack::arguments.top;
    if (position >= cell_count(code)) {
        // The code was cut below the position while it ran.
        Cell unset;
        value::set_unset(&unset);
        take_result(&unset, push);
        return end;
    }
    const Cell* value = cell_at(code, position);
    if (traces(trace_bit::fetch)) {
        trace_event(trace_bit::fetch, code, position, nullptr, value);
        value = cell_at(code, position);
    }
    switch (cell_type(value)) {
    case type_id::word: {
        const Cell* found = bound_value(value);
        if (!found) found = word::get(const_cast<Cell*>(value));
        switch (cell_type(found)) {
        case type_id::unset:
            fire_with(error::Category::script, "no-value", value);
        case type_id::function:
            if (!tracing) {
                int32_t next =
                    call_interpreted_from_code(found, value, code, position + 1, end, push);
                if (next >= 0) {
                    position = next;
                    break;
                }
            }
            [[fallthrough]];
        case type_id::routine:
            position =
                eval_call(found, code, position + 1, end, push, value, nullptr, nullptr, -1, false);
            break;
        case type_id::native:
        case type_id::action:
            if (!tracing) {
                position = call_native_from_code(found, value, code, position + 1, end, push);
                break;
            }
            position =
                eval_call(found, code, position + 1, end, push, value, nullptr, nullptr, -1, false);
            break;
        case type_id::op:
            fire_with(error::Category::script, "no-op-arg", value);
        default:
            if (traces(trace_bit::push)) {
                Cell copy = *found;
                gc::Root root(&copy);
                trace_event(trace_bit::push, code, position, nullptr, &copy);
                take_word_value(&copy, push);
            } else {
                take_word_value(found, push);
            }
            ++position;
            break;
        }
        break;
    }
    case type_id::paren: {
        Cell paren = *value;
        eval_paren(&paren, push);
        ++position;
        break;
    }
    case type_id::set_word:
        position = eval_set_word(code, position, end, push);
        break;
    case type_id::set_path:
        position = eval_set_path(code, position, end, push);
        break;
    case type_id::get_word: {
        const Cell* found = word::get(const_cast<Cell*>(value));
        take_result(found, push);
        if (traces(trace_bit::push))
            trace_event(trace_bit::push, code, position, nullptr, result_cell(push));
        ++position;
        break;
    }
    case type_id::lit_word: {
        Cell plain = *value;
        plain.header = type_id::word;
        take_result(&plain, push);
        if (traces(trace_bit::push))
            trace_event(trace_bit::push, code, position, nullptr, result_cell(push));
        ++position;
        break;
    }
    case type_id::path:
    case type_id::get_path: {
        Cell path = *value;
        gc::Root root(&path);
        bool get = cell_type(value) == type_id::get_path;
        int32_t at = position;
        position = eval_path(&path, code, position + 1, end, false, get, push, false);
        if (traces(trace_bit::push))
            trace_event(trace_bit::push, code, at, nullptr, result_cell(push));
        break;
    }
    case type_id::lit_path: {
        Cell path = *value;
        path.header = type_id::path;
        path.data3 = 0;
        take_result(&path, push);
        if (traces(trace_bit::push))
            trace_event(trace_bit::push, code, position, nullptr, result_cell(push));
        ++position;
        break;
    }
    case type_id::op:
        error::fire(error::Category::internal, "not-done");
    case type_id::native:
    case type_id::action:
    case type_id::function:
    case type_id::routine:
        if (functions_as_values) {
            take_result(value, push);
            ++position;
        } else {
            position =
                eval_call(value, code, position + 1, end, push,
                          words::global_word(words::global::anon), nullptr, nullptr, -1, false);
        }
        break;
    case type_id::issue:
        if (is_system_issue(code, position, end, value))
            error::fire(error::Category::internal, "zep-system");
        take_result(value, push);
        ++position;
        break;
    default:
        take_result(value, push);
        if (traces(trace_bit::push))
            trace_event(trace_bit::push, code, position, nullptr, result_cell(push));
        ++position;
        break;
    }
    if (!no_infix && !is_exit_pending())
        position = eval_infix(code, position, end, push, start_top);
    if (!push && traces(trace_bit::expr) && !is_exit_pending())
        trace_event(trace_bit::expr, code, position, nullptr, stack::base());
    return position;
}

} // namespace

namespace detail {

int32_t eval_infix_from(const Cell* code, int32_t position, int32_t end, bool push,
                        Cell* start_top) {
    while (position < end && position < cell_count(code)) {
        const Cell* word = cell_at(code, position);
        if (cell_type(word) != type_id::word) break;
        const Cell* found = bound_value(word);
        if (!found || cell_type(found) != type_id::op) break;
        if (!tracing) {
            uint8_t wrapped = op::wrapped_type(found);
            int32_t index = native::index_of(found);
            bool compare;
            int fast = fast_code_of(wrapped, index, &compare);
            const Cell* left = push ? start_top : stack::base();
            if (fast >= 0 && is_number_type(cell_type(left)) && position + 1 < end &&
                position + 1 < cell_count(code)) {
                const Cell* right = plain_value(word + 1);
                if (right && is_number_type(cell_type(right))) {
                    infix_on_numbers(wrapped, index, fast, compare, word, right, push, start_top);
                    position += 2;
                    continue;
                }
                if (!right) {
                    position = infix_on_evaluated_operand(found, wrapped, index, code, position,
                                                          end, push, start_top);
                    if (is_exit_pending()) break;
                    continue;
                }
            }
        }
        // [0] the operator retyped to the function it wraps, [1] its word.
        Cell locals[2] = {op::unwrap(found), *word};
        gc::Root root(locals, 2);
        if (traces(trace_bit::fetch))
            trace_event(trace_bit::fetch, code, position, nullptr, &locals[1]);
        // The left operand becomes the first cell of the operator's frame;
        // it stays the top cell until the frame is marked.
        if (!push && start_top != stack::base()) *start_top = *stack::base();
        stack::arguments.top = start_top + 1;
        Ref object_context = cell_type(&locals[0]) == type_id::function
                                 ? object_context_for(&locals[0], nullptr, &locals[1])
                                 : 0;
        check_native_depth();
        position = call_stable(&locals[0], &locals[1], object_context, nullptr, code, position + 1,
                               end, push, nullptr, -1);
        if (is_exit_pending()) break;
    }
    return position;
}

} // namespace detail

int32_t eval_next(const Cell* code, int32_t position, int32_t end, bool push) {
    mark_polling_native(body_word());
    position = eval_expression(code, position, end, false, false, false);
    if (push)
        stack::unwind();
    else
        stack::unwind_last();
    return position;
}

int32_t do_next(const Cell* block) {
    Cell code = *block;
    gc::Root root(&code);
    int32_t index = clamped_index(&code);
    if (index >= cell_count(&code)) {
        Cell unset;
        value::set_unset(&unset);
        stack::set_last(&unset);
        return value::series_head(&code);
    }
    return eval_next(&code, index, cell_count(&code), false);
}

namespace detail {

int32_t call_stable(const Cell* fn, const Cell* name, Ref object_context, Cell* result_slot,
                    const Cell* code, int32_t position, int32_t end, bool push, const Cell* path,
                    int32_t path_element) {
    bool infix = result_slot == nullptr;
    if (traces(trace_bit::open)) trace_event(trace_bit::open, code, position, nullptr, name);
    // Nothing allocates from here until the fetch covers the left operand
    // again: the frame starts at its cell.
    if (infix) --stack::arguments.top;
    auto fetch = [&] {
        return path ? fetch_args(fn, code, position, end, path, path_element, fetch_mode::path,
                                 infix)
                    : fetch_code_args(fn, code, position, end, infix);
    };
    switch (cell_type(fn)) {
    case type_id::native:
    case type_id::action:
        mark_polling_native(name);
        position = fetch();
        break;
    case type_id::routine:
        mark_polling_native(name);
        position = fetch();
        if (!is_exit_pending()) call_routine(fn, name);
        break;
    case type_id::function:
        stack::mark_interp_func(name);
        set_polls_exit();
        position = fetch();
        if (!is_exit_pending()) call_function_stable(fn, object_context, name, 0);
        break;
    default:
        runtime::error_exit(101, 0);
    }
    return end_call(code, position, push, name, result_slot);
}

} // namespace detail

int32_t eval_call(const Cell* function, const Cell* code, int32_t position, int32_t end, bool push,
                  const Cell* name, const Cell* parent, const Cell* path, int32_t path_element,
                  bool infix) {
    check_native_depth();
    Cell name_cell = name ? *name : name_of_call(code, position, path, path_element);
    if (cell_type(&name_cell) != type_id::word)
        name_cell = *words::global_word(words::global::anon);
    Ref object_context = cell_type(function) == type_id::function
                             ? object_context_for(function, parent, &name_cell)
                             : 0;
    if (infix) {
        // The left operand is the top cell (call_stable).
        Cell locals[2] = {*function, name_cell};
        gc::Root root(locals, 2);
        return call_stable(&locals[0], &locals[1], object_context, nullptr, code, position, end,
                           push, path, path_element);
    }
    // The name and the function sit on the stack while the call runs, so
    // both stay put whatever the call allocates; the function stays just
    // below the call's frame, where errors look for it. The name's cell
    // receives the result.
    Cell* result_slot = stack::push(&name_cell);
    const Cell* function_slot = stack::push(function);
    return call_stable(function_slot, result_slot, object_context, result_slot, code, position, end,
                       push, path, path_element);
}

} // namespace zep::interp
