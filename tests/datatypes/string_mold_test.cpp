// form, mold, make, to, compare and path access on text.
#include "tests/datatypes/string_actions_fixture.h"

namespace zep {
namespace {

using testing::u32;

class StringMoldTest : public testing::StringActionsTest {
  protected:
    std::u32string molded(const Cell& value, bool all = false, int32_t limit = INT32_MAX,
                          int32_t* remaining = nullptr) {
        gc::RootedCell rooted;
        Cell& out = *rooted;
        string::make_at(&out, 16);
        int32_t left = string::mold(&value, &out, false, all, false, limit, 0);
        if (remaining) *remaining = left;
        return all_text(out);
    }
};

TEST_F(StringMoldTest, QuotesBracesAndEscapes) {
    struct Case {
        std::u32string text;
        std::u32string expected;
    } cases[] = {
        {U"abc", U"\"abc\""},
        {U"say \"hi\"", U"{say \"hi\"}"},
        {U"a{b", U"\"a{b\""},       // quote mode leaves braces alone
        {U"\"a{b", U"{\"a^{b}"},    // no closing brace: caret
        {U"\"{}}{", U"{\"{}^}^{}"}, // matched pair plain, the rest escaped
        {U"\"{{}", U"{\"^{^{^}}"},  // after the first unmatched, all escaped
        {U"x^y", U"\"x^^y\""},
        {U"\"^", U"{\"^^}"},
        {U"a\tb\nc", U"\"a^-b^/c\""},
        {U"1\n2\n3\n4", U"{1^/2^/3^/4}"}, // three line feeds choose braces
        {U"\u0085", U"\"^(85)\""},
        {U"\u00E9", U"\"\u00E9\""},
        {std::u32string(49, 'x'), U"\"" + std::u32string(49, 'x') + U"\""},
        {std::u32string(50, 'x'), U"{" + std::u32string(50, 'x') + U"}"},
    };
    for (const auto& c : cases) {
        for (uint32_t unit : {1u, 2u, 4u}) {
            EXPECT_EQ(molded(text(c.text, unit)), c.expected)
                << std::string(c.text.begin(), c.text.end()) << " unit " << unit;
        }
    }
    EXPECT_EQ(molded(text(U"\u00E9"), true), U"\"^(E9)\"");
}

TEST_F(StringMoldTest, PartLimitsTheMoldedCharacters) {
    int32_t remaining = 0;
    EXPECT_EQ(molded(ascii("abcdef"), false, 3, &remaining), U"\"abc\"");
    EXPECT_EQ(remaining, -2);
    // The delimiter choice still sees the whole text from the head.
    EXPECT_EQ(molded(text(std::u32string(60, 'y')), false, 2), U"{yy}");
    molded(ascii("abcdef", 1, 2), false, INT32_MAX, &remaining);
    EXPECT_EQ(remaining, INT32_MAX - 6);

    Cell out = ascii("<");
    Cell value = text(U"\u03C9x", 2, 1);
    EXPECT_EQ(string::form(&value, &out, 10), 9);
    EXPECT_EQ(all_text(out), U"<x");
}

TEST_F(StringMoldTest, MakeAndTo) {
    Cell result, size;
    value::set_integer(&size, 100);
    string::make(&result, &size, type_id::file);
    EXPECT_EQ(cell_type(&result), type_id::file);
    EXPECT_EQ(string::length(&result), 0u);
    EXPECT_GE(node_buffer(result.data2)->size, 100u);
    value::set_integer(&size, -1);
    EXPECT_EQ(raised([&] { string::make(&result, &size, type_id::string); }),
              script("out-of-range"));

    Cell source = text(U"x\u03C9y", 2, 1);
    string::to(&result, &source, type_id::url);
    EXPECT_EQ(cell_type(&result), type_id::url);
    EXPECT_EQ(all_text(result), U"\u03C9y");
    EXPECT_NE(result.data2, source.data2);

    Cell bytes = text(u32("h\xC3\xA9!"));
    bytes.header = type_id::binary;
    string::to(&result, &bytes, type_id::string);
    EXPECT_EQ(all_text(result), U"h\u00E9!");
    Cell cut = text(u32("h\xC3"));
    cut.header = type_id::binary;
    EXPECT_EQ(raised([&] { string::to(&result, &cut, type_id::string); }),
              code(error::Category::access, "invalid-utf8"));

    Cell none;
    value::set_none(&none);
    EXPECT_EQ(raised([&] { string::to(&result, &none, type_id::string); }), script("bad-to-arg"));
    Cell t;
    value::set_logic(&t, false);
    string::to(&result, &t, type_id::string);
    EXPECT_EQ(all_text(result), U"false");
}

TEST_F(StringMoldTest, CompareAcrossTextTypes) {
    Cell a = ascii("abc"), b = text(U"ABC", 4);
    EXPECT_EQ(string::compare_slot(&a, &b, compare_code::equal), 0);
    EXPECT_NE(string::compare_slot(&a, &b, compare_code::strict_equal), 0);
    Cell f = ascii("abc");
    f.header = type_id::file;
    EXPECT_EQ(string::compare_slot(&a, &f, compare_code::equal), 0);
    EXPECT_EQ(string::compare_slot(&a, &f, compare_code::lesser), compare_code::not_comparable);
    Cell n;
    value::set_integer(&n, 1);
    EXPECT_EQ(string::compare_slot(&a, &n, compare_code::equal), compare_code::not_comparable);
    Cell lower = ascii("abd");
    EXPECT_EQ(string::compare_slot(&a, &lower, compare_code::lesser), -1);
}

TEST_F(StringMoldTest, PathAccess) {
    Cell s = ascii("a=1"), two, path;
    value::set_integer(&two, 2);
    value::set_none(&path);
    Cell v = s;
    EXPECT_EQ(string::eval_path(&v, &two, nullptr, &path)->data2, U'=');
    value::set_integer(&two, 9);
    v = s;
    EXPECT_EQ(cell_type(string::eval_path(&v, &two, nullptr, &path)), type_id::none);
    Cell eq = character('=');
    v = s;
    EXPECT_EQ(string::eval_path(&v, &eq, nullptr, &path)->data2, U'1');
    Cell omega = character(0x3C9);
    v = s;
    string::eval_path(&v, &eq, &omega, &path);
    EXPECT_EQ(all_text(s), U"a=\u03C9");
    Cell missing = character('z');
    v = s;
    EXPECT_EQ(raised([&] { string::eval_path(&v, &missing, &omega, &path); }),
              script("bad-path-set"));
    v = s;
    EXPECT_EQ(raised([&] { string::eval_path(&v, &two, &omega, &path); }), script("out-of-range"));
    Cell w;
    value::set_word(&w, type_id::word, 0, symbol::make("x"));
    v = s;
    EXPECT_EQ(raised([&] { string::eval_path(&v, &w, nullptr, &path); }), script("invalid-path"));
}

} // namespace
} // namespace zep
