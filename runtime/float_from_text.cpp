// Decimal text to double, correctly rounded (ties to even).
//
// Up to 15 significant digits with a small exponent are exact in double
// arithmetic. Everything else is computed exactly with big integers: the
// top 64 bits of digits x 10^e (a quotient when e < 0), plus a sticky bit
// for anything below, rounded once to the double's precision.
#include <cmath>
#include <cstdint>
#include <cstring>
#include <limits>

#include "runtime/float_bigint.h"
#include "runtime/float_text.h"

namespace zep::float_ {

namespace {

// A double's halfway points have fewer than 770 significant digits, so
// digits beyond this many only matter as "something non-zero follows".
constexpr int kept_digits = 800;

// Written exponents saturate here, far beyond any int32 adjustment or text
// length that could bring the value back into range, and far below int64
// overflow.
constexpr int64_t exponent_limit = 100000000000000000;

constexpr double exact_powers[] = {1e0,  1e1,  1e2,  1e3,  1e4,  1e5,  1e6,  1e7,
                                   1e8,  1e9,  1e10, 1e11, 1e12, 1e13, 1e14, 1e15,
                                   1e16, 1e17, 1e18, 1e19, 1e20, 1e21, 1e22};

struct Decimal {
    char digits[kept_digits + 1]; // significant digits, '0'-based
    int count = 0;
    bool sticky = false; // non-zero digits were dropped after the kept ones
    int64_t point = 0;   // value = 0.digits x 10^point before the exponent

