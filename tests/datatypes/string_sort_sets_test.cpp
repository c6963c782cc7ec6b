// sort and the set operations on text of every width.
#include <algorithm>
#include <random>

#include "tests/datatypes/string_actions_fixture.h"

namespace zep {
namespace {

using testing::u32;

class StringSortTest : public testing::StringActionsTest {
  protected:
    static Cell integer(int32_t n) {
        Cell c;
        value::set_integer(&c, n);
        return c;
    }
    std::u32string sorted(std::u32string t, uint32_t unit, bool case_ = false, int32_t skip = 0,
                          bool all = false, bool reverse = false, bool stable = false) {
        Cell s = text(t, unit), size = integer(skip);
        string::sort(&s, case_, skip ? &size : nullptr, nullptr, nullptr, all, reverse, stable);
        return all_text(s);
    }
    std::u32string set_op(int op, const std::u32string& a, const std::u32string& b, uint32_t unit,
                          bool case_ = false, int32_t skip = 0, uint32_t second_unit = 0) {
        Cell first = text(a, unit), second = text(b, second_unit ? second_unit : unit);
        Cell size = integer(skip);
        Cell first_before = first;
        string::set_operation_on(&first, &second, case_, skip ? &size : nullptr, op);
        // Neither argument's text changes.
        EXPECT_EQ(all_text(first_before), a);
        EXPECT_EQ(all_text(second), b);
        EXPECT_NE(first.data2, first_before.data2);
        return all_text(first);
    }
};

TEST_F(StringSortTest, DocumentedSorts) {
    for (uint32_t unit : {1u, 2u, 4u}) {
        EXPECT_EQ(sorted(U"cBa", unit), U"aBc");
        EXPECT_EQ(sorted(U"cBa", unit, true), U"Bac");
        EXPECT_EQ(sorted(U"b2a1", unit, false, 2), U"a1b2");
        EXPECT_EQ(sorted(U"b2a1", unit, false, 0, false, true), U"ba21");
        EXPECT_EQ(sorted(U"a2a1", unit, false, 2, true), U"a1a2");
    }
    EXPECT_EQ(sorted(U"\u03C9\u03A9b\u00E9", 2, false, 0, false, false, true),
              U"b\u00E9\u03C9\u03A9");
    Cell s = ascii("abc"), two = integer(2);
    EXPECT_EQ(raised([&] { string::sort(&s, false, &two, nullptr, nullptr, false, false, false); }),
              script("invalid-refine-arg"));
    EXPECT_EQ(
        raised([&] { string::sort(&s, false, nullptr, nullptr, nullptr, true, false, false); }),
        script("bad-refines"));
    Cell four = ascii("b2a1"), offset = integer(2), bad = integer(3);
    string::sort(&four, false, &two, &offset, nullptr, false, false, false);
    EXPECT_EQ(all_text(four), U"a1b2");
    EXPECT_EQ(raised([&] { string::sort(&four, false, &two, &bad, nullptr, false, false, false); }),
              script("out-of-range"));
}

TEST_F(StringSortTest, PartSortsARangeAndANegativePartMovesTheHead) {
    Cell s = ascii("dcba"), two = integer(2);
    string::sort(&s, false, nullptr, nullptr, &two, false, false, false);
    EXPECT_EQ(all_text(s), U"cdba");
    Cell t = ascii("dcba", 1, 3), back = integer(-2);
    Cell* r = string::sort(&t, false, nullptr, nullptr, &back, false, false, false);
    EXPECT_EQ(all_text(*r), U"dbca");
    EXPECT_EQ(r->data1, 1u);
    Cell u = ascii("dcba", 1, 1), far = integer(-3);
    r = string::sort(&u, false, nullptr, nullptr, &far, false, false, false);
    EXPECT_EQ(all_text(*r), U"dcba");
    EXPECT_EQ(r->data1, 0u);
}

TEST_F(StringSortTest, StableSortKeepsRecordsWithEqualKeysInOrder) {
    std::mt19937 rng(3);
    const std::u32string letters = U"aAbB\u03C9\u03A9";
    for (int round = 0; round < 200; ++round) {
        std::u32string t;
        for (int k = 0; k < 40; ++k) {
            t.push_back(letters[rng() % 6]);
            t.push_back(U'0' + rng() % 10);
        }
        std::vector<std::u32string> records;
        for (size_t k = 0; k < t.size(); k += 2) records.push_back(t.substr(k, 2));
        std::stable_sort(records.begin(), records.end(), [](const auto& x, const auto& y) {
            return case_::fold_char(x[0], case_::to_upper) <
                   case_::fold_char(y[0], case_::to_upper);
        });
        std::u32string expected;
        for (const auto& r : records) expected += r;
        for (bool case_ : {false, true}) {
            if (case_) {
                std::stable_sort(records.begin(), records.end(),
                                 [](const auto& x, const auto& y) { return x[0] < y[0]; });
                expected.clear();
                for (const auto& r : records) expected += r;
            }
            ASSERT_EQ(sorted(t, 2, case_, 2, false, false, true), expected) << round;
        }
    }
}

// A comparator "function" standing in for the evaluator: true when the
// first argument sorts before the second (chars by code point, texts by
// their second character).
void call_lesser(const Cell*, const Cell* first, const Cell* second, Cell* result) {
    auto key = [](const Cell* v) {
        return cell_type(v) == type_id::char_ ? v->data2 : string::char_at(v, 1);
    };
    value::set_logic(result, key(first) < key(second));
}

TEST_F(StringSortTest, FunctionComparators) {
    Cell function{type_id::function, 0, 0, 0};
    Cell s = ascii("cab");
    EXPECT_EQ(
        raised([&] { string::sort(&s, false, nullptr, &function, nullptr, false, false, false); }),
        code(error::Category::internal, "not-done"));
    series::call_two = call_lesser;
    for (uint32_t unit : {1u, 2u, 4u}) {
        Cell t = text(U"c\u03C9ab", unit == 1 ? 2 : unit);
        string::sort(&t, false, nullptr, &function, nullptr, false, false, false);
        EXPECT_EQ(all_text(t), U"abc\u03C9");
        string::sort(&t, false, nullptr, &function, nullptr, false, true, true);
        EXPECT_EQ(all_text(t), U"\u03C9cba");
        Cell records = text(U"a3b1c2", unit), two = integer(2);
        string::sort(&records, false, &two, &function, nullptr, true, false, true);
        EXPECT_EQ(all_text(records), U"b1c2a3");
    }
    series::call_two = nullptr;
}

TEST_F(StringSortTest, SetOperationsKeepTheFirstOccurrence) {
    using namespace string::set_op;
    for (uint32_t unit : {1u, 2u, 4u}) {
        EXPECT_EQ(set_op(union_, U"abc", U"cde", unit), U"abcde");
        EXPECT_EQ(set_op(intersect, U"abc", U"bcd", unit), U"bc");
        EXPECT_EQ(set_op(exclude, U"abc", U"b", unit), U"ac");
        EXPECT_EQ(set_op(difference, U"abc", U"bcd", unit), U"ad");
        EXPECT_EQ(set_op(unique, U"aAb", U"", unit), U"ab");
        EXPECT_EQ(set_op(unique, U"aAb", U"", unit, true), U"aAb");
        EXPECT_EQ(set_op(unique, U"bAaB", U"", unit), U"bA");
        EXPECT_EQ(set_op(union_, U"a1b2a3", U"c4b5", unit, false, 2), U"a1b2c4");
    }
    EXPECT_EQ(set_op(union_, U"ab", U"\U00010428\U00010400", 1, false, 0, 4), U"ab\U00010428");
    Cell a = ascii("ab"), b = ascii("b"), zero = integer(0);
    EXPECT_EQ(
        raised([&] { string::set_operation_on(&a, &b, false, &zero, string::set_op::union_); }),
        script("invalid-refine-arg"));
}

} // namespace
} // namespace zep
