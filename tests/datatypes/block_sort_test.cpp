// sort with /skip /compare /all /reverse /stable /part, the function
// comparator seam, and the set operations.
#include <algorithm>
#include <random>

#include "runtime/collector.h"
#include "runtime/hashtable.h"
#include "tests/datatypes/block_fixture.h"

namespace zep {
namespace {

using testing::BlockTest;

Cell* integer_arg(int32_t v) {
    static Cell cells[4];
    static int next = 0;
    Cell* c = &cells[next++ % 4];
    value::set_integer(c, v);
    return c;
}

class BlockSortTest : public BlockTest {
  protected:
    std::string sorted(const char* text, const Cell* skip = nullptr, const Cell* compare = nullptr,
                       bool all = false, bool reverse = false, bool stable = false,
                       const Cell* part = nullptr, int32_t head = 0) {
        Cell* b = make(text);
        Cell slot = at(b, head);
        block::sort(&slot, false, skip, compare, part, all, reverse, stable);
        return text_of_all(b);
    }
    static std::string text_of_all(const Cell* b) {
        Cell whole = at(b, 0);
        return text(&whole);
    }
};

TEST_F(BlockSortTest, Orders) {
    EXPECT_EQ(sorted("c a b"), "a b c");
    EXPECT_EQ(sorted("c a b", nullptr, nullptr, false, true), "c b a");
    // Values of other types order by type id: none! (3) before word! (15).
    EXPECT_EQ(sorted("b none a"), "none a b");
    EXPECT_EQ(sorted("b x a y", integer_arg(2)), "a y b x");
    EXPECT_EQ(sorted("b 2 a 1", integer_arg(2), integer_arg(2)), "a 1 b 2");
    EXPECT_EQ(sorted("a z a b", integer_arg(2), nullptr, true), "a b a z");
    EXPECT_EQ(sorted("d c b a", nullptr, nullptr, false, false, false, integer_arg(2)), "c d b a");
    // A negative part sorts the cells before the head.
    EXPECT_EQ(sorted("d c b a", nullptr, nullptr, false, false, false, integer_arg(-2), 2),
              "c d b a");
}

TEST_F(BlockSortTest, RefinementErrors) {
    auto sort_raises = [&](const Cell* skip, const Cell* compare, bool all) {
        return raised([&] {
            Cell slot = *make("a b c d");
            block::sort(&slot, false, skip, compare, nullptr, all, false, false);
        });
    };
    int32_t refine = code(error::Category::script, "invalid-refine-arg");
    EXPECT_EQ(sort_raises(nullptr, nullptr, true), code(error::Category::script, "bad-refines"));
    EXPECT_EQ(sort_raises(integer_arg(3), nullptr, false), refine);
    EXPECT_EQ(sort_raises(integer_arg(0), nullptr, false), refine);
    EXPECT_EQ(sort_raises(nullptr, integer_arg(1), false),
              code(error::Category::script, "bad-refines"));
    EXPECT_EQ(sort_raises(integer_arg(2), integer_arg(3), false),
              code(error::Category::script, "out-of-range"));
    Cell word = word_cell("w");
    EXPECT_EQ(sort_raises(integer_arg(2), &word, false), refine);
}

// Records of random keys sorted against std::stable_sort; the unstable sort
// must give the same keys in order.
TEST_F(BlockSortTest, RecordsAgreeWithStableSortModel) {
    std::mt19937 rng(7);
    for (int round = 0; round < 300; ++round) {
        int size = 1 + static_cast<int>(rng() % 3);
        int records = static_cast<int>(rng() % 12);
        int offset = static_cast<int>(rng() % static_cast<unsigned>(size));
        bool reverse = rng() % 2;
        bool stable = rng() % 2;
        std::vector<std::vector<std::string>> model;
        std::string text;
        for (int r = 0; r < records; ++r) {
            std::vector<std::string> record;
            for (int k = 0; k < size; ++k) {
                record.push_back(k == offset ? std::string(1, static_cast<char>('a' + rng() % 4))
                                             : "r" + std::to_string(r));
                text += record.back() + " ";
            }
            model.push_back(record);
        }
        std::stable_sort(model.begin(), model.end(), [&](const auto& x, const auto& y) {
            return reverse ? x[offset] > y[offset] : x[offset] < y[offset];
        });
        Cell* b = make(text);
        Cell slot = *b;
        block::sort(&slot, false, size > 1 ? integer_arg(size) : nullptr,
                    size > 1 ? integer_arg(offset + 1) : nullptr, nullptr, false, reverse, stable);
        std::string expected_keys;
        std::string expected_all;
        for (const auto& record : model) {
            expected_keys += record[offset];
            for (const auto& cell : record)
                expected_all += (expected_all.empty() ? "" : " ") + cell;
        }
        std::string got_keys;
        for (int r = 0; r < records; ++r)
            got_keys += item_text(block::cell_at(b, r * size + offset));
        ASSERT_EQ(got_keys, expected_keys) << "round " << round;
        if (stable) {
            ASSERT_EQ(text_of_all(b), expected_all) << "round " << round;
        }
    }
}

// A comparator standing in for a function value: the cell's data1 says
// whether it compares single values (1) or whole records (2).
int heard = 0;
// Stand-in function! cells carry no payload (a real one names its context
// and blocks); a header bit asks for the comparison of whole records.
constexpr uint32_t records_flag = 1u << 20;

void call_comparator(const Cell* function, const Cell* first, const Cell* second, Cell* result) {
    if (function->header & records_flag) {
        // Whole records arrive as blocks: compare their second cells.
        const Cell* x = block::cell_at(first, 1);
        const Cell* y = block::cell_at(second, 1);
        value::set_logic(result, actions::compare_values(x, y, compare_code::sort) < 0);
        return;
    }
    ++heard;
    // "first before second" when its name is greater: a descending order.
    value::set_logic(result, actions::compare_values(first, second, compare_code::sort) > 0);
}

TEST_F(BlockSortTest, CompareWithAFunctionGoesThroughTheHook) {
    Cell function;
    value::set_cell(&function, type_id::function, 0);
    series::call_two = nullptr; // without the evaluator's seam
    EXPECT_EQ(raised([&] { sorted("b a", nullptr, &function); }),
              code(error::Category::internal, "not-done"));
    series::call_two = &call_comparator;
    heard = 0;
    EXPECT_EQ(sorted("a c b", nullptr, &function, false, false, true), "c b a");
    EXPECT_GT(heard, 0);
    Cell records;
    value::set_cell(&records, type_id::function, 0);
    records.header |= records_flag;
    EXPECT_EQ(sorted("x c y a z b", integer_arg(2), &records, true), "y a z b x c");
    // The conversion of the comparator's answers.
    Cell a = word_cell("a");
    Cell b = word_cell("b");
    // The function is asked whether the second record belongs before the
    // first: true (1) puts the first after it.
    EXPECT_EQ(block::sort_compare_with(&a, &b, &function, 0), 1);
    EXPECT_EQ(block::sort_compare_with(&b, &a, &function, 0), -1);
    EXPECT_EQ(block::sort_compare_with(&b, &a, &function, 1), 1); // reverse bit
    series::call_two = nullptr;
}

// Collects (after making garbage) at every comparison, then orders nested
// blocks by their first word, descending.
void collecting_comparator(const Cell*, const Cell* first, const Cell* second, Cell* result) {
    series::alloc_cells(8);
    gc::collect();
    value::set_logic(result,
                     actions::compare_values(block::cell_at(first, 0), block::cell_at(second, 0),
                                             compare_code::sort) > 0);
}

TEST_F(BlockSortTest, RecordsSurviveCollectionsInTheComparator) {
    Cell function;
    value::set_cell(&function, type_id::function, 0);
    series::call_two = &collecting_comparator;
    for (bool stable : {false, true})
        EXPECT_EQ(sorted("[b x] [d w] [a y] [c z] [e v]", nullptr, &function, false, false, stable),
                  "[e v] [d w] [c z] [b x] [a y]");
    series::call_two = nullptr;
}

class BlockSetTest : public BlockTest {
  protected:
    std::string apply(int op, const char* first, const char* second, int32_t skip = 1,
                      bool hashed = false) {
        Cell* a = make(first);
        Cell* b = make(second);
        std::string before = text(a) + "|" + text(b);
        if (hashed) {
            value::set_type(a, type_id::hash);
            a->data3 = hash::make_table(4, a, hash::kind::hash, 0);
        }
        Cell t = word(testing::sym.other);
        stack::mark_native(&t);
        stack::push(a);
        stack::push(b);
        Cell* result = block::set_operation(false, skip > 1 ? integer_arg(skip) : nullptr, op);
        type = cell_type(result);
        std::string out = text(result);
        EXPECT_EQ(text(a) + "|" + text(b), before) << "an argument changed";
        return out;
    }
    uint8_t type = 0;
};

TEST_F(BlockSetTest, KeepFirstOccurrences) {
    using namespace block::set_op;
    EXPECT_EQ(apply(unique, "a b A c b", ""), "a b c");
    EXPECT_EQ(apply(union_, "a b", "b c B d"), "a b c d");
    EXPECT_EQ(apply(intersect, "a b c", "b c d"), "b c");
    EXPECT_EQ(apply(exclude, "a b c", "b"), "a c");
    EXPECT_EQ(apply(difference, "a b", "b c"), "a c");
    EXPECT_EQ(type, type_id::block);
    EXPECT_EQ(apply(unique, "k 1 j 2 k 3", "", 2), "k 1 j 2");
    EXPECT_EQ(apply(intersect, "k 1 j 2", "j x", 2), "j 2");
    EXPECT_EQ(apply(union_, "a b", "b c", 1, true), "a b c");
    EXPECT_EQ(type, type_id::hash);
}

} // namespace
} // namespace zep
