// char!: make and to, arithmetic kept inside the code point range, the
// mold escapes, comparison, and the slots taken from integer!.
#include <climits>
#include <cmath>

#include "runtime/memory.h"
#include "tests/datatypes/integer_fixture.h"

namespace zep {
namespace {

class CharTest : public testing::NumberTest {
  protected:
    static Cell binary(std::initializer_list<unsigned char> bytes) {
        Ref node = memory::alloc_series(static_cast<uint32_t>(bytes.size()) + 1, 1, 0);
        SeriesBuffer* b = node_buffer(node);
        unsigned char* p = buffer_head(b);
        for (unsigned char x : bytes) *p++ = x;
        b->tail = b->head + static_cast<Ref>(bytes.size());
        Cell c;
        value::set_series(&c, type_id::binary, node);
        return c;
    }
    static uint32_t make(const Cell& spec) {
        Cell result;
        char_::make(&result, &spec, type_id::char_);
        EXPECT_EQ(cell_type(&result), type_id::char_);
        return result.data2;
    }
    static std::string make_error(const Cell& spec) {
        Cell result;
        return raised([&] { char_::make(&result, &spec, type_id::char_); });
    }
};

TEST_F(CharTest, MakeFromEverySource) {
    EXPECT_EQ(make(i(65)), 65u);
    EXPECT_EQ(make(ch(0x10FFFF)), 0x10FFFFu);
    EXPECT_EQ(make(f(97.9)), 97u);
    EXPECT_EQ(make(binary({0xE2, 0x82, 0xAC, 0x41})), 0x20ACu);
    EXPECT_EQ(make(text("xyz")), static_cast<uint32_t>('x'));
    EXPECT_EQ(make_error(i(-1)), "script/out-of-range");
    EXPECT_EQ(make_error(i(0x110000)), "script/out-of-range");
    EXPECT_EQ(make_error(f(1e300)), "script/out-of-range");
    EXPECT_EQ(make_error(f(NAN)), "script/out-of-range");
    EXPECT_EQ(make_error(text("")), "script/bad-to-arg");
    EXPECT_EQ(make_error(binary({})), "script/bad-to-arg");
    EXPECT_EQ(make_error(binary({0xE2, 0x82})), "script/bad-to-arg"); // cut short
    EXPECT_EQ(make_error(binary({0xFF})), "script/bad-to-arg");
    EXPECT_EQ(make_error(t(1)), "script/bad-to-arg");
}

TEST_F(CharTest, ArithmeticStaysInRange) {
    struct Case {
        void (*action)();
        Cell b;
        uint32_t expected;
    };
    const Case cases[] = {
        {char_::add, i(1), 'b'},    {char_::subtract, ch(1), '`'}, {char_::divide, i(2), 48},
        {char_::divide, i(3), 32},  {char_::multiply, f(0.5), 0},  {char_::remainder, i(7), 97 % 7},
        {char_::or_, i(0x20), 'a'}, {char_::and_, i(0x5F), 'A'},   {char_::xor_, ch(0x20), 'A'},
        {char_::add, f(1.9), 'b'},
    };
    for (const Case& c : cases) {
        Cell r = call(c.action, ch('a'), c.b);
        EXPECT_EQ(cell_type(&r), type_id::char_);
        EXPECT_EQ(r.data2, c.expected);
    }
    EXPECT_EQ(raised([&] { call(char_::subtract, ch('a'), i(98)); }), "math/overflow");
    EXPECT_EQ(raised([&] { call(char_::add, ch(0x10FFFF), i(1)); }), "math/overflow");
    EXPECT_EQ(raised([&] { call(char_::multiply, ch(0x10FFFF), i(INT_MAX)); }), "math/overflow");
    EXPECT_EQ(raised([&] { call(char_::add, ch('a'), f(1e12)); }), "math/overflow");
    EXPECT_EQ(raised([&] { call(char_::divide, ch('a'), i(0)); }), "math/zero-divide");
    EXPECT_EQ(raised([&] { call(char_::add, ch('a'), text("b")); }), "script/invalid-type");
}

TEST_F(CharTest, InheritedSlotsKeepTheType) {
    auto absolute = actions::slot_as<FrameFn>(type_id::char_, action_slot::absolute);
    Cell r = call(absolute, ch('z'));
    EXPECT_EQ(cell_type(&r), type_id::char_);
    EXPECT_EQ(r.data2, static_cast<uint32_t>('z'));
    auto is_odd = actions::slot_as<FrameFn>(type_id::char_, action_slot::is_odd);
    r = call(is_odd, ch('a'));
    EXPECT_TRUE(logic::is_truthy(&r));
    auto random = actions::slot_as<RandomFn>(type_id::char_, action_slot::random);
    for (int k = 0; k < 20; ++k) {
        Cell c = ch('d');
        random(&c, false, false, false);
        EXPECT_EQ(cell_type(&c), type_id::char_);
        EXPECT_TRUE(c.data2 >= 1 && c.data2 <= 'd');
    }
}

TEST_F(CharTest, FormAndMold) {
    struct Case {
        uint32_t cp;
        const char* mold;
    };
    const Case cases[] = {
        {'a', "#\"a\""},    {'\t', "#\"^-\""},    {'\n', "#\"^/\""},   {0, "#\"^@\""},
        {27, "#\"^[\""},    {'"', "#\"^\"\""},    {'^', "#\"^^\""},    {127, "#\"^~\""},
        {30, "#\"^(1E)\""}, {0x85, "#\"^(85)\""}, {0xE9, "#\"\xE9\""},
    };
    for (const Case& c : cases) EXPECT_EQ(render(ch(c.cp), true), c.mold) << c.cp;
    EXPECT_EQ(render(ch('q')), "q");
    // The limit left counts the characters written, escapes included.
    Cell* out = stack::push_slot();
    value::set_none(out); // the collector scans the stack up to its top
    string::make_at(out, 8);
    Cell tab = ch('\t');
    EXPECT_EQ(char_::mold(&tab, out, false, false, false, 100, 0), 100 - 5);
    EXPECT_EQ(char_::form(&tab, out, 100), 99);
}

TEST_F(CharTest, Compare) {
    Cell a = ch('a'), upper = ch('A'), n = i('a'), x = f(97.0);
    EXPECT_EQ(char_::compare(&a, &upper, compare_code::equal), 1);
    EXPECT_EQ(char_::compare(&upper, &a, compare_code::lesser), -1);
    EXPECT_EQ(char_::compare(&a, &n, compare_code::equal), 0);
    EXPECT_EQ(char_::compare(&a, &n, compare_code::strict_equal), 1);
    EXPECT_EQ(char_::compare(&a, &x, compare_code::equal), compare_code::not_comparable);
}

} // namespace
} // namespace zep
