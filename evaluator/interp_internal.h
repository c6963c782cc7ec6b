// Helpers shared by the interpreter's modules (evaluation, paths, tracing).
#pragma once
#include <cstdint>

#include "datatypes/context.h"
#include "datatypes/native.h"
#include "evaluator/call.h"
#include "evaluator/interp.h"
#include "evaluator/natives.h"
#include "evaluator/stack.h"
#include "runtime/cell.h"
#include "runtime/memory.h"
#include "runtime/value_make.h"

namespace zep::interp::detail {

// The interpreter's state cells, in a static block held by the root block
// (static buffers never move, so raw pointers into it stay valid).
namespace state {
enum : uint32_t { tracer = 0, event_words, count = event_words + 16 };
} // namespace state
extern Cell* state_cells;

// Cells the interpreter holds while it evaluates (the code value of a block
// under evaluation, an operator's function and word...): a stack after the
// state cells, in their static block held by the root block. Static buffers
// never move, and the collector marks the cells from begin up to the top
// (the block's own tail ends at the state cells), so a held cell is a
// stable root for as long as it is held at the cost of a few pointer moves
// (a gc::Root costs a call and a vector push).
struct HeldStack {
    Cell* begin = nullptr;
    Cell* top = nullptr;
    Cell* end = nullptr;
};
extern HeldStack held_stack;
// Room for several held cells per frame record: frames overflow first.
constexpr uint32_t held_capacity = 4 * stack::frame_records;
void init_held_stack(Ref state_node);
[[noreturn]] void held_overflow();

// Holds copies of one or two cells while it lives (scopes unwind in order).
class Held {
  public:
    explicit Held(const Cell& first) : Held(&first, nullptr) {}
    Held(const Cell& first, const Cell& second) : Held(&first, &second) {}
    ~Held() { held_stack.top = cells_; }
    Held(const Held&) = delete;
    Held& operator=(const Held&) = delete;
    Cell* get(uint32_t i = 0) const { return cells_ + i; }

  private:
    Held(const Cell* first, const Cell* second) : cells_(held_stack.top) {
        uint32_t count = second ? 2 : 1;
        if (cells_ + count > held_stack.end) held_overflow();
        // Written before the top covers them: a collection only ever sees
        // complete cells.
        cells_[0] = *first;
        if (second) cells_[1] = *second;
        held_stack.top = cells_ + count;
    }
    Cell* cells_;
};

// The expression under evaluation: the held code value of the innermost
// block or paren whose expressions are being evaluated and the expression's
// position in it (code null when none). An error raised meanwhile shows it
// as near.
struct CurrentExpression {
    const Cell* code = nullptr;
    int32_t position = 0;
};
extern CurrentExpression current_expression;

// Makes a held code value the current one while it lives (its position set
// with at); the enclosing one is current again however the evaluation ends,
// so an error caught further out does not leave the inner code current.
class ExpressionScope {
  public:
    explicit ExpressionScope(const Cell* code) : saved_(current_expression) {
        current_expression.code = code;
    }
    ~ExpressionScope() { current_expression = saved_; }
    ExpressionScope(const ExpressionScope&) = delete;
    ExpressionScope& operator=(const ExpressionScope&) = delete;
    void at(int32_t position) { current_expression.position = position; }

