// Block form, mold (new-line markers, indent, /only, /flat, /part budget,
// cycle marks) and compare.
#include "tests/datatypes/block_fixture.h"

namespace zep {
namespace {

using testing::BlockTest;

TEST_F(BlockTest, MoldLayouts) {
    struct Case {
        const char* block;
        const char* molded;
    };
    const Case cases[] = {
        {"a b", "[a b]"},
        {"a |b", "[a\nb]"},
        {"|a b", "[\n    a b\n]"},
        {"|a |b", "[\n    a\n    b\n]"},
        {"a [|b c] d", "[a [\n    b c\n] d]"},
        {"|a [|b] c", "[\n    a [\n        b\n    ] c\n]"},
        {"[] none", "[[] none]"},
        {"", "[]"},
    };
    for (const Case& c : cases) EXPECT_EQ(molded(make(c.block)), c.molded) << c.block;
}

TEST_F(BlockTest, MoldOnlyFlatAndHead) {
    EXPECT_EQ(molded(make("|a |b"), true), "a\nb");
    EXPECT_EQ(molded(make("a |b"), true), "a\nb");
    EXPECT_EQ(molded(make("|a [|b] |c"), false, true), "[a [b] c]");
    Cell rest = at(make("a b c"), 1);
    EXPECT_EQ(molded(&rest), "[b c]");
}

TEST_F(BlockTest, MoldPartBudgetStopsAndCountsEveryCharacter) {
    int32_t left = 0;
    // The budget runs out inside: molding stops before the next cell.
    EXPECT_EQ(molded(make("aaa bbb ccc"), false, false, 5, &left), "[aaa bbb]");
    EXPECT_EQ(left, 5 - 9);
    molded(make("|a b"), false, false, 100, &left);
    EXPECT_EQ(left, 100 - 11); // "[", "\n", 4 spaces, "a b", "\n", "]"
}

TEST_F(BlockTest, CycleMarks) {
    Cell* b = make("a");
    block::append_value(b, b);
    EXPECT_EQ(molded(b), "[a [...]]");
    EXPECT_EQ(formed(b), "a ...");
    EXPECT_EQ(cycles::depth(), 0u);
}

TEST_F(BlockTest, FormSeparatesWithSpacesAndDropsBrackets) {
    EXPECT_EQ(formed(make("a [b c] |d")), "a b c d");
    EXPECT_EQ(formed(make("")), "");
}

TEST_F(BlockTest, Compare) {
    using code = int;
    const int lesser = compare_code::lesser;
    struct Case {
        const char* a;
        const char* b;
        code c;
        int expected;
    };
    const Case cases[] = {
        {"", "a", lesser, -1},
        {"a b", "a b c", compare_code::equal, 1},
        {"a b", "a b c", lesser, -1},
        {"a B", "a b", compare_code::equal, 0},
        {"a B", "a b", compare_code::strict_equal, 1},
        {"a b", "a c", lesser, -1},
        {"a [b]", "a [c]", lesser, -1},
        // Types that differ order by their type ids: none! before word!.
        {"a none", "a b", lesser, -1},
        {"a b", "a none", lesser, 1},
    };
    for (const Case& c : cases)
        EXPECT_EQ(block::compare(make(c.a), make(c.b), c.c), c.expected) << c.a << " / " << c.b;
    Cell* x = make("a b");
    Cell same = *x;
    EXPECT_EQ(block::compare(x, &same, compare_code::same), 0);
    EXPECT_EQ(block::compare(x, make("a b"), compare_code::same), -1);
    Cell paren = *x;
    value::set_type(&paren, type_id::paren);
    EXPECT_EQ(block::compare(x, &paren, compare_code::equal), compare_code::not_comparable);
}

TEST_F(BlockTest, CompareOfSelfContainingBlocksEnds) {
    Cell* a = make("x");
    block::append_value(a, a);
    Cell* b = make("x");
    block::append_value(b, b);
    EXPECT_EQ(block::compare(a, b, compare_code::equal), 0);
    EXPECT_EQ(cycles::depth(), 0u);
}

} // namespace
} // namespace zep
