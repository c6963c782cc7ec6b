// Registration into the type and action tables: inheritance resolved at
// registration time, unsupported slots, lookups and comparison through slot 9.
#include <gtest/gtest.h>

#include <cstring>

#include "datatypes/context.h"
#include "datatypes/registry.h"
#include "datatypes/symbol.h"
#include "runtime/value_make.h"
#include "tests/runtime/memory_fixture.h"

namespace zep {
namespace {

int compare_first(const Cell*, const Cell*, int) {
    return 1;
}
int compare_second(const Cell*, const Cell*, int) {
    return 2;
}
Cell* clear_first(Cell* series) {
    return series;
}

constexpr uint8_t parent_type = 53;
constexpr uint8_t child_type = 54;

// Registers test types in rows 53 and 54 and puts the tables back afterwards.
class RegistryTest : public ::testing::Test {
  protected:
    void SetUp() override {
        std::memcpy(saved_types, datatype::type_table, sizeof saved_types);
        std::memcpy(saved_actions, actions::action_table, sizeof saved_actions);
    }
    void TearDown() override {
        std::memcpy(datatype::type_table, saved_types, sizeof saved_types);
        std::memcpy(actions::action_table, saved_actions, sizeof saved_actions);
    }
    TypeRow saved_types[type_rows];
    ActionSlot saved_actions[type_rows * slots_per_row];
};

TEST_F(RegistryTest, ChildCopiesParentSlotsAtRegistrationTime) {
    datatype::SlotList parent;
    parent.set<action_slot::compare>(&compare_first);
    parent.set<action_slot::clear>(&clear_first);
    datatype::register_type(parent_type, 0, "parent!", parent);

    datatype::SlotList child(datatype::inherit);
    child.set<action_slot::clear>(datatype::unsupported);
    datatype::register_type(child_type, parent_type, "child!", child);

    EXPECT_EQ(actions::slot_of(child_type, action_slot::compare),
              reinterpret_cast<ActionSlot>(&compare_first));
    EXPECT_EQ(actions::slot_of(child_type, action_slot::clear), nullptr);
    // Inheriting an unsupported parent slot stores 0, not -1.
    EXPECT_EQ(actions::slot_of(child_type, action_slot::make), nullptr);

    // A later change of the parent's row does not reach the child.
    datatype::SlotList changed;
    changed.set<action_slot::compare>(&compare_second);
    datatype::register_type(parent_type, 0, "parent!", changed);
    EXPECT_EQ(actions::slot_of(parent_type, action_slot::compare),
              reinterpret_cast<ActionSlot>(&compare_second));
    EXPECT_EQ(actions::slot_of(child_type, action_slot::compare),
              reinterpret_cast<ActionSlot>(&compare_first));

    EXPECT_STREQ(datatype::type_table[child_type].name, "child!");
    EXPECT_EQ(datatype::type_table[child_type].name_length, 5u);
    EXPECT_GE(datatype::highest_type(), child_type);
}

TEST_F(RegistryTest, InheritWithoutParentStoresUnsupported) {
    datatype::register_type(child_type, 0, "orphan!", datatype::SlotList(datatype::inherit));
    for (uint32_t slot = 1; slot <= action_slot::count; ++slot) {
        EXPECT_EQ(actions::slot_of(child_type, slot), nullptr) << slot;
    }
}

TEST_F(RegistryTest, LookupsOutsideTheTablesAnswerNothing) {
    datatype::SlotList slots;
    slots.set<action_slot::write>(datatype::operation(&clear_first));
    datatype::register_type(child_type, 0, "edge!", slots);
    EXPECT_NE(actions::slot_of(child_type, action_slot::write), nullptr);
    EXPECT_EQ(actions::slot_of(child_type, 0), nullptr);
    EXPECT_EQ(actions::slot_of(child_type, 63), nullptr);
    EXPECT_EQ(actions::slot_of(type_rows, action_slot::make), nullptr);
    EXPECT_EQ(actions::slot_of(255, action_slot::make), nullptr);
}

TEST_F(RegistryTest, CompareValuesGoesThroughTheFirstValuesSlot) {
    datatype::SlotList slots;
    slots.set<action_slot::compare>(&compare_second);
    datatype::register_type(parent_type, 0, "cmp!", slots);
    datatype::register_type(child_type, 0, "nocmp!", datatype::SlotList());
    Cell a, b;
    value::set_cell(&a, parent_type);
    value::set_cell(&b, child_type);
    EXPECT_EQ(actions::compare_values(&a, &b, compare_code::equal), 2);
    EXPECT_EQ(actions::compare_values(&b, &a, compare_code::equal), compare_code::not_comparable);
    Cell bad;
    value::set_cell(&bad, 200);
    EXPECT_EQ(actions::compare_values(&bad, &a, compare_code::equal), compare_code::not_comparable);
}

class TypeWordsTest : public testing::MemoryTest {
  protected:
    void SetUp() override {
        MemoryTest::SetUp();
        std::memcpy(saved_types, datatype::type_table, sizeof saved_types);
        std::memcpy(saved_actions, actions::action_table, sizeof saved_actions);
        symbol::init_table();
        context::init_global();
    }
    void TearDown() override {
        // Forget the words made here: their memory goes with this test.
        datatype::init_tables();
        std::memcpy(datatype::type_table, saved_types, sizeof saved_types);
        std::memcpy(actions::action_table, saved_actions, sizeof saved_actions);
        context::global = 0;
        symbol::table = 0;
        MemoryTest::TearDown();
    }
    TypeRow saved_types[type_rows];
    ActionSlot saved_actions[type_rows * slots_per_row];
};

TEST_F(TypeWordsTest, WordsComeFromMakeTypeWordsThenAtRegistration) {
    datatype::init_tables();
    datatype::register_type(parent_type, 0, "early!", datatype::SlotList());
    EXPECT_EQ(datatype::type_table[parent_type].word.header, 0u);

    datatype::make_type_words();
    const Cell& early = datatype::type_table[parent_type].word;
    EXPECT_EQ(cell_type(&early), type_id::word);
    EXPECT_EQ(value::word_symbol(&early), symbol::make("early!"));

    // A type registered after start-up gets its word at once.
    datatype::register_type(child_type, 0, "late!", datatype::SlotList());
    const Cell& late = datatype::type_table[child_type].word;
    EXPECT_EQ(cell_type(&late), type_id::word);
    EXPECT_EQ(value::word_symbol(&late), symbol::make("late!"));
}

} // namespace
} // namespace zep
