// Function calls: the cached call spec, argument fetching (from code, from
// a path's refinements, from apply's block), refinement switching, and the
// runners of function! bodies and routine! code.
//
// Call spec: built from a function-like value's spec on its first call and
// cached in cell 1 of its more block (natives and actions: the second cell
// of their context block). One cell per spec entry, in spec order:
//   typeset!    an argument (header bits 20-21: 0 word!, 1 get-word!,
//               2 lit-word!) or return: (3); its types from the block after
//               the word, else every type but unset!
//   refinement! a refinement other than /local (natives and actions: data3
//               holds its 1-based number)
//   integer!    /local: the cells from /local to the next set-word or end
//   integer!    natives and actions with refinements: their count (last)
//
// Pending exits (return, exit, break, continue without a C++ throw).
//
// A `return` must cost about what falling off the end of a body costs, so
// the common case travels as a flag, not as a catch_::Unwind:
// 1. The exiting native (return, exit, break, continue) calls request_exit
//    with its code and value. request_exit walks the frame stack from the
//    frame below the top (the native's own frame) down to the receiving
//    frame (return/exit: a frame with the return-target bit; break/continue:
//    a loop frame). It succeeds only when every frame it passes, and the
//    receiver, carries frame_polls_exit. Then it records the code in
//    pending_exit and the value in pending_value, and answers true; the
//    native then simply returns. Otherwise it answers false and changes
//    nothing; the native falls back to stack::throw_exit / throw_break
//    (which also raises the right error at a barrier or at the bottom).
// 2. frame_polls_exit on a frame is a promise by the C++ code that owns the
//    frame: after every evaluation it starts, it tests pending_exit and, when
//    set, stops at once without evaluating, assigning or reporting anything
//    more, unwinds its frames normally and returns. Owners that set it:
//    - eval_block on its eval frame (test after each expression);
//    - eval_call on the frame it marks for a call while arguments are
//      fetched (fetch_args tests after each argument and answers at once;
//      eval_call then unwinds without running the callee or reporting);
//      fetch_args clears the bit before it runs a native's or action's
//      entry, and a native that itself keeps the promise may set it again
//      on its own frame (set_polls_exit) and on the frames it marks (a loop
//      native on its loop frame, which then also absorbs break/continue);
//    - eval_expression on the frames it marks for a paren, a set-word or a
//      set-path value (and it tests before the infix look-ahead, before an
//      assignment and before using a paren's value);
//    - run_function_body on the function frame, together with the return-
//      target bit: it absorbs a pending return or exit when eval_block
//      comes back (the value goes into the result slot, pending_exit is
//      cleared) and lets a pending break or continue pass on.
//    Frames without the bit (barriers, try, catch, natives
//    that do not poll) make request_exit fail, so they see a real throw.
// 3. Nothing allocates or evaluates while an exit is pending, which is why
//    pending_value needs no collector root. The epilog trace event is the
//    one report made with an exit pending: run_function_body sets the exit
//    aside (rooted) while the tracer runs and restores it afterwards.
// 4. Every receiver of a thrown code (catch_::receive at an error, throw or
//    loop threshold) clears a pending exit it may find (clear_pending_exit),
//    so a stale flag never outlives the evaluation that set it.
#pragma once
#include <cstdint>

#include "evaluator/stack.h"
#include "runtime/cell.h"
#include "runtime/memory.h"

