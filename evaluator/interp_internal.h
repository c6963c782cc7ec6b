// Helpers shared by the interpreter's modules (evaluation, paths, tracing).
#pragma once
#include <cstdint>

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

inline bool is_function_type(uint8_t type) {
    return type == type_id::native || type == type_id::action || type == type_id::function ||
           type == type_id::routine;
}

// The infix look-ahead; start_top is the argument top when the expression
// began.
int32_t eval_infix(const Cell* code, int32_t position, int32_t end, bool push, Cell* start_top);

} // namespace zep::interp::detail
