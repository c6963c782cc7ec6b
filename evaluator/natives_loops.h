// The looping natives (while until loop repeat forever foreach forall
// remove-each), the natives that leave a loop, a function or a block early
// (break continue exit return throw) and those that receive such exits
// (catch try), with the loop support functions that compiled code calls to
// drive the same loop state.
//
// Loop state of the series loops, in argument-stack cells just below the
// loop frame's base: base - 1 holds the loop word (or words block), base - 2
// a private copy of the series whose index is the loop position; remove-each
// keeps an integer! with the number of loop words at base - 3.
#pragma once
#include <cstdint>

#include "runtime/cell.h"

namespace zep::natives {

void while_(bool check, const int32_t* refinements);
void until(bool check, const int32_t* refinements);
void loop(bool check, const int32_t* refinements);
void repeat(bool check, const int32_t* refinements);
void forever(bool check, const int32_t* refinements);
void foreach (bool check, const int32_t* refinements);
void forall(bool check, const int32_t* refinements);
void remove_each(bool check, const int32_t* refinements);
void break_(bool check, const int32_t* refinements);
void continue_(bool check, const int32_t* refinements);
void exit_(bool check, const int32_t* refinements);
void return_(bool check, const int32_t* refinements);
void throw_(bool check, const int32_t* refinements);
void catch_(bool check, const int32_t* refinements);
// Refinements: /all, /keep.
void try_(bool check, const int32_t* refinements);

// --- Loop support (relative to the current arguments base) ---------------------

// Multi-word step: when the series copy has values left and n >= 1, sets the
// n loop words from the values at its position and advances it by n.
// Answers whether it set them.
bool foreach_init(int32_t n);
// Single-word step: sets the loop word to the value at the position and
// advances by 1. Answers whether values were left.
bool foreach_next();
// When advance is set, moves the loop word's series on by one in place.
// Answers whether it is now at or past its tail.
bool forall_next(bool advance);
// Sets the loop word back to the series kept below the base.
void forall_set();
// When the body's value (the last pushed cell) is true, removes the n values
// before the copy's position (the loop just passed them).
void remove_each_step(int32_t n);
// Truncates the current call's first argument from float! to integer! in
// place; a float outside the integer! range raises script out-of-range.
void loop_count_arg();
void float_to_integer(Cell* cell);
// Adds 1 to the integer! held by the counter word's value; a word of an
// object context is also stored again so that the object's change handling
// runs.
void loop_counter_inc(Cell* word);
// For i = 1 to n, sets the i-th word of words to `pick values i`.
void set_words_from_block(const Cell* words, const Cell* values, int32_t n);
// image! services for the series loops, installed by image! when it
// registers (null until then): the number of pixels, and setting n words
// to the pixels from the image's position on as tuple! values.
extern int32_t (*image_pixel_count)(const Cell* image);
extern void (*image_set_loop_pixels)(const Cell* words, const Cell* image, int32_t n);

// The end of a compiled `try`: with keep, records the call stack in the
// caught error; an error whose type and id are both `throw` goes on
// unwinding; otherwise the error becomes the result.
void try_result(bool keep);

} // namespace zep::natives
