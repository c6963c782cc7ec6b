// Source texts of every token class with their molded values, and the
// round trip of every literal type through mold and load.
#include "tests/services/lexer_fixture.h"

namespace zep::testing {
namespace {

TEST_F(LexerTest, EveryTokenClassLoads) {
    struct Case {
        const char* text;
        const char* molded;
    };
    const Case cases[] = {
        {"[a] (b) #[k 1]", "[a] (b) #[\n    k: 1\n]"},              // 2-5, 8
        {"{x{y}z} \"s\"", "\"x{y}z\" \"s\""},                       // 6, 7, 13
        {"p/q/1", "p/q/1"},                                         // 9
        {"#(true) ; c\n", "true"},                                  // 10, 11
        {"w w: :w 'w #i /r", "w w: :w 'w #i /r"},                   // 14, 15, 17
        {"12 -3 0FFh 7Fh", "12 -3 255 127"},                        // 16, 33
        {"#\"a\" #\"^-\"", "#\"a\" #\"^-\""},                       // 18
        {"%a/b %\"c d\"", "%a/b %\"c d\""},                         // 19
        {"#{0A0B} 2#{00000001}", "#{0A0B} #{01}"},                  // 20
        {"5% 1.5 1e3", "5% 1.5 1000.0"},                            // 21, 22
        {"1.#INF -1.#INF", "1.#INF -1.#INF"},                       // 23
        {"1.2.3", "1.2.3"},                                         // 24
        {"2x3 (1, 2) (1, 2, 3)", "2x3 (1.0, 2.0) (1.0, 2.0, 3.0)"}, // 26, 27
        {"1:30 0:0:1.5", "1:30:00 0:00:01.5"},                      // 28
        {"$1.50 -$2", "$1.50 -$2.00"},                              // 29
        {"<b i>", "<b i>"},                                         // 30
        {"http://x.y/z a@b.c", "http://x.y/z a@b.c"},               // 31, 32
        {"%{a}b}%", "\"a}b\""},                                     // 34
        {"@ref", "@ref"},                                           // 35
    };
    for (const Case& c : cases) EXPECT_EQ(load(c.text), c.molded) << c.text;
}

TEST_F(LexerTest, DatesLoad) {
    // Two notations of one day load equal and mold with the month's name.
    Cell* out = stack::push_slot();
    value::set_none(out);
    std::string text = "1-Jan-2000 2000-01-01";
    lexer::transcode(out, bytes(text), static_cast<uint32_t>(text.size()), {});
    ASSERT_EQ(block::length(out), 2);
    EXPECT_EQ(cell_type(block::cell_at(out, 0)), type_id::date);
    EXPECT_EQ(actions::compare_values(block::cell_at(out, 0), block::cell_at(out, 1),
                                      compare_code::strict_equal),
              0);
    EXPECT_EQ(load("2000-01-01"), "1-Jan-2000");
}

TEST_F(LexerTest, LoaderErrorsNameTheirType) {
    const char* cases[][2] = {
        {"1.2.3.4.5.6.7.8.9.10.11.12.13",
         "invalid (line 1) | tuple! | 1.2.3.4.5.6.7.8.9.10.11.12.13"},
        {"#\"ab\"", "invalid (line 1) | char! | #\"ab\""},
        {"29-Feb-2001", "invalid (line 1) | date! | 29-Feb-2001"},
        {"(1.5, #NaN)", "invalid (line 1) | point2D! | 1.5, #NaN)"},
        {"a/1.2.3.4.5.6.7.8.9.10.11.12.13",
         "bad-char (line 1) | 1.2.3.4.5.6.7.8.9.10.11.12.13 | -"},
        {"(1, 2", "missing (line 1) | ) | (1, 2"},
    };
    for (const auto& c : cases) EXPECT_EQ(error_of(c[0]), c[1]) << c[0];
}

TEST_F(LexerTest, BracedStringPiecesKeepWideText) {
    // The wide characters sit in the first piece, before the nested braces.
    EXPECT_EQ(load("{\xC3\xA9\xE2\x82\xAC{x}y}"), "\"\xC3\xA9\xE2\x82\xAC{x}y\"");
    EXPECT_EQ(load("{\xF0\x9F\x98\x80{}}"), "\"\xF0\x9F\x98\x80{}\"");
}

TEST_F(LexerTest, MoldedLiteralsLoadBackEqual) {
    const char* texts[] = {
        "1",
        "-2147483648",
        "1.5",
        "-0.0",
        "1e300",
        "50%",
        "#\"x\"",
        "#\"^@\"",
        "\"a^\"b\"",
        "{a\nb}",
        "\"\xC3\xA9\xF0\x9F\x98\x80\"",
        "w",
        "w:",
        ":w",
        "'w",
        "/r",
        "#iss",
        "%f/g.txt",
        "%\"a b\"",
        "http://h/p?q",
        "a@b.c",
        "<t a=\"1\">",
        "@r",
        "#{DEADBEEF}",
        "1.2.3.4",
        "3x-4",
        "(1.5, 2)",
        "(1, 2, 3)",
        "1:02:03.5",
        "-0:00:01",
        "$1.25",
        "-$3.50",
        "true",
        "none",
        "[a [b] (c)]",
        "a/b/c",
        "a/b:",
        ":a/b",
        "'a/b",
        "#[a 1 \"b\" 2]",
        "FFh",
        "1.#NaN",
        "5-Dec-2020",
        "15/Mar/-0044",
        "1-May-2020/1:00:00+02:00",
        "2000-01-01T10:20:30Z",
    };
    for (const char* text : texts) {
        std::string problem = error_from([&] {
            std::string source = text;
            if (source == "true" || source == "none") source = "#(" + source + ")";
            lexer::Options options;
            options.mode = lexer::Mode::one;
            Cell* first = stack::push_slot();
            value::set_none(first);
            lexer::transcode(first, bytes(source), static_cast<uint32_t>(source.size()), options);
            std::string molded = mold(*first);
            if (cell_type(first) == type_id::logic || cell_type(first) == type_id::none)
                molded = "#(" + molded + ")";
            Cell* again = stack::push_slot();
            value::set_none(again);
            lexer::transcode(again, bytes(molded), static_cast<uint32_t>(molded.size()), options);
            EXPECT_EQ(cell_type(again), cell_type(first)) << text << " -> " << molded;
            if (source != "1.#NaN") {
                EXPECT_EQ(actions::compare_values(first, again, compare_code::strict_equal), 0)
                    << text << " -> " << molded;
            }
        });
        EXPECT_EQ(problem, "none") << text;
    }
}

} // namespace
} // namespace zep::testing
