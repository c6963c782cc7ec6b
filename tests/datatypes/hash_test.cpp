// hash!: random edit sequences through the inherited block actions and the
// hash! actions, with the index checked after every step against a linear
// scan of the block; making, copying and the notation.
#include <gtest/gtest.h>

#include <random>
#include <vector>

#include "datatypes/block.h"
#include "datatypes/hash.h"
#include "datatypes/series.h"
#include "runtime/hashtable.h"
#include "runtime/hashtable_internal.h"
#include "runtime/record_series.h"
#include "tests/datatypes/path_fixture.h"

namespace zep {
namespace {

class HashTest : public testing::PathTypesTest {
  protected:
    void SetUp() override {
        PathTypesTest::SetUp();
        const char* names[] = {"a", "A", "b", "c", "d", "e"};
        for (const char* n : names) keys.push_back(word_of(n));
        Cell none;
        value::set_none(&none);
        keys.push_back(none);
    }
    std::vector<Cell> keys;

    template <class Fn> static Fn slot(uint32_t action) {
        auto fn = actions::slot_as<Fn>(type_id::hash, action);
        EXPECT_NE(fn, nullptr) << action;
        return fn;
    }

    // Every item is entered exactly once, in the bucket its item-bucket entry
    // names, and every bucket's items hold equal keys.
    static void expect_structure(const Cell& h, int step) {
        using namespace hash::detail;
        hash::Table* t = hash::table_at(h.data3);
        Cell* cells = data_cells(t);
        uint32_t items = item_count(t);
        std::vector<int> seen(items, 0);
        const uint32_t* flags = flag_words(t);
        const int32_t* entries = key_entries(t);
        const uint32_t* item_buckets =
            reinterpret_cast<uint32_t*>(buffer_head(node_buffer(t->item_buckets)));
        for (uint32_t b = 0; b < t->buckets; ++b) {
            if (flag_of(flags, b) != flag_live) continue;
            std::vector<uint32_t> members;
            if (entries[b] >= 0) {
                members.push_back(static_cast<uint32_t>(entries[b]));
            } else {
                Ref chain = series::u32_at(t->chains, static_cast<uint32_t>(-entries[b]));
                for (uint32_t k = 1; k <= series::length_in_units(chain); ++k)
                    members.push_back(series::u32_at(chain, k));
            }
            for (uint32_t m : members) {
                ASSERT_LT(m, items) << "step " << step;
                ++seen[m];
                EXPECT_EQ(item_buckets[m], b + 1) << "step " << step << " item " << m;
                EXPECT_EQ(actions::compare_values(cells + m, cells + members[0], 0), 0)
                    << "step " << step << " item " << m;
            }
        }
        for (uint32_t i = 0; i < items; ++i)
            EXPECT_EQ(seen[i], 1) << "step " << step << " item " << i;
    }

