// The parse dialect: the `parse` native matches an input series (any block,
// any text, binary) against a block of grammar rules, and may set words,
// collect values and edit the input while it matches.
//
// The engine keeps its frames in two global blocks (the input stack and the
// rule stack), shared by nested parses and kept with the event words in a
// state block that the root block holds; start-up makes them with
// `parse::init`.
#pragma once
#include <cstdint>

#include "runtime/cell.h"

namespace zep::parse {

// Start-up: makes the two stack blocks and the event words in the root block.
void init();
// Forgets what init made (tests rebuild the core between cases).
void forget();

// Runs the rules over the input: the result (logic!, or the block a
// top-level collect produced) goes into `result`. code is the comparison
// code (0, or 2 when case-sensitive), limit an input position past which
// nothing matches (0: none), callback a function! or null. The cells given
// must be stable (argument-stack cells).
void run_rules(const Cell* input, const Cell* rules, int code, int32_t limit, const Cell* callback,
               Cell* result);

} // namespace zep::parse

namespace zep::natives {

// parse: input rules /case /part length /trace callback.
void parse(bool check, const int32_t* refinements);
// Registers `parse` in the natives table.
void register_parse();

} // namespace zep::natives
