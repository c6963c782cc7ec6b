// Digit generation. Integral values below 10^15 take a shortcut in 64-bit
// arithmetic; then the fixed-point method (float_digits_fast.cpp) is tried;
// what it leaves open goes to the exact method here: the value and the
// half-gaps to its neighbours are held as big-integer fractions r/s, m+/s,
// m-/s, scaled by a power of ten, and digits are peeled off one at a time.
#include "runtime/float_digits.h"

#include <cmath>
#include <cstdint>

#include "runtime/float_bigint.h"
#include "runtime/float_parts.h"

namespace zep::float_::digits {

namespace {

// ceil(log10(x)) or one less, for x = f * 2^e.
int estimate_decpt(const Decomposed& d) {
    int top_bit = d.e + 63 - __builtin_clzll(d.f);
    return static_cast<int>(std::ceil(top_bit * 0.30102999566398114 - 1e-10));
}

// The integer value of x when x is integral and below 10^15, else 0.
uint64_t small_integer(const Decomposed& d) {
    if (d.e >= 0 || d.e <= -53) return 0;
    int drop = -d.e;
    if (d.f & ((uint64_t{1} << drop) - 1)) return 0;
    uint64_t v = d.f >> drop;
    return v < 1000000000000000ULL ? v : 0;
}

int integer_digits(uint64_t v, int count, char* out, int* decpt) {
    int n = write_u64(v, out);
    *decpt = n;
    if (count > 0 && n > count) {
        uint64_t unit = 1;
        for (int i = count; i < n; ++i) unit *= 10;
        uint64_t q = v / unit;
        uint64_t rest = v % unit;
        uint64_t half = unit / 2;
        if (rest > half || (rest == half && (q & 1))) ++q;
        n = write_u64(q, out);
        if (n > count) ++*decpt; // 99.. rounded up to 100..
    }
    return strip_zeros(out, n);
}

// Shifts every fraction so that s's top word has its top bit set, which
// divide_step needs.
void normalise(Big& s, Big& r, Big* m1 = nullptr, Big* m2 = nullptr) {
    int shift = (32 - s.bit_length() % 32) % 32;
    s.shift_left(shift);
    r.shift_left(shift);
    if (m1) m1->shift_left(shift);
    if (m2) m2->shift_left(shift);
}

char next_digit(Big& r, const Big& s) {
    return static_cast<char>('0' + r.divide_step(s, 0));
}

} // namespace

int shortest(double x, char* out, int* decpt) {
    if (uint64_t v = small_integer(decompose(x))) return integer_digits(v, 0, out, decpt);
    if (int n = fast_shortest(x, out, decpt)) return n;
    return exact_shortest(x, out, decpt);
}

int fixed(double x, int count, char* out, int* decpt) {
    if (uint64_t v = small_integer(decompose(x))) return integer_digits(v, count, out, decpt);
    if (int n = fast_fixed(x, count, out, decpt)) return n;
    return exact_fixed(x, count, out, decpt);
}

int exact_shortest(double x, char* out, int* decpt) {
    Decomposed d = decompose(x);

    // v = r/s, and the neighbours lie at (r - 2 m-)/s and (r + 2 m+)/s.
    Big r, s, m_plus, m_minus_own, sum;
    // The half-gaps are equal except below a power of two: share one then.
    Big& m_minus = d.lower_gap_smaller ? m_minus_own : m_plus;
    int gap_shift = d.e > 0 ? d.e : 0;
    int extra = d.lower_gap_smaller ? 1 : 0;
    r.assign(d.f);
    r.shift_left(gap_shift + 1 + extra);
    s.assign(1);
    s.shift_left((d.e < 0 ? -d.e : 0) + 1 + extra);
    m_plus.assign(1);
    m_plus.shift_left(gap_shift + extra);
    if (d.lower_gap_smaller) {
        m_minus.assign(1);
        m_minus.shift_left(gap_shift);
    }

    int k = estimate_decpt(d);
    if (k >= 0) {
        s.mul_pow10(k);
    } else {
        r.mul_pow10(-k);
        m_plus.mul_pow10(-k);
        if (d.lower_gap_smaller) m_minus.mul_pow10(-k);
    }
    normalise(s, r, &m_plus, d.lower_gap_smaller ? &m_minus : nullptr);

    // A boundary that the reader rounds to x (ties to even) belongs to x.
    bool bounds_inside = (d.f & 1) == 0;
    auto reaches_high = [&] {
        sum.assign(r);
        sum.add(m_plus);
        int c = Big::compare(sum, s);
        return bounds_inside ? c >= 0 : c > 0;
    };
    auto scale_by_ten = [&] {
        r.mul_small(10);
        m_plus.mul_small(10);
        if (d.lower_gap_smaller) m_minus.mul_small(10);
    };
    if (reaches_high()) {
        ++k;
    } else {
        scale_by_ten();
    }
    *decpt = k;

    int n = 0;
    for (;;) {
        char digit = next_digit(r, s);
        int c = Big::compare(r, m_minus);
        bool low = bounds_inside ? c <= 0 : c < 0;
        bool high = reaches_high();
        if (!low && !high) {
            out[n++] = digit;
            scale_by_ten();
            continue;
        }
        if (low && high) {
            // Both digits read back to x: take the closer, the even on a tie.
            r.shift_left(1);
            int half = Big::compare(r, s);
            high = half > 0 || (half == 0 && ((digit - '0') & 1));
        }
        out[n++] = high ? static_cast<char>(digit + 1) : digit;
        return n;
    }
}

int exact_fixed(double x, int count, char* out, int* decpt) {
    Decomposed d = decompose(x);

    Big r, s;
    r.assign(d.f);
    s.assign(1);
    if (d.e >= 0)
        r.shift_left(d.e);
    else
        s.shift_left(-d.e);

    int k = estimate_decpt(d);
    if (k >= 0)
        s.mul_pow10(k);
    else
        r.mul_pow10(-k);
    if (Big::compare(r, s) >= 0) {
        s.mul_small(10);
        ++k;
    }
    normalise(s, r);
    *decpt = k;

    int n = 0;
    while (n < count) {
        r.mul_small(10);
        out[n++] = next_digit(r, s);
        if (r.is_zero()) return strip_zeros(out, n); // exact: no rounding
    }
    r.shift_left(1);
    int half = Big::compare(r, s);
    bool up = half > 0 || (half == 0 && ((out[n - 1] - '0') & 1));
    if (up) {
        int i = n - 1;
        while (i >= 0 && out[i] == '9') --i;
        if (i < 0) {
            out[0] = '1';
            n = 1;
            ++*decpt;
        } else {
            ++out[i];
            n = i + 1;
        }
    }
    return strip_zeros(out, n);
}

} // namespace zep::float_::digits
