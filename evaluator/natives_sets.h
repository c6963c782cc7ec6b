// The set natives: union intersect unique difference exclude complement?.
#pragma once
#include <cstdint>

#include "runtime/cell.h"

namespace zep::natives {

// union set1 set2 /case /skip size (intersect, difference, exclude alike)
void union_(bool check, const int32_t* refinements);
void intersect(bool check, const int32_t* refinements);
void difference(bool check, const int32_t* refinements);
void exclude(bool check, const int32_t* refinements);
// unique set /case /skip size
void unique(bool check, const int32_t* refinements);
void is_complement(bool check, const int32_t* refinements);

// Set operation codes.
namespace set_code {
enum : int { unique = 8, union_ = 9, intersect = 10, exclude = 11, difference = 12 };
} // namespace set_code

// The set operation on the current call's arguments (set1 at the base, set2
// above it except for unique): checks that the two sets agree and hands them
// to their datatype's worker; the new set goes into the result slot. skip is
// the /skip size cell, or null.
void set_operation(bool case_, const Cell* skip, int code);

void register_sets();

} // namespace zep::natives
