// The natives that decide what to evaluate and evaluate blocks on request:
// if, unless, either, any, all, switch, case, do, reduce, compose, apply.
// Each is a native entry (evaluator/natives.h): arguments at the arguments
// base, refinements as argument positions (-1 when absent), the result in
// the base cell.
#pragma once
#include <cstdint>

#include "runtime/cell.h"

namespace zep::natives {

// Puts every native of this file and of natives_loops.h at its index of the
// natives table.
void register_control();

void if_(bool check, const int32_t* refinements);
void unless(bool check, const int32_t* refinements);
void either(bool check, const int32_t* refinements);
void any(bool check, const int32_t* refinements);
void all(bool check, const int32_t* refinements);
void switch_(bool check, const int32_t* refinements);
void case_(bool check, const int32_t* refinements);
// Refinements: /expand, /args, /next, /trace.
void do_(bool check, const int32_t* refinements);
void reduce(bool check, const int32_t* refinements);
void compose(bool check, const int32_t* refinements);
void apply(bool check, const int32_t* refinements);

// The block branch of `do`: evaluates the block (held in a stable cell) from
// its position, clamped to its tail, into the current result slot. With
// `expand` the preprocessor runs on it first; with a `next_word` (a word
// cell, or null) only one expression is evaluated and the word is set to the
// block at the position after it.
void do_block(Cell* block, bool expand, Cell* next_word);

// The core of `compose`: composes the source block into a new block, or into
// `target` (inserting at its position unless it is at its tail) when `into`
// is set; the result goes into the current result slot. A source that is not
// a block! raises script expect-val.
void compose_block(const Cell* source, bool deep, bool only, Cell* target, bool into);

} // namespace zep::natives
