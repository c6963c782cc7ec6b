#include <cstring>
#include <string>
#include <vector>

#include "datatypes/string_buffer.h"
#include "datatypes/symbol.h"
#include "runtime/heap.h"
#include "string_fixture.h"

using namespace zep;
using zep::testing::StringTest;

namespace {

using StringConcat = StringTest;
using string::concat_mode::append;
using string::concat_mode::insert;
using string::concat_mode::overwrite;

TEST_F(StringConcat, ModesLimitsAndOffsets) {
    struct Case {
        int mode;
        int32_t limit, offset;
        std::u32string expected;
    } cases[] = {
        {append, -1, 0, U"abcdXYZ"},  {append, 2, 0, U"abcdXY"},      {append, 0, 0, U"abcd"},
        {insert, -1, 0, U"aXYZbcd"},  {insert, -1, 3, U"abcdXYZ"},    {insert, 1, -5, U"Xabcd"},
        {insert, -1, 99, U"abcdXYZ"}, {overwrite, -1, 0, U"aXYZ"},    {overwrite, -1, 1, U"abXYZ"},
        {overwrite, 1, 0, U"aXcd"},   {overwrite, -1, 9, U"abcdXYZ"},
    };
    // The target's head is 1 ("bcd"); the source's head is 1 ("XYZ").
    for (const Case& c : cases) {
        for (uint32_t tu : {1u, 2u, 4u}) {
            for (uint32_t su : {1u, 2u, 4u}) {
                Cell target = make_text(U"abcd", tu, 1);
                Cell source = make_text(U"-XYZ", su, 1);
                string::concatenate(&target, &source, c.limit, c.offset, false, c.mode);
                EXPECT_EQ(all_text(target), c.expected)
                    << "mode " << c.mode << " limit " << c.limit << " offset " << c.offset
                    << " units " << tu << su;
                EXPECT_EQ(unit_of(target), std::max(tu, su));
                // The source was widened to the target's unit, text unchanged.
                EXPECT_EQ(unit_of(source), std::max(tu, su));
                EXPECT_EQ(all_text(source), U"-XYZ");
            }
        }
    }
}

TEST_F(StringConcat, KeepUnitLeavesTheSourceAlone) {
    Cell target = make_text(U"\u20AC", 2);
    Cell source = make_text(U"a\u00E9", 1);
    string::concatenate(&target, &source, -1, 0, true, append);
    EXPECT_EQ(all_text(target), U"\u20ACa\u00E9");
    EXPECT_EQ(unit_of(source), 1u);
    // A wider source widens the target.
    Cell wide = make_text(U"\U0001F600", 4);
    string::concatenate(&target, &wide, -1, 1, true, insert);
    EXPECT_EQ(unit_of(target), 4u);
    EXPECT_EQ(all_text(target), U"\u20AC\U0001F600a\u00E9");
}

TEST_F(StringConcat, GrowsPastTheBufferSize) {
    Cell target = make_text(U"");
    std::u32string big(5000, U'q');
    Cell source = make_text(big, 2);
    for (int i = 0; i < 3; ++i) string::concatenate(&target, &source, -1, 0, false, append);
    EXPECT_EQ(all_text(target), big + big + big);
    EXPECT_EQ(unit_of(target), 2u);
}

// Every position and source head of a text inserted into, appended to and
// written over itself, against a plain string model.
TEST_F(StringConcat, TextIntoItself) {
    const std::u32string text = U"abcdefg";
    for (uint32_t unit : {1u, 2u, 4u}) {
        for (int32_t source_head = 0; source_head <= 7; ++source_head) {
            for (int32_t at = 0; at <= 7; ++at) {
                for (int32_t limit : {-1, 2}) {
                    std::u32string piece = text.substr(source_head);
                    if (limit >= 0) piece = piece.substr(0, limit);
                    for (int mode : {append, insert, overwrite}) {
                        Cell target = make_text(text, unit);
                        Cell source = target;
                        source.data1 = source_head;
                        string::concatenate(&target, &source, limit, at, false, mode);
                        std::u32string expected = text;
                        if (mode == append) expected += piece;
                        if (mode == insert) expected.insert(at, piece);
                        if (mode == overwrite) {
                            expected.resize(std::max(expected.size(), at + piece.size()));
                            expected.replace(at, piece.size(), piece);
                        }
                        EXPECT_EQ(all_text(target), expected)
                            << "mode " << mode << " head " << source_head << " at " << at
                            << " limit " << limit << " unit " << unit;
                    }
                }
            }
        }
    }
}

TEST_F(StringConcat, InsertStringMovesText) {
    Cell source = make_text(U"..xyz", 1, 2);
    Cell target = make_text(U"a\u03A9b", 2, 1);
    string::insert_string(&source, &target, 2);
    EXPECT_EQ(all_text(source), U"..z");
    EXPECT_EQ(all_text(target), U"axy\u03A9b");
    // Within one buffer, in both directions.
    Cell one = make_text(U"abcdef", 1, 1);
    Cell later = one;
    later.data1 = 5;
    string::insert_string(&one, &later, 2); // "bc" moves before "f"
    EXPECT_EQ(all_text(one), U"adebcf");
    Cell back = make_text(U"abcdef", 4, 4);
    Cell front = back;
    front.data1 = 0;
    string::insert_string(&back, &front, 8); // "ef" (two 4-byte units) to the front
    EXPECT_EQ(all_text(back), U"efabcd");
}

std::string pattern(size_t n, char seed) {
    std::string s(n, 0);
    for (size_t i = 0; i < n; ++i) s[i] = static_cast<char>(seed + i % 23);
    return s;
}

TEST_F(StringConcat, ExchangeRegions) {
    struct Case {
        size_t first, gap, second;
    } cases[] = {{3, 0, 5},
                 {5, 0, 3},
                 {4, 2, 4},
                 {1, 3, 6},
                 {6, 3, 1},
                 {0, 0, 4},
                 {4, 1, 0},
                 {100000, 0, 70000},
                 {70000, 5, 100000},
                 {65536, 0, 65537},
                 {70000, 70000, 80000}};
    string::init_scratch();
    size_t blocks = heap::block_count();
    uint64_t bytes = heap::accounted_bytes();
    for (const Case& c : cases) {
        std::string a = pattern(c.first, 'a'), g = pattern(c.gap, '0'), b = pattern(c.second, 'A');
        std::string buffer = "<" + a + g + b + ">";
        auto* p = reinterpret_cast<unsigned char*>(buffer.data()) + 1;
        string::exchange_regions(p, static_cast<uint32_t>(c.first), p + c.first + c.gap,
                                 static_cast<uint32_t>(c.second), static_cast<uint32_t>(c.gap));
        EXPECT_TRUE(buffer == "<" + b + g + a + ">") << c.first << "/" << c.gap << "/" << c.second;
    }
    // The scratch buffer is back to its usual size after the enlarged ones.
    EXPECT_EQ(heap::block_count(), blocks);
    EXPECT_EQ(heap::accounted_bytes(), bytes);
}

} // namespace

namespace {

TEST_F(StringConcat, SymbolsStandForTheirNames) {
    uint32_t id = symbol::make("Word");
    // The symbol's cell before its name string exists, then after.
    Cell later = reinterpret_cast<Cell*>(buffer_head(node_buffer(symbol::block())))[id - 1];
    ASSERT_EQ(later.data2, 0u);
    Cell made = *symbol::get_cell(id);
    ASSERT_NE(made.data2, 0u);
    Cell text = make_text(U"x");
    string::concatenate(&text, &later, -1, 0, false, append);
    string::concatenate(&text, &made, -1, 0, false, append);
    EXPECT_EQ(all_text(text), U"xWordWord");
    EXPECT_EQ(symbol::count(), id); // found again by its name, not interned anew
    Cell upper = make_text(U"WORD");
    EXPECT_EQ(string::compare(&later, &upper, string::code::equal, false), 0);
    EXPECT_EQ(string::compare(&upper, &made, string::code::strict_equal, false), -1);
}

} // namespace