    void push(char c) {
        if (count < kept_digits)
            digits[count++] = c;
        else if (c != '0')
            sticky = true;
    }
};

bool is_digit(char c) {
    return c >= '0' && c <= '9';
}

double from_bits(uint64_t bits) {
    double x;
    std::memcpy(&x, &bits, sizeof x);
    return x;
}

// The double nearest to (q + f) x 2^p, where f in [0, 1) is non-zero when
// sticky is set; q must have at least 55 significant bits.
double round_to_double(uint64_t q, bool sticky, int64_t p) {
    int length = 64 - __builtin_clzll(q);
    int64_t top = length - 1 + p;
    if (top > 1023) return std::numeric_limits<double>::infinity();
    int64_t drop = length - 53;
    if (top < -1022) drop += -1022 - top; // subnormal: fewer bits remain
    if (drop > 64) return 0.0;
    uint64_t m, rest, half;
    if (drop == 64) {
        m = 0;
        rest = q;
        half = uint64_t{1} << 63;
    } else {
        m = q >> drop;
        rest = q & ((uint64_t{1} << drop) - 1);
        half = uint64_t{1} << (drop - 1);
    }
    if (rest > half || (rest == half && (sticky || (m & 1)))) ++m;
    int64_t unit = p + drop; // m x 2^unit
    if (m == uint64_t{1} << 53) {
        m >>= 1;
        ++unit;
    }
    if (m < uint64_t{1} << 52) return from_bits(m); // subnormal, unit -1074
    int64_t biased = unit + 52 + 1023;
    if (biased >= 2047) return std::numeric_limits<double>::infinity();
    return from_bits((static_cast<uint64_t>(biased) << 52) | (m & ((uint64_t{1} << 52) - 1)));
}

// Exact: digits x 10^e, for e within the range where the result is finite
// and non-zero or at least undecided.
double exact_value(const Decimal& d, int e) {
    Big n;
    uint32_t chunk = 0;
    uint32_t scale = 1;
    for (int i = 0; i < d.count; ++i) { // nine digits per big-integer step
        chunk = chunk * 10 + static_cast<uint32_t>(d.digits[i] - '0');
        scale *= 10;
        if (scale == 1000000000 || i + 1 == d.count) {
            n.mul_small(scale);
            n.add_small(chunk);
            chunk = 0;
            scale = 1;
        }
    }
    if (d.sticky) { // stands for the dropped tail: below one unit, non-zero
        n.mul_small(10);
        n.add_small(1);
        --e;
    }
    if (e >= 0) {
        n.mul_pow5(e);
        int length = n.bit_length();
        if (length <= 64) {
            uint64_t q = n.shifted_right(0) << (64 - length);
            return round_to_double(q, false, e - (64 - length));
        }
        int below = length - 64;
        return round_to_double(n.shifted_right(below), n.has_bits_below(below), e + below);
    }
    // digits / 5^-e x 2^e: a 64-bit quotient with at least 62 significant
    // bits, the remainder giving the sticky bit.
    Big divisor(1);
    divisor.mul_pow5(-e);
    int shift = 63 - (n.bit_length() - divisor.bit_length());
    if (shift > 0)
        n.shift_left(shift);
    else
        divisor.shift_left(-shift);
    int normalise = (32 - divisor.bit_length() % 32) % 32;
    n.shift_left(normalise);
    divisor.shift_left(normalise);
    uint64_t q = uint64_t{n.divide_step(divisor, 1)} << 32;
    q |= n.divide_step(divisor, 0);
    return round_to_double(q, !n.is_zero(), int64_t{e} - shift);
}

double value_of(const Decimal& d, int64_t e) {
    if (d.count == 0) return 0.0;
    int64_t magnitude = d.count + e; // value < 10^magnitude
    if (magnitude > 310) return std::numeric_limits<double>::infinity();
    if (magnitude < -324) return 0.0; // below half the smallest subnormal
    if (d.count <= 15 && !d.sticky) {
        double v = 0;
        for (int i = 0; i < d.count; ++i) v = v * 10 + (d.digits[i] - '0');
        if (e == 0) return v;
        if (e > 0 && e <= 22) return v * exact_powers[e];
        if (e > 0 && e <= 37 - d.count)
            return v * exact_powers[15 - d.count] * exact_powers[e - 15 + d.count];
        if (e < 0 && e >= -22) return v / exact_powers[-e];
    }
    return exact_value(d, static_cast<int>(e));
}

} // namespace

double from_text(const char* start, const char* end, int exponent_adjustment, ptrdiff_t* unread) {
    const char* p = start;
    auto finish = [&](double magnitude, bool negative) {
        if (unread) *unread = end - p;
        return negative ? 0.0 - magnitude : magnitude;
    };

    bool negative = false;
    if (p < end && (*p == '+' || *p == '-')) negative = *p++ == '-';
    while (p < end && *p == '0') ++p;

    Decimal d;
    int64_t integer_digits = 0;
    for (; p < end && is_digit(*p); ++p, ++integer_digits) d.push(*p);
    if (p < end && *p == '.') {
        if (integer_digits == 1 && p + 1 < end && p[1] == '#' && p + 2 < end) {
            char c = p[2];
            if (c == 'I' || c == 'i' || c == 'N' || c == 'n') {
                p = end; // the rest of a special text is not examined
                if (c == 'N' || c == 'n')
                    return finish(std::numeric_limits<double>::quiet_NaN(), false);
                return finish(std::numeric_limits<double>::infinity(), negative);
            }
        }
        ++p;
        int64_t leading_zeros = 0;
        for (; p < end && is_digit(*p); ++p) {
            if (d.count == 0 && *p == '0')
                ++leading_zeros;
            else
                d.push(*p);
        }
        d.point = integer_digits - leading_zeros;
    } else {
        d.point = integer_digits;
    }

    int64_t written = 0;
    if (p + 1 < end && (*p == 'e' || *p == 'E')) {
        const char* q = p + 1;
        bool exponent_negative = false;
        if (*q == '+' || *q == '-') exponent_negative = *q++ == '-';
        if (q < end && is_digit(*q)) {
            for (; q < end && is_digit(*q); ++q)
                if (written < exponent_limit) written = written * 10 + (*q - '0');
            if (exponent_negative) written = -written;
            p = q;
        }
    }

    if (!d.sticky)
        while (d.count > 0 && d.digits[d.count - 1] == '0') --d.count;
    int64_t e = written + d.point - d.count + exponent_adjustment;
    return finish(value_of(d, e), negative);
}

} // namespace zep::float_
