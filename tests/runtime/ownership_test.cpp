// Series ownership on the real owner table: records made, found and removed
// as series are bound and unbound (nested series and objects included), the
// weak sweep after marking, change notification and case-change notices.
#include "runtime/ownership.h"

#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "datatypes/context.h"
#include "datatypes/symbol.h"
#include "evaluator/compiled_support.h"
#include "runtime/case_change.h"
#include "runtime/case_fold.h"
#include "runtime/error_catalog.h"
#include "runtime/gc_roots.h"
#include "runtime/hashtable.h"
#include "runtime/value_make.h"
#include "tests/boot/runtime_fixture.h"

using namespace zep;

namespace {

struct Heard {
    Cell owner, word, series, action, value;
    int32_t index, part;
};
std::vector<Heard> heard;

void hear(const Cell* owner, const Cell* word, const Cell* series, const Cell* action,
          const Cell* value, int32_t index, int32_t part) {
    heard.push_back({*owner, *word, *series, *action, *value, index, part});
}

class Ownership : public zep::testing::RuntimeTest {
  protected:
    void SetUp() override {
        RuntimeTest::SetUp();
        ownership::set_fire_hook(hear);
        heard.clear();
        owner = object(true);
        field = word("field");
        value::set_word(&action, type_id::word, 0, symbol::make("append"));
    }

