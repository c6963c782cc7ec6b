// The interpreter: evaluates blocks, parens and paths expression by
// expression on the argument and frame stacks, calls functions found in code
// (argument fetching is evaluator/call.h), applies infix operators strictly
// left to right and reports do/trace events to a tracer function.
//
// Positions are int32 cell indexes in the code value's buffer (from its
// first used unit); `end` is one too. The code cell passed in must be stable
// (a stack cell or a root-block cell): the interpreter derives cell pointers
// from it again after every sub-evaluation, since the collector may move the
// buffer.
#pragma once
#include <cstdint>

#include "runtime/cell.h"

namespace zep::interp {

// --- Evaluation ------------------------------------------------------------------

// Makes the tracer cell and the held stack (in a static block held by the
// root block). Called once at start-up.
void init();
// Forgets the cells init made (tests rebuild the core between cases).
void forget();

// A block! naming the code under evaluation at the expression being
// evaluated, written to out; false when no code is under evaluation.
// Errors take their `near` from it.
bool current_code(Cell* out);
// The cells the interpreter holds while it evaluates: the collector marks
// [begin, top) as roots (both null before init).
struct HeldCells {
    Cell* begin;
    Cell* top;
};
HeldCells held_cells();

// Evaluates a block! or paren! from its index to its tail inside an eval
// frame. The result (unset for an empty block) is copied into the caller's
// result slot with chain set, else left pushed on the caller's stack.
void eval_block(const Cell* block, bool chain);
// Evaluates a block! from its index to its tail in the current frame, the
// way eval_block does with chain set, without a frame of its own: the body
// of a called function, the branch a conditional chose. The frame it runs
// in must poll for exits when the block's code may request one (see
// evaluator/call.h); an anonymous block frame would show in no error or
// trace. Traced evaluation takes eval_block's frame (the tracer sees it
// enter and exit).
void eval_block_in_frame(const Cell* block);

// Evaluates one expression at position. With push the result is pushed,
// else it goes into the current frame's result slot. no_infix turns the
// operator look-ahead off (an operator's right operand); with
// functions_as_values a function value in code is taken as it is.
// Answers the position after the expression.
int32_t eval_expression(const Cell* code, int32_t position, int32_t end, bool no_infix, bool push,
                        bool functions_as_values = false);

// One expression with infix look-ahead inside its own interpreter native
// frame; with push the result stays pushed, else it is copied into the
// caller's result slot. Answers the next position.
int32_t eval_next(const Cell* code, int32_t position, int32_t end, bool push);

// do/next: at the tail writes unset into the result slot and answers the
// block's index; else evaluates one expression (eval_next, result slot) and
// answers the 0-based index after it.
int32_t do_next(const Cell* block);

// Calls a function value met in code: `position` is just after the
// function's word (or path), `name` the naming word (null: the cell before
// position when it is a word!, else <anon>), `parent` the object through
// which a path reached it (or null), `path`/`path_element` the path and the
// function's element in it when called from a path (null/-1 otherwise).
// With infix the left operand is the top cell, which becomes the frame's
// first cell.
// Answers the position after the arguments.
int32_t eval_call(const Cell* function, const Cell* code, int32_t position, int32_t end, bool push,
                  const Cell* name, const Cell* parent, const Cell* path, int32_t path_element,
                  bool infix);

// Evaluates a path: get (calling a function found on the way), set (the new
// value is the current result slot), get mode (functions are not called),
// get_any (unset values are not refused), case_ (case-sensitive selection).
// `position` is after the path in code (a function found in the path fetches
// its arguments from there). Answers the position after the path and any
// arguments.
int32_t eval_path(const Cell* path, const Cell* code, int32_t position, int32_t end, bool set,
                  bool get, bool push, bool get_any, bool case_ = false);

// --- Tracing ---------------------------------------------------------------------

namespace trace_bit {
enum : uint32_t {
    init = 1,
    end = 2,
    prolog = 4,
    epilog = 8,
    enter = 16,
    exit = 32,
    open = 64,
    return_ = 128,
    fetch = 256,
    push = 512,
    set = 1024,
    call = 2048,
    error = 4096,
    throw_ = 8192,
    catch_ = 16384,
    expr = 32768,
};
constexpr uint32_t all_events = 131071;
} // namespace trace_bit

// True while a tracer is active (cleared while the tracer itself runs).
extern bool tracing;
// The events the tracer wants.
extern uint32_t trace_mask;
// The tracer's local words: when positive, a call pushes /local (false) and
// none for each further local.
extern int32_t tracer_locals;

inline bool traces(uint32_t bit) {
    return tracing && (trace_mask & bit) != 0;
}

// The root-block cell holding the tracer function!.
Cell* tracer();
// Installs a tracer for do/trace: stores it, computes its mask and locals
// count; does not switch tracing on.
void set_tracer(const Cell* function);
// Switches tracing off and forgets the tracer.
void clear_tracer();

// Reports one event to the tracer when tracing is on and the event is in the
// mask. `code` may be null (none, offset -1); `value` null or an empty cell
// gives none; `ref` is passed only for set, epilog, prolog, return and call.
void trace_event(uint32_t event, const Cell* code, int32_t position, const Cell* ref,
                 const Cell* value);
// The mask a tracer asks for: the OR of the event words in the block that
// starts its body, or all_events.
uint32_t trace_events_mask(const Cell* tracer);
void trace_init();
void trace_end();
void trace_throw(const Cell* value);
void trace_catch(const Cell* value);
void trace_call(const Cell* ref, const Cell* function);
// return from the function runner: the result is `result` (null: the
// current result slot).
void trace_return(const Cell* ref, const Cell* result = nullptr);

} // namespace zep::interp
