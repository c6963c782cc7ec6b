// pair! and tuple!: making, form, arithmetic with its overflow and clamping
// rules, comparison, path access and the small actions.
#include <climits>

#include "datatypes/symbol.h"
#include "datatypes/word.h"
#include "evaluator/runtime_words.h"
#include "services/random.h"
#include "tests/datatypes/float_fixture.h"

namespace zep {
namespace {

using testing::FloatTest;

Cell made_pair(const Cell& spec) {
    Cell out;
    pair::make(&out, &spec, type_id::pair);
    return out;
}

Cell made_tuple(const Cell& spec) {
    Cell out;
    tuple::make(&out, &spec, type_id::tuple);
    return out;
}

TEST_F(FloatTest, PairMakeAndForm) {
    EXPECT_EQ(render(made_pair(integer(3))), "3x3");
    EXPECT_EQ(render(made_pair(flt(-2.7))), "-2x-2");
    EXPECT_EQ(render(made_pair(block_of({integer(1), flt(2.9), integer(7)}))), "1x2");
    EXPECT_EQ(render(pr(INT32_MIN, 0), true), "-2147483648x0");
    EXPECT_TRUE(
        raises(error::Category::syntax, "malconstruct", [] { made_pair(block_of({integer(1)})); }));
    EXPECT_TRUE(raises(error::Category::syntax, "malconstruct", [] {
        made_pair(block_of({integer(1), text("2")}));
    }));
    EXPECT_TRUE(math_error("overflow", [] { made_pair(flt(3e9)); }));
    EXPECT_TRUE(script_error("bad-to-arg", [] { made_pair(pct(0.5)); }));

    Cell point;
    value::set_cell(&point, type_id::point2d);
    float nan_f = std::numeric_limits<float>::quiet_NaN();
    std::memcpy(&point.data2, &nan_f, 4);
    EXPECT_TRUE(script_error("invalid-arg", [&] { made_pair(point); }));

    // Text loads as one value through the lexer, which must give a pair.
    word::scan_value = [](const unsigned char* text, uint32_t length, Cell* out) {
        if (std::string(reinterpret_cast<const char*>(text), length) == "3x4")
            pair::make_in(out, 3, 4);
        else
            value::set_integer(out, 3);
        return true;
    };
    EXPECT_EQ(render(made_pair(text("3x4"))), "3x4");
    EXPECT_TRUE(script_error("bad-to-arg", [] { made_pair(text("3")); }));
    word::scan_value = nullptr;
}

TEST_F(FloatTest, PairArithmetic) {
    struct Case {
        Cell a, b;
        int op;
        const char* result;
    } cases[] = {
        {pr(1, 2), pr(10, 20), float_::op::add, "11x22"},
        {pr(7, -7), integer(2), float_::op::divide, "3x-3"},
        {pr(7, -7), integer(2), float_::op::remainder, "1x-1"},
        {pr(3, 4), flt(1.5), float_::op::multiply, "4x6"},
        {pr(10, 20), pct(0.5), float_::op::multiply, "5x10"},
        {pr(12, 10), pr(10, 6), float_::op::and_, "8x2"},
        {pr(INT32_MIN, 1), integer(-1), float_::op::remainder, "0x0"},
    };
    for (const Case& c : cases) {
        Cell a = c.a, b = c.b;
        pair::operate(&a, &b, c.op);
        EXPECT_EQ(render(a), c.result);
    }
    EXPECT_TRUE(math_error("overflow", [] {
        Cell a = pr(INT32_MAX, 0), b = integer(1);
        pair::operate(&a, &b, float_::op::add);
    }));
    EXPECT_TRUE(math_error("overflow", [] {
        Cell a = pr(INT32_MIN, 0), b = integer(-1);
        pair::operate(&a, &b, float_::op::divide);
    }));
    EXPECT_TRUE(math_error("overflow", [] {
        Cell a = pr(1, 1), b = flt(1e10);
        pair::operate(&a, &b, float_::op::multiply);
    }));
    EXPECT_TRUE(math_error("zero-divide", [] {
        Cell a = pr(1, 1), b = pr(1, 0);
        pair::operate(&a, &b, float_::op::divide);
    }));
    EXPECT_TRUE(math_error("zero-divide", [] {
        Cell a = pr(1, 1), b = flt(0.0);
        pair::operate(&a, &b, float_::op::remainder);
    }));
    EXPECT_TRUE(script_error("invalid-type", [] {
        Cell a = pr(1, 1), b = text("1");
        pair::operate(&a, &b, float_::op::add);
    }));
    EXPECT_TRUE(math_error("overflow", [] {
        Cell p = pr(INT32_MIN, 0);
        pair::negate(&p);
    }));
    EXPECT_EQ(render(frame(pair::absolute, pr(-3, 4))), "3x4");
}

TEST_F(FloatTest, PairSmallActions) {
    Cell a = pr(1, 2), b = pr(1, 3), c = pr(2, 0);
    EXPECT_EQ(pair::compare(&a, &a, compare_code::equal), 0);
    EXPECT_EQ(pair::compare(&a, &b, compare_code::lesser), -1);
    EXPECT_EQ(pair::compare(&c, &b, compare_code::sort), 1); // x first
    Cell one = integer(1);
    EXPECT_EQ(pair::compare(&a, &one, compare_code::equal), compare_code::not_comparable);
    EXPECT_EQ(pair::compare(&a, &one, compare_code::strict_equal), 1);

    Cell scale = integer(10), v = pr(15, -15);
    pair::round(&v, &scale, 0);
    EXPECT_EQ(render(v), "20x-20");
    Cell pair_scale = pr(4, 3), w = pr(5, 5);
    pair::round(&w, &pair_scale, float_::round_flag::floor);
    EXPECT_EQ(render(w), "4x3");

    Cell out;
    Cell x_word = *words::global_word(words::global::push); // not x or y
    Cell x_sel;
    value::set_word(&x_sel, type_id::word, 0, words::symbol_of(words::symbol::x));
    EXPECT_EQ(value::integer_of(pair::pick_into(&a, &x_sel, &out)), 1);
    Cell two = integer(2), three = integer(3);
    EXPECT_EQ(value::integer_of(pair::eval_path_into(&a, &two, nullptr, &a, &out)), 2);
    EXPECT_EQ(cell_type(pair::pick_into(&a, &three, &out)), type_id::none);
    Cell set_to = flt(9.9);
    pair::eval_path_into(&a, &x_sel, &set_to, &a, &out);
    EXPECT_EQ(render(a), "9x2");
    EXPECT_TRUE(script_error("invalid-path",
                             [&] { pair::eval_path_into(&a, &x_word, nullptr, &a, &out); }));
    pair::reverse(&a);
    EXPECT_EQ(render(a), "2x9");

    // Seeding with 3x5 seeds with 6 and returns unset.
    Cell seed = pr(3, 5);
    pair::random(&seed, true, false, false);
    EXPECT_EQ(cell_type(&seed), type_id::unset);
    uint32_t expected = (random::seed(6), random::next());
    pair::random(&(seed = pr(3, 5)), true, false, false);
    EXPECT_EQ(random::next(), expected);
    for (int i = 0; i < 100; ++i) {
        Cell r = pr(0, -10);
        pair::random(&r, false, i % 2 == 1, false);
        EXPECT_EQ(pair::x_of(&r), 0);
        EXPECT_LE(pair::y_of(&r), -1);
        EXPECT_GE(pair::y_of(&r), -10);
    }
    // The smallest coordinate draws from the whole negative range.
    Cell lowest = pr(INT32_MIN, 1);
    pair::random(&lowest, false, false, false);
    EXPECT_LE(pair::x_of(&lowest), -1);
    EXPECT_EQ(pair::y_of(&lowest), 1);
}

TEST_F(FloatTest, TupleMakeAndForm) {
    EXPECT_EQ(render(tup({255, 0, 10})), "255.0.10");
    EXPECT_EQ(render(tup({1, 2})), "1.2.0");
    EXPECT_EQ(render(made_tuple(block_of({integer(1), integer(2), integer(3), integer(4)}))),
              "1.2.3.4");
    Cell issue;
    for (auto [hex, text] :
         {std::pair{"F0a", "255.0.170"}, {"FF8000", "255.128.0"}, {"01020304", "1.2.3.4"}}) {
        value::set_word(&issue, type_id::issue, 0, symbol::make(hex));
        EXPECT_EQ(render(made_tuple(issue)), text);
    }
    for (const char* bad : {"F0", "F00F", "GG0000"}) {
        value::set_word(&issue, type_id::issue, 0, symbol::make(bad));
        EXPECT_TRUE(script_error("bad-to-arg", [&] { made_tuple(issue); })) << bad;
    }
    EXPECT_EQ(render(made_tuple(binary_of({9, 8}))), "9.8.0");
    EXPECT_EQ(render(made_tuple(binary_of({1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13}))),
              "1.2.3.4.5.6.7.8.9.10.11.12");
    EXPECT_TRUE(script_error("out-of-range", [] {
        made_tuple(block_of({integer(1), integer(256), integer(0)}));
    }));
    EXPECT_TRUE(script_error("bad-to-arg", [] { made_tuple(block_of({flt(1), integer(2)})); }));
    EXPECT_TRUE(script_error("bad-to-arg", [] { made_tuple(integer(1)); }));
    Cell rgba;
    EXPECT_EQ(render(*tuple::make_rgba(&rgba, 1, 2, 3, -1)), "1.2.3");
    EXPECT_EQ(render(*tuple::make_rgba(&rgba, 1, 2, 3, 4)), "1.2.3.4");
}

TEST_F(FloatTest, TupleArithmeticClampsAndKeepsLengths) {
    struct Case {
        Cell a, b;
        int op;
        const char* result;
    } cases[] = {
        {tup({200, 100, 0}), integer(100), float_::op::add, "255.200.100"},
        {tup({10, 20, 30}), integer(15), float_::op::subtract, "0.5.15"},
        {tup({1, 2, 3}), tup({10, 10, 10, 10}), float_::op::add, "11.12.13.10"},
        {tup({100, 100, 100}), flt(0.5), float_::op::multiply, "50.50.50"},
        {tup({100, 100, 100}), pct(0.5), float_::op::multiply, "50.50.50"},
        {tup({7, 8, 9}), integer(2), float_::op::remainder, "1.0.1"},
        {tup({255, 15, 0}), tup({15, 255, 255}), float_::op::and_, "15.15.0"},
        {integer(300), tup({1, 2, 3}), float_::op::subtract, "255.255.255"},
        {flt(2.0), tup({1, 2, 3}), float_::op::multiply, "2.4.6"},
    };
    for (const Case& c : cases) {
        Cell a = c.a, b = c.b;
        tuple::operate(&a, &b, c.op);
        EXPECT_EQ(render(a), c.result);
    }
    EXPECT_TRUE(math_error("zero-divide", [] {
        Cell a = tup({1, 2, 3}), b = tup({1, 0, 1});
        tuple::operate(&a, &b, float_::op::divide);
    }));
    EXPECT_TRUE(script_error("cannot-use", [] {
        Cell a = tup({1, 2, 3}), b = flt(1.0);
        tuple::operate(&a, &b, float_::op::xor_);
    }));
    EXPECT_TRUE(script_error("invalid-type", [] {
        Cell a = tup({1, 2, 3}), b = pr(1, 1);
        tuple::operate(&a, &b, float_::op::add);
    }));
}

TEST_F(FloatTest, TupleSmallActions) {
    Cell a = tup({1, 2, 3}), padded = tup({1, 2, 3, 0}), b = tup({1, 2, 4});
    EXPECT_EQ(tuple::compare(&a, &padded, compare_code::equal), 0);
    EXPECT_EQ(tuple::compare(&a, &padded, compare_code::strict_equal), 1);
    EXPECT_EQ(tuple::compare(&a, &padded, compare_code::sort), -1);
    EXPECT_EQ(tuple::compare(&a, &b, compare_code::lesser), -1);
    EXPECT_TRUE(tuple::is_zero(&(padded = tup({0, 0, 0}))));

    EXPECT_EQ(render(*tuple::complement(&(padded = tup({0, 255, 10})))), "255.0.245");
    EXPECT_EQ(tuple::length(&a), 3);
    Cell out, two = integer(2), four = integer(4);
    EXPECT_EQ(value::integer_of(tuple::pick_into(&a, &two, &out)), 2);
    EXPECT_EQ(cell_type(tuple::pick_into(&a, &four, &out)), type_id::none);
    Cell v = integer(300);
    tuple::eval_path_into(&a, &four, &v, &a, &out); // grows to 4 bytes, clamped
    EXPECT_EQ(render(a), "1.2.3.255");
    Cell seven = integer(7);
    tuple::set_byte(&a, 6, &seven);
    EXPECT_EQ(render(a), "1.2.3.255.0.7");
    EXPECT_TRUE(script_error("out-of-range", [&] { tuple::set_byte(&a, 13, &seven); }));
    Cell word_selector = *words::global_word(words::global::push);
    EXPECT_TRUE(script_error(
        "invalid-path", [&] { tuple::eval_path_into(&a, &word_selector, nullptr, &a, &out); }));
    EXPECT_EQ(render(*tuple::reverse(&a)), "7.0.255.3.2.1");

    for (int i = 0; i < 50; ++i) {
        Cell r = tup({0, 3, 255});
        tuple::random(&r, false, false, false);
        EXPECT_EQ(tuple::bytes_of(&r)[0], 0);
        EXPECT_LE(tuple::bytes_of(&r)[1], 3);
    }
}

} // namespace
} // namespace zep
