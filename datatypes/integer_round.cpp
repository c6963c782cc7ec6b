// Rounding and raising to a power, the two integer! actions that may hand
// their work to float!.
#include <climits>
#include <cstdint>

#include "datatypes/float.h"
#include "datatypes/integer.h"
#include "datatypes/integer_support.h"
#include "datatypes/registry.h"
#include "evaluator/stack.h"
#include "runtime/catch.h"

namespace zep::integer {

namespace {

[[noreturn]] void power_overflow() {
    catch_::throw_code(catch_::code_power_overflow);
}

// base ** exponent (exponent >= 0) by square-and-multiply; leaves the loop
// through the power-overflow exit when a product overflows.
int32_t power_or_overflow(int32_t base, int32_t exponent) {
    int32_t result = 1;
    while (exponent != 0) {
        if (exponent & 1) {
            if (__builtin_mul_overflow(result, base, &result)) power_overflow();
        }
        exponent >>= 1;
        // The last squaring is never used: it may overflow harmlessly.
        if (__builtin_mul_overflow(base, base, &base) && exponent > 0) power_overflow();
    }
    return result;
}

void float_power(Cell* base) {
    value::set_float(base, double(get(base)));
    float_::power();
}

} // namespace

void power() {
    Cell* base = stack::base();
    const Cell* exponent = base + 1;
    uint8_t type = cell_type(exponent);
    if (type != type_id::integer && type != type_id::float_)
        scalar::raise_expect_arg(exponent, "exponent");
    if (type == type_id::float_ || get(exponent) < 0) {
        float_power(base);
        return;
    }
    int32_t result = 0;
    uint32_t code = catch_::receive(catch_::code_power_overflow,
                                    [&] { result = power_or_overflow(get(base), get(exponent)); });
    if (code != 0) {
        if (code != catch_::code_power_overflow) catch_::unwind(); // not ours
        catch_::exception_slot = 0;
        float_power(base);
        return;
    }
    base->data2 = static_cast<uint32_t>(result);
}

Cell* round(Cell* value, const Cell* scale, uint32_t flags) {
    if (scale && cell_type(scale) == type_id::money) scalar::raise_money_scale();
    int32_t n = get(value);
    if (n == INT32_MIN) return value;
    int64_t s = 1;
    if (scale) {
        if (cell_type(scale) != type_id::integer) {
            value::set_float(value, double(n));
            return float_::round(value, scale, flags);
        }
        s = absolute_checked(get(scale));
    }
    if (s == 0) return value;
    int64_t a = absolute_checked(n);
    int64_t r = a % s;
    if (r == 0) return value;
    const int64_t below = a - r;
    const int64_t above = a + (s - r);
    const bool negative = n < 0;
    // Magnitude rounded away from zero; it must still fit.
    auto up = [&] {
        if (above > INT32_MAX) scalar::raise_overflow();
        return above;
    };
    int64_t magnitude;
    if (flags & float_::round_flag::down) {
        magnitude = below;
    } else if (flags & float_::round_flag::floor) {
        magnitude = negative ? up() : below;
    } else if (flags & float_::round_flag::ceiling) {
        magnitude = negative ? below : up();
    } else if (r < s - r) {
        magnitude = below;
    } else if (r > s - r) {
        magnitude = up();
    } else if (flags & float_::round_flag::even) {
        magnitude = (a / s) % 2 == 0 ? below : up();
    } else if (flags & float_::round_flag::half_down) {
        magnitude = below;
    } else if (flags & float_::round_flag::half_ceiling) {
        magnitude = negative ? below : up();
    } else {
        magnitude = up();
    }
    value->data2 = static_cast<uint32_t>(static_cast<int32_t>(negative ? -magnitude : magnitude));
    return value;
}

} // namespace zep::integer
