// Small numeric helpers of the runtime.
#pragma once
#include <cstdint>

namespace zep::math {

// value rounded up to a multiple of the power-of-two alignment. A value too
// close to the top of the range answers UINT64_MAX, never less than value,
// so that an allocation of the result fails instead of coming out short.
constexpr uint64_t align_up(uint64_t value, uint64_t alignment) {
    uint64_t mask = alignment - 1;
    if (value > UINT64_MAX - mask) return UINT64_MAX;
    return (value + mask) & ~mask;
}

// How normalize_degrees folds an angle beyond +-90 degrees, by the function
// the angle is for.
enum class DegreeKind : int {
    tangent = 0, // a +- 180 (the tangent repeats every 180 degrees)
    cosine = 1,  // unchanged
    sine = 2,    // 180 - a or -180 - a (the sine is symmetric about +-90)
};

// Reduces an angle in degrees to -180..180, folds it into -90..90 as its kind
// allows, and answers it in radians.
double normalize_degrees(double angle, DegreeKind kind);

} // namespace zep::math
