// The comparison, set, math and conversion natives through their entries.
#include <cmath>
#include <limits>

#include "datatypes/bitset.h"
#include "datatypes/money.h"
#include "datatypes/pair.h"
#include "datatypes/point.h"
#include "datatypes/tuple.h"
#include "evaluator/natives_convert.h"
#include "evaluator/natives_math.h"
#include "evaluator/natives_sets.h"
#include "tests/evaluator/math_fixture.h"

namespace zep::testing {
namespace {

namespace ix = natives::index;
constexpr double nan = std::numeric_limits<double>::quiet_NaN();
constexpr double inf = std::numeric_limits<double>::infinity();

using NativesMath = MathTest;

bool logic_of(const Cell& c) {
    EXPECT_EQ(cell_type(&c), type_id::logic);
    return c.data1 != 0;
}

TEST_F(NativesMath, ComparisonsAnswerByCode) {
    struct Case {
        int32_t native;
        const char* args;
        bool expected;
    } cases[] = {
        {ix::is_equal, "1 1.0", true},
        {ix::is_strict_equal, "1 1.0", false},
        {ix::is_not_equal, "1 2", true},
        {ix::is_lesser, "1 2.5", true},
        {ix::is_greater, "2.5 1", true},
        {ix::is_greater_or_equal, "2 2", true},
        {ix::is_lesser_or_equal, "3 2", false},
        {ix::is_equal, "1 \"1\"", false},
        {ix::is_not_equal, "1 \"1\"", true},
        {ix::is_equal, "\"abc\" \"ABC\"", true},
        {ix::is_strict_equal, "\"abc\" \"ABC\"", false},
    };
    for (const Case& c : cases)
        EXPECT_EQ(logic_of(call(c.native, c.args)), c.expected) << c.native << " " << c.args;
    EXPECT_EQ(raised(ix::is_lesser, "1 \"a\""), "invalid-compare");
    EXPECT_EQ(raised(ix::is_greater_or_equal, "[a] 1"), "invalid-compare");
}

TEST_F(NativesMath, SameIsIdentity) {
    struct Case {
        const char* args;
        bool expected;
    } cases[] = {
        {"\"a\" \"a\"", false}, {"'a 'A", false},      {"'a 'a", true},          {"1.0 1.0", true},
        {"1 1.0", false},       {"1.2.3 1.2.3", true}, {"1.2.3 1.2.3.0", false}, {"'a 'b", false},
        {"$1 $1.00", true},     {"1x2 1x2", true},     {"#a #a", true},
    };
    for (const Case& c : cases)
        EXPECT_EQ(logic_of(call(ix::is_same, c.args)), c.expected) << c.args;
    Cell s = load("\"abc\"");
    Cell later = s;
    later.data1 += 1;
    EXPECT_TRUE(logic_of(call_cells(natives::is_same, {s, s})));
    EXPECT_FALSE(logic_of(call_cells(natives::is_same, {s, later})));
    Cell none, unset;
    value::set_none(&none);
    value::set_unset(&unset);
    EXPECT_TRUE(logic_of(call_cells(natives::is_same, {none, none})));
    EXPECT_FALSE(logic_of(call_cells(natives::is_same, {none, unset})));
}

TEST_F(NativesMath, NotAndTypeOf) {
    Cell none, unset, no, yes;
    value::set_none(&none);
    value::set_unset(&unset);
    value::set_logic(&no, false);
    value::set_logic(&yes, true);
    EXPECT_TRUE(logic_of(call_cells(natives::not_, {none})));
    EXPECT_TRUE(logic_of(call_cells(natives::not_, {no})));
    EXPECT_FALSE(logic_of(call_cells(natives::not_, {yes})));
    EXPECT_FALSE(logic_of(call_cells(natives::not_, {unset})));
    EXPECT_FALSE(logic_of(call_cells(natives::not_, {integer(0)})));

    Cell type = call(ix::is_type, "1.5");
    EXPECT_EQ(cell_type(&type), type_id::datatype);
    EXPECT_EQ(type.data1, type_id::float_);
    Cell word = call(ix::is_type, "1.5", {1});
    ASSERT_EQ(cell_type(&word), type_id::word);
    EXPECT_EQ(name_of(word), "float!");
}

uint32_t length_of(const Cell& series) {
    return node_cell_count(value::series_node(&series)) -
           static_cast<uint32_t>(value::series_head(&series));
}

TEST_F(NativesMath, SetOperationsChooseTheWorkerAndCheckAgreement) {
    struct Case {
        int32_t native;
        const char* args;
        uint32_t length;
    } cases[] = {
        {ix::union_, "[a b] [b c]", 3},  {ix::intersect, "[a b] [b c]", 1},
        {ix::exclude, "[a b] [b c]", 1}, {ix::difference, "[a b] [b c]", 2},
        {ix::unique, "[a A b]", 2},      {ix::union_, "[a b c d] [a x e f]", 7},
    };
    for (const Case& c : cases) {
        Cell result = call(c.native, c.args, {-1, c.native == ix::union_ ? -1 : -1});
        ASSERT_EQ(cell_type(&result), type_id::block) << c.args;
        EXPECT_EQ(length_of(result), c.length) << c.native << " " << c.args;
    }
    // /case keeps case variants apart; /skip 2 compares records by their first value.
    EXPECT_EQ(length_of(call(ix::unique, "[a A b]", {1, -1})), 3u);
    EXPECT_EQ(length_of(call(ix::union_, "[a 1 b 2] [a 3 c 4] 2", {-1, 2})), 6u);
    Cell text = call(ix::union_, "\"abc\" \"bcd\"", {-1, -1});
    EXPECT_EQ(cell_type(&text), type_id::string);
    EXPECT_EQ(text_of(text), "abcd");

    EXPECT_EQ(raised(ix::union_, "[a b] \"ab\"", {-1, -1}), "expect-val");
    EXPECT_EQ(raised(ix::union_, "\"ab\" #ab", {-1, -1}), "expect-val");
    EXPECT_EQ(raised(ix::unique, "[a b] 0", {-1, 1}), "invalid-refine-arg");
    EXPECT_EQ(raised(ix::union_, "1-Jan-2020 2-Jan-2020", {-1, -1}), "expect-arg");
    EXPECT_EQ(raised(ix::union_, "1 2", {-1, -1}), "expect-arg");

    Cell days = call(ix::difference, "2-Jan-2020/12:00 1-Jan-2020/0:00", {-1, -1});
    EXPECT_EQ(cell_type(&days), type_id::time);
    EXPECT_EQ(value::double_of(&days), 36.0 * 3600);
}

TEST_F(NativesMath, BitsetSetsAndComplementFlag) {
    Cell made;
    bitset::make_at(&made, 1, 0x0F, false);
    Cell a = kept(made);
    bitset::make_at(&made, 1, 0xF0, true);
    Cell b = kept(made);
    Cell joined = call_cells(natives::union_, {a, b}, {-1, -1});
    EXPECT_EQ(cell_type(&joined), type_id::bitset);
    EXPECT_FALSE(logic_of(call_cells(natives::is_complement, {a})));
    EXPECT_TRUE(logic_of(call_cells(natives::is_complement, {b})));
    EXPECT_EQ(raised(ix::is_complement, "1"), "expect-arg");
}

TEST_F(NativesMath, SignTests) {
    struct Case {
        const char* arg;
        bool negative, positive;
        int32_t sign;
    } cases[] = {
        {"-1", true, false, -1},    {"0", false, false, 0},  {"7", false, true, 1},
        {"-0.0", false, false, 0},  {"2.5", false, true, 1}, {"-3%", true, false, -1},
        {"-0:01", true, false, -1}, {"$0", false, false, 0}, {"-$0.01", true, false, -1},
        {"$3", false, true, 1},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(logic_of(call(ix::is_negative, c.arg)), c.negative) << c.arg;
        EXPECT_EQ(logic_of(call(ix::is_positive, c.arg)), c.positive) << c.arg;
        Cell sign = call(ix::is_sign, c.arg);
        EXPECT_EQ(cell_type(&sign), type_id::integer);
        EXPECT_EQ(value::integer_of(&sign), c.sign) << c.arg;
    }
    // A NaN is neither negative nor positive; its sign is 0.
    EXPECT_FALSE(logic_of(call_cells(natives::is_negative, {number(nan)})));
    EXPECT_FALSE(logic_of(call_cells(natives::is_positive, {number(nan)})));
    EXPECT_EQ(value::integer_of(&(const Cell&)call_cells(natives::is_sign, {number(nan)})), 0);
    EXPECT_EQ(raised(ix::is_sign, "\"a\""), "expect-arg");
    EXPECT_EQ(raised(ix::is_negative, "1x1"), "expect-arg");
    // The check flag tests the argument against the spec before anything runs.
    EXPECT_EQ(raised(ix::is_zero, "\"a\"", {}, true), "expect-arg");
    EXPECT_FALSE(logic_of(call(ix::is_zero, "\"a\"")));
}

TEST_F(NativesMath, ZeroAndNaN) {
    struct Case {
        const char* arg;
        bool zero;
    } cases[] = {
        {"0", true},       {"0.0", true},     {"-0.0", true},   {"$0", true},   {"0x0", true},
        {"0x1", false},    {"0.0.0", true},   {"0.0.1", false}, {"0:00", true}, {"0%", true},
        {"#\"^@\"", true}, {"#\"a\"", false}, {"[]", false},    {"1", false},
    };
    for (const Case& c : cases) EXPECT_EQ(logic_of(call(ix::is_zero, c.arg)), c.zero) << c.arg;
    Cell point;
    point::make3_in(&point, 0.0f, -0.0f, 0.0f);
    EXPECT_TRUE(logic_of(call_cells(natives::is_zero, {point})));
    point::make2_in(&point, 0.0f, 1e-30f);
    EXPECT_FALSE(logic_of(call_cells(natives::is_zero, {point})));

    EXPECT_TRUE(logic_of(call_cells(natives::is_nan, {number(nan)})));
    EXPECT_FALSE(logic_of(call_cells(natives::is_nan, {number(inf)})));
    EXPECT_FALSE(logic_of(call(ix::is_nan, "1")));
    EXPECT_FALSE(logic_of(call(ix::is_nan, "1.5")));
}

TEST_F(NativesMath, MaxAndMin) {
    struct Case {
        int32_t native;
        const char* args;
        const char* expected;
    } cases[] = {
        {ix::max, "1 2.5", "2.5"},
        {ix::min, "2 2.0", "2.0"},
        {ix::max, "2 2.0", "2"},
        {ix::max, "3 2.5", "3"},
        {ix::max, "1x5 3", "3x5"},
        {ix::max, "3 1x5", "3x5"},
        {ix::min, "200.100.50 90", "90.90.50"},
        {ix::min, "1.2.3 -5", "0.0.0"},
        {ix::max, "1.2.3 999", "255.255.255"},
        {ix::max, "1x1 2.5", "2x2"},
        {ix::min, "4x-1 2x3", "2x-1"},
        {ix::max, "10.20.30 30.20.10", "30.20.30"},
        {ix::max, "\"abc\" \"abd\"", "\"abd\""},
        {ix::min, "$2 1", "1"},
        {ix::max, "1:00 0:30", "1:00"},
    };
    for (const Case& c : cases) {
        Cell result = call(c.native, c.args);
        Cell expected = load(c.expected);
        if (cell_type(&expected) == type_id::string) {
            EXPECT_EQ(text_of(result), text_of(expected)) << c.args;
        } else {
            EXPECT_TRUE(same(result, expected)) << c.native << " " << c.args;
        }
    }
    // NaN wins against numbers on either side.
    Cell result = call_cells(natives::max, {number(nan), integer(2)});
    EXPECT_TRUE(std::isnan(value::double_of(&result)));
    result = call_cells(natives::min, {integer(2), number(nan)});
    EXPECT_TRUE(std::isnan(value::double_of(&result)));
    // A float beyond the integers turns a pair into points.
    result = call(ix::max, "1x1 1e10");
    ASSERT_EQ(cell_type(&result), type_id::point2d);
    EXPECT_EQ(point::coordinate(&result, 0), 1e10f);
    result = call_cells(natives::min, {load("3x4"), number(-inf)});
    ASSERT_EQ(cell_type(&result), type_id::point2d);
    EXPECT_EQ(point::coordinate(&result, 1), -INFINITY);
    // Points take a NaN coordinate of the other operand; a pair joins as floats.
    Cell p;
    point::make3_in(&p, 1.0f, 5.0f, 2.0f);
    result = call_cells(natives::max, {p, load("3x4")});
    EXPECT_EQ(point::coordinate(&result, 0), 3.0f);
    EXPECT_EQ(point::coordinate(&result, 1), 5.0f);
    EXPECT_EQ(point::coordinate(&result, 2), 2.0f);
    result = call_cells(natives::min, {p, number(nan)});
    EXPECT_TRUE(std::isnan(point::coordinate(&result, 0)));

    EXPECT_EQ(raised(ix::max, "1 \"a\""), "invalid-compare");
    EXPECT_EQ(raised(ix::min, "1.2.3 1e10"), "type-limit");
    EXPECT_EQ(raised(ix::max, "1x2 1.2.3"), "invalid-compare");
}

TEST_F(NativesMath, ShiftAndToHex) {
    struct Shift {
        int32_t data, bits;
        std::vector<int32_t> refinements;
        int32_t expected;
    } shifts[] = {
        {-8, 1, {}, -4},        {-1, 28, {-1, 2}, 15},       {1, 40, {}, 0},
        {-1, 40, {}, -1},       {1, 31, {2, -1}, INT32_MIN}, {1, -3, {}, 1},
        {5, 32, {2, -1}, 0},    {-1, 32, {-1, 2}, 0},        {1, 4, {2, 2}, 16},
        {-16, 2, {-1, -1}, -4}, {-1, 31, {-1, 2}, 1},
    };
    for (const Shift& s : shifts) {
        Cell r = call_cells(natives::shift, {integer(s.data), integer(s.bits)}, s.refinements);
        EXPECT_EQ(value::integer_of(&r), s.expected) << s.data << " " << s.bits;
    }
    struct Hex {
        const char* args;
        std::vector<int32_t> refinements;
        const char* expected;
    } hexes[] = {
        {"255", {}, "000000FF"},           {"255 2", {1}, "FF"},        {"-1", {}, "FFFFFFFF"},
        {"305419896 10", {1}, "12345678"}, {"-2147483648 1", {1}, "0"},
    };
    for (const Hex& h : hexes) {
        Cell r = call(ix::to_hex, h.args, h.refinements);
        ASSERT_EQ(cell_type(&r), type_id::issue) << h.args;
        EXPECT_EQ(name_of(r), h.expected) << h.args;
    }
    EXPECT_EQ(raised(ix::to_hex, "255 0", {1}), "invalid-arg");
    EXPECT_EQ(raised(ix::shift, "1 2.0", {-1, -1}, true), "expect-arg");
}

TEST_F(NativesMath, TrigonometryInDegreesKeepsEachFunctionsSign) {
    auto run = [&](int32_t native, Cell arg, bool radians = false) {
        Cell r = call_cells(natives::entry_at(native), {arg}, {radians ? 1 : -1});
        EXPECT_EQ(cell_type(&r), type_id::float_);
        return value::double_of(&r);
    };
    EXPECT_EQ(run(ix::sine, integer(180)), 0.0);
    EXPECT_EQ(run(ix::sine, integer(270)), -1.0);
    EXPECT_EQ(run(ix::sine, integer(-90)), -1.0);
    EXPECT_EQ(run(ix::cosine, integer(90)), 0.0);
    EXPECT_EQ(run(ix::cosine, integer(180)), -1.0);
    EXPECT_EQ(run(ix::cosine, integer(-180)), -1.0);
    EXPECT_EQ(run(ix::tangent, integer(90)), inf);
    EXPECT_EQ(run(ix::tangent, integer(-90)), -inf);
    EXPECT_EQ(run(ix::tangent, integer(180)), 0.0);
    // Past +-90 degrees each function folds the angle its own way.
    for (int degrees : {100, 135, 170, -100, -135, -170, 225, 315, 400, -400, 1000}) {
        double exact = degrees * (3.141592653589793 / 180.0);
        EXPECT_NEAR(run(ix::sine, integer(degrees)), std::sin(exact), 1e-12) << degrees;
        EXPECT_NEAR(run(ix::cosine, integer(degrees)), std::cos(exact), 1e-12) << degrees;
        EXPECT_NEAR(run(ix::tangent, integer(degrees)), std::tan(exact), 1e-11) << degrees;
    }
    EXPECT_EQ(run(ix::sine, number(1.0), true), std::sin(1.0));
    EXPECT_EQ(run(ix::arcsine, integer(1)), 90.0);
    EXPECT_EQ(run(ix::arccosine, number(-1.0)), 180.0);
    EXPECT_EQ(run(ix::arctangent, number(1.0), true), std::atan(1.0));
    Cell r = call_cells(natives::arctangent2, {integer(1), integer(-1)}, {-1});
    EXPECT_DOUBLE_EQ(value::double_of(&r), 135.0);
    r = call(ix::square_root, "25%");
    EXPECT_EQ(value::double_of(&r), 0.5);
    r = call(ix::log_e, "0");
    EXPECT_EQ(value::double_of(&r), -inf);
    r = call(ix::log_10, "-1");
    EXPECT_TRUE(std::isnan(value::double_of(&r)));
    EXPECT_EQ(raised(ix::sine, "\"a\"", {-1}, true), "expect-arg");
}

TEST_F(NativesMath, Conversions) {
    Cell pair = call(ix::as_pair, "1.9 -2.7");
    ASSERT_EQ(cell_type(&pair), type_id::pair);
    EXPECT_EQ(pair::x_of(&pair), 1);
    EXPECT_EQ(pair::y_of(&pair), -2);
    pair = call(ix::as_pair, "-2147483648 2147483647.9");
    EXPECT_EQ(pair::x_of(&pair), INT32_MIN);
    EXPECT_EQ(pair::y_of(&pair), INT32_MAX);
    for (double bad : {inf, -inf, nan, 2147483648.0, -2147483649.0, 1e300})
        EXPECT_EQ(raised_cells(natives::as_pair, {integer(1), number(bad)}), "invalid-arg") << bad;

    Cell p = call(ix::as_point3d, "1 2.5 1e40");
    ASSERT_EQ(cell_type(&p), type_id::point3d);
    EXPECT_EQ(point::coordinate(&p, 1), 2.5f);
    EXPECT_EQ(point::coordinate(&p, 2), INFINITY);
    p = call(ix::as_point2d, "3 -0.1");
    ASSERT_EQ(cell_type(&p), type_id::point2d);
    EXPECT_EQ(point::coordinate(&p, 1), -0.1f);

    Cell* currencies = load_all("USD EUR");
    money::set_currency_list(currencies);
    Cell money = call(ix::as_money, "EUR 1.005");
    ASSERT_EQ(cell_type(&money), type_id::money);
    EXPECT_EQ(money::currency_of(&money), 2);
    EXPECT_EQ(money::to_float(&money), 1.005);
    money = call(ix::as_money, "usd -3");
    EXPECT_EQ(money::currency_of(&money), 1);
    EXPECT_EQ(money::to_integer(&money), -3);
    EXPECT_EQ(raised(ix::as_money, "XYZ 1"), "bad-denom");
    money::set_currency_list(nullptr);

    Cell path = load("a/b");
    Cell block = call_cells(natives::as, {datatype(type_id::block), path});
    EXPECT_EQ(cell_type(&block), type_id::block);
    EXPECT_EQ(block.data1, path.data1);
    EXPECT_EQ(block.data2, path.data2);
    Cell file = call(ix::as, "%x \"abc\"");
    EXPECT_EQ(cell_type(&file), type_id::file);
    EXPECT_EQ(raised_cells(natives::as, {datatype(type_id::block), load("\"abc\"")}),
              "not-same-class");
    EXPECT_EQ(raised_cells(natives::as, {datatype(type_id::hash), load("[a]")}), "not-same-class");
}

} // namespace
} // namespace zep::testing
