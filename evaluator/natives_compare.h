// The comparison natives: equal? ... greater-or-equal?, same?, not, type?.
// Every entry follows the natives' calling convention (evaluator/natives.h):
// arguments at stack::base() + n, result in stack::base().
#pragma once
#include <cstdint>

#include "runtime/cell.h"

namespace zep::natives {

void is_equal(bool check, const int32_t* refinements);
void is_not_equal(bool check, const int32_t* refinements);
void is_strict_equal(bool check, const int32_t* refinements);
void is_lesser(bool check, const int32_t* refinements);
void is_greater(bool check, const int32_t* refinements);
void is_lesser_or_equal(bool check, const int32_t* refinements);
void is_greater_or_equal(bool check, const int32_t* refinements);
void is_same(bool check, const int32_t* refinements);
void not_(bool check, const int32_t* refinements);
// type? value /word
void is_type(bool check, const int32_t* refinements);

// Identity of two values: the same series at the same index, the same bits
// of a scalar, the same word cell ... (see the implementation's table).
bool is_same_value(const Cell* a, const Cell* b);

// Registers the entries of this file (part of register_math).
void register_compare();

} // namespace zep::natives
