// integer! arithmetic: overflow to float!, division and remainder edges,
// power, rounding, the operand types it hands over, and the small actions.
#include <climits>
#include <cmath>

#include "tests/datatypes/integer_fixture.h"

namespace zep {
namespace {

using Fn = void (*)();

class IntegerMath : public testing::NumberTest {};

TEST_F(IntegerMath, ArithmeticOverflowGivesTheExactFloat) {
    struct Case {
        Fn action;
        int32_t a, b;
        uint8_t type;
        double expected;
    };
    const Case cases[] = {
        {integer::add, INT_MAX, 1, type_id::float_, 2147483648.0},
        {integer::subtract, INT_MIN, 1, type_id::float_, -2147483649.0},
        {integer::multiply, 65536, 65536, type_id::float_, 4294967296.0},
        {integer::multiply, INT_MIN, -1, type_id::float_, 2147483648.0},
        {integer::add, 2, 3, type_id::integer, 5},
        {integer::divide, 7, 2, type_id::float_, 3.5},
        {integer::divide, 6, 2, type_id::integer, 3},
        {integer::divide, -7, 7, type_id::integer, -1},
        {integer::remainder, -7, 2, type_id::integer, -1},
        {integer::remainder, 7, -2, type_id::integer, 1},
        {integer::and_, 12, 10, type_id::integer, 8},
        {integer::or_, 12, 10, type_id::integer, 14},
        {integer::xor_, 12, 10, type_id::integer, 6},
    };
    for (const Case& c : cases) {
        Cell r = call(c.action, i(c.a), i(c.b));
        ASSERT_EQ(cell_type(&r), c.type) << c.a << " " << c.b;
        double got = c.type == type_id::integer ? value::integer_of(&r) : value::double_of(&r);
        EXPECT_EQ(got, c.expected) << c.a << " " << c.b;
    }
}

TEST_F(IntegerMath, DivisionEdgesRaise) {
    EXPECT_EQ(raised([&] { call(integer::divide, i(1), i(0)); }), "math/zero-divide");
    EXPECT_EQ(raised([&] { call(integer::remainder, i(1), i(0)); }), "math/zero-divide");
    EXPECT_EQ(raised([&] { call(integer::divide, i(INT_MIN), i(-1)); }), "math/overflow");
    EXPECT_EQ(raised([&] { call(integer::remainder, i(INT_MIN), i(-1)); }), "math/overflow");
    EXPECT_EQ(raised([&] { call(integer::absolute, i(INT_MIN)); }), "math/overflow");
    EXPECT_EQ(raised([&] {
                  Cell n = i(INT_MIN);
                  integer::negate(&n);
              }),
              "math/overflow");
}

TEST_F(IntegerMath, OtherOperandTypes) {
    Cell r = call(integer::add, i(1), f(0.5));
    EXPECT_EQ(cell_type(&r), type_id::float_);
    EXPECT_EQ(value::double_of(&r), 1.5);
    r = call(integer::multiply, i(2), t(60));
    EXPECT_EQ(cell_type(&r), type_id::time);
    EXPECT_EQ(value::double_of(&r), 120);
    r = call(integer::add, i(1), ch('a'));
    EXPECT_EQ(cell_type(&r), type_id::integer);
    EXPECT_EQ(value::integer_of(&r), 98);
    EXPECT_EQ(raised([&] { call(integer::and_, i(1), f(1.0)); }), "script/cannot-use");
    EXPECT_EQ(raised([&] { call(integer::add, i(1), text("x")); }), "script/invalid-type");
}

TEST_F(IntegerMath, Power) {
    struct Case {
        int32_t base, exponent;
        uint8_t type;
        double expected;
    };
    const Case cases[] = {
        {2, 31, type_id::float_, 2147483648.0},
        {2, -1, type_id::float_, 0.5},
        {0, 0, type_id::integer, 1},
        {-2, 31, type_id::integer, INT_MIN},
        {3, 20, type_id::float_, 3486784401.0},
        {2, 10, type_id::integer, 1024},
        {-1, INT_MAX, type_id::integer, -1},
        {46341, 2, type_id::float_, 2147488281.0},
        {7, 0, type_id::integer, 1},
    };
    for (const Case& c : cases) {
        Cell r = call(integer::power, i(c.base), i(c.exponent));
        ASSERT_EQ(cell_type(&r), c.type) << c.base << "**" << c.exponent;
        double got = c.type == type_id::integer ? value::integer_of(&r) : value::double_of(&r);
        EXPECT_EQ(got, c.expected) << c.base << "**" << c.exponent;
    }
    EXPECT_EQ(catch_::exception_slot, 0u);
    Cell r = call(integer::power, i(4), f(0.5));
    EXPECT_EQ(value::double_of(&r), 2.0);
    EXPECT_EQ(raised([&] { call(integer::power, i(2), text("x")); }), "script/expect-arg");
}

TEST_F(IntegerMath, RoundModes) {
    using namespace float_::round_flag;
    struct Case {
        int32_t n;
        int32_t scale; // 0 with has_scale false: no /to
        bool has_scale;
        uint32_t flags;
        int32_t expected;
    };
    const Case cases[] = {
        {5, 0, false, 0, 5},
        {15, 10, true, 0, 20},
        {-15, 10, true, 0, -20},
        {25, 10, true, even, 20},
        {35, 10, true, even, 40},
        {-15, 10, true, half_ceiling, -10},
        {15, 10, true, half_ceiling, 20},
        {-11, 10, true, floor, -20},
        {11, 10, true, ceiling, 20},
        {-19, 10, true, down, -10},
        {15, 10, true, half_down, 10},
        {7, 0, true, 0, 7},
        {7, -2, true, 0, 8},
        {INT_MIN, 10, true, 0, INT_MIN},
        {INT_MAX, 10, true, down, 2147483640},
    };
    for (const Case& c : cases) {
        Cell v = i(c.n);
        Cell s = i(c.scale);
        integer::round(&v, c.has_scale ? &s : nullptr, c.flags);
        EXPECT_EQ(value::integer_of(&v), c.expected) << c.n << " " << c.scale << " " << c.flags;
    }
    Cell v = i(INT_MAX);
    Cell s = i(10);
    EXPECT_EQ(raised([&] { integer::round(&v, &s, 0); }), "math/overflow");
    Cell scale = f(2.5);
    v = i(7);
    integer::round(&v, &scale, 0);
    EXPECT_EQ(cell_type(&v), type_id::float_);
    EXPECT_EQ(value::double_of(&v), 7.5);
    Cell money;
    value::set_cell(&money, type_id::money);
    v = i(7);
    EXPECT_EQ(raised([&] { integer::round(&v, &money, 0); }), "script/not-related");
}

TEST_F(IntegerMath, SmallActions) {
    Cell v = i(-5);
    EXPECT_EQ(value::integer_of(integer::complement(&v)), 4);
    EXPECT_EQ(value::integer_of(&(v = call(integer::absolute, i(-5)))), 5);
    EXPECT_EQ(value::integer_of(integer::negate(&(v = i(5)))), -5);
    EXPECT_TRUE(logic::is_truthy(&(v = call(integer::is_even, i(-4)))));
    EXPECT_TRUE(logic::is_truthy(&(v = call(integer::is_odd, i(-3)))));
}

TEST_F(IntegerMath, RandomStaysInRangeAndSeedsRepeat) {
    for (int32_t n : {1, 6, -6, INT_MIN, INT_MAX}) {
        for (int k = 0; k < 50; ++k) {
            Cell v = i(n);
            integer::random(&v, false, k % 2 == 1, false);
            int32_t got = value::integer_of(&v);
            if (n > 0)
                EXPECT_TRUE(got >= 1 && got <= n) << n << " " << got;
            else
                EXPECT_TRUE(got <= -1 && got >= n) << n << " " << got;
        }
    }
    Cell zero = i(0);
    EXPECT_EQ(value::integer_of(integer::random(&zero, false, false, false)), 0);
    auto draws = [&] {
        Cell seed = i(42);
        integer::random(&seed, true, false, false);
        EXPECT_EQ(cell_type(&seed), type_id::unset);
        std::vector<int32_t> out;
        for (int k = 0; k < 5; ++k) {
            Cell v = i(1000);
            out.push_back(value::integer_of(integer::random(&v, false, false, false)));
        }
        return out;
    };
    EXPECT_EQ(draws(), draws());
}

TEST_F(IntegerMath, Compare) {
    Cell a = i(3);
    Cell three = f(3.0), two = i(2), c = ch(3), str = text("3");
    EXPECT_EQ(integer::compare(&a, &two, compare_code::lesser), 1);
    EXPECT_EQ(integer::compare(&a, &three, compare_code::equal), 0);
    EXPECT_EQ(integer::compare(&a, &three, compare_code::strict_equal), 1);
    EXPECT_EQ(integer::compare(&a, &c, compare_code::equal), 0);
    EXPECT_EQ(integer::compare(&a, &c, compare_code::find), 1);
    EXPECT_EQ(integer::compare(&a, &str, compare_code::lesser), compare_code::not_comparable);
    Cell m = i(INT_MIN), big = i(INT_MAX);
    EXPECT_EQ(integer::compare(&m, &big, compare_code::sort), -1);
}

} // namespace
} // namespace zep
