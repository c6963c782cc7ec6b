// The fixed-point digit generator against the big-integer one where its own
// edge cases lie: powers of two (uneven gaps), subnormals, the ends of the
// exponent range, and near-ties it must leave to the big-integer method.
// The bulk is checked against Python in float_text_check.py.
#include "runtime/float_digits.h"

#include <cmath>
#include <cstdint>
#include <cstring>
#include <limits>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "runtime/float_parts.h"

using namespace zep::float_;

namespace {

double from_bits(uint64_t bits) {
    double x;
    std::memcpy(&x, &bits, sizeof x);
    return x;
}

struct Digits {
    std::string text;
    int decpt;
    bool operator==(const Digits&) const = default;
};

std::ostream& operator<<(std::ostream& os, const Digits& d) {
    return os << d.text << " e" << d.decpt;
}

Digits shortest_by(int (*method)(double, char*, int*), double x) {
    char out[40];
    int decpt = 0;
    int n = method(x, out, &decpt);
    return {std::string(out, n > 0 ? n : 0), decpt};
}

Digits fixed_by(int (*method)(double, int, char*, int*), double x, int count) {
    char out[40];
    int decpt = 0;
    int n = method(x, count, out, &decpt);
    return {std::string(out, n > 0 ? n : 0), decpt};
}

// Powers of two over the whole range, their neighbours, powers of ten and
// their neighbours, and the subnormal and overflow ends.
std::vector<double> edge_values() {
    std::vector<double> xs;
    auto with_neighbours = [&](double x) {
        xs.push_back(x);
        xs.push_back(std::nextafter(x, 0.0));
        if (x < std::numeric_limits<double>::max()) xs.push_back(std::nextafter(x, INFINITY));
    };
    for (int e = -1074; e <= 1023; ++e) with_neighbours(std::ldexp(1.0, e));
    for (int e = -323; e <= 308; ++e) with_neighbours(std::pow(10.0, e));
    for (uint64_t bits :
         {uint64_t{1}, uint64_t{2}, uint64_t{3}, uint64_t{0x000FFFFFFFFFFFFF},
          uint64_t{0x0010000000000000}, uint64_t{0x0010000000000001}, uint64_t{0x7FEFFFFFFFFFFFFF},
          uint64_t{0x7FEFFFFFFFFFFFFE}, uint64_t{0x7FE0000000000000}, uint64_t{0x000AAAAAAAAAAAAA}})
        xs.push_back(from_bits(bits));
    std::erase_if(xs, [](double x) { return !(x > 0); });
    return xs;
}

} // namespace

TEST(FastDigits, ShortestMatchesExactAtTheEdges) {
    for (double x : edge_values()) {
        Digits fast = shortest_by(digits::fast_shortest, x);
        ASSERT_FALSE(fast.text.empty()) << "fast path gave up on " << x;
        EXPECT_EQ(fast, shortest_by(digits::exact_shortest, x)) << std::hexfloat << x;
    }
}

TEST(FastDigits, FixedMatchesExactAtTheEdges) {
    for (double x : edge_values()) {
        for (int count = 1; count <= 17; ++count) {
            Digits fast = fixed_by(digits::fast_fixed, x, count);
            ASSERT_FALSE(fast.text.empty()) << "fast path gave up on " << x << " to " << count;
            EXPECT_EQ(fast, fixed_by(digits::exact_fixed, x, count))
                << std::hexfloat << x << " to " << count;
        }
    }
}

TEST(FastDigits, LeavesNearTiesAndLongRequestsToTheExactMethod) {
    // Doubles whose digits to `count` places lie within 2^-62 of a rounding
    // tie or of the next integer (found by scripts/find_float_near_ties.py);
    // the expected digits are Python's '%.*e'.
    struct Case {
        uint64_t bits;
        int count;
        const char* digits;
        int decpt;
    } cases[] = {
        {0x4a8eebabe0957af3, 14, "14460958381605", 52},
        {0x4a9eebabe0957af3, 14, "28921916763211", 52},
        {0x5aac569e968e0944, 9, "613850817", 129},
        {0x5abc569e968e0944, 10, "1227701635", 130},
        {0x5ad540f6f0ea86f3, 9, "36831049", 130},
        {0x5aec569e968e0944, 9, "982161308", 130},
        {0x6f99ab8261990292, 12, "389190181146", 230},
        {0x6fb9ab8261990292, 13, "1556760724586", 231},
    };
    for (const Case& c : cases) {
        double x = from_bits(c.bits);
        EXPECT_EQ(fixed_by(digits::fast_fixed, x, c.count).text, "") << std::hexfloat << x;
        EXPECT_EQ(fixed_by(digits::fixed, x, c.count), (Digits{c.digits, c.decpt}))
            << std::hexfloat << x;
    }
    EXPECT_EQ(fixed_by(digits::fast_fixed, 0.1, 18).text, "");
    EXPECT_EQ(fixed_by(digits::fixed, 0.1, 18), (Digits{"100000000000000006", 0}));
}

TEST(FastDigits, DecimalWriterAroundPowersOfTen) {
    char out[24];
    EXPECT_EQ(std::string(out, digits::write_u64(0, out)), "0");
    EXPECT_EQ(std::string(out, digits::write_u64(UINT64_MAX, out)), "18446744073709551615");
    uint64_t p = 1;
    for (int n = 1; n <= 19; ++n) {
        p *= 10;
        EXPECT_EQ(std::string(out, digits::write_u64(p - 1, out)), std::string(n, '9'));
        EXPECT_EQ(std::string(out, digits::write_u64(p, out)), "1" + std::string(n, '0'));
    }
}
