// time!: the text form, make from blocks and numbers, the fields through
// pick and paths, arithmetic through float!'s worker, rounding and parity.
#include <climits>
#include <cmath>

#include "datatypes/symbol.h"
#include "datatypes/word.h"
#include "evaluator/runtime_words.h"
#include "runtime/memory.h"
#include "tests/datatypes/integer_fixture.h"

namespace zep {
namespace {

class TimeTest : public testing::NumberTest {
  protected:
    static Cell block(std::initializer_list<Cell> cells) {
        Ref node = memory::alloc_series(static_cast<uint32_t>(cells.size()) + 1, 16, 0);
        SeriesBuffer* b = node_buffer(node);
        Cell* p = reinterpret_cast<Cell*>(buffer_head(b));
        for (const Cell& c : cells) *p++ = c;
        b->tail = b->head + static_cast<Ref>(cells.size() * 16);
        Cell c;
        value::set_series(&c, type_id::block, node);
        return testing::kept(c);
    }
    static Cell field_word(const char* name) {
        Cell w;
        value::set_word(&w, type_id::word, 0, symbol::make(name));
        return w;
    }
    static double seconds(const Cell& c) { return value::double_of(&c); }
};

TEST_F(TimeTest, Form) {
    struct Case {
        double seconds;
        const char* text;
    };
    const Case cases[] = {
        {0, "0:00:00"},          {360000, "100:00:00"},       {0.5, "0:00:00.5"},
        {-5400, "-1:30:00"},     {3723.5, "1:02:03.5"},       {-90, "-0:01:30"},
        {59.9999999, "0:01:00"}, {-3599.9999999, "-1:00:00"}, {7.25, "0:00:07.25"},
        {65, "0:01:05"},         {1e-7, "0:00:00"},           {45296.123456789, "12:34:56.1235"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(render(t(c.seconds)), c.text) << c.seconds;
        EXPECT_EQ(render(t(c.seconds), true), c.text) << c.seconds;
    }
    Cell* out = stack::push_slot();
    string::make_at(out, 8);
    EXPECT_EQ(time::append_form(-90, out, 100), 100 - 8);
}

TEST_F(TimeTest, Make) {
    struct Case {
        Cell spec;
        double seconds;
    };
    const Case cases[] = {
        {block({i(1), i(2), f(3.5)}), 3723.5},
        {block({i(-1), i(30), i(0)}), -5400},
        {block({i(2)}), 7200},
        {block({}), 0},
        {i(90), 90},
        {f(1.5), 1.5},
        {t(7), 7},
    };
    for (const Case& c : cases) {
        Cell result;
        time::make(&result, &c.spec, type_id::time);
        EXPECT_EQ(cell_type(&result), type_id::time);
        EXPECT_EQ(seconds(result), c.seconds);
    }
    for (const Cell& bad :
         {block({i(1), i(-2), i(0)}), block({i(1), i(2), i(3), i(4)}), block({f(1.5)}),
          block({i(1), text("2")}), text("1:00 2"), text("1:"), ch('a')}) {
        Cell result;
        EXPECT_EQ(raised([&] { time::make(&result, &bad, type_id::time); }), "script/bad-to-arg");
    }
    // Text loads through the lexer as one time! value; anything else it
    // loads is refused.
    word::scan_value = [](const unsigned char* utf8, uint32_t length, Cell* out) {
        std::string text(reinterpret_cast<const char*>(utf8), length);
        if (text == "1:00")
            value::set_double(out, type_id::time, 3600);
        else
            value::set_integer(out, 1);
        return true;
    };
    Cell result, hour = text("1:00");
    time::make(&result, &hour, type_id::time);
    EXPECT_EQ(seconds(result), 3600);
    Cell one = text("1");
    EXPECT_EQ(raised([&] { time::make(&result, &one, type_id::time); }), "script/bad-to-arg");
    word::scan_value = nullptr;
}

TEST_F(TimeTest, FieldsThroughPickAndPaths) {
    Cell v = t(5400.25), out;
    Cell hour = field_word("HOUR"), minute = field_word("minute"), sec = field_word("second");
    EXPECT_EQ(value::integer_of(time::pick_into(&v, &hour, &out)), 1);
    EXPECT_EQ(value::integer_of(time::pick_into(&v, &minute, &out)), 30);
    Cell three = i(3);
    EXPECT_EQ(value::double_of(time::pick_into(&v, &three, &out)), 0.25);
    Cell four = i(4), other = field_word("day");
    EXPECT_EQ(raised([&] { time::pick_into(&v, &four, &out); }), "script/out-of-range");
    EXPECT_EQ(raised([&] { time::pick_into(&v, &other, &out); }), "script/cannot-use");

    Cell path;
    value::set_series(&path, type_id::path, 0);
    Cell five = i(5), one_and_half = f(1.5);
    v = t(5400);
    time::eval_path_into(&v, &hour, &five, &path, &out);
    EXPECT_EQ(seconds(v), 5 * 3600 + 1800);
    EXPECT_EQ(value::integer_of(&out), 5);
    v = t(5400);
    time::eval_path_into(&v, &sec, &one_and_half, &path, &out);
    EXPECT_EQ(seconds(v), 5401.5);
    v = t(5400);
    time::eval_path_into(&v, &minute, &five, &path, &out);
    EXPECT_EQ(seconds(v), 3900);
    EXPECT_EQ(raised([&] { time::eval_path_into(&v, &other, nullptr, &path, &out); }),
              "script/invalid-path");
    EXPECT_EQ(raised([&] { time::eval_path_into(&v, &minute, &one_and_half, &path, &out); }),
              "script/invalid-arg");
    Cell two = i(2);
    EXPECT_EQ(value::integer_of(time::eval_path_into(&v, &two, nullptr, &path, &out)), 5);
    Cell far = t(1e16);
    EXPECT_EQ(raised([&] { time::pick_into(&far, &hour, &out); }), "math/overflow");
}

TEST_F(TimeTest, Arithmetic) {
    Cell r = call(time::divide, t(3600), t(1800));
    EXPECT_EQ(cell_type(&r), type_id::float_);
    EXPECT_EQ(value::double_of(&r), 2.0);
    r = call(time::multiply, t(1800), i(2));
    EXPECT_EQ(cell_type(&r), type_id::time);
    EXPECT_EQ(seconds(r), 3600);
    r = call(time::add, t(60), f(0.5));
    EXPECT_EQ(cell_type(&r), type_id::time);
    EXPECT_EQ(seconds(r), 60.5);
    r = call(time::subtract, t(60), t(90));
    EXPECT_EQ(seconds(r), -30);
    auto remainder = actions::slot_as<FrameFn>(type_id::time, action_slot::remainder);
    r = call(remainder, t(125), i(60));
    EXPECT_EQ(cell_type(&r), type_id::time);
    EXPECT_EQ(seconds(r), 5);
    auto negate = actions::slot_as<NegateFn>(type_id::time, action_slot::negate);
    r = t(5);
    EXPECT_EQ(seconds(*negate(&r)), -5);
    EXPECT_EQ(raised([&] { call(time::multiply, t(1), t(1)); }), "script/not-related");
    Cell date;
    value::set_cell(&date, type_id::date);
    EXPECT_EQ(raised([&] { call(time::subtract, t(1), date); }), "script/not-related");
    auto compare = actions::slot_as<CompareFn>(type_id::time, action_slot::compare);
    Cell a = t(60), b = i(60);
    EXPECT_EQ(compare(&a, &b, compare_code::equal), 0);
}

TEST_F(TimeTest, RoundAndParity) {
    using namespace float_::round_flag;
    Cell v = t(5445), minute = i(60);
    time::round(&v, &minute, 0);
    EXPECT_EQ(cell_type(&v), type_id::time);
    EXPECT_EQ(seconds(v), 5460);
    v = t(1e15); // beyond the integer! range: the seconds stay a double
    time::round(&v, &minute, 0);
    EXPECT_EQ(seconds(v), 1e15 + 20);
    v = t(2.5);
    time::round(&v, nullptr, even);
    EXPECT_EQ(seconds(v), 2);
    Cell money;
    value::set_cell(&money, type_id::money);
    EXPECT_EQ(raised([&] { time::round(&v, &money, 0); }), "script/not-related");

    struct Case {
        double seconds;
        bool even;
    };
    for (Case c : {Case{4, true}, Case{5, false}, Case{5.9999999, true}, Case{-3, false},
                   Case{62, true}, Case{NAN, true}}) {
        Cell r = call(time::is_even, t(c.seconds));
        EXPECT_EQ(logic::is_truthy(&r), c.even) << c.seconds;
        r = call(time::is_odd, t(c.seconds));
        EXPECT_EQ(logic::is_truthy(&r), !c.even) << c.seconds;
    }
}

} // namespace
} // namespace zep
