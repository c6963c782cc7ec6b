#include "datatypes/string_buffer.h"

#include <algorithm>
#include <string>
#include <vector>

#include "string_fixture.h"

using namespace zep;
using zep::testing::StringTest;

namespace {

using StringBuffer = StringTest;

SeriesBuffer* buffer_of(const Cell& v) {
    return node_buffer(v.data2);
}

TEST_F(StringBuffer, AppendWidensAbove127AndPokeKeepsLatin1) {
    Cell appended = make_text(U"");
    string::append_char(buffer_of(appended), 200);
    EXPECT_EQ(unit_of(appended), 2u);
    EXPECT_EQ(all_text(appended), U"\u00C8");

    Cell poked = make_text(U"abc");
    string::poke_char_at(buffer_of(poked), 1, 200);
    EXPECT_EQ(unit_of(poked), 1u);
    EXPECT_EQ(all_text(poked), U"a\u00C8c");
    // Poking at the tail grows the text by one unit.
    string::poke_char_at(buffer_of(poked), 3, 'd');
    EXPECT_EQ(all_text(poked), U"a\u00C8cd");
    string::poke_char(buffer_of(poked), buffer_head(buffer_of(poked)) + 3, 0x3A9);
    EXPECT_EQ(unit_of(poked), 2u);
    EXPECT_EQ(all_text(poked), U"a\u00C8c\u03A9");
}

TEST_F(StringBuffer, WideningOneToTwoToFourInPlaceKeepsText) {
    // Enough text that the buffer has to grow while widening.
    std::u32string text(300, U'x');
    text += U"\u00E9";
    Cell v = make_text(text);
    v.data1 = 5;
    string::append_char(buffer_of(v), 0x20AC);
    EXPECT_EQ(unit_of(v), 2u);
    string::append_char(buffer_of(v), 0x1F600);
    EXPECT_EQ(unit_of(v), 4u);
    EXPECT_EQ(all_text(v), text + U"\u20AC\U0001F600");
    EXPECT_EQ(string::length(&v), text.size() + 2 - 5);

    // Inserting "a" then U+1F600 into Latin-1 text widens once, straight to 4.
    Cell w = make_text(U"x\u00FFy");
    string::insert_char(buffer_of(w), 1, 'a');
    EXPECT_EQ(unit_of(w), 1u);
    string::insert_char(buffer_of(w), 2, 0x1F600);
    EXPECT_EQ(unit_of(w), 4u);
    EXPECT_EQ(all_text(w), U"xa\U0001F600\u00FFy");
}

TEST_F(StringBuffer, InsertAndRemoveAtTheEdges) {
    Cell v = make_text(U"bcd");
    string::insert_char(buffer_of(v), 0, 'a');
    string::insert_char(buffer_of(v), 4, 'e');  // at the tail
    string::insert_char(buffer_of(v), 99, 'f'); // past the tail appends
    EXPECT_EQ(all_text(v), U"abcdef");

    struct Case {
        uint32_t index, count;
        std::u32string expected;
    };
    for (const Case& c : std::vector<Case>{{0, 1, U"bcdef"},
                                           {2, 2, U"abef"},
                                           {3, 3, U"abc"},
                                           {3, 0xFFFFFFFF, U"abc"},
                                           {6, 1, U"abcdef"},
                                           {40, 2, U"abcdef"},
                                           {0, 6, U""}}) {
        for (uint32_t unit : {1u, 2u, 4u}) {
            Cell t = make_text(U"abcdef", unit);
            string::remove_units(&t, c.index, c.count);
            EXPECT_EQ(all_text(t), c.expected) << c.index << "," << c.count << " unit " << unit;
        }
    }
    Cell one = make_text(U"xyz", 2);
    string::remove_char(&one, 1);
    EXPECT_EQ(all_text(one), U"xz");
}

TEST_F(StringBuffer, AccessClampsTheHead) {
    Cell v = make_text(U"hello", 2, 9);
    EXPECT_EQ(string::length(&v), 0u);
    EXPECT_TRUE(string::is_at_tail(&v));
    EXPECT_EQ(string::total_length(&v), 5u);
    EXPECT_EQ(string::head_address(&v), string::tail_address(&v));
    EXPECT_EQ(v.data1, 5u); // written back
    v.data1 = static_cast<uint32_t>(-3);
    EXPECT_EQ(string::length(&v), 5u);
    EXPECT_EQ(string::char_at(&v, 1), U'e');
    v.data1 = 1;
    EXPECT_EQ(string::find_char(&v, 'l'), 1);
    EXPECT_EQ(string::find_char(&v, 'h'), -1);
    EXPECT_EQ(string::find_char(&v, 'L'), -1);
    EXPECT_TRUE(string::find_char_with(&v, 'L', 1, false));
    EXPECT_FALSE(string::find_char_with(&v, 'L', 1, true));
    EXPECT_TRUE(string::find_char_with(&v, 'o', 3, false));  // 1 + 3
    EXPECT_FALSE(string::find_char_with(&v, 'o', 2, false)); // 1, 3
    EXPECT_TRUE(string::is_match_text(&v, "ell"));
    EXPECT_TRUE(string::is_match_text(&v, ""));
    EXPECT_FALSE(string::is_match_text(&v, "ello!"));
}

TEST_F(StringBuffer, BitsetAndAngleTests) {
    Ref bits = series::alloc_bytes(16);
    SeriesBuffer* bb = node_buffer(bits);
    std::fill(buffer_head(bb), buffer_head(bb) + 16, 0);
    bb->tail = bb->head + 16; // 128 bits
    buffer_head(bb)['a' >> 3] |= 0x80 >> ('a' & 7);
    Cell bitset = zep::testing::kept(Cell{type_id::bitset, 0, bits, 0});
    Cell a = make_text(U"ab");
    Cell b = make_text(U"ba");
    Cell wide = make_text(U"\u0100", 2);
    EXPECT_TRUE(string::is_head_char_in_bitset(&a, &bitset));
    EXPECT_FALSE(string::is_head_char_in_bitset(&b, &bitset));
    EXPECT_FALSE(string::is_head_char_in_bitset(&wide, &bitset));
    node_buffer(bits)->flags |= 0x80000; // complemented: beyond the stored bits is in
    EXPECT_TRUE(string::is_head_char_in_bitset(&wide, &bitset));

    Cell tagged = make_text(U"<br>x");
    Cell br = make_text(U"br", 1, 0, type_id::tag);
    Cell brr = make_text(U"brrrr", 1, 0, type_id::tag);
    EXPECT_TRUE(string::is_enclosed_by_angles(&tagged, &br));
    EXPECT_FALSE(string::is_enclosed_by_angles(&tagged, &brr)); // runs past the tail
    EXPECT_TRUE(string::find_value(&tagged, &br, string::code::equal));
    Cell bx = make_text(U"bx", 1, 0, type_id::tag);
    EXPECT_FALSE(string::find_value(&tagged, &bx, string::code::equal));
}

TEST_F(StringBuffer, FindValueAtTheHead) {
    Cell text = make_text(U"Hello");
    Cell h{type_id::char_, 0, 'h', 0};
    EXPECT_TRUE(string::find_value(&text, &h, string::code::equal));
    EXPECT_TRUE(string::find_value(&text, &h, string::code::case_sort)); // only 2 is exact
    EXPECT_FALSE(string::find_value(&text, &h, string::code::strict_equal));
    Cell prefix = make_text(U"hel", 4, 0, type_id::file);
    EXPECT_TRUE(string::find_value(&text, &prefix, string::code::equal));
    EXPECT_FALSE(string::find_value(&text, &prefix, string::code::strict_equal));
    Cell empty = make_text(U"");
    EXPECT_TRUE(string::find_value(&text, &empty, string::code::equal));
    EXPECT_FALSE(string::find_value(&text, &empty, string::code::find));
    Cell number{type_id::integer, 0, 1, 0};
    EXPECT_FALSE(string::find_value(&text, &number, string::code::equal));
}

TEST_F(StringBuffer, MakeAndClear) {
    Cell v;
    string::make_at(&v, 0);
    EXPECT_EQ(cell_type(&v), type_id::string);
    EXPECT_EQ(string::length(&v), 0u);
    EXPECT_EQ(v.data3, 0u);
    string::make_at_unit(&v, 10, 4);
    EXPECT_EQ(unit_of(v), 4u);
    EXPECT_GE(buffer_of(v)->size, 40u);
    string::append_text(&v, "ab\xE9");
    EXPECT_EQ(all_text(v), U"ab\u00E9");
    v.data1 = 2;
    string::clear_buffer(&v);
    EXPECT_EQ(unit_of(v), 1u);
    EXPECT_EQ(v.data1, 0u);
    EXPECT_EQ(all_text(v), U"");
    // Bytes above 127 leave unit 1 on the append path.
    string::append_bytes(&v, reinterpret_cast<const unsigned char*>("a\xFF"), 2);
    EXPECT_EQ(unit_of(v), 2u);
    EXPECT_EQ(all_text(v), U"a\u00FF");
    series::shorten(buffer_of(v), 1);
    EXPECT_EQ(all_text(v), U"a");
    series::shorten(buffer_of(v), 5);
    EXPECT_EQ(all_text(v), U"a");
}

TEST_F(StringBuffer, CopyUnitsConvertsAndRefusesNarrowing) {
    Cell src = make_text(U"ab\u00E9d");
    SeriesBuffer* copy = string::copy_units(buffer_of(src), nullptr, 64, 4, 1, 0, 3, false);
    EXPECT_EQ(buffer_unit(copy), 4u);
    Cell copied{type_id::string, 0, copy->node, 0};
    EXPECT_EQ(all_text(copied), U"b\u00E9");
    // Into an existing target at a byte offset, keeping its unit and tail.
    Cell target = make_text(U"xyzw", 2);
    string::copy_units(buffer_of(src), buffer_of(target), 0, 2, 0, 2, 2, true);
    EXPECT_EQ(all_text(target), U"xabw");
    Cell wide = make_text(U"a", 4);
    EXPECT_EXIT(string::copy_units(buffer_of(wide), nullptr, 16, 4, 0, 0, 0, false),
                ::testing::ExitedWithCode(100), "");
}

TEST_F(StringBuffer, HexWriters) {
    struct Case {
        int32_t value;
        bool short_form;
        const char* expected;
    } cases[] = {{0x1E, true, "1E"},
                 {0, true, "00"},
                 {0, false, "00000000"},
                 {-1, false, "FFFFFFFF"},
                 {0x85, true, "85"},
                 {0x10FFFF, true, "10FFFF"},
                 {0x7FFFFFFF, false, "7FFFFFFF"},
                 {-2, true, "FFFFFFFE"},
                 {0x1E, false, "0000001E"}};
    for (const Case& c : cases)
        EXPECT_STREQ(integer::to_hex_text(c.value, c.short_form), c.expected) << c.value;
    EXPECT_STREQ(string::byte_to_hex(0x0A), "0A");
    EXPECT_STREQ(string::byte_to_hex(0xFF), "FF");
}

TEST_F(StringBuffer, EscapedNotation) {
    struct Case {
        uint32_t cp;
        bool all;
        std::u32string expected;
    } cases[] = {{'\t', false, U"^-"},
                 {'\n', false, U"^/"},
                 {0x7F, false, U"^~"},
                 {0x1E, false, U"^(1E)"},
                 {0, false, U"^@"},
                 {'"', false, U"^\""},
                 {'^', false, U"^^"},
                 {0x1F, false, U"^_"},
                 {0x85, false, U"^(85)"},
                 {0xE9, false, U"\u00E9"},
                 {0xE9, true, U"^(E9)"},
                 {'a', true, U"a"},
                 {0x1F600, false, U"\U0001F600"},
                 {0x1F600, true, U"^(1F600)"}};
    for (const Case& c : cases) {
        Cell v = make_text(U"");
        string::append_escaped_char(&v, c.cp, c.all);
        EXPECT_EQ(all_text(v), c.expected) << c.cp;
    }
}

TEST_F(StringBuffer, ParseFloat) {
    const unsigned char text[] = "12.5e1xyz";
    EXPECT_EQ(string::parse_float(text, 6), 125.0);
}

} // namespace
