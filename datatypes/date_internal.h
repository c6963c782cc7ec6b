// Integer helpers of the date! modules.
#pragma once
#include <cstdint>

namespace zep::date {

// Floor division and modulo: the calendar counts backwards through year 0.
constexpr int64_t floor_div(int64_t a, int64_t b) {
    int64_t q = a / b;
    return (a % b != 0 && (a < 0) != (b < 0)) ? q - 1 : q;
}
constexpr int64_t floor_mod(int64_t a, int64_t b) {
    return a - floor_div(a, b) * b;
}

} // namespace zep::date
