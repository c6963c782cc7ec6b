// Digit generation in 128-bit fixed point, without big integers.
//
// A value n * 2^a (n < 2^56) times a power of ten 10^k is computed from a
// table entry P * 2^b <= 10^k < (P + 1) * 2^b (P of 128 bits): the product
// n * P, shifted right, gives T = n * 2^a * 10^k in 64.64 fixed point from
// below, short by less than two units of 2^-64 (under one from truncating P,
// since n < 2^shift is required, and under one from the shift). Whether T is
// an integer, or an integer and a half, is decided exactly from the
// divisibility of n; any other decision the error could sway is left open
// (answer 0) for the big-integer method. scripts/find_float_near_ties.py
// lists the doubles concerned: none for shortest digits, a few dozen
// (double, N) pairs for N-digit rounding.
#include <cstdint>

#include "runtime/float_digits.h"
#include "runtime/float_parts.h"
#include "runtime/float_pow10.h"

namespace zep::float_::digits {

namespace {

using u128 = unsigned __int128;

constexpr uint64_t half_unit = uint64_t{1} << 63;
constexpr int max_fast_count = 17;

// 5^24 > 2^56 > n: no significand here is a multiple of a higher power.
constexpr int max_pow5 = 24;

constexpr uint64_t pow5(int i) {
    uint64_t p = 1;
    while (i-- > 0) p *= 5;
    return p;
}

// floor(a * log10 2), exact for |a| < 1100 (checked by the table generator).
constexpr int floor_log10_pow2(int a) {
    return (a * 315653) >> 20;
}

// Whether n * 2^a * 10^k is an integer.
bool is_integer(uint64_t n, int a, int k) {
    int twos = a + k;
    if (twos < 0 && (twos <= -64 || (n & ((uint64_t{1} << -twos) - 1)) != 0)) return false;
    if (k < 0 && (k < -max_pow5 || n % pow5(-k) != 0)) return false;
    return true;
}

// T = n * 2^a * 10^k with its floor exact; frac is T's fractional part in
// units of 2^-64 from below (within two units), exactly 0 when T is integral.
struct Scaled {
    uint64_t whole;
    uint64_t frac;
    bool integral;
};

// False when T is out of the table's reach or its floor is in doubt.
bool scale(uint64_t n, int a, int k, Scaled* out) {
    if (k < pow10_first || k > pow10_last) return false;
    const Pow10& p = pow10_table[k - pow10_first];
    // T * 2^64 = n * P * 2^(a + b + 64): shift the 192-bit product right.
    int shift = -(a + p.binary_exponent) - 64;
    if (shift < 1 || shift > 127) return false;
    if (shift < 64 && (n >> shift) != 0) return false; // error bound needs n <= 2^shift
    u128 low = static_cast<u128>(n) * p.lo;
    u128 high = static_cast<u128>(n) * p.hi + static_cast<uint64_t>(low >> 64);
    uint64_t top = static_cast<uint64_t>(high >> 64);    // product bits 128..191
    if (shift < 64 && (top >> shift) != 0) return false; // T >= 2^64
    u128 bottom = (high << 64) | static_cast<uint64_t>(low);
    u128 t = (bottom >> shift) | (static_cast<u128>(top) << (128 - shift));
    uint64_t whole = static_cast<uint64_t>(t >> 64);
    uint64_t frac = static_cast<uint64_t>(t);
    if (is_integer(n, a, k)) {
        // Exact, or one unit short of the next integer.
        *out = {whole + (frac > half_unit ? 1 : 0), 0, true};
        return true;
    }
    if (frac >= ~uint64_t{0} - 1) return false; // T may have reached the next integer
    *out = {whole, frac, false};
    return true;
}

// T's fractional part against one half: -1, 0 or 1; false when in doubt.
bool compare_half(uint64_t n, int a, int k, const Scaled& t, int* order) {
    if (t.integral) {
        *order = -1;
    } else if (is_integer(n, a + 1, k)) {
        *order = 0;
    } else if (t.frac >= half_unit) {
        *order = 1;
    } else if (t.frac <= half_unit - 2) {
        *order = -1;
    } else {
        return false;
    }
    return true;
}

} // namespace

int fast_shortest(double x, char* out, int* decpt) {
    Decomposed d = decompose(x);
    // x and the midpoints to its neighbours, as multiples of 2^a.
    int a = d.e - 2;
    uint64_t mid = d.f << 2;
    uint64_t upper = mid + 2;
    uint64_t lower = mid - (d.lower_gap_smaller ? 1 : 2);
    // Scaled so that 2^a * 10^k lies in [1, 10): the midpoints are at least
    // three units apart and below 2^59.
    int k = -floor_log10_pow2(a);
    Scaled lo, v, hi;
    if (!scale(lower, a, k, &lo) || !scale(mid, a, k, &v) || !scale(upper, a, k, &hi)) return 0;

    // A midpoint that the reader rounds to x (ties to even) belongs to x.
    bool bounds_inside = (d.f & 1) == 0;
    // The integers c that read back to x: below < c <= top.
    uint64_t below = lo.whole - (lo.integral && bounds_inside ? 1 : 0);
    uint64_t top = hi.whole - (hi.integral && !bounds_inside ? 1 : 0);
    if (top <= below) return 0;

    // Drop digits while some shorter number still reads back to x, keeping
    // what is needed to round v: the last digit dropped, and whether all
    // below it (the fraction included) were zero.
    uint64_t digits = v.whole;
    int dropped = 0;
    int last_dropped = 0;
    bool rest_zero = v.integral;
    while (top / 10000 > below / 10000) { // four at a time while they can go
        uint64_t q = digits / 10000;
        uint32_t group = static_cast<uint32_t>(digits - q * 10000);
        rest_zero = rest_zero && last_dropped == 0 && group % 1000 == 0;
        last_dropped = static_cast<int>(group / 1000);
        digits = q;
        top /= 10000;
        below /= 10000;
        dropped += 4;
    }
    while (top / 10 > below / 10) {
        rest_zero = rest_zero && last_dropped == 0;
        last_dropped = static_cast<int>(digits % 10);
        digits /= 10;
        top /= 10;
        below /= 10;
        ++dropped;
    }

    // The closer of digits and digits + 1, the even one on a tie.
    int order;
    if (dropped == 0) {
        if (!compare_half(mid, a, k, v, &order)) return 0;
    } else {
        order = last_dropped < 5 ? -1 : last_dropped > 5 ? 1 : rest_zero ? 0 : 1;
    }
    if (order > 0 || (order == 0 && (digits & 1))) ++digits;
    // When only one of the two reads back, that one.
    if (digits <= below) digits = below + 1;
    if (digits > top) digits = top;

    int n = write_u64(digits, out);
    *decpt = n + dropped - k;
    return n;
}

int fast_fixed(double x, int count, char* out, int* decpt) {
    if (count > max_fast_count) return 0;
    Decomposed d = decompose(x);
    // x < 10^p, and x >= 10^(p-1) unless p is one too small.
    int top_bit = d.e + 63 - __builtin_clzll(d.f);
    int p = floor_log10_pow2(top_bit) + 1;
    // The count digits of x as T = x * 10^(count - p) in [10^(count-1), 10^count).
    Scaled t;
    if (!scale(d.f, d.e, count - p, &t)) return 0;
    if (t.whole >= pow10_u64[count]) {
        ++p;
        if (!scale(d.f, d.e, count - p, &t)) return 0;
    }
    if (t.whole < pow10_u64[count - 1] || t.whole >= pow10_u64[count]) return 0;

    int order;
    if (!compare_half(d.f, d.e, count - p, t, &order)) return 0;
    uint64_t digits = t.whole;
    if (order > 0 || (order == 0 && (digits & 1))) ++digits;
    if (digits == pow10_u64[count]) { // 99..9 rounded up
        digits = pow10_u64[count - 1];
        ++p;
    }
    *decpt = p;
    return strip_zeros(out, write_u64(digits, out));
}

} // namespace zep::float_::digits
