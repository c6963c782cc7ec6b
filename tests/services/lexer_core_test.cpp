// The lexer's scan loop, structure, syntax errors, trace events and modes.
#include <functional>

#include "runtime/error_catalog.h"
#include "services/lexer_tables.h"
#include "tests/services/lexer_fixture.h"

namespace zep::testing {
namespace {

using lexer::Event;

TEST(LexerTables, EveryWorkingStateEndsAtTheEndOfInput) {
    for (uint32_t state = 0; state < lexer::working_states; ++state)
        EXPECT_GE(lexer::tables.next[state][lexer::class_end], lexer::first_final_state) << state;
    // Spot checks of the class table: class and flags.
    EXPECT_EQ(lexer::class_table['%'], 26u | lexer::flag::percent);
    EXPECT_EQ(lexer::class_table[0xF0], 37u | lexer::flag::wide4);
    EXPECT_EQ(lexer::class_table[0xC3], 37u | lexer::flag::wide2);
    EXPECT_EQ(lexer::class_table[0xC0], 38u);
    EXPECT_EQ(lexer::class_table[0x80], 36u);
    EXPECT_EQ(lexer::class_table['h'], 16u);
}

TEST_F(LexerTest, StructureLoads) {
    struct Case {
        const char* text;
        const char* molded;
    };
    const Case cases[] = {
        {"", ""},
        {"  \t\r\n ", ""},
        {"a [b [c]] (d e)", "a [b [c]] (d e)"},
        {"a ; comment\n b", "a\nb"},
        {"a/b/c :a/b 'a/b a/b: 1", "a/b/c :a/b 'a/b a/b: 1"},
        {"a/(b c)/d", "a/(b c)/d"},
        {"#(true) #(false) #(none) #(integer!) #( Block! )", "true false none integer! block!"},
        {"{a{b}c} {}", "\"a{b}c\" \"\""},
        {"{a^}b}", "\"a}b\""},
        // Delimiter code points end words and are skipped between tokens.
        {"a\xC2\xA0"
         "b",
         "a b"},
        {"\xE2\x80\x80\xE3\x80\x80", ""},
        {"x \xE2\x80\x8B y", "x y"},
    };
    for (const Case& c : cases) EXPECT_EQ(load(c.text), c.molded) << c.text;
}

TEST_F(LexerTest, MapLiteral) {
    Cell* out = stack::push_slot();
    value::set_none(out);
    std::string text = "#[a 1 b 2]";
    lexer::transcode(out, bytes(text), static_cast<uint32_t>(text.size()), {});
    Cell map_cell = *block::cell_at(out, 0);
    EXPECT_EQ(cell_type(&map_cell), type_id::map);
    EXPECT_EQ(map::count(&map_cell), 2);
    EXPECT_EQ(error_of("#[a 1 b]").substr(0, 7), "invalid");
}

TEST_F(LexerTest, SyntaxErrors) {
    struct Case {
        std::string text;
        std::string error;
    };
    const Case cases[] = {
        {"[1 2", "missing (line 1) | ] | [1 2"},
        {"1 2]", "missing (line 1) | [ | ]"},
        {"(1 2]", "missing (line 1) | ) | ]"},
        {"[1 2)", "missing (line 1) | ] | )"},
        {"x (1 [2", "missing (line 1) | ] | [2"},
        {"#(foo)", "malconstruct (line 1) | #(foo) | -"},
        {"a , b", "invalid (line 1) | error! | , b"},
        {"a, b", "invalid (line 1) | word! | a, b"},
        {"\"abc", "invalid (line 1) | string! | \"abc"},
        {"a\n\n\"abc\ndef\"", "invalid (line 3) | string! | \"abc"},
        {"{abc\n", "missing (line 2) | } | {abc"},
        {"a/ b", "bad-char (line 1) |  b | -"},
        {"a\x80", "bad-char (line 1) | a\xEF\xBF\xBD | -"},
        {"}", "missing (line 1) | { | }"},
        {std::string("a\0b", 3), "bad-char (line 1) | ^@b | -"},
        {std::string("\"a\x1B\0\tb\"", 7), "invalid (line 1) | string! | \"a^[^@\tb\""},
        {"{a\nb\nc} [", "missing (line 3) | ] | ["},
        {"ok\n  [x\ny", "missing (line 3) | ] | [x"},
    };
    for (const Case& c : cases) EXPECT_EQ(error_of(c.text), c.error) << c.text;
}

TEST_F(LexerTest, WordsWithWideOrMalformedBytes) {
    // ASCII words take a shorter path than words with bytes of 0x80 and
    // above: both must load the same names and refuse the same bytes,
    // wherever in the word they stand.
    struct Case {
        std::string text;
        std::string result;
    };
    const Case cases[] = {
        {"caf\xC3\xA9 na\xC3\xAFve: :\xE2\x82\xAC 'x\xF0\x9F\x98\x80y",
         "caf\xC3\xA9 na\xC3\xAFve: :\xE2\x82\xAC 'x\xF0\x9F\x98\x80y"},
        {"#is\xC3\xA9 /r\xC3\xA9 p\xC3\xA9/q", "#is\xC3\xA9 /r\xC3\xA9 p\xC3\xA9/q"},
        {"abc abc: :abc 'abc #abc /abc", "abc abc: :abc 'abc #abc /abc"},
        {"ab\x80"
         "cd",
         "bad-char (line 1) | ab\xEF\xBF\xBD"
         "cd | -"},
        {"ab\xE2\x82"
         "cd",
         "bad-char (line 1) | ab\xEF\xBF\xBD"
         "cd | -"},
        {"ab\xED\xA0\x80", "bad-char (line 1) | ab\xEF\xBF\xBD\xEF\xBF\xBD\xEF\xBF\xBD | -"},
        {"#i\x80", "bad-char (line 1) | #i\xEF\xBF\xBD | -"},
        {"/r\x80", "invalid (line 1) | refinement! | /r\xEF\xBF\xBD"},
        {":a:b", "invalid (line 1) | set-word! | :a:b"},
        {"'a:b", "invalid (line 1) | lit-word! | 'a:b"},
        {"/a:b", "invalid (line 1) | refinement! | /a:b"},
        {"#a:b", "invalid (line 1) | issue! | #a:b"},
        {"'a:", "invalid (line 1) | lit-word! | 'a:"},
        {"x\n:\xC3\xA9:b", "invalid (line 2) | set-word! | :\xC3\xA9:b"},
    };
    for (const Case& c : cases) EXPECT_EQ(load(c.text), c.result) << c.text;
}

TEST_F(LexerTest, ErrorTextStopsBeforeACutCharacter) {
    // 1 + 14 x 2 bytes fill 29 of the 30 bytes: the 15th "é" would be cut.
    std::string text = "\"";
    for (int i = 0; i < 20; ++i) text += "\xC3\xA9";
    std::string expected = "invalid (line 1) | string! | \"";
    for (int i = 0; i < 14; ++i) expected += "\xC3\xA9";
    EXPECT_EQ(error_of(text), expected);
    // Thirty ASCII bytes at most.
    EXPECT_EQ(error_of("\"" + std::string(40, 'x')),
              "invalid (line 1) | string! | \"" + std::string(29, 'x'));
}

TEST_F(LexerTest, DeepNestingRaisesTooDeep) {
    std::string text(100000, '[');
    EXPECT_EQ(error_of(text).substr(0, 8), "too-deep");
    std::string fine = std::string(1000, '[') + std::string(1000, ']');
    EXPECT_EQ(error_of(fine), "none");
}

TEST_F(LexerTest, ScanModesAnswerTheTypeAndTheEnd) {
    struct Case {
        const char* text;
        lexer::Mode mode;
        int32_t type;
        uint32_t consumed;
    };
    const Case cases[] = {
        {"  foo bar", lexer::Mode::scan, type_id::word, 5},
        {"[a [b]] c", lexer::Mode::scan, type_id::block, 7},
        {"a/b c", lexer::Mode::scan, type_id::path, 3},
        {"\"abc", lexer::Mode::scan, -1, 0},
        {"", lexer::Mode::scan, 0, 0},
        {"; only a comment", lexer::Mode::prescan, 0, 16},
        {"123 x", lexer::Mode::prescan, type_id::integer, 3},
        {"(1 2]", lexer::Mode::prescan, -1, 3},
    };
    for (const Case& c : cases) {
        Cell out;
        value::set_none(&out);
        lexer::Options options;
        options.mode = c.mode;
        std::string text = c.text;
        lexer::Result r =
            lexer::transcode(&out, bytes(text), static_cast<uint32_t>(text.size()), options);
        EXPECT_EQ(r.type, c.type) << c.text;
        if (r.type >= 0) {
            EXPECT_EQ(r.consumed, c.consumed) << c.text;
        }
        EXPECT_EQ(cell_type(&out), type_id::none) << c.text; // nothing is built
    }
}

TEST_F(LexerTest, OneValueModeAndInto) {
    Cell* out = stack::push_slot();
    value::set_none(out);
    lexer::Options options;
    options.mode = lexer::Mode::one;
    std::string text = " [a b] c";
    lexer::Result r =
        lexer::transcode(out, bytes(text), static_cast<uint32_t>(text.size()), options);
    EXPECT_EQ(mold(*out), "[a b]");
    EXPECT_EQ(r.consumed, 6u);

    Cell* into = block::push_new(4);
    Cell one;
    value::set_integer(&one, 1);
    block::append_value(into, &one);
    lexer::Options into_options;
    into_options.into = into;
    text = "x y";
    lexer::transcode(out, bytes(text), static_cast<uint32_t>(text.size()), into_options);
    EXPECT_EQ(mold(*into), "[1 x y]");
}

// A recorded trace event: word, input position, type, line, token.
struct Seen {
    std::string text;
};
std::vector<std::string> events;
std::function<bool(const std::string& event, Cell* input)> on_event;

bool record(const Cell*, const Cell* event, Cell* input, const Cell* type, const Cell* line,
            const Cell* token) {
    std::string word = symbol::utf8_text(value::word_symbol(event));
    std::string entry = word + " " + LexerTest::text_of(type) + " " +
                        std::to_string(value::integer_of(line)) + " " +
                        (word == "load" ? LexerTest::mold(*token)
                                        : std::to_string(pair::x_of(token)) + "x" +
                                              std::to_string(pair::y_of(token)));
    if (cell_type(input) == type_id::string)
        entry += " @" + std::to_string(value::series_head(input));
    events.push_back(entry);
    return on_event ? on_event(word, input) : true;
}

class LexerTraceTest : public LexerTest {
  protected:
    void SetUp() override {
        LexerTest::SetUp();
        events.clear();
        on_event = nullptr;
        lexer::run_callback = record;
    }
    void TearDown() override {
        lexer::run_callback = nullptr;
        on_event = nullptr;
        LexerTest::TearDown();
    }
    // Transcodes a string! value with a callback for the events of the mask.
    std::string trace(const std::string& utf8, uint32_t mask, Cell* out = nullptr) {
        Cell* source = stack::push(&(const Cell&)text(utf8));
        Cell* result = out;
        if (!result) {
            result = stack::push_slot();
            value::set_none(result);
        }
        Cell callback;
        value::set_integer(&callback, 0); // the recording runner ignores it
        lexer::Options options;
        options.callback = &callback;
        options.event_mask = mask;
        lexer::scan_string_value(source, result, options);
        std::string all;
        for (const std::string& e : events) all += e + "\n";
        return all;
    }
};

TEST_F(LexerTraceTest, EventsInOrderWithCharacterPositions) {
    // "é" is one character: positions after it count characters, not bytes.
    std::string seen = trace("\xC3\xA9 [x]\n{y}", lexer::all_events);
    EXPECT_EQ(seen, "prescan word! 1 1x2 @0\n"
                    "scan word! 1 1x2 @0\n"
                    "load word! 1 \xC3\xA9 @0\n"
                    "prescan block! 1 3x4 @2\n"
                    "open block! 1 3x4 @2\n"
                    "prescan word! 1 4x5 @3\n"
                    "scan word! 1 4x5 @3\n"
                    "load word! 1 x @3\n"
                    "prescan block! 1 5x6 @4\n"
                    "close block! 1 5x6 @4\n"
                    "prescan string! 2 7x8 @6\n"
                    "open string! 2 7x8 @6\n"
                    "close string! 2 9x10 @8\n"
                    "scan string! 2 7x10 @6\n"
                    "load string! 2 \"y\" @6\n");
}

TEST_F(LexerTraceTest, MaskAndErrorEvents) {
    EXPECT_EQ(trace("(a) /", event_bit(Event::open) | event_bit(Event::close)),
              "open paren! 1 1x2 @0\nclose paren! 1 3x4 @2\n");
    events.clear();
    // A false answer to the error event ends the transcode quietly.
    on_event = [](const std::string& word, Cell*) { return word != "error"; };
    Cell* out = stack::push_slot();
    value::set_none(out);
    std::string seen = trace("a [b", event_bit(Event::error), out);
    EXPECT_EQ(seen, "error error! 1 3x4 @2\n");
    EXPECT_EQ(mold(*out, true), "a [b]"); // the open block closed where it stands
}

TEST_F(LexerTraceTest, CallbackMovesTheInput) {
    // Skipping the token "bad" by moving the input past it.
    on_event = [](const std::string& word, Cell* input) {
        if (word == "prescan" && string::char_at(input, value::series_head(input)) == 'b') {
            input->data1 += 3;
        }
        return true;
    };
    Cell* out = stack::push_slot();
    value::set_none(out);
    trace("a bad c", event_bit(Event::prescan), out);
    EXPECT_EQ(mold(*out, true), "a c");
}

TEST_F(LexerTraceTest, NestedTranscodeAndMarking) {
    // A callback that transcodes again continues the shared output, and the
    // collector's walk sees the cells of both.
    size_t marked = 0;
    on_event = [&marked](const std::string& word, Cell*) {
        if (word != "load") return true;
        on_event = nullptr;
        Cell* inner = stack::push_slot();
        value::set_none(inner);
        std::string text = "p q";
        lexer::transcode(inner, bytes(text), 3, {});
        EXPECT_EQ(mold(*inner, true), "p q");
        static size_t* count;
        count = &marked;
        lexer::mark_active([](Cell*) { ++*count; });
        stack::pop(1);
        return true;
    };
    Cell* out = stack::push_slot();
    value::set_none(out);
    trace("a b", event_bit(Event::load), out);
    EXPECT_EQ(mold(*out, true), "a b");
    EXPECT_GE(marked, 3u); // callback, source, the value "a"
    marked = 0;
    lexer::mark_active([](Cell*) {});
    EXPECT_EQ(lexer::active, nullptr);
}

} // namespace
} // namespace zep::testing
