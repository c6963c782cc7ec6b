// The natives that build or coerce values: as-pair, as-point2D, as-point3D,
// as-money and as.
#pragma once
#include <cstdint>

#include "runtime/cell.h"

namespace zep::natives {

void as_pair(bool check, const int32_t* refinements);
void as_point2d(bool check, const int32_t* refinements);
void as_point3d(bool check, const int32_t* refinements);
void as_money(bool check, const int32_t* refinements);
// as type spec
void as(bool check, const int32_t* refinements);

// A point2D! (count 2) or point3D! (count 3) from the current call's first
// count arguments, each an integer! or float!, into the result slot.
void make_point(int count);

void register_convert();

} // namespace zep::natives