    // Every key's first and last position found through the index agree
    // with a scan of the block.
    static void expect_index_consistent(const Cell& h, const std::vector<Cell>& keys, int step) {
        Cell whole = h;
        whole.data1 = 0;
        int32_t n = series::total_length(&whole);
        const Cell* cells = block::cell_at(&whole, 0);
        for (const Cell& key : keys) {
            int32_t first = -1, last = -1;
            for (int32_t i = 0; i < n; ++i) {
                if (cell_type(cells + i) != cell_type(&key) ||
                    actions::compare_values(cells + i, &key, compare_code::equal) != 0)
                    continue;
                if (first < 0) first = i;
                last = i;
            }
            auto at = [&](const Cell* c) { return c ? static_cast<int32_t>(c - cells) : -1; };
            EXPECT_EQ(at(hash::get(h.data3, &key, 0, 1, compare_code::equal, false, false)), first)
                << "step " << step;
            EXPECT_EQ(at(hash::get(h.data3, &key, 0, 1, compare_code::equal, false, true)), last)
                << "step " << step;
        }
    }
};

TEST_F(HashTest, IndexStaysConsistentThroughRandomEdits) {
    std::mt19937 rng(7);
    auto pick = [&](int n) { return static_cast<int32_t>(rng() % static_cast<uint32_t>(n)); };

    Cell made;
    Cell* spec = block_of({keys[0], keys[2], keys[0]});
    hash::make(&made, spec, type_id::hash);
    Cell* h = stack::push(&made);
    Cell* other = stack::push_slot();
    Cell* scratch = stack::push_slot();
    Cell* value = stack::push_slot();
    for (int step = 0; step < 1500; ++step) {
        int32_t total = series::total_length(h);
        h->data1 = static_cast<uint32_t>(total ? pick(total + 1) : 0);
        h->header = type_id::hash;
        *value = keys[pick(static_cast<int>(keys.size()))];
        Cell count = integer(1 + pick(3));
        // The actions write their result into their first argument: they get
        // a copy of the value.
        *scratch = *h;
        int op = pick(13);
        SCOPED_TRACE(op);
        switch (op) {
        case 0:
        case 1:
            slot<AppendFn>(action_slot::append)(scratch, value, -1, false, 1 + pick(2), true);
            break;
        case 2:
            *value = *block_of({keys[pick(3)], keys[pick(7)]});
            slot<AppendFn>(action_slot::insert)(scratch, value, -1, false, 1, false);
            break;
        case 3:
            slot<AppendFn>(action_slot::change)(scratch, value, pick(3), false, 1, true);
            break;
        case 4:
            slot<RemoveFn>(action_slot::remove)(scratch, &count, nullptr);
            break;
        case 5:
            slot<TakeFn>(action_slot::take)(scratch, nullptr, false, pick(2) == 1);
            break;
        case 6:
            if (pick(4) == 0) slot<ClearFn>(action_slot::clear)(scratch);
            break;
        case 7:
            *other = *scratch;
            other->data1 = static_cast<uint32_t>(total ? pick(total + 1) : 0);
            slot<MoveFn>(action_slot::move)(scratch, other, &count);
            break;
        case 8:
            *other = *scratch;
            other->data1 = static_cast<uint32_t>(total ? pick(total) : 0);
            slot<SwapFn>(action_slot::swap)(scratch, other);
            break;
        case 9:
            slot<ReverseFn>(action_slot::reverse)(scratch, nullptr, nullptr);
            break;
        case 10:
            if (total > 0) {
                scratch->data1 = 0;
                slot<PokeFn>(action_slot::poke)(scratch, 1 + pick(total), value, nullptr);
            }
            break;
        case 11:
            if (pick(2)) {
                scratch->data1 = 0;
                slot<SortFn>(action_slot::sort)(scratch, false, nullptr, nullptr, nullptr, false,
                                                pick(2) == 1, false);
            } else {
                slot<TrimFn>(action_slot::trim)(scratch, false, false, false, false, false,
                                                nullptr);
            }
            break;
        case 12: {
            Cell copied;
            Cell whole = *h;
            whole.data1 = 0;
            slot<CopyFn>(action_slot::copy)(&whole, &copied, nullptr, false, nullptr);
            *h = copied;
            break;
        }
        }
        ASSERT_EQ(cell_type(h), type_id::hash) << "after op at step " << step;
        expect_structure(*h, step);
        expect_index_consistent(*h, keys, step);
        if (::testing::Test::HasFailure()) break;
    }
}

TEST_F(HashTest, MakeCopyAndNotation) {
    Cell& made = *stack::push_slot();
    Cell three = integer(3);
    hash::make(&made, &three, type_id::hash);
    EXPECT_EQ(cell_type(&made), type_id::hash);
    EXPECT_EQ(series::total_length(&made), 0);
    EXPECT_EQ(mold(made), "make hash! []");

    Cell* spec = block_of({keys[0], keys[2]});
    hash::make(&made, spec, type_id::hash);
    EXPECT_EQ(mold(made), "make hash! [a b]");
    EXPECT_EQ(mold(made, true), "a b");
    // A partial copy gets a table of its own over its items.
    Cell* source = stack::push(&made);
    source->data1 = 1;
    Cell& copied = *stack::push_slot();
    hash::copy(source, &copied, nullptr, false, nullptr);
    EXPECT_EQ(cell_type(&copied), type_id::hash);
    EXPECT_NE(copied.data3, made.data3);
    EXPECT_NE(hash::get(copied.data3, &keys[2], 0, 1, 0, false, false), nullptr);
    EXPECT_EQ(hash::get(copied.data3, &keys[0], 0, 1, 0, false, false), nullptr);
    // to hash! of a word wraps it; of a hash! copies it.
    hash::to(&copied, &keys[3], type_id::hash);
    EXPECT_EQ(mold(copied), "make hash! [c]");
    EXPECT_EQ(actions::slot_of(type_id::hash, action_slot::random), nullptr);
    EXPECT_EQ(actions::slot_of(type_id::hash, action_slot::find),
              actions::slot_of(type_id::block, action_slot::find));
}

} // namespace
} // namespace zep
