#include <string>
#include <vector>

#include "datatypes/string_buffer.h"
#include "string_fixture.h"

using namespace zep;
using zep::testing::StringTest;

namespace {

using StringCompare = StringTest;

struct Case {
    std::u32string first, second;
    int code;
    bool match;
    int expected;
};

// Case-insensitive comparison folds to upper case; codes 2 and 8 are exact.
const std::vector<Case> cases = {
    {U"abc", U"ABC", 0, false, 0},
    {U"abc", U"ABC", 1, false, 0},
    {U"abc", U"ABC", 2, false, 1},
    {U"abc", U"ABC", 12, false, 0},
    {U"abc", U"abd", 0, false, -1},
    {U"ab", U"abc", 0, false, 1}, // different lengths: unequal at once
    {U"ab", U"abc", 2, false, 1},
    {U"ab", U"abc", 3, false, -1},
    {U"abc", U"ab", 5, false, 1},
    {U"abd", U"abcz", 6, false, 1},
    {U"", U"", 0, false, 0},
    {U"", U"", 3, false, 0},
    {U"", U"a", 3, false, -1},
    {U"", U"a", 0, false, 1},
    {U"a", U"", 3, false, 1},
    {U"b", U"A", 7, false, 1},
    {U"a", U"B", 7, false, -1},
    {U"a", U"B", 8, false, 1}, // exact: 'a' > 'B'
    {U"B", U"a", 4, false, 1},
    {U"B", U"a", 8, false, -1},
    {U"abc", U"abc", 10, false, 0},
    {U"abc", U"abC", 11, false, 0},
    {U"abc", U"abc", 9, false, -1}, // different buffers are never the same
    // Match comparison: does the first begin with the second?
    {U"abc", U"", 0, true, 0},
    {U"abc", U"", 12, true, 1},
    {U"abc", U"AB", 0, true, 0},
    {U"abc", U"AB", 2, true, 1},
    {U"abc", U"ab", 2, true, 0},
    {U"ab", U"abc", 0, true, 1},
    {U"", U"a", 12, true, 1},
    {U"abc", U"b", 0, true, -1},
    // Beyond ASCII: folding through the case tables in every width.
    {U"\u00E9t\u00E9", U"\u00C9T\u00C9", 0, false, 0},
    {U"\u00E9t\u00E9", U"\u00C9T\u00C9", 2, false, 1},
    {U"\u03B1\u03B2", U"\u0391\u0392", 0, false, 0},
    {U"\u03B1", U"\u0392", 3, false, -1},
    {U"\U00010428", U"\U00010400", 0, false, 0}, // Deseret small/capital
    {U"\U00010428", U"\U00010400", 8, false, 1},
};

uint32_t narrowest(const std::u32string& text) {
    uint32_t unit = 1;
    for (char32_t c : text) unit = std::max(unit, unicode::unit_for(c));
    return unit;
}

TEST_F(StringCompare, EveryCodeInEveryWidth) {
    for (const Case& c : cases) {
        for (uint32_t u1 : {1u, 2u, 4u}) {
            for (uint32_t u2 : {1u, 2u, 4u}) {
                if (u1 < narrowest(c.first) || u2 < narrowest(c.second)) continue;
                // Offsets exercise the head: each text sits after a prefix.
                Cell a = make_text(U"zz" + c.first, u1, 2);
                Cell b = make_text(U"q" + c.second, u2, 1, type_id::file);
                EXPECT_EQ(string::compare(&a, &b, c.code, c.match), c.expected)
                    << "code " << c.code << " match " << c.match << " units " << u1 << u2
                    << " case " << (&c - cases.data());
            }
        }
    }
}

TEST_F(StringCompare, SameValueAndSharedBuffers) {
    Cell a = make_text(U"abc");
    Cell b = a;
    EXPECT_EQ(string::compare(&a, &b, string::code::same, false), 0);
    EXPECT_EQ(string::compare(&a, &b, string::code::strict_equal, false), 0);
    EXPECT_EQ(string::compare(&a, &b, string::code::lesser, false), 0);
    b.data1 = 1; // same buffer, other head
    EXPECT_EQ(string::compare(&a, &b, string::code::same, false), -1);
    EXPECT_EQ(string::compare(&a, &b, string::code::lesser, false), -1);
    // A head past the tail reads as an empty text.
    b.data1 = 7;
    EXPECT_EQ(string::compare(&a, &b, string::code::greater, false), 1);
}

} // namespace