  private:
    CurrentExpression saved_;
};

// Raises internal stack-overflow when the native stack is nearly used up
// (deep recursion through blocks and calls); the limit is taken from the
// thread that runs interp::init.
extern const char* native_stack_limit;
[[noreturn]] void native_depth_exceeded();
inline void check_native_depth() {
    char here;
    if (&here < native_stack_limit) native_depth_exceeded();
}
void set_native_stack_limit();

// The cell at a position of a code value (valid until the next allocation).
inline Cell* cell_at(const Cell* code, int32_t position) {
    return node_cells(value::series_node(code)) + position;
}
// The number of cells from the code's buffer head to its tail.
inline int32_t cell_count(const Cell* code) {
    return static_cast<int32_t>(node_cell_count(value::series_node(code)));
}
// The cells of a code value from its buffer head, and how many there are
// up to the tail (valid until the next allocation).
struct CodeCells {
    const Cell* cells;
    int32_t count;
};
inline CodeCells code_cells(const Cell* code) {
    SeriesBuffer* b = node_buffer(value::series_node(code));
    const Cell* cells = reinterpret_cast<const Cell*>(buffer_head(b));
    return {cells, static_cast<int32_t>(reinterpret_cast<const Cell*>(buffer_tail(b)) - cells)};
}
// The value's index clamped to 0..tail.
int32_t clamped_index(const Cell* series);

// The global context's first value cell, found again whenever a buffer
// moved since (memory::buffer_moves): most words a program names are
// global, and the cached pointer spares the walk from the context's node to
// its values' buffer.
struct GlobalValues {
    // The buffer_moves count the pointer was found at; none matches at
    // first (the count would have to go round all 32 bits without a global
    // word looked up).
    uint32_t moves = UINT32_MAX;
    Cell* cells = nullptr;
};
extern GlobalValues global_values;
// The global context's value cells when ctx is the global context, else
// null.
Cell* refresh_global_values();
inline Cell* cached_global_values(Ref ctx) {
    if (ctx != context::global) return nullptr;
    if (memory::buffer_moves == global_values.moves) return global_values.cells;
    return refresh_global_values();
}

// The header cell of the last other context a word was looked up in (a
// function's, mostly), kept while no buffer moves.
struct LastContext {
    Ref context = 0;
    uint32_t moves = 0;
    const Cell* header = nullptr;
};
extern LastContext last_context;
const Cell* refresh_context_header(Ref ctx);
[[gnu::always_inline]] inline const Cell* context_header(Ref ctx) {
    if (ctx == last_context.context && memory::buffer_moves == last_context.moves)
        return last_context.header;
    return refresh_context_header(ctx);
}

// Whether the value is the native of return, exit, break or continue
// (which the natives table keeps together).
static_assert(natives::index::continue_ == natives::index::break_ + 1 &&
              natives::index::exit_ == natives::index::break_ + 2 &&
              natives::index::return_ == natives::index::break_ + 3);
inline bool is_exit_native(const Cell* value) {
    if (cell_type(value) != type_id::native) return false;
    int32_t index = native::index_of(value);
    return index >= natives::index::break_ && index <= natives::index::return_;
}
// `return` with a plain value, or `exit`, `break` or `continue` (no
// refinement), at position, found being the word's value (a native!):
// when every frame down to the receiver polls, the exit is made pending as
// the native would make it, without the native's call. Answers whether it
// was.
[[gnu::noinline]] bool take_exit_of(const Cell* found, const CodeCells& code, int32_t position);

// The value of a word bound with a resolved index, or null (unbound,
// unresolved, or a function context outside a call of its function): the
// interpreter's fast word lookup. Contexts only grow, by a word and its
// value together, so a resolved index stays valid.
[[gnu::always_inline]] inline const Cell* bound_value(const Cell* word) {
    Ref ctx = value::word_context(word);
    int32_t index = value::word_index(word);
    if (!ctx || index < 0) return nullptr;
    if (Cell* global = cached_global_values(ctx)) return global + index;
    const Cell* header = context_header(ctx);
    const Cell* values;
    if (header->header & context::flag::values_on_stack) {
        if (!header->data2) return nullptr;
        values = stack::cell_at(header->data2 - 1);
    } else {
        values = node_cells(header->data2);
    }
    return values + index;
}

// The value slot an assignment to the word may write directly, or null when
// it must go through word::set (unbound or unresolved words, a function
// context outside a call, an object field: those record the assignment and
// may fire change handlers).
[[gnu::always_inline]] inline Cell* plain_slot(const Cell* word) {
    Ref ctx = value::word_context(word);
    int32_t index = value::word_index(word);
    if (!ctx || index < 0) return nullptr;
    if (Cell* global = cached_global_values(ctx)) return global + index;
    const Cell* header = context_header(ctx);
    if (header->header & context::flag::values_on_stack) {
        if (!header->data2) return nullptr;
        return stack::cell_at(header->data2 - 1) + index;
    }
    if (((header->header & context::flag::kind_mask) >> context::flag::kind_shift) ==
        context::kind::object)
        return nullptr;
    return node_cells(header->data2) + index;
}

constexpr uint64_t type_bit(uint8_t type) {
    return uint64_t{1} << type;
}
// Types a code cell evaluates to itself as (the other ones are words,
// paths, parens, functions and issues, which the full evaluation handles).
constexpr uint64_t not_self_evaluating =
    type_bit(type_id::paren) | type_bit(type_id::word) | type_bit(type_id::set_word) |
    type_bit(type_id::lit_word) | type_bit(type_id::get_word) | type_bit(type_id::issue) |
    type_bit(type_id::native) | type_bit(type_id::action) | type_bit(type_id::op) |
    type_bit(type_id::function) | type_bit(type_id::path) | type_bit(type_id::lit_path) |
    type_bit(type_id::set_path) | type_bit(type_id::get_path) | type_bit(type_id::routine);
// Values a word stands for plainly (unset! raises, functions are called).
constexpr uint64_t not_plain_word_value = type_bit(type_id::unset) | type_bit(type_id::native) |
                                          type_bit(type_id::action) | type_bit(type_id::op) |
                                          type_bit(type_id::function) | type_bit(type_id::routine);

// The two sets above as flags per type id: one load and a test instead of
// a range check and a shift, as every code cell is classified.
namespace code_class {
enum : uint8_t { evaluated = 1, not_plain = 2 };
struct Table {
    uint8_t flags[256];
};
constexpr Table make_table() {
    Table t{};
    for (int type = 0; type < 64; ++type) {
        if (not_self_evaluating & type_bit(static_cast<uint8_t>(type))) t.flags[type] |= evaluated;
        if (not_plain_word_value & type_bit(static_cast<uint8_t>(type))) t.flags[type] |= not_plain;
    }
    return t;
}
inline constexpr Table table = make_table();
} // namespace code_class

// A code cell that evaluates to itself.
inline bool is_self_evaluating(uint8_t type) {
    return (code_class::table.flags[type] & code_class::evaluated) == 0;
}
// A word's value that the word stands for plainly.
inline bool is_plain_word_value(uint8_t type) {
    return (code_class::table.flags[type] & code_class::not_plain) == 0;
}

inline bool is_function_type(uint8_t type) {
    return type == type_id::native || type == type_id::action || type == type_id::function ||
           type == type_id::routine;
}

// Ends a call from code whose frame is on top: the frame goes (its result
// pushed, or also stored in the result slot without push), the return
// trace event runs, and result_slot receives the result (null for an infix
// call: its result takes the left operand's cell). Answers position.
inline int32_t end_call(const Cell* code, int32_t position, bool push, const Cell* name,
                        Cell* result_slot) {
    if (push)
        stack::unwind();
    else
        stack::unwind_last();
    if (is_exit_pending()) return position;
    if (traces(trace_bit::return_))
        trace_event(trace_bit::return_, code, position, name, stack::top());
    if (result_slot) {
        *result_slot = *stack::top();
        stack::arguments.top = result_slot + 1;
    }
    return position;
}

// A call whose function and name cells do not move while it runs (stack
// cells or rooted); result_slot is the cell that receives the result, or
// null for an infix call (the left operand is the top cell, kept covered
// until the frame is marked on it, and the frame's first cell).
int32_t call_stable(const Cell* fn, const Cell* name, Ref object_context, Cell* result_slot,
                    const Cell* code, int32_t position, int32_t end, bool push, const Cell* path,
                    int32_t path_element);

// The infix look-ahead; start_top is the argument top when the expression
// began. The inline test spares the call when no word follows.
int32_t eval_infix_from(const Cell* code, int32_t position, int32_t end, bool push,
                        Cell* start_top);
inline int32_t eval_infix(const Cell* code, int32_t position, int32_t end, bool push,
                          Cell* start_top) {
    if (position >= end) return position;
    SeriesBuffer* b = node_buffer(value::series_node(code));
    const Cell* head = reinterpret_cast<const Cell*>(buffer_head(b));
    if (head + position >= reinterpret_cast<const Cell*>(buffer_tail(b)) ||
        cell_type(head + position) != type_id::word)
        return position;
    return eval_infix_from(code, position, end, push, start_top);
}

} // namespace zep::interp::detail
