// Raising from the catalogue, typeset bits, checked access and conversions
// and the cycle stack.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "datatypes/error.h"
#include "datatypes/string_buffer.h"
#include "datatypes/word.h"
#include "runtime/error_catalog.h"
#include "tests/evaluator/stack_fixture.h"

namespace zep {
namespace {

using testing::sym;
using testing::thrown_code;
using testing::top_error_code;

class CompiledSupportTest : public testing::StackTest {
  protected:
    void SetUp() override {
        StackTest::SetUp();
        Cell t = word(sym.other);
        stack::mark_try(&t); // receives what the tests raise
    }
    // The code of the error the body raises (-1 when it raises none).
    template <class Body> static int32_t raised(Body&& body) {
        if (thrown_code(body) != catch_::code_error) return -1;
        int32_t code = top_error_code();
        Cell t = word(sym.other);
        stack::reset();
        stack::mark_try(&t);
        return code;
    }
};

TEST(ErrorCatalogTest, CodesAreCategoryTimes100PlusPosition) {
    using error::Category;
    struct Case {
        Category category;
        const char* id;
        int32_t code;
    };
    const Case cases[] = {
        {Category::throw_, "break", 0},          {Category::throw_, "while-cond", 4},
        {Category::note, "no-load", 100},        {Category::syntax, "bad-char", 206},
        {Category::script, "no-value", 300},     {Category::script, "bad-func-def", 321},
        {Category::script, "out-of-range", 341}, {Category::script, "zb-invalid-record", 393},
        {Category::math, "zero-divide", 400},    {Category::access, "invalid-cmd", 514},
        {Category::user, "message", 800},        {Category::internal, "stack-overflow", 904},
        {Category::internal, "no-cycle", 907},   {Category::internal, "deprecated", 913},
        {Category::script, "no-such-id", -1},
    };
    for (const Case& c : cases)
        EXPECT_EQ(error::catalog::code_of(c.category, c.id), c.code) << c.id;
    EXPECT_EQ(error::catalog::categories[3].count, 94);
    EXPECT_EQ(error::catalog::template_of(394), nullptr);
    EXPECT_EQ(error::catalog::template_of(600), nullptr); // reserved: no ids
    EXPECT_STREQ(error::catalog::categories[0].title, "Throw Error");
}

TEST_F(CompiledSupportTest, FireBuildsTheErrorWithItsArguments) {
    Cell a = integer(1), b = integer(2);
    EXPECT_EQ(raised([&] { error::fire(error::Category::script, "expect-val", &a, &b); }), 306);
    // (raised() re-marks the try frame: look at the error before that.)
    thrown_code([&] { error::fire(error::Category::script, "expect-val", &a, &b); });
    const Cell* e = stack::top();
    EXPECT_EQ(value::integer_of(error::field_of(e, error::field::arg1)), 1);
    EXPECT_EQ(value::integer_of(error::field_of(e, error::field::arg2)), 2);
    EXPECT_EQ(cell_type(error::field_of(e, error::field::arg3)), type_id::none);
    EXPECT_STREQ(symbol::utf8_text(error::get_type(e)), "script");
    EXPECT_STREQ(symbol::utf8_text(error::get_id(e)), "expect-val");
}

TEST_F(CompiledSupportTest, FireUnknownIds) {
    EXPECT_EQ(raised([] { error::fire(error::Category::math, "nothing"); }), 910);
    // The runtime's named raise goes through the same entry.
    EXPECT_EQ(raised([] { error::fire_named(error::Category::internal, "no-memory"); }), 902);
}

TEST_F(CompiledSupportTest, FloatToIntegerChecked) {
    struct Case {
        double x;
        int32_t result; // INT32_MIN + 1 marks out-of-range
    };
    constexpr int32_t refused = std::numeric_limits<int32_t>::min() + 1;
    const Case cases[] = {
        {2147483647.9, 2147483647},
        {2147483648.0, refused},
        {-0.5, 0},
        {-2147483648.9, -2147483647 - 1},
        {-2147483649.0, refused},
        {NAN, refused},
        {INFINITY, refused},
        {-7.9, -7},
    };
    for (const Case& c : cases) {
        Cell v;
        value::set_float(&v, c.x);
        int32_t got = 0;
        int32_t code = raised([&] { got = float_::to_integer_checked(&v); });
        if (c.result == refused) {
            EXPECT_EQ(code, 341) << c.x;
        } else {
            EXPECT_EQ(got, c.result) << c.x;
        }
    }
    Cell i = integer(3);
    i.data1 = 77; // any other value yields its first payload word
    EXPECT_EQ(float_::to_integer_checked(&i), 77);
}

TEST_F(CompiledSupportTest, TypesetBits) {
    Cell typeset;
    value::set_cell(&typeset, type_id::typeset);
    unsigned char bits[12] = {0x80};
    std::memcpy(&typeset.data1, bits, sizeof bits);
    EXPECT_TRUE(typecheck::has_type(&typeset, 0));
    EXPECT_FALSE(typecheck::has_type(&typeset, type_id::integer));
    bits[1] = 0x10; // integer! is id 11: byte 1, mask 0x80 >> 3
    std::memcpy(&typeset.data1, bits, sizeof bits);
    EXPECT_TRUE(typecheck::has_type(&typeset, type_id::integer));
    EXPECT_FALSE(typecheck::has_type(&typeset, type_id::float_));
}

TEST_F(CompiledSupportTest, CheckedWordAccess) {
    Cell w, v = integer(9);
    word::make_at(symbol::make("some-word"), &w);
    EXPECT_EQ(raised([&] { word::get_checked(&w); }), 300); // no-value
    word::set(&w, &v);
    EXPECT_EQ(value::integer_of(word::get_checked(&w)), 9);
}
TEST_F(CompiledSupportTest, CycleStack) {
    for (uint32_t i = 1; i <= cycles::max_levels; ++i) cycles::push(i * 16);
    EXPECT_EQ(cycles::depth(), cycles::max_levels);
    EXPECT_TRUE(cycles::find(16));
    EXPECT_EQ(raised([] { cycles::push(1); }), 906); // too-deep
    EXPECT_EQ(cycles::depth(), 0u);

    // A comparison's second series shares the level of the first.
    for (uint32_t i = 1; i < cycles::max_levels; ++i) {
        cycles::push(i * 16);
        cycles::push_partner(i * 16 + 8);
    }
    EXPECT_TRUE(cycles::find(24));
    cycles::drop(1); // a partner: its level stays entered
    cycles::push(16);
    EXPECT_EQ(raised([] { cycles::push(1); }), 906);
    EXPECT_EQ(cycles::depth(), 0u);

    cycles::push(32);
    Cell out, value;
    string::make_at(&out, 16);
    value::set_series(&value, type_id::block, 32);
    int32_t limit = 100;
    EXPECT_TRUE(cycles::detect(&value, &out, &limit, true));
    EXPECT_EQ(limit, 95);
    EXPECT_EQ(string::length(&out), 5);
    value.header = type_id::paren;
    EXPECT_TRUE(cycles::detect(&value, &out, &limit, false)); // form: "..."
    EXPECT_EQ(limit, 92);
    value::set_series(&value, type_id::block, 48);
    EXPECT_FALSE(cycles::detect(&value, &out, &limit, true));
    cycles::drop(5);
    EXPECT_EQ(cycles::depth(), 0u);
}

TEST_F(CompiledSupportTest, MoldIndent) {
    Cell out;
    string::make_at(&out, 4);
    EXPECT_EQ(mold::indent(&out, 3, 100), 88);
    EXPECT_EQ(string::length(&out), 12);
}

} // namespace
} // namespace zep
