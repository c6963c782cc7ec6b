// Functions whose bodies only compute with integers run on a compiled form,
// without the general evaluator's frames and checks.
//
// A function! qualifies when its spec takes only evaluated arguments (no
// refinement, no /local, nothing after them) and its body, with the blocks
// and parens in it, is made of: integer!, logic! and none! literals; its
// argument words; global words whose value is an integer!, logic! or none!;
// the operators that combine two integers in place (add, subtract and
// multiply, and the comparisons) as the right operand of a literal, an
// argument, a constant or a paren; `either`, `if` and `unless` with literal
// blocks; `loop`, `repeat` and `while` with literal blocks, and `break` and
// `continue` in them; `try` and `catch` of a literal block; `return`; the
// integer tests (`even?`, `odd?`, `zero?`, `positive?`, `negative?`);
// set-words assigning to its arguments or to global words; parens; and
// calls of global words whose value is a qualifying function (itself
// included). Straight code (no call, conditional, loop or guarded block) is
// left to the general evaluation, whose plain expressions are as quick.
//
// Such a body can neither raise an error nor throw: the compiled form gives
// up instead. So `try` and `catch` give their block's value, and a return
// leaves through them. Its only effects are writes to its own arguments
// (on a copy) and to global words, whose values are saved before it runs.
// It allocates nothing and runs no other code, so nothing else sees a
// write before it ends. When anything turns out other than the common case
// (an operand or condition of another type, an overflow, an argument its
// spec refuses, a recursion deeper than the general evaluator surely has
// room for), it puts the saved values back and gives up, and the call runs
// the body the general way from the start: that gives the value or raises
// the error it always would.
//
// What the compiled form assumed is checked on every call from outside it:
// the cells of each block it was made from and the values of the global
// words it names but does not write (a written word is read live, with its
// type checked where it is read). A call from within it needs no check, as
// nothing else changes while it runs.
#pragma once
#include "runtime/cell.h"

namespace zep::interp::pure {

// A function found not to qualify is marked in its more block's code cell
// (an unset!, whose payload is otherwise unused), so that its calls need
// not ask again.
constexpr uint32_t not_qualified = 1;
inline bool is_marked_not_qualified(const Cell* code_cell) {
    return code_cell->data1 == not_qualified;
}

// Runs the body of function (a function! called from code, its arguments
// fetched and checked into the cells from args) on its compiled form when
// it has a valid one. Answers true with the body's value in *out; false
// having changed nothing.
bool run(const Cell* function, const Cell* args, Cell* out);

} // namespace zep::interp::pure
