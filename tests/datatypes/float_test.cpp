// float! and percent!: form and mold, comparison across types, the mixed
// arithmetic's result types and errors, rounding through the slot, make/to,
// and the lexer's float text reader. Random values against Python live in
// float_model_check.py.
#include <cmath>
#include <limits>

#include "datatypes/word.h"
#include "services/lexer_load_float.h"
#include "services/random.h"
#include "tests/datatypes/float_fixture.h"

namespace zep {
namespace {

using testing::FloatTest;
constexpr double inf = std::numeric_limits<double>::infinity();
constexpr double nan_ = std::numeric_limits<double>::quiet_NaN();

TEST_F(FloatTest, FormAndMoldTexts) {
    struct Case {
        Cell value;
        const char* form;
        const char* mold;
    } cases[] = {
        {flt(1.0 / 0.0), "1.#INF", "1.#INF"},
        {flt(-1.0 / 0.0), "-1.#INF", "-1.#INF"},
        {flt(nan_), "1.#NaN", "1.#NaN"},
        {flt(3.0), "3.0", "3.0"},
        {flt(1e20), "1.0e20", "1.0e20"},
        {flt(1.5e-7), "1.5e-7", "0.00000015"},
        {flt(123456789012345678.0), "1.234567890123457e17", "1.2345678901234568e17"},
        {flt(0.1 + 0.2), "0.3", "0.30000000000000004"},
        {flt(0.1 + 0.7), "0.8", "0.7999999999999999"},
        {flt(1.0 / 3.0), "0.3333333333333333", "0.3333333333333333"},
        {flt(1e-20), "0.0", "1.0e-20"},
        {flt(-0.0), "0.0", "-0.0"},
        {pct(0.5), "50%", "50%"},
        {pct(0.125), "12.5%", "12.5%"},
        {pct(1e-20), "0%", "0.000000000000000001%"},
        {pct(1e-8), "1e-6%", "0.000001%"},
        {pct(1e20), "1e22%", "10000000000000000000000%"},
        {pct(0.1 + 0.2), "30%", "30.000000000000004%"},
        {pct(-0.0), "0%", "-0%"},
        {pct(-inf), "-1.#INF", "-1.#INF"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(render(c.value), c.form) << c.mold;
        EXPECT_EQ(render(c.value, true), c.mold) << c.form;
    }
    float_::is_pretty_print = false;
    EXPECT_EQ(render(flt(1e-17)), "1.0e-17");
    EXPECT_EQ(render(flt(0.1 + 0.7)), "0.7999999999999999");
    EXPECT_EQ(render(flt(-0.0)), "-0.0");
}

TEST_F(FloatTest, FormKindsLayouts) {
    using namespace float_;
    EXPECT_STREQ(form_float(0.25, kind::seconds), "0.25");
    EXPECT_STREQ(form_float(5.0, kind::seconds), "5");
    EXPECT_STREQ(form_float(1.0 / 3.0, kind::vector32), "0.3333333");
    EXPECT_STREQ(form_float(1e30, kind::vector32), "1.0e30");
    EXPECT_STREQ(form_float(2.5, kind::point), "2.5");
    EXPECT_STREQ(form_float(0.0, kind::point), "0");
    EXPECT_STREQ(form_float(1.5e-5, kind::percent32), "1.5e-5%");
}

TEST_F(FloatTest, ComparisonAcrossTypesAndCodes) {
    Cell third = flt(0.1 + 0.2);
    Cell point3 = flt(0.3);
    EXPECT_EQ(float_::compare(&third, &point3, compare_code::equal), 0);
    EXPECT_EQ(float_::compare(&third, &point3, compare_code::strict_equal), 1);
    Cell zero = flt(0.0), minus_zero = flt(-0.0);
    EXPECT_EQ(float_::compare(&zero, &minus_zero, compare_code::strict_equal), 0);
    EXPECT_EQ(float_::compare(&zero, &minus_zero, compare_code::same), 1);
    Cell nan = flt(nan_), one = flt(1.0);
    EXPECT_EQ(float_::compare(&nan, &nan, compare_code::equal), 1);
    EXPECT_EQ(float_::compare(&nan, &nan, compare_code::same), 0);
    EXPECT_EQ(float_::compare(&nan, &one, compare_code::lesser), 1); // lesser? is false
    EXPECT_EQ(float_::compare(&nan, &one, compare_code::greater), -1);
    EXPECT_EQ(float_::compare(&nan, &one, compare_code::find), 1);

    Cell two = integer(2), two_f = flt(2.0), half = pct(0.5), half_f = flt(0.5), sixty = tim(60.0),
         sixty_f = flt(60.0);
    EXPECT_EQ(float_::compare(&two_f, &two, compare_code::equal), 0);
    EXPECT_EQ(float_::compare(&two_f, &two, compare_code::strict_equal), 1);
    EXPECT_EQ(float_::compare(&half_f, &half, compare_code::equal), 0);
    EXPECT_EQ(float_::compare(&sixty_f, &sixty, compare_code::greater_or_equal), 0);
    EXPECT_EQ(float_::compare(&one, &two, compare_code::lesser), -1);
    Cell s = text("1");
    EXPECT_EQ(float_::compare(&one, &s, compare_code::equal), compare_code::not_comparable);
    // percent! compares through float!'s slot.
    EXPECT_EQ(actions::compare_values(&half, &half_f, compare_code::equal), 0);
}

TEST_F(FloatTest, MixedArithmeticResultTypes) {
    using namespace float_;
    Cell r = frame(add, integer(1), flt(0.5));
    EXPECT_EQ(cell_type(&r), type_id::float_);
    EXPECT_EQ(get(&r), 1.5);
    r = frame(add, pct(0.5), integer(1));
    EXPECT_EQ(cell_type(&r), type_id::percent);
    EXPECT_EQ(render(r), "150%");
    r = frame(add, integer(1), pct(0.5));
    EXPECT_EQ(cell_type(&r), type_id::float_);
    r = frame(multiply, tim(60.0), flt(1.5));
    EXPECT_EQ(cell_type(&r), type_id::time);
    EXPECT_EQ(get(&r), 90.0);
    r = frame(multiply, flt(2.0), tim(60.0));
    EXPECT_EQ(cell_type(&r), type_id::time);
    Cell ch;
    value::set_char(&ch, 'a');
    r = frame(subtract, flt(98.0), ch);
    EXPECT_EQ(get(&r), 1.0);

    r = frame(divide, flt(1.0), flt(0.0));
    EXPECT_EQ(render(r), "1.#INF");
    r = frame(divide, flt(0.0), flt(0.0));
    EXPECT_EQ(render(r), "1.#NaN");
    r = frame(remainder, flt(5.0), flt(0.0));
    EXPECT_TRUE(std::isnan(get(&r)));
    r = frame(remainder, flt(5.5), flt(inf));
    EXPECT_EQ(get(&r), 5.5);
    r = frame(remainder, flt(-7.0), flt(2.0));
    EXPECT_EQ(get(&r), -1.0);
}

TEST_F(FloatTest, MixedArithmeticWithCompoundsAndErrors) {
    using namespace float_;
    Cell r = frame(add, flt(2.5), pr(3, 4)); // exchanged: the pair's arithmetic
    EXPECT_EQ(cell_type(&r), type_id::pair);
    EXPECT_EQ(render(r), "5x6");
    EXPECT_TRUE(script_error("not-related", [] { frame(subtract, flt(2.0), pr(3, 4)); }));
    EXPECT_TRUE(script_error("not-related", [] { frame(divide, flt(2.0), pr(3, 4)); }));
    r = frame(multiply, flt(2.0), tup({1, 2, 200}));
    EXPECT_EQ(render(r), "2.4.255");

    Cell ch;
    value::set_char(&ch, 'a');
    EXPECT_TRUE(script_error("invalid-type", [&] { frame(add, pct(0.5), ch); }));
    EXPECT_TRUE(script_error("invalid-type", [&] { frame(add, tim(1.0), ch); }));
    EXPECT_TRUE(script_error("invalid-type", [] { frame(add, flt(1.0), text("1")); }));
    EXPECT_TRUE(script_error("invalid-type", [] { frame(add, tim(1.0), pr(1, 1)); }));
    // and~, or~, xor~ reach the operation with codes 6, 5, 7.
    for (int code : {op::and_, op::or_, op::xor_}) {
        EXPECT_TRUE(script_error("cannot-use",
                                 [&] { frame([code] { do_math(code); }, integer(1), flt(1.0)); }));
    }
}

TEST_F(FloatTest, SimpleActions) {
    using namespace float_;
    Cell r = frame(absolute, flt(-2.5));
    EXPECT_EQ(get(&r), 2.5);
    r = flt(0.0);
    EXPECT_FALSE(std::signbit(get(negate(&r))));
    r = flt(2.0);
    negate(&r);
    EXPECT_EQ(get(&r), -2.0);
    struct Parity {
        double x;
        bool even;
    } parities[] = {{3.7, false}, {-1.5, false}, {2.9, true},
                    {-0.5, true}, {3e9, true},   {nan_, true}};
    for (const Parity& p : parities) {
        Cell even = frame(is_even, flt(p.x));
        Cell odd = frame(is_odd, flt(p.x));
        EXPECT_EQ(even.data1, p.even ? 1u : 0u) << p.x;
        EXPECT_EQ(odd.data1, p.even ? 0u : 1u) << p.x;
    }
    r = frame(power, flt(2.0), integer(10));
    EXPECT_EQ(get(&r), 1024.0);
    EXPECT_TRUE(script_error("expect-arg", [] { frame(power, flt(2.0), pct(0.5)); }));
}

TEST_F(FloatTest, RoundSlot) {
    using namespace float_;
    auto rounded = [](Cell value, const Cell* scale, uint32_t flags = 0) {
        round(&value, scale, flags);
        return value;
    };
    Cell r = rounded(pct(0.125), nullptr);
    EXPECT_EQ(render(r), "13%");
    Cell one = integer(1), two = integer(2);
    r = rounded(flt(1.5), &one);
    EXPECT_EQ(cell_type(&r), type_id::integer);
    EXPECT_EQ(value::integer_of(&r), 2);
    r = rounded(flt(7.3), &two);
    EXPECT_EQ(value::integer_of(&r), 8);
    Cell quarter = flt(0.25);
    EXPECT_EQ(get(&(r = rounded(flt(0.125), &quarter))), 0.25);
    EXPECT_EQ(get(&(r = rounded(flt(0.125), &quarter, round_flag::even))), 0.0);
    Cell tiny = flt(1e-300);
    EXPECT_EQ(get(&(r = rounded(flt(1e300), &tiny))), 1e300);
    // A scale's type becomes the result's: a float rounded to a percent.
    Cell percent_scale = pct(0.01);
    r = rounded(flt(0.1234), &percent_scale);
    EXPECT_EQ(cell_type(&r), type_id::percent);
    EXPECT_EQ(render(r), "12%");
    // A percent value counts integer and float scales in whole percents (the
    // result taking the scale's type).
    r = rounded(pct(0.12345), &one);
    EXPECT_EQ(value::integer_of(&r), 0);
    Cell tenth = flt(0.1);
    r = rounded(pct(0.12345), &tenth);
    EXPECT_EQ(cell_type(&r), type_id::float_);
    EXPECT_EQ(get(&r), 0.123);
    r = rounded(pct(0.12345), &percent_scale);
    EXPECT_EQ(render(r), "12%");

    EXPECT_TRUE(script_error("type-limit", [&] { rounded(flt(3e9), &one); }));
    EXPECT_TRUE(script_error("type-limit", [&] { rounded(flt(nan_), &one); }));
    Cell money;
    value::set_cell(&money, type_id::money);
    EXPECT_TRUE(script_error("not-related", [&] { rounded(flt(1.0), &money); }));
    Cell big = flt(1e308);
    EXPECT_TRUE(math_error("overflow", [&] { rounded(flt(1.7e308), &big); }));
}

TEST_F(FloatTest, MakeAndTo) {
    using namespace float_;
    auto made = [](const Cell& spec, uint8_t type = type_id::float_) {
        Cell out;
        to(&out, &spec, type);
        return out;
    };
    Cell r = made(block_of({integer(5), integer(2)}));
    EXPECT_EQ(get(&r), 500.0);
    r = made(block_of({integer(3), integer(-1)}));
    EXPECT_EQ(get(&r), 3 * 0.1);
    r = made(block_of({flt(1.5), flt(2.9)}));
    EXPECT_EQ(get(&r), 150.0);
    EXPECT_EQ(get(&(r = made(text("1,5")))), 1.5);
    EXPECT_EQ(get(&(r = made(text("-1'000.25e1")))), -10002.5);
    EXPECT_EQ(get(&(r = made(text("1.#INF")))), inf);
    EXPECT_EQ(get(&(r = made(binary_of({0x3F, 0xF0, 0, 0, 0, 0, 0, 0})))), 1.0);
    EXPECT_EQ(made(binary_of({0x01, 0x02})).data2, 0x0102u); // fewer bytes fill the low end
    EXPECT_EQ(get(&(r = made(tim(90.0)))), 90.0);
    Cell ch;
    value::set_char(&ch, 'A');
    EXPECT_EQ(get(&(r = made(ch))), 65.0);
    r = made(pct(0.5));
    EXPECT_EQ(cell_type(&r), type_id::float_);
    r = made(flt(0.5), type_id::percent);
    EXPECT_EQ(render(r), "50%");

    EXPECT_TRUE(script_error("bad-to-arg", [&] { made(text("abc")); }));
    EXPECT_TRUE(script_error("bad-to-arg", [&] { made(text("")); }));
    EXPECT_TRUE(script_error("bad-to-arg", [&] { made(text("1.5x")); }));
    EXPECT_TRUE(script_error("bad-to-arg", [&] { made(block_of({flt(1.0)})); }));
    EXPECT_TRUE(script_error("bad-to-arg", [&] { made(block_of({flt(1.0), text("2")})); }));
    EXPECT_TRUE(script_error("bad-to-arg", [&] { made(pr(1, 2)); }));
    // percent! from text loads one value through the lexer.
    Cell half = made(text("50%"), type_id::percent);
    EXPECT_DOUBLE_EQ(value::double_of(&half), 0.5);
    EXPECT_TRUE(script_error("bad-to-arg", [&] { made(text("50% 1"), type_id::percent); }));
    word::scan_value = nullptr;
    EXPECT_TRUE(script_error("bad-to-arg", [&] { made(text("50%"), type_id::percent); }));
    word::scan_value = [](const unsigned char*, uint32_t, Cell* out) {
        value::set_double(out, type_id::percent, 0.5);
        return true;
    };
    r = made(text("50%"), type_id::percent);
    word::scan_value = nullptr;
    EXPECT_EQ(cell_type(&r), type_id::percent);
    EXPECT_EQ(get(&r), 0.5);
}

TEST_F(FloatTest, LexerFloatReader) {
    auto read = [](const char* s, bool* error) {
        return lexer::load_float(reinterpret_cast<const unsigned char*>(s),
                                 static_cast<uint32_t>(std::strlen(s)), 1, error);
    };
    bool error = false;
    EXPECT_EQ(read("2,5e-1", &error), 0.25);
    EXPECT_FALSE(error);
    EXPECT_EQ(read("+1'234", &error), 1234.0);
    EXPECT_FALSE(error);
    for (const char* bad : {"", "-", ".", "1e", "1e+", "1.2.3", " 1", "1 ", "0x10", "1.#INF!"}) {
        read(bad, &error);
        EXPECT_TRUE(error) << bad;
    }
    std::string longest = "1" + std::string(311, '0');
    EXPECT_EQ(read(longest.c_str(), &error), inf);
    EXPECT_FALSE(error);
    read((longest + "0").c_str(), &error);
    EXPECT_TRUE(error);
    // Wide units: 1.5 in 4-byte units, and a character beyond ASCII.
    uint32_t wide[] = {'1', '.', '5'};
    EXPECT_EQ(lexer::load_float(reinterpret_cast<unsigned char*>(wide), 3, 4, &error), 1.5);
    EXPECT_FALSE(error);
    uint16_t other[] = {'1', 0x0661};
    lexer::load_float(reinterpret_cast<unsigned char*>(other), 2, 2, &error);
    EXPECT_TRUE(error);
}

TEST_F(FloatTest, RandomAndSeed) {
    Cell value = flt(10.0);
    float_::random(&value, true, false, false);
    EXPECT_EQ(cell_type(&value), type_id::unset);
    uint32_t first = random::next();
    Cell again = flt(10.0);
    float_::random(&again, true, false, false); // the same seed: low ^ high word
    EXPECT_EQ(random::next(), first);
    for (bool secure : {false, true}) {
        for (int i = 0; i < 50; ++i) {
            Cell r = flt(-3.0);
            float_::random(&r, false, secure, false);
            EXPECT_LE(float_::get(&r), 0.0);
            EXPECT_GE(float_::get(&r), -3.0);
        }
    }
    Cell t = tim(60.0);
    float_::random(&t, false, false, false);
    EXPECT_EQ(cell_type(&t), type_id::time);
}

TEST_F(FloatTest, PercentInheritsFloatSlots) {
    for (int slot : {action_slot::make, action_slot::random, action_slot::to, action_slot::compare,
                     action_slot::add, action_slot::round, action_slot::is_odd}) {
        EXPECT_EQ(actions::slot_of(type_id::percent, slot),
                  actions::slot_of(type_id::float_, slot));
    }
    EXPECT_NE(actions::slot_of(type_id::percent, action_slot::form),
              actions::slot_of(type_id::float_, action_slot::form));
    EXPECT_EQ(actions::slot_of(type_id::percent, action_slot::append), nullptr);
}

} // namespace
} // namespace zep
