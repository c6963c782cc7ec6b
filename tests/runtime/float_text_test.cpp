// Layouts, special texts and reader rules of float/text conversion. The
// digits themselves are checked against Python in float_text_check.py.
#include "runtime/float_text.h"

#include <cmath>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <string>

#include <gtest/gtest.h>

#include "runtime/float_bigint.h"
#include "runtime/heap.h"

using namespace zep;

namespace {

constexpr double inf = std::numeric_limits<double>::infinity();

std::string form(double x, int digits = 0, bool dot_zero = true) {
    return std::string(float_::form(x, digits, dot_zero));
}

double read(const std::string& text, int adjustment = 0, ptrdiff_t* unread = nullptr) {
    return float_::from_text(text.data(), text.data() + text.size(), adjustment, unread);
}

bool same_bits(double a, double b) {
    return std::memcmp(&a, &b, sizeof a) == 0;
}

} // namespace

TEST(FloatForm, Layouts) {
    struct Case {
        double x;
        int digits;
        bool dot_zero;
        const char* text;
    } cases[] = {
        {1.0, 0, true, "1.0"},
        {0.1, 0, true, "0.1"},
        {1e16, 0, true, "10000000000000000.0"},
        {9.999999999999998e16, 0, true, "99999999999999980.0"},
        {1e17, 0, true, "1.0e17"},
        {1.5e17, 0, true, "1.5e17"},
        {1e-7, 0, true, "0.0000001"},
        {9.99e-7, 0, true, "0.000000999"},
        {1e-8, 0, true, "1.0e-8"},
        {-2.5, 0, true, "-2.5"},
        {123.456, 0, true, "123.456"},
        {0.1 + 0.2, 0, true, "0.30000000000000004"},
        {1e20, 0, false, "1e20"},
        {-1.25e-300, 0, false, "-1.25e-300"},
        {5e-324, 0, true, "5.0e-324"},
        {59.9999999, 6, false, "60"},
        {7.25, 6, false, "7.25"},
        {30.0, 6, false, "30"},
        {1234567.0, 3, true, "1230000.0"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(form(c.x, c.digits, c.dot_zero), c.text) << c.x << " digits " << c.digits;
}

TEST(FloatForm, SpecialTexts) {
    const double nan = std::numeric_limits<double>::quiet_NaN();
    EXPECT_EQ(form(inf), "1.#INF");
    EXPECT_EQ(form(-inf, 0, false), "-1.#INF");
    EXPECT_EQ(form(nan), "1.#NaN");
    EXPECT_EQ(form(-nan), "1.#NaN");
    EXPECT_EQ(form(0.0), "0.0");
    EXPECT_EQ(form(-0.0), "-0.0");
    EXPECT_EQ(form(0.0, 0, false), "0");
    EXPECT_EQ(form(-0.0, 6, false), "-0");

    float_::DigitString d = float_::dtoa(-inf, 0, true);
    EXPECT_EQ(d.decpt, float_::decpt_non_finite);
    EXPECT_EQ(d.sign, 1);
    EXPECT_EQ(float_::dtoa(-0.0, 0, true).decpt, float_::decpt_zero);
}

TEST(FloatDtoa, DigitsSignAndCap) {
    float_::DigitString d = float_::dtoa(-0.125, 2, true);
    EXPECT_STREQ(d.text, "-12"); // the exact tie goes to the even digit
    EXPECT_EQ(d.sign, 1);
    EXPECT_EQ(d.length, 2);
    EXPECT_EQ(d.decpt, 0);

    // Requests beyond the buffer are capped, not overflowed.
    d = float_::dtoa(0.1, 1000, true);
    EXPECT_STREQ(d.text, "10000000000000000555111512313");
    EXPECT_EQ(d.length, float_::max_digits);
    EXPECT_STREQ(float_::dtoa(0.1, -3, true).text, "1"); // negative: shortest
}

TEST(FloatFromText, SpecialValuesAndSigns) {
    EXPECT_EQ(read("1.#INF"), inf);
    EXPECT_EQ(read("-1.#INF"), -inf);
    EXPECT_EQ(read("5.#Infinity"), inf);
    EXPECT_TRUE(std::isnan(read("1.#NaN")));
    EXPECT_TRUE(same_bits(read("-0.0"), 0.0));
    EXPECT_TRUE(same_bits(read("-1e-400"), 0.0));
    EXPECT_TRUE(same_bits(read("-"), 0.0));
    EXPECT_EQ(read("-2.5"), -2.5);
    EXPECT_EQ(read("+.5"), 0.5);
    // Not a special: more than one digit before the point, or no letter.
    ptrdiff_t unread = -1;
    EXPECT_EQ(read("12.#INF", 0, &unread), 12.0);
    EXPECT_EQ(unread, 4);
    EXPECT_EQ(read("1.#", 0, &unread), 1.0);
    EXPECT_EQ(unread, 1);
}

TEST(FloatFromText, ExponentsAndAdjustment) {
    EXPECT_EQ(read("50", -2), 0.5);
    EXPECT_EQ(read("1.5E3"), 1500.0);
    EXPECT_EQ(read("1e400"), inf);
    EXPECT_EQ(read("1e-400"), 0.0);
    // Exponents of any length saturate instead of overflowing.
    EXPECT_EQ(read("1e999999999999999999999999"), inf);
    EXPECT_EQ(read("1e-99999999999999"), 0.0);
    EXPECT_EQ(read("0." + std::string(5000, '0') + "1e5001"), 1.0);
    EXPECT_EQ(read(std::string(100000, '9') + "e-100000"), 1.0);
    EXPECT_EQ(read("1e2147483647", -2147483647 - 1), 1e-1);
    EXPECT_EQ(read("1e-2147483647", 2147483647), 1.0);

    // Reading stops at the first character that does not belong.
    struct Case {
        const char* text;
        double value;
        ptrdiff_t unread;
    } cases[] = {
        {"12abc", 12.0, 3}, {"1e", 1.0, 1}, {"1e+", 1.0, 2}, {"1e5x", 1e5, 1},   {"1.5.2", 1.5, 2},
        {"000", 0.0, 0},    {"", 0.0, 0},   {"7%", 7.0, 1},  {"2E-3", 0.002, 0},
    };
    for (const Case& c : cases) {
        ptrdiff_t unread = -1;
        EXPECT_EQ(read(c.text, 0, &unread), c.value) << c.text;
        EXPECT_EQ(unread, c.unread) << c.text;
    }
}

TEST(FloatBigint, RecordsAreRecycled) {
    // A conversion on the big-integer path returns every record it took.
    read("2.2250738585072011e-308");
    size_t warm = float_::bigint_free_count();
    EXPECT_GT(warm, 0u);
    read("1" + std::string(700, '3') + "e-400");
    float_::dtoa(5e-324, 29, true);
    EXPECT_EQ(read("2.2250738585072011e-308"), 2.2250738585072011e-308);
    EXPECT_GE(float_::bigint_free_count(), warm);

    float_::Bigint* big = float_::bigint_alloc(9); // beyond the recycled classes
    EXPECT_EQ(big->capacity, 512);
    float_::bigint_free(big);
}

TEST(FloatBigint, ReleasingTheHeapForgetsRecycledRecords) {
    // Releasing the heap ends every other module's state too, so it runs in a child.
    EXPECT_EXIT(
        {
            read("2.2250738585072011e-308");
            if (float_::bigint_free_count() == 0) std::exit(2);
            heap::free_all();
            if (float_::bigint_free_count() != 0) std::exit(3);
            std::exit(read("2.2250738585072011e-308") == 2.2250738585072011e-308 ? 0 : 4);
        },
        ::testing::ExitedWithCode(0), "");
}
