#include "runtime/math_util.h"

#include <cmath>
#include <gtest/gtest.h>
#include <numbers>

using namespace zep;
using math::DegreeKind;

TEST(MathUtil, NormalizeDegrees) {
    struct Case {
        double angle;
        DegreeKind kind;
        double degrees;
    };
    const Case cases[] = {
        {270, DegreeKind::sine, -90},                                   // 270 -> -90
        {-200, DegreeKind::tangent, -20},                               // -200 -> 160 -> -20
        {-200, DegreeKind::cosine, 160},  {-200, DegreeKind::sine, 20}, // 160 -> 180 - 160
        {135, DegreeKind::sine, 45},      {-135, DegreeKind::sine, -45},
        {135, DegreeKind::tangent, -45},  {720 + 30, DegreeKind::tangent, 30},
        {-90, DegreeKind::tangent, -90},
    };
    for (const Case& c : cases)
        EXPECT_DOUBLE_EQ(math::normalize_degrees(c.angle, c.kind),
                         c.degrees * std::numbers::pi / 180)
            << c.angle << " kind " << static_cast<int>(c.kind);
    EXPECT_TRUE(std::isnan(math::normalize_degrees(INFINITY, DegreeKind::sine)));
}

TEST(MathUtil, AlignUp) {
    static_assert(math::align_up(0, 16) == 0);
    static_assert(math::align_up(1, 16) == 16);
    static_assert(math::align_up(16, 16) == 16);
    static_assert(math::align_up(17, 4096) == 4096);
    // Near the top of the range the answer saturates instead of wrapping.
    static_assert(math::align_up(UINT64_MAX - 3, 16) == UINT64_MAX);
}