    // An object! over a fresh object context; with a change handler, its
    // third payload word is set.
    static Cell object(bool with_handler) {
        Ref node = context::make_node(4, false, true, 0, context::kind::object);
        Cell made{type_id::object, node, 0, 0};
        gc::Root keep(&made);
        if (with_handler) made.data3 = block_of({}).data2; // the change-handler record
        return zep::testing::kept(made);
    }
    static Cell word(const char* name) {
        Cell w;
        value::set_word(&w, type_id::word, 0, symbol::make(name));
        return w;
    }
    static Cell text(const char* s) {
        auto n = static_cast<uint32_t>(std::strlen(s));
        Ref node = series::alloc_bytes(n ? n : 1);
        SeriesBuffer* b = node_buffer(node);
        std::memcpy(buffer_head(b), s, n);
        b->tail = b->head + n;
        return zep::testing::kept(Cell{type_id::string, 0, node, 0});
    }
    static Cell block_of(std::initializer_list<Cell> items) {
        Ref node = series::alloc_cells(static_cast<uint32_t>(items.size()) + 1);
        gc::RootRef keep(node);
        for (const Cell& c : items) *series::alloc_tail_cell(node_buffer(node)) = c;
        return zep::testing::kept(Cell{type_id::block, 0, node, 0});
    }
    static uint32_t records() { return hash::table_at(ownership::table())->size; }
    static bool owned(const Cell& series) {
        return (series::node_flags(&series) & series_flag::owned) != 0;
    }
    static void mark(Ref node, bool on) {
        if (on)
            node_buffer(node)->flags |= series_flag::mark;
        else
            node_buffer(node)->flags &= ~series_flag::mark;
    }
    Cell owner{}, field{}, action{};
};

TEST_F(Ownership, OwnerTableIsAPointerKeyedTableOfThreeCellRecords) {
    hash::Table* t = hash::table_at(ownership::table());
    EXPECT_EQ(t->kind, hash::kind::owners);
    EXPECT_EQ(t->item_buckets, 4 * sizeof(Cell)); // marker cell + three value cells
    Cell s = text("abc");
    s.data1 = 1; // bound at index 1: the record keeps the value as bound
    ownership::bind(&s, &owner, &field);
    const Cell* record = hash::find_key(ownership::table(), s.data2);
    ASSERT_NE(record, nullptr);
    EXPECT_EQ(record[0].data2, s.data2);
    EXPECT_EQ(record[0].data1, 1u);
    EXPECT_EQ(record[1].data1, owner.data1);
    EXPECT_EQ(value::word_symbol(&record[2]), symbol::make("field"));
    EXPECT_EQ(ownership::owner_of(s.data2), record + 1);
}

TEST_F(Ownership, SelfContainingBlockIsRecordedOnceWithItsContents) {
    Cell block = block_of({});
    Cell inner = text("abc");
    *series::alloc_tail_cell(node_buffer(block.data2)) = block; // contains itself
    *series::alloc_tail_cell(node_buffer(block.data2)) = inner;
    ownership::bind(&block, &owner, &field);
    EXPECT_EQ(records(), 2u);
    EXPECT_TRUE(owned(inner));
    ASSERT_NE(ownership::owner_of(inner.data2), nullptr);
    EXPECT_EQ(ownership::owner_of(inner.data2)->data1, owner.data1);

    // A second owner does not replace the first.
    Cell other = object(true);
    ownership::bind(&inner, &other, &field);
    EXPECT_EQ(ownership::owner_of(inner.data2)->data1, owner.data1);
    EXPECT_EQ(records(), 2u);

    Cell fresh;
    value::set_integer(&fresh, 42);
    EXPECT_TRUE(ownership::check(&inner, &action, &fresh, 1, 2));
    ASSERT_EQ(heard.size(), 1u);
    EXPECT_EQ(heard[0].owner.data1, owner.data1);
    EXPECT_EQ(value::word_symbol(&heard[0].word), symbol::make("field"));
    EXPECT_EQ(heard[0].series.data2, inner.data2);
    EXPECT_EQ(heard[0].value.data2, 42u);
    EXPECT_EQ(heard[0].index, 1);
    EXPECT_EQ(heard[0].part, 2);
    EXPECT_TRUE(ownership::check(&block, &action, nullptr, 0, 0));
    EXPECT_EQ(cell_type(&heard[1].value), type_id::none);

    // After unbinding nobody hears anything.
    ownership::unbind(&block);
    EXPECT_EQ(records(), 0u);
    EXPECT_FALSE(owned(inner));
    EXPECT_EQ(ownership::owner_of(inner.data2), nullptr);
    EXPECT_FALSE(ownership::check(&inner, &action, nullptr, 0, 0));
    EXPECT_EQ(heard.size(), 2u);
}

TEST_F(Ownership, NestedSeriesAreOwnedFromTheHeadDownAndUnboundBySubtree) {
    Cell deepest = text("b");
    Cell inner = block_of({text("a"), deepest});
    Cell skipped = text("before the head");
    Cell tail = text("c");
    Cell outer = block_of({skipped, inner, tail});
    outer.data1 = 1; // bound from its second item
    ownership::bind(&outer, &owner, &field);
    EXPECT_EQ(records(), 5u); // outer, inner, "a", "b", "c"
    EXPECT_TRUE(owned(outer) && owned(inner) && owned(deepest) && owned(tail));
    EXPECT_FALSE(owned(skipped));
    EXPECT_EQ(ownership::owner_of(deepest.data2)->data1, owner.data1);

    // Unbinding the inner block frees its subtree only.
    ownership::unbind(&inner);
    EXPECT_EQ(records(), 2u);
    EXPECT_FALSE(owned(inner) || owned(deepest));
    EXPECT_TRUE(owned(outer) && owned(tail));
    EXPECT_FALSE(ownership::check(&deepest, &action, nullptr, 0, 1));
    EXPECT_TRUE(ownership::check(&tail, &action, nullptr, 0, 1));
}

TEST_F(Ownership, NestedObjectsAreWalkedWithTheirOwnFieldWordsSkippingTheOwner) {
    Cell nested = object(false);
    Cell text_word = word("text"), back_word = word("back");
    Cell held = text("x");
    context::put(nested.data1, &text_word, &held);
    context::put(nested.data1, &back_word, &owner); // holds its owner
    ownership::bind_flag(&nested, &owner, &field);
    EXPECT_TRUE(context::header(owner.data1)->header & ownership::context_owner_flag);
    ASSERT_TRUE(owned(held));
    const Cell* record = ownership::owner_of(held.data2);
    EXPECT_EQ(record->data1, owner.data1);
    EXPECT_EQ(value::word_symbol(&record[1]), symbol::make("text"));
    EXPECT_EQ(records(), 1u); // the owner itself is not walked
}

TEST_F(Ownership, NestingAsDeepAsTheCycleStackRaisesTooDeep) {
    // Blocks nested `levels` deep: each holds the next.
    auto nested = [](uint32_t levels) {
        Cell inner = block_of({});
        for (uint32_t i = 1; i < levels; ++i) inner = block_of({inner});
        return inner;
    };
    Cell fits = nested(cycles::max_levels);
    EXPECT_EQ(zep::testing::raised_code([&] { ownership::bind(&fits, &owner, &field); }), -1);
    EXPECT_EQ(records(), cycles::max_levels);
    EXPECT_EQ(cycles::depth(), 0u);
    Cell deep = block_of({fits}); // one level more
    EXPECT_EQ(zep::testing::raised_code([&] { ownership::bind(&deep, &owner, &field); }),
              error::catalog::code_of(error::Category::internal, "too-deep"));
    EXPECT_EQ(cycles::depth(), 0u); // emptied, not left half full
}

TEST_F(Ownership, TableGrowsPastItsFirstSizeAndFindsEveryRecord) {
    constexpr uint32_t count = ownership::initial_entries * 2;
    Ref node = series::alloc_cells(count);
    gc::RootRef keep(node); // making the texts allocates
    for (uint32_t i = 0; i < count; ++i) {
        Cell s = text("n");
        *series::alloc_tail_cell(node_buffer(node)) = s;
    }
    Cell block{type_id::block, 0, node, 0};
    gc::Root keep_block(&block);
    ownership::bind(&block, &owner, &field);
    EXPECT_EQ(records(), count + 1);
    for (uint32_t i = 0; i < count; ++i) {
        const Cell& s = reinterpret_cast<Cell*>(buffer_head(node_buffer(node)))[i];
        ASSERT_NE(ownership::owner_of(s.data2), nullptr) << i;
    }
    ownership::unbind(&block);
    EXPECT_EQ(records(), 0u);
}

TEST_F(Ownership, SweepDropsRecordsOfUnmarkedSeriesAndUnmarkedOwners) {
    Cell other = object(true);
    Cell kept = text("kept"), dead = text("dead"), orphan = text("orphan");
    ownership::bind(&kept, &owner, &field);
    ownership::bind(&dead, &owner, &field);
    ownership::bind(&orphan, &other, &field);
    ASSERT_EQ(records(), 3u);
    // A collection marked everything but `dead` and the context of `other`.
    for (Ref n : {kept.data2, orphan.data2, owner.data1}) mark(n, true);
    ownership::sweep();
    for (Ref n : {kept.data2, orphan.data2, owner.data1}) mark(n, false);
    EXPECT_EQ(records(), 1u);
    EXPECT_NE(ownership::owner_of(kept.data2), nullptr);
    EXPECT_EQ(ownership::owner_of(dead.data2), nullptr);
    EXPECT_EQ(ownership::owner_of(orphan.data2), nullptr);
    // A series recorded again afterwards gets a fresh record.
    Cell again = text("again");
    ownership::bind(&again, &owner, &field);
    EXPECT_EQ(records(), 2u);
}

TEST_F(Ownership, NoHandlerNoNotification) {
    Cell s = text("x");
    Cell quiet = object(false);
    ownership::bind(&s, &quiet, &field);
    EXPECT_FALSE(ownership::check(&s, &action, nullptr, 0, 1));
    EXPECT_TRUE(heard.empty());
}

TEST_F(Ownership, CaseChangeNotifiesAfterwardsWithTheDirectionWord) {
    Cell args[2];
    args[0] = text("abc");
    args[0].data1 = 1;
    ownership::bind(&args[0], &owner, &field);
    case_::change_series(args, 0, case_::to_upper);
    ASSERT_EQ(heard.size(), 1u);
    EXPECT_EQ(value::word_symbol(&heard[0].action), symbol::make("uppercase"));
    EXPECT_EQ(heard[0].index, 1);
    EXPECT_EQ(heard[0].part, 2);
    case_::change_series(args, 0, case_::to_lower);
    EXPECT_EQ(value::word_symbol(&heard.back().action), symbol::make("lowercase"));
}

} // namespace
