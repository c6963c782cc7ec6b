// Slot signatures of the number actions that the registry does not declare
// yet: round, negate, even?/odd?, pick and eval-path. Datatypes that fill
// these slots use these signatures; callers cast a slot to them.
#pragma once
#include <cstdint>

#include "runtime/cell.h"

namespace zep {

// round: (value, scale or null when /to is absent, then the flags /even,
// /down, /half-down, /floor, /ceiling, /half-ceiling) → the value's cell,
// rounded in place.
using RoundFn = Cell* (*)(Cell* value, const Cell* scale, bool even, bool down, bool half_down,
                          bool floor, bool ceiling, bool half_ceiling);
// negate: the value's cell, negated in place.
using NegateFn = Cell* (*)(Cell* value);
// even?, odd?: the truth, which the action boxes as logic!.
using ParityFn = bool (*)(const Cell* value);
// pick: (value, index, the index cell) → the picked value's cell.
using PickFn = Cell* (*)(Cell* value, int32_t index, const Cell* index_cell);
// eval-path: (value, selector, new value or null when getting, the path,
// the parent or null) → the selected value's cell (the new value when
// setting).
using EvalPathFn = Cell* (*)(Cell* value, const Cell* selector, const Cell* new_value,
                             const Cell* path, const Cell* parent);

} // namespace zep
