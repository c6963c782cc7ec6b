// Loading text tokens: strings of every width, raw strings, files, urls,
// e-mail addresses, refs, tags, chars and binaries.
#include <vector>

#include "datatypes/binary.h"
#include "tests/services/lexer_load_fixture.h"

namespace zep::testing {
namespace {

class LexerLoadText : public LexerLoadTest {};

struct TextCase {
    const char* source;
    uint8_t type;
    const char* text;
    uint32_t unit;
};

TEST_F(LexerLoadText, TextValues) {
    const TextCase cases[] = {
        {"\"abc\"", type_id::string, "abc", 1},
        {"\"\"", type_id::string, "", 1},
        {"{a{b}c}", type_id::string, "a{b}c", 1},
        {"\"a^/b^-c^~\"", type_id::string, "a\nb\tc\x7f", 1},
        {"\"^^^\"^{^}\"", type_id::string, "^\"{}", 1},
        {"\"^A^[^(tab)^(LINE)^(esc)\"", type_id::string, "\x01\x1b\t\n\x1b", 1},
        {"\"^(41)^(E9)\"", type_id::string, "A\xc3\xa9", 1},
        {"\"\xc3\xa9\"", type_id::string, "\xc3\xa9", 1},
        {"\"\xe2\x82\xac\"", type_id::string, "\xe2\x82\xac", 2},
        {"\"^(20AC)\"", type_id::string, "\xe2\x82\xac", 2},
        {"\"\xf0\x9f\x98\x80\"", type_id::string, "\xf0\x9f\x98\x80", 4},
        {"\"^(1F600)\"", type_id::string, "\xf0\x9f\x98\x80", 4},
        // A braced string arrives in pieces: a wide character or an escape
        // before a nested brace still sets the width and is decoded.
        {"{\xe2\x82\xac{x}y}", type_id::string, "\xe2\x82\xac{x}y", 2},
        {"{\xf0\x9f\x98\x80{}}", type_id::string, "\xf0\x9f\x98\x80{}", 4},
        {"{^(1F600){}^/}", type_id::string, "\xf0\x9f\x98\x80{}\n", 4},
        {"{a\nb}", type_id::string, "a\nb", 1},
        {"%{a}b}%", type_id::string, "a}b", 1},
        {"%{a^/b}%", type_id::string, "a^/b", 1},
        {"%%{a}% }%%", type_id::string, "a}% ", 1},
        {"%a/b.txt", type_id::file, "a/b.txt", 1},
        {"%a%20b", type_id::file, "a b", 1},
        {"%\"a b^(41)^/\"", type_id::file, "a bA\n", 1},
        {"%\"\"", type_id::file, "", 1},
        {"http://a.b/c%20d", type_id::url, "http://a.b/c d", 1},
        {"a@b.c", type_id::email, "a@b.c", 1},
        {"@ref", type_id::ref, "ref", 1},
        {"<a href=\"x\">", type_id::tag, "a href=\"x\"", 1},
        // Text past the first eight bytes: an escape or a wide character in a
        // later group, or in the bytes after the last whole group.
        {"\"abcdefghijklmno^/p\"", type_id::string, "abcdefghijklmno\np", 1},
        {"\"abcdefghijklmnopq^-\"", type_id::string, "abcdefghijklmnopq\t", 1},
        {"\"abcdefghijklmnop\xe2\x82\xac\"", type_id::string, "abcdefghijklmnop\xe2\x82\xac", 2},
        {"\"abcdefghijklmnopqr\xc3\xa9\"", type_id::string, "abcdefghijklmnopqr\xc3\xa9", 1},
        {"%{abcdefghijklmn^/o}%", type_id::string, "abcdefghijklmn^/o", 1},
    };
    for (const TextCase& c : cases) {
        Cell v = load(c.source);
        EXPECT_EQ(cell_type(&v), c.type) << c.source;
        EXPECT_EQ(text_of(v), c.text) << c.source;
        EXPECT_EQ(unit_of(v), c.unit) << c.source;
    }
}

TEST_F(LexerLoadText, TokensAfterDelimitedOnes) {
    // The position moves past closing quotes, braces and angle brackets.
    Cell* block = load_all("\"a\"b {c}d <e>f #\"i\"j #{00}k 5%l");
    ASSERT_EQ(count_of(block), 12u);
    const char* words[] = {"b", "d", "f", "j", "k", "l"};
    for (int i = 0; i < 6; ++i) {
        Cell w = at(block, 2 * i + 1);
        EXPECT_EQ(cell_type(&w), type_id::word);
        EXPECT_EQ(name_of(w), words[i]);
    }
}

TEST_F(LexerLoadText, RawStringCountsItsLines) {
    Cell* block = load_all("%%{a\n}% \n}%% b\nc");
    ASSERT_EQ(count_of(block), 3u);
    EXPECT_EQ(text_of(at(block, 0)), "a\n}% \n");
    // The line feeds inside the raw string count for the tokens after it.
    EXPECT_EQ(failure("%%{a\n}% \n}%% 1''0").id, "invalid");
    EXPECT_EQ(last_line, "(line 3)");
}

TEST_F(LexerLoadText, Chars) {
    const std::pair<const char*, uint32_t> cases[] = {
        {"#\"a\"", 'a'},
        {"#\"^-\"", 9},
        {"#\"^/\"", 10},
        {"#\"^\"\"", '"'},
        {"#\"^^\"", '^'},
        {"#\"^@\"", 0},
        {"#\"^(1F600)\"", 0x1F600},
        {"#\"\xc3\xa9\"", 0xE9},
        {"#\"^(del)\"", 127},
    };
    for (const auto& [source, cp] : cases) {
        Cell v = load(source);
        EXPECT_EQ(cell_type(&v), type_id::char_) << source;
        EXPECT_EQ(v.data2, cp) << source;
    }
}

TEST_F(LexerLoadText, Binaries) {
    const std::pair<const char*, std::vector<uint8_t>> cases[] = {
        {"#{}", {}},
        {"#{0aFF}", {0x0A, 0xFF}},
        {"16#{0A ff}", {0x0A, 0xFF}},
        {"#{0A ; a comment\n FF}", {0x0A, 0xFF}},
        {"2#{00000001 11111111}", {0x01, 0xFF}},
        {"64#{AQID}", {1, 2, 3}},
        {"64#{AQI=}", {1, 2}},
    };
    for (const auto& [source, bytes] : cases) {
        Cell v = load(source);
        ASSERT_EQ(cell_type(&v), type_id::binary) << source;
        SeriesBuffer* b = node_buffer(value::series_node(&v));
        std::vector<uint8_t> got(buffer_head(b), buffer_tail(b));
        EXPECT_EQ(got, bytes) << source;
    }
}

TEST_F(LexerLoadText, Invalid) {
    const std::pair<const char*, uint8_t> cases[] = {
        {"\"^(110000)\"", type_id::string},
        {"\"^(D800)\"", type_id::string},
        {"\"^(nope)\"", type_id::string},
        {"{^(zz)}", type_id::string},
        {"\"a\xc3\"", type_id::string},
        {"%{a}%%", type_id::string},
        {"%%{a}% ", type_id::string},
        {"%a\xc3 ", type_id::file},
        {"#\"ab\"", type_id::char_},
        {"#\"^(110000)\"", type_id::char_},
        {"#\"^(tab)x\"", type_id::char_},
        {"'a:b", type_id::lit_word},
        {":a:b", type_id::set_word},
        {"#{0}", type_id::binary},
        {"#{GG}", type_id::binary},
        {"8#{00}", type_id::binary},
        {"2#{0101}", type_id::binary},
        {"64#{A}", type_id::binary},
        {"\"abcdefghijklmnop\xc3\"", type_id::string},
        {"\"abcdefghijklmnop^(zz)\"", type_id::string},
    };
    for (const auto& [source, type] : cases)
        EXPECT_EQ(failure(source), (Failure{"invalid", type})) << source;
}

} // namespace
} // namespace zep::testing
