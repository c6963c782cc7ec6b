// Helpers shared by the interpreter's modules (evaluation, paths, tracing).
#pragma once
#include <cstdint>

#include "datatypes/context.h"
#include "evaluator/stack.h"
#include "runtime/cell.h"
#include "runtime/memory.h"
#include "runtime/value_make.h"

namespace zep::interp::detail {

// The interpreter's state cells, in a static block held by the root block
// (static buffers never move, so raw pointers into it stay valid).
namespace state {
enum : uint32_t { current_code = 0, tracer, event_words, count = event_words + 16 };
} // namespace state
extern Cell* state_cells;

// Raises internal stack-overflow when the native stack is nearly used up
// (deep recursion through blocks and calls); the limit is taken from the
// thread that runs interp::init.
extern const char* native_stack_limit;
void check_native_depth();
void set_native_stack_limit();

// The cell at a position of a code value (valid until the next allocation).
inline Cell* cell_at(const Cell* code, int32_t position) {
    return node_cells(value::series_node(code)) + position;
}
// The number of cells from the code's buffer head to its tail.
inline int32_t cell_count(const Cell* code) {
    return static_cast<int32_t>(node_cell_count(value::series_node(code)));
}
// The value's index clamped to 0..tail.
int32_t clamped_index(const Cell* series);

// The value of a word bound with a resolved index, or null (unbound,
// unresolved, or a function context outside a call of its function): the
// interpreter's fast word lookup. Contexts only grow, by a word and its
// value together, so a resolved index stays valid.
inline const Cell* bound_value(const Cell* word) {
    Ref ctx = value::word_context(word);
    int32_t index = value::word_index(word);
    if (!ctx || index < 0) return nullptr;
    const Cell* header = node_cells(ctx);
    const Cell* values;
    if (header->header & context::flag::values_on_stack) {
        if (!header->data2) return nullptr;
        values = stack::cell_at(header->data2 - 1);
    } else {
        values = node_cells(header->data2);
    }
    return values + index;
}

inline bool is_function_type(uint8_t type) {
    return type == type_id::native || type == type_id::action || type == type_id::function ||
           type == type_id::routine;
}

// A call whose function and name cells do not move while it runs (stack
// cells or rooted); result_slot is the cell that receives the result, or
// null for an infix call (the left operand is the frame's first cell).
int32_t call_stable(const Cell* fn, const Cell* name, Ref object_context, Cell* result_slot,
                    const Cell* code, int32_t position, int32_t end, bool push, const Cell* path,
                    int32_t path_element);

// The infix look-ahead; start_top is the argument top when the expression
// began.
int32_t eval_infix(const Cell* code, int32_t position, int32_t end, bool push, Cell* start_top);

} // namespace zep::interp::detail
