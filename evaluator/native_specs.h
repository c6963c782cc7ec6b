// The specs natives and actions are made with, against the entries they
// name. Each entry of the natives and actions tables is written for the
// spec of the first value made with its index (start-up makes them all): it
// reads that many arguments, of those types, with those refinements. A
// value made later with the same index may have any spec (it molds and
// reflects as made), but one that could give its entry less is flagged,
// and the entry then runs only on arguments the first spec accepts.
#pragma once
#include "runtime/cell.h"

namespace zep::interp {

// Records the spec of the native! or action! when it is the first made
// with its index; otherwise flags the value (native::flag::unlike_entry)
// when its spec could give the entry less than the first one. Allocates.
void note_native_made(Cell* made);

// Before a flagged native's or action's entry runs in its frame: raises
// script bad-func-def when its arguments and refinements do not line up
// with the first spec's, or expect-arg for an argument the first spec
// refuses.
void check_unlike_entry_call(const Cell* function);

// Whether the native! or action! is the first value made with its index
// (the one start-up made, whose spec its entry is written for). Allocates
// nothing.
bool is_first_made(const Cell* value);

// Forgets every recorded spec (a new start of the runtime).
void forget_native_specs();

} // namespace zep::interp
