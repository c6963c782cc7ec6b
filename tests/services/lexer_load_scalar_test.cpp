// Loading words, refinements, tuples, pairs, points and times.
#include <climits>
#include <cmath>
#include <vector>

#include "datatypes/pair.h"
#include "datatypes/point.h"
#include "datatypes/tuple.h"
#include "tests/services/lexer_load_fixture.h"

namespace zep::testing {
namespace {

class LexerLoadScalar : public LexerLoadTest {};

TEST_F(LexerLoadScalar, Words) {
    const std::tuple<const char*, uint8_t, const char*> cases[] = {
        {"abc", type_id::word, "abc"},
        {"abc:", type_id::set_word, "abc"},
        {":abc", type_id::get_word, "abc"},
        {"'abc", type_id::lit_word, "abc"},
        {"#abc", type_id::issue, "abc"},
        {"/ref", type_id::refinement, "ref"},
        {"/", type_id::word, "/"},
        {"//", type_id::word, "//"},
        {"\xc3\xa9t\xc3\xa9", type_id::word, "\xc3\xa9t\xc3\xa9"},
        {"a-b?", type_id::word, "a-b?"},
    };
    for (const auto& [source, type, name] : cases) {
        Cell v = load(source);
        EXPECT_EQ(cell_type(&v), type) << source;
        EXPECT_EQ(name_of(v), name) << source;
    }
    EXPECT_EQ(failure("'a:"), (Failure{"invalid", type_id::lit_word}));
    EXPECT_EQ(failure(":a:"), (Failure{"invalid", type_id::get_word}));
}

TEST_F(LexerLoadScalar, Tuples) {
    const std::pair<const char*, std::vector<uint8_t>> cases[] = {
        {"1.2.3", {1, 2, 3}},
        {"0.0.0.255", {0, 0, 0, 255}},
        {"1.2.3.4.5.6.7.8.9.10.11.12", {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12}},
    };
    for (const auto& [source, bytes] : cases) {
        Cell v = load(source);
        ASSERT_EQ(cell_type(&v), type_id::tuple) << source;
        ASSERT_EQ(tuple::length_of(&v), bytes.size()) << source;
        EXPECT_EQ(std::vector<uint8_t>(tuple::bytes_of(&v), tuple::bytes_of(&v) + bytes.size()),
                  bytes)
            << source;
    }
    for (const char* bad : {"1.2.3.4.5.6.7.8.9.10.11.12.13", "1.2.256", "1.2..3", "1.2."})
        EXPECT_EQ(failure(bad), (Failure{"invalid", type_id::tuple})) << bad;
}

TEST_F(LexerLoadScalar, Pairs) {
    const std::tuple<const char*, int32_t, int32_t> cases[] = {
        {"10x20", 10, 20},
        {"-1x-2", -1, -2},
        {"3X4", 3, 4},
        {"2147483647x-2147483648", INT_MAX, INT_MIN},
    };
    for (const auto& [source, x, y] : cases) {
        Cell v = load(source);
        ASSERT_EQ(cell_type(&v), type_id::pair) << source;
        EXPECT_EQ(pair::x_of(&v), x) << source;
        EXPECT_EQ(pair::y_of(&v), y) << source;
    }
    for (const char* bad : {"1x2.5", "2147483648x1", "1x2e3"})
        EXPECT_EQ(failure(bad), (Failure{"invalid", type_id::pair})) << bad;
}

TEST_F(LexerLoadScalar, Points) {
    Cell p2 = load("(1, 2.5)");
    ASSERT_EQ(cell_type(&p2), type_id::point2d);
    EXPECT_EQ(point::coordinate(&p2, 0), 1.0f);
    EXPECT_EQ(point::coordinate(&p2, 1), 2.5f);
    Cell p3 = load("( -1.5 ,2,\t3e2 )");
    ASSERT_EQ(cell_type(&p3), type_id::point3d);
    EXPECT_EQ(point::coordinate(&p3, 0), -1.5f);
    EXPECT_EQ(point::coordinate(&p3, 2), 300.0f);
    Cell special = load("(1.#INF, -1.#INF)");
    EXPECT_EQ(point::coordinate(&special, 0), INFINITY);
    EXPECT_EQ(point::coordinate(&special, 1), -INFINITY);
    Cell big = load("(0, 1e39, -1e39)"); // beyond single precision
    EXPECT_EQ(point::coordinate(&big, 1), INFINITY);
    EXPECT_EQ(point::coordinate(&big, 2), -INFINITY);
    EXPECT_EQ(failure("(1.5, #NaN)"), (Failure{"invalid", type_id::point2d}));
    EXPECT_EQ(failure("(1, 2, )").id, "invalid");
}

TEST_F(LexerLoadScalar, Times) {
    const std::pair<const char*, double> cases[] = {
        {"10:30", 37800},   {"-1:30", -5400},   {"0:0:59.5", 59.5}, {"10:30:15.25", 37815.25},
        {"10:30.5", 630.5}, {"100:00", 360000}, {"1:90", 9000},     {"+2:00:01", 7201},
    };
    for (const auto& [source, seconds] : cases) {
        Cell v = load(source);
        ASSERT_EQ(cell_type(&v), type_id::time) << source;
        EXPECT_EQ(number_of(v), seconds) << source;
    }
    for (const char* bad : {"10:30:", "0:0:60", "1:2:3:4", "1:2.5.6", "10:30:.5"})
        EXPECT_EQ(failure(bad), (Failure{"invalid", type_id::time})) << bad;
}

} // namespace
} // namespace zep::testing