namespace zep::interp {

// Argument-fetch modes.
namespace fetch_mode {
constexpr int32_t code = 0;      // from the code after the function (below 1)
constexpr int32_t path = 1;      // refinements named by the path's elements;
                                 // with no path: apply/all's block
constexpr int32_t apply = 2;     // apply's block: positional arguments, then
                                 // refinement!, truth, arguments...
constexpr int32_t safer_bit = 4; // apply/safer: one cell per argument
} // namespace fetch_mode

// Argument modes in a call spec typeset's header bits 20-21.
namespace arg_mode {
constexpr uint32_t shift = 20;
constexpr uint32_t mask = 3u << shift;
enum : uint32_t { evaluated = 0, get = 1, literal = 2, return_type = 3 };
} // namespace arg_mode

// Builds the call spec block of a native!, action!, function! or routine!
// and answers its node (not cached).
Ref build_call_spec(const Cell* function);
// Where the call spec is cached: cell 1 of the more block, or for natives
// and actions the second cell of their context block (both in data3).
inline Cell* call_spec_cache_cell(const Cell* function) {
    return node_cells(function->data3) + 1;
}
Ref build_and_cache_call_spec(const Cell* function);
// A summary of a call spec, kept in data3 of its cache cell (0: none). The
// plain bit says that an ordinary call needs no refinement or fetch-mode
// bookkeeping: the spec starts with the given number of arguments, each
// evaluated or (among the first six) taken literally, and whatever follows
// is a return type, a function's /local count or, for a native or action,
// its refinements (all off in an ordinary call, at most 64 of them).
namespace call_shape {
constexpr uint32_t plain = 1u << 31;
constexpr uint32_t refinements = 1u << 30; // a plain native or action has some
constexpr uint32_t argument_mask = 0xFF;   // the leading arguments
constexpr uint32_t local_shift = 8;        // a plain function's /local slots
constexpr uint32_t local_mask = 0xFFFF;
constexpr int32_t max_refinements = 64;
// Which of the first six leading arguments are taken literally (a
// lit-word! in the spec), one bit each from bit 24.
constexpr uint32_t literal_shift = 24;
constexpr int32_t literal_positions = 6;
constexpr uint32_t literal_bits = 0x3Fu << literal_shift;
inline bool takes_literally(uint32_t shape, int32_t argument) {
    return argument < literal_positions && ((shape >> (literal_shift + argument)) & 1) != 0;
}
inline int32_t arguments(uint32_t shape) {
    return static_cast<int32_t>(shape & argument_mask);
}
inline int32_t locals(uint32_t shape) {
    return static_cast<int32_t>((shape >> local_shift) & local_mask);
}
} // namespace call_shape
// The summary of a call spec block of a native-like (native) or other
// function-like value.
uint32_t call_shape_of(Ref call_spec, bool native);
// The cached call spec node, built and stored on first use.
inline Ref call_spec_of(const Cell* function) {
    const Cell* cached = call_spec_cache_cell(function);
    if (cell_type(cached) == type_id::block) return value::series_node(cached);
    return build_and_cache_call_spec(function);
}

// Fetches the arguments of the function value (a native!, action!,
// function! or routine!, an op! already unwrapped) into the current frame
// from code (a block-like value; position and end are cell indexes in its
// buffer from its first used unit) or, in the path mode, from a path
// (path_index: the function's own element). For natives and actions it
// also runs the entry with the refinement positions. Answers the position
// after the arguments. The cells given may lie in series buffers: they are
// copied and rooted first.
int32_t fetch_args(const Cell* function, const Cell* code, int32_t position, int32_t end,
                   const Cell* path, int32_t path_index, int32_t mode, bool infix);

// fetch_args for an ordinary call from code (fetch mode code, no path),
// when the function and code cells are stable (stack cells or rooted): the
// interpreter's common case, without copying, rooting or the refinement
// bookkeeping that paths and apply need.
int32_t fetch_code_args(const Cell* function, const Cell* code, int32_t position, int32_t end,
                        bool infix);

// The end of an infix call to a native or action of two arguments whose
// operands already sit in its frame (the interpreter evaluated the right
// one itself): the right operand's type check and the entry, as
// fetch_code_args runs them. The left operand must have passed its check.
void run_infix_native(const Cell* function);

// Runs a function! whose arguments are stacked from the current base (the
// frame marked for it): its body. object_context is the object context of
// the call (0: the global context), which the body runner does not need;
// name names it in trace events and errors; trace_filter is a callback-kind
// bit (0 for ordinary calls).
void call_function(const Cell* function, Ref object_context, const Cell* name,
                   uint32_t trace_filter);
// call_function on stable function and name cells (stack cells or rooted).
void call_function_stable(const Cell* function, Ref object_context, const Cell* name,
                          uint32_t trace_filter);
// A function! named by a word met in code, called when nothing traces:
// eval_call's work for the common case (no attributes),
// in one step. Answers the position after the arguments, or -1 having done
// nothing when the function is not such a case.
int32_t call_interpreted_from_code(const Cell* function, const Cell* word, const Cell* code,
                                   int32_t position, int32_t end, bool push);
// The same for a native! or action! named by a word met in code.
int32_t call_native_from_code(const Cell* function, const Cell* word, const Cell* code,
                              int32_t position, int32_t end, bool push);
// The interpreted body runner (see the pending-exit protocol above).
void run_function_body(const Cell* function, const Cell* body, const Cell* name);
// Runs a routine! whose arguments are stacked from the current base; name
// names it in errors.
void call_routine(const Cell* routine, const Cell* name);

// Calls a function-like value (an op! is unwrapped) from C++ code with the
// given cells (copied, type-checked) as its first positional arguments;
// missing arguments are none and every refinement is off. Marks the call's
// frame, runs it and leaves the result as the caller's last pushed cell
// (stack::unwind). name may be null (<anon>). With read_back, the argument
// at read_index (above 0: the first slot receives the result) is copied
// there as the call left it, when the function takes that argument; a
// callback moves an input position this way.
void call_with(const Cell* function, const Cell* const* arguments, int32_t count, const Cell* name,
               int32_t read_index = -1, Cell* read_back = nullptr);

// --- Pending exits ---------------------------------------------------------------

constexpr uint32_t frame_polls_exit = 1u << 29;

// 0, or catch_::code_return, code_exit, code_break or code_continue.
extern uint32_t pending_exit;
// return's value, or break/return's value (unset! when none).
extern Cell pending_value;

inline bool is_exit_pending() {
    return pending_exit != 0;
}
inline void clear_pending_exit() {
    pending_exit = 0;
}
// Marks a frame that keeps the pending-exit promise from the start.
inline void mark_polling_frame(const Cell* word, uint32_t header) {
    stack::mark_frame(word, header | frame_polls_exit);
}
// Sets frame_polls_exit on the top frame.
inline void set_polls_exit() {
    if (stack::Frame* frame = stack::top_frame()) frame->header |= frame_polls_exit;
}
// Step 1 of the protocol. value may be null (unset!).
bool request_exit(uint32_t code, const Cell* value);
// The frame walk of can_request_exit_here, from the top frame.
bool polls_from_top_to_receiver(uint32_t code);
// Whether an exit met in code running in the top frame, with no frame of
// its own, could be carried as a pending exit: every frame from the top
// down to its receiver polls. The top frame is most often the receiver of
// a return or exit itself (a function body's own frame).
inline bool can_request_exit_here(uint32_t code) {
    const stack::Frame* top = stack::top_frame();
    if (!top) return false;
    constexpr uint32_t receiver = stack::frame_header::return_target | frame_polls_exit;
    if ((code == catch_::code_return || code == catch_::code_exit) &&
        (top->header & receiver) == receiver)
        return true;
    return polls_from_top_to_receiver(code);
}

} // namespace zep::interp
