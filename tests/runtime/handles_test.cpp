#include "runtime/handles.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

#include "runtime/slots.h"
#include "tests/runtime/memory_fixture.h"

using namespace zep;

namespace {

std::vector<void*> released;
void record_release(void* object) {
    released.push_back(object);
}

class HandlesTest : public ::testing::Test {
  protected:
    void SetUp() override {
        handles::init();
        released.clear();
    }
};

} // namespace

TEST_F(HandlesTest, StoringAThousandDoublesTheTableAtTheLastFreeEntry) {
    std::vector<int> objects(1500);
    EXPECT_EQ(handles::store(&objects[0], 0), 0);
    for (int i = 1; i < 999; ++i) ASSERT_EQ(handles::store(&objects[i], 0), i);
    EXPECT_EQ(handles::capacity(), 1000u);
    EXPECT_EQ(handles::store(&objects[999], 0), 999);
    EXPECT_EQ(handles::capacity(), 2000u) << "doubled when the 1,000th entry was taken";
    for (int i = 1000; i < 1500; ++i) ASSERT_EQ(handles::store(&objects[i], 0), i);
    for (int i = 0; i < 1500; ++i) {
        ASSERT_EQ(handles::entry(i).object, &objects[i]);
        ASSERT_EQ(handles::entry(i).flags, 0u);
    }
    EXPECT_EQ(handles::in_use_head(), 1499);
    EXPECT_EQ(handles::free_head(), 1500);
}

TEST_F(HandlesTest, EntriesNeverUsedReadFreeWithoutAnObject) {
    EXPECT_EQ(handles::free_head(), 0);
    for (int32_t i : {0, 1, 500, 999}) {
        EXPECT_EQ(handles::entry(i).flags, handles::flag_free) << i;
        EXPECT_EQ(handles::entry(i).object, nullptr) << i;
        EXPECT_FALSE(handles::mark(i, nullptr)) << i;
    }
    int a;
    EXPECT_EQ(handles::store(&a, 0), 0);
    EXPECT_EQ(handles::free_head(), 1);
    handles::remove(0, false);
    EXPECT_EQ(handles::free_head(), 0) << "a freed entry is taken before the unused ones";
    EXPECT_EQ(handles::store(&a, 0), 0);
    EXPECT_EQ(handles::store(&a, 0), 1);
}

TEST_F(HandlesTest, SweepReleasesUnmarkedEntriesThroughTheirKind) {
    uint32_t bitmap = handles::register_kind(7, record_release);
    uint32_t quiet = handles::register_kind(8, nullptr);
    EXPECT_EQ(bitmap, 1u);
    EXPECT_EQ(quiet, 2u);
    int objects[6];
    std::vector<int32_t> index;
    for (int i = 0; i < 5; ++i) index.push_back(handles::store(&objects[i], bitmap));
    int32_t no_kind = handles::store(&objects[5], 0);
    int32_t silent = handles::store(&objects[5], quiet);
    for (int i : {0, 1, 2, 4}) EXPECT_TRUE(handles::mark(index[i], nullptr));
    EXPECT_FALSE(handles::mark(index[0], nullptr)) << "already marked";
    EXPECT_TRUE(handles::mark(silent, &objects[4]));
    EXPECT_EQ(handles::entry(silent).object, &objects[4]) << "mark replaces the object";

    handles::sweep();
    EXPECT_EQ(released, std::vector<void*>{&objects[3]});
    EXPECT_EQ(handles::entry(index[3]).flags, handles::flag_free);
    EXPECT_EQ(handles::entry(no_kind).flags, handles::flag_free) << "kind 0: no callback";
    EXPECT_EQ(handles::entry(index[0]).flags, bitmap) << "mark cleared";
    // The freed entries 3 and 5 are the next ones taken.
    std::vector<int32_t> reused{handles::store(&objects[0], bitmap),
                                handles::store(&objects[0], bitmap)};
    std::sort(reused.begin(), reused.end());
    EXPECT_EQ(reused, (std::vector<int32_t>{index[3], no_kind}));

    // Unmarked after the sweep: the next sweep releases everything left.
    released.clear();
    handles::sweep();
    EXPECT_EQ(released.size(), 6u);
    EXPECT_EQ(handles::in_use_head(), handles::end_of_chain);
}

TEST_F(HandlesTest, RemoveReleasesOnlyWhenAsked) {
    uint32_t kind = handles::register_kind(1, record_release);
    int a, b;
    int32_t ia = handles::store(&a, kind);
    int32_t ib = handles::store(&b, kind);
    handles::remove(ia, false);
    handles::remove(ib, true);
    handles::remove(ib, true); // already free: nothing
    handles::remove(12345, true);
    EXPECT_EQ(released, std::vector<void*>{&b});
    EXPECT_EQ(handles::in_use_head(), handles::end_of_chain);
    EXPECT_EQ(handles::free_head(), ib);
    EXPECT_FALSE(handles::mark(ia, nullptr)) << "a free entry is not marked";
}

TEST_F(HandlesTest, TheKindsTableHoldsTwentyKinds) {
    for (uint32_t i = 1; i <= handles::max_kinds; ++i)
        EXPECT_EQ(handles::register_kind(i, nullptr), i);
    EXPECT_EQ(handles::register_kind(99, nullptr), 0u);
}

using SlotsTest = zep::testing::MemoryTest;

TEST_F(SlotsTest, TheRegistryChainsItsHundredCellsFree) {
    slots::init();
    SeriesBuffer* b = node_buffer(slots::registry);
    ASSERT_EQ(b->tail - b->head, 100 * sizeof(Cell));
    auto* cells = reinterpret_cast<Cell*>(buffer_head(b));
    EXPECT_EQ(slots::free_head, 1);
    for (int i = 0; i < 100; ++i) {
        EXPECT_EQ(cells[i].header, type_id::integer);
        EXPECT_EQ(static_cast<int32_t>(cells[i].data2), i < 99 ? i + 2 : -1);
    }
}
