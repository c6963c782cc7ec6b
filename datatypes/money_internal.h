// Helpers shared by the money! sources: the exact wide arithmetic behind
// multiplication and division, and the decimal form of a number operand.
#pragma once
#include <cstddef>
#include <cstdint>

#include "datatypes/money.h"

namespace zep::money::detail {

// An unsigned 256-bit integer, enough for an amount times a 17-digit
// mantissa times a power of ten.
struct Wide {
    uint64_t limb[4] = {0, 0, 0, 0}; // least significant first

    static Wide of(unsigned __int128 v);
    void multiply(uint64_t m);
    // Divides in place; answers the remainder.
    uint64_t divide(uint64_t d);
    bool is_zero() const;
    // True when the value fits 128 bits and is below `limit`.
    bool is_below(unsigned __int128 limit) const;
    unsigned __int128 low128() const;
};

// A number as digits x 10^exponent (|x| = digits x 10^exponent).
struct Decimal {
    bool negative = false;
    uint64_t digits = 0;
    int exponent = 0;
};
// An integer, and a finite double at its shortest decimal form.
Decimal decimal_of_integer(int32_t n);
Decimal decimal_of_float(double x);

// |units| x d, rounded half away from zero to units; math overflow beyond
// the amount range.
Units multiply(Units units, const Decimal& d);
// units / d, rounded half away from zero; math zero-divide for 0.
Units divide(Units units, const Decimal& d);

[[noreturn]] void fire_overflow();

// The amount as plain decimal text: "-", the integer digits, "." and the 5
// fraction digits (at least 40 bytes of room); answers the length.
size_t format_plain(Units units, char* out);

} // namespace zep::money::detail
