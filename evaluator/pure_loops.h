// Loops run by their natives from general code (`loop`, `repeat` and
// `while` outside a compiled function) whose bodies only compute with
// integers run on a compiled form, as the functions of
// evaluator/pure_functions.h do: the same subset, but no return or exit (it
// would leave a function of the general code), and no argument words (the
// words of general code are global or belong to a context the form does not
// know). The form is kept for the loop's blocks and counter word and
// checked on each run; anything outside the common case puts back the
// words written and gives up, and the native runs the loop the general way
// from the start.
#pragma once
#include "runtime/cell.h"

namespace zep::interp::pure {

// loop (word null) or repeat: count is an integer! of at least 1. Answers
// true with the loop's value in *out; false having changed nothing.
bool run_counted_loop(const Cell* word, const Cell* count, const Cell* body, Cell* out);

// while: answers true with the loop's value in *out; false having changed
// nothing.
bool run_while_loop(const Cell* condition, const Cell* body, Cell* out);

} // namespace zep::interp::pure
