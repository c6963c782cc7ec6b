#include "runtime/ownership.h"

#include <gtest/gtest.h>

#include <array>
#include <cstring>
#include <map>
#include <vector>

#include "datatypes/context.h"
#include "datatypes/symbol.h"
#include "runtime/case_change.h"
#include "runtime/case_fold.h"
#include "runtime/hashtable.h"
#include "runtime/value_make.h"

// Stand-ins for the owner table, contexts and symbol interning until those
// branches land: a map keyed by node, and no object fields.
namespace zep::hash {
std::map<Ref, std::array<Cell, 3>> standin_records;
Ref make_table(uint32_t, const Cell*, uint32_t, int32_t, Ref) {
    standin_records.clear();
    return 1;
}
Cell* put_new(Ref, Ref key) {
    auto& r = standin_records[key];
    return r.data();
}
Cell* find_key(Ref, Ref key) {
    auto it = standin_records.find(key);
    return it == standin_records.end() ? nullptr : it->second.data();
}
Cell* remove_by_pointer(Ref, Ref key) {
    standin_records.erase(key);
    return nullptr;
}
void sweep_unmarked(Ref) {}
} // namespace zep::hash
namespace zep::context {
Ref global = 0;
Cell standin_header{type_id::context, 0, 0, 0};
Cell* header(Ref) {
    return &standin_header;
}
uint32_t word_count(Ref) {
    return 0;
}
Cell* values(Ref) {
    return nullptr;
}
Cell* word_at(Ref, int32_t) {
    return &standin_header;
}
} // namespace zep::context
namespace zep::symbol {
uint32_t make(const char* text) {
    return std::strcmp(text, "uppercase") == 0 ? 1 : 2;
}
} // namespace zep::symbol

#include "../runtime/memory_fixture.h"

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

class Ownership : public zep::testing::MemoryTest {
  protected:
    void SetUp() override {
        MemoryTest::SetUp();
        case_::init_tables();
        ownership::init();
        ownership::set_fire_hook(hear);
        heard.clear();
        // An owner object with a change-handler record (its third word set).
        owner = Cell{type_id::object, 77, 0, 5};
        value::set_word(&field, type_id::word, 0, 9);
        value::set_word(&action, type_id::word, 0, 3);
    }
    void TearDown() override {
        ownership::set_fire_hook(nullptr);
        case_::set_change_notifier(nullptr);
        MemoryTest::TearDown();
    }
    static Cell text(const char* s) {
        auto n = static_cast<uint32_t>(std::strlen(s));
        Ref node = series::alloc_bytes(n);
        SeriesBuffer* b = node_buffer(node);
        std::memcpy(buffer_head(b), s, n);
        b->tail = b->head + n;
        return Cell{type_id::string, 0, node, 0};
    }
    Cell owner{}, field{}, action{};
};

TEST_F(Ownership, SelfContainingBlockIsRecordedOnceWithItsContents) {
    Ref node = series::alloc_cells(4);
    Cell block{type_id::block, 0, node, 0};
    Cell inner = text("abc");
    *series::alloc_tail_cell(node_buffer(node)) = block; // contains itself
    *series::alloc_tail_cell(node_buffer(node)) = inner;
    ownership::bind(&block, &owner, &field);
    EXPECT_EQ(hash::standin_records.size(), 2u);
    EXPECT_TRUE(series::node_flags(&inner) & series_flag::owned);
    ASSERT_NE(ownership::owner_of(inner.data2), nullptr);
    EXPECT_EQ(ownership::owner_of(inner.data2)->data1, 77u);

    // A second owner does not replace the first.
    Cell other{type_id::object, 88, 0, 5};
    ownership::bind(&inner, &other, &field);
    EXPECT_EQ(ownership::owner_of(inner.data2)->data1, 77u);

    Cell fresh;
    value::set_integer(&fresh, 42);
    EXPECT_TRUE(ownership::check(&inner, &action, &fresh, 1, 2));
    ASSERT_EQ(heard.size(), 1u);
    EXPECT_EQ(heard[0].owner.data1, 77u);
    EXPECT_EQ(heard[0].word.data2, 9u);
    EXPECT_EQ(heard[0].series.data2, inner.data2);
    EXPECT_EQ(heard[0].value.data2, 42u);
    EXPECT_EQ(heard[0].index, 1);
    EXPECT_EQ(heard[0].part, 2);
    EXPECT_TRUE(ownership::check(&block, &action, nullptr, 0, 0));
    EXPECT_EQ(cell_type(&heard[1].value), type_id::none);

    // After unbinding nobody hears anything.
    ownership::unbind(&block);
    EXPECT_TRUE(hash::standin_records.empty());
    EXPECT_FALSE(series::node_flags(&inner) & series_flag::owned);
    EXPECT_FALSE(ownership::check(&inner, &action, nullptr, 0, 0));
    EXPECT_EQ(heard.size(), 2u);
}

TEST_F(Ownership, NoHandlerNoNotification) {
    Cell s = text("x");
    Cell quiet{type_id::object, 77, 0, 0};
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
    EXPECT_EQ(heard[0].action.data2, 1u); // the symbol of "uppercase"
    EXPECT_EQ(heard[0].index, 1);
    EXPECT_EQ(heard[0].part, 2);
    case_::change_series(args, 0, case_::to_lower);
    EXPECT_EQ(heard.back().action.data2, 2u);
}

} // namespace
