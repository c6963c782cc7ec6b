// A positive finite double split into integer significand and binary
// exponent, and the small decimal helpers the digit generators share.
#pragma once
#include <cstdint>
#include <cstring>

namespace zep::float_::digits {

constexpr uint64_t hidden_bit = uint64_t{1} << 52;
constexpr uint64_t fraction_mask = hidden_bit - 1;

// x = f * 2^e with f < 2^53; lower_gap_smaller when x is a power of two
// above the smallest normal, whose lower neighbour is half as far.
struct Decomposed {
    uint64_t f;
    int e;
    bool lower_gap_smaller;
};

inline Decomposed decompose(double x) {
    uint64_t bits;
    std::memcpy(&bits, &x, sizeof bits);
    int biased = static_cast<int>((bits >> 52) & 0x7FF);
    uint64_t fraction = bits & fraction_mask;
    if (biased == 0) return {fraction, -1074, false};
    return {fraction | hidden_bit, biased - 1075, fraction == 0 && biased > 1};
}

inline constexpr char digit_pairs[] = "00010203040506070809"
                                      "10111213141516171819"
                                      "20212223242526272829"
                                      "30313233343536373839"
                                      "40414243444546474849"
                                      "50515253545556575859"
                                      "60616263646566676869"
                                      "70717273747576777879"
                                      "80818283848586878889"
                                      "90919293949596979899";

inline constexpr uint64_t pow10_u64[20] = {1ULL,
                                           10ULL,
                                           100ULL,
                                           1000ULL,
                                           10000ULL,
                                           100000ULL,
                                           1000000ULL,
                                           10000000ULL,
                                           100000000ULL,
                                           1000000000ULL,
                                           10000000000ULL,
                                           100000000000ULL,
                                           1000000000000ULL,
                                           10000000000000ULL,
                                           100000000000000ULL,
                                           1000000000000000ULL,
                                           10000000000000000ULL,
                                           100000000000000000ULL,
                                           1000000000000000000ULL,
                                           10000000000000000000ULL};

// The number of decimal digits of v.
inline int decimal_length(uint64_t v) {
    int bits = 64 - __builtin_clzll(v | 1);
    int n = (bits * 1233) >> 12; // floor(bits * log10 2): v >= 10^n or one below
    return n + (n == 0 || v >= pow10_u64[n] ? 1 : 0); // n <= 19
}

inline void write_pair(uint32_t v, char* out) {
    std::memcpy(out, digit_pairs + 2 * v, 2);
}

// Writes v in decimal (no terminator) and answers the digit count. Eight
// digits at a time in 32-bit arithmetic, two by two within.
inline int write_u64(uint64_t v, char* out) {
    int n = decimal_length(v);
    char* p = out + n;
    while (v >= 100000000) {
        uint64_t q = v / 100000000;
        uint32_t r = static_cast<uint32_t>(v - q * 100000000);
        v = q;
        uint32_t high = r / 10000, low = r % 10000;
        p -= 8;
        write_pair(high / 100, p);
        write_pair(high % 100, p + 2);
        write_pair(low / 100, p + 4);
        write_pair(low % 100, p + 6);
    }
    uint32_t w = static_cast<uint32_t>(v);
    while (w >= 100) {
        uint32_t q = w / 100;
        p -= 2;
        write_pair(w - q * 100, p);
        w = q;
    }
    if (w >= 10) {
        write_pair(w, p - 2);
    } else {
        p[-1] = static_cast<char>('0' + w);
    }
    return n;
}

inline int strip_zeros(const char* out, int n) {
    while (n > 1 && out[n - 1] == '0') --n;
    return n;
}

} // namespace zep::float_::digits
