#include "runtime/math_util.h"

#include <cmath>
#include <numbers>

namespace zep::math {

double normalize_degrees(double angle, DegreeKind kind) {
    double a = std::fmod(angle, 360.0);
    if (a > 180.0 || a < -180.0) a += a >= 0.0 ? -360.0 : 360.0;
    if (a > 90.0 || a < -90.0) {
        switch (kind) {
        case DegreeKind::tangent:
            a += a >= 0.0 ? -180.0 : 180.0;
            break;
        case DegreeKind::sine:
            a = a >= 0.0 ? 180.0 - a : -180.0 - a;
            break;
        case DegreeKind::cosine:
            break;
        }
    }
    return a * std::numbers::pi / 180.0;
}

} // namespace zep::math
