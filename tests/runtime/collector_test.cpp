// The collector: what is reachable survives (with every pointer into it
// fixed), what is not goes, memory returns to a plateau, and the thresholds
// of node and series compaction.
#include <gtest/gtest.h>

#include <vector>

#include "datatypes/block.h"
#include "runtime/collector.h"
#include "runtime/gc_roots.h"
#include "runtime/handles.h"
#include "runtime/memory_stats.h"
#include "tests/boot/runtime_fixture.h"

namespace zep {
namespace {

using testing::RuntimeTest;

#ifdef ZEP_GC_TORTURE
constexpr bool torture = true;
#else
constexpr bool torture = false;
#endif

class CollectorTest : public RuntimeTest {
  protected:
    // A block of n integer! cells 0..n-1.
    static Cell integers(int32_t n) {
        Cell block;
        value::set_series(&block, type_id::block, series::alloc_cells(static_cast<uint32_t>(n)));
        gc::Root keep(&block);
        for (int32_t i = 0; i < n; ++i)
            value::set_integer(series::alloc_tail_cell(node_buffer(block.data2)), i);
        return block;
    }
    static Cell binary(Ref node) { return Cell{type_id::binary, 0, node, 0}; }
};

TEST_F(CollectorTest, ReachableSurvivesAndPointersIntoItFollow) {
    series::alloc_bytes(5000); // garbage below, so the block slides down
    Cell block = integers(40);
    gc::Root keep(&block);
    Cell* twentieth = node_cells(block.data2) + 20;
    gc::RootPointer<Cell> follow(twentieth);
    Ref unreachable = series::alloc_cells(4);
    uint32_t used_before = memory::node_frame_at(memory::node_frame_of(unreachable))->used;
    uint32_t before = gc::collections();
    Cell* old_address = twentieth;
    gc::collect();
    EXPECT_EQ(gc::collections(), before + 1);
    EXPECT_NE(twentieth, old_address) << "the block moved";
    EXPECT_EQ(twentieth, node_cells(block.data2) + 20);
    EXPECT_EQ(value::integer_of(twentieth), 20);
    for (int32_t i = 0; i < 40; ++i) EXPECT_EQ(value::integer_of(node_cells(block.data2) + i), i);
    // The unreachable series gave its node back.
    EXPECT_LT(memory::node_frame_at(memory::node_frame_of(unreachable))->used, used_before);
    EXPECT_EQ(node_buffer(block.data2)->flags & series_flag::mark, 0u);
}

TEST_F(CollectorTest, GarbageInALoopRunsInBoundedMemory) {
    Cell kept = integers(100);
    gc::Root keep(&kept);
    const int rounds = torture ? 300 : 200000;
    double plateau = 0;
    double highest = 0;
    for (int i = 0; i < rounds; ++i) {
        Cell garbage = integers(20);
        series::alloc_bytes(300);
        (void)garbage;
        double in_use = stats::memory_stats(0, 1);
        if (i == rounds / 4) plateau = static_cast<double>(memory::record.bytes_in_use);
        if (i > rounds / 4)
            highest = std::max(highest, static_cast<double>(memory::record.bytes_in_use));
        ASSERT_LT(in_use, 8.0 * 1024 * 1024);
    }
    EXPECT_GT(gc::collections(), 0u);
    EXPECT_LE(highest, plateau + 4.0 * 1024 * 1024);
    for (int32_t i = 0; i < 100; ++i) EXPECT_EQ(value::integer_of(node_cells(kept.data2) + i), i);
}

TEST_F(CollectorTest, DeepNestingIsMarkedWithoutNativeRecursion) {
    const int depth = torture ? 300 : 1000000;
    Cell outer;
    value::set_series(&outer, type_id::block, series::alloc_cells(1));
    gc::Root keep(&outer);
    for (int i = 1; i < depth; ++i) {
        Cell inner = outer; // outer stays rooted until the new block holds it
        Ref fresh = series::alloc_cells(1);
        *series::alloc_tail_cell(node_buffer(fresh)) = inner;
        value::set_series(&outer, type_id::block, fresh);
    }
    gc::collect();
    int levels = 1;
    for (Cell c = outer; node_cell_count(c.data2) == 1; c = *node_cells(c.data2)) ++levels;
    EXPECT_EQ(levels, depth);
}

TEST_F(CollectorTest, BigSeriesFromTwoMegabytesAreSweptWhenUnreferenced) {
    uint64_t base = memory::record.bytes_in_use;
    Ref big = series::alloc_bytes(memory::max_frame_size - memory::buffer_overhead);
    EXPECT_NE(node_buffer(big)->flags & series_flag::big, 0u);
    Ref framed = series::alloc_bytes(memory::max_frame_size - memory::buffer_overhead - 16);
    EXPECT_EQ(node_buffer(framed)->flags & series_flag::big, 0u);
    Cell held = binary(series::alloc_bytes(memory::max_frame_size));
    gc::Root keep(&held);
    buffer_head(node_buffer(held.data2))[7] = 42;
    gc::collect();
    EXPECT_EQ(buffer_head(node_buffer(held.data2))[7], 42);
    EXPECT_NE(node_buffer(held.data2)->flags & series_flag::big, 0u);
    EXPECT_LT(memory::record.bytes_in_use, base + 3 * memory::max_frame_size);
}

std::vector<int> heard_callbacks;
Cell callback_block;
void first_callback() {
    heard_callbacks.push_back(1);
    gc::mark_block_cell(&callback_block);
}
void second_callback() {
    heard_callbacks.push_back(2);
}
void third_callback() {
    heard_callbacks.push_back(3);
}

TEST_F(CollectorTest, MarkCallbacksRunInOrderAndRemovedOnesDoNot) {
    callback_block = integers(3);
    gc::add_mark_callback(first_callback);
    gc::add_mark_callback(second_callback);
    gc::add_mark_callback(first_callback); // already there: runs once
    gc::add_mark_callback(third_callback);
    gc::remove_mark_callback(second_callback);
    series::alloc_bytes(4000);
    heard_callbacks.clear();
    gc::collect();
    EXPECT_EQ(heard_callbacks, (std::vector<int>{1, 3}));
    EXPECT_EQ(value::integer_of(node_cells(callback_block.data2) + 2), 2); // kept by the callback
    gc::remove_mark_callback(first_callback);
    gc::remove_mark_callback(third_callback);
}

int released_handles = 0;
void release_handle(void*) {
    ++released_handles;
}

TEST_F(CollectorTest, UnreferencedHandlesAreReleased) {
    uint32_t kind = handles::register_kind(7, release_handle);
    int dummy = 0;
    Cell cells[3];
    cells[0] = Cell{type_id::handle, 0, 0, static_cast<uint32_t>(handles::store(&dummy, kind))};
    cells[1] = Cell{type_id::handle, 0, 0, static_cast<uint32_t>(-1)}; // marks nothing
    cells[2] = Cell{type_id::none, 0, 0, 0};
    int32_t dropped = handles::store(&dummy, kind);
    gc::Root keep(cells, 3);
    released_handles = 0;
    gc::collect();
    EXPECT_EQ(released_handles, 1);
    EXPECT_EQ(handles::entry(dropped).flags & handles::flag_free, handles::flag_free);
    EXPECT_EQ(handles::entry(static_cast<int32_t>(cells[0].data3)).object, &dummy);
}

// A node number held outside any root, which a remap callback keeps current.
Ref unrooted_node = 0;
int remaps = 0;
void remap_unrooted(Ref (*moved)(Ref node)) {
    ++remaps;
    unrooted_node = moved(unrooted_node);
}

// Node compaction: a frame of 4,999 used nodes, stable over six
// collections, is emptied when more than 10,000 nodes are free elsewhere; a
// frame of 5,000 is not. Remap callbacks run only when nodes moved.
class NodeCompactionTest : public CollectorTest, public ::testing::WithParamInterface<uint32_t> {};

TEST_P(NodeCompactionTest, SparseStableFramesAreEmptied) {
    if (torture) GTEST_SKIP() << "every allocation collects in this build";
    const uint32_t kept_in_second = GetParam();
    Cell list;
    value::set_series(&list, type_id::block, series::alloc_cells(26000));
    gc::Root keep(&list);
    memory::collector_enabled = false;
    for (int i = 0; i < 26000; ++i)
        *series::alloc_tail_cell(node_buffer(list.data2)) = binary(series::alloc_bytes(1));
    memory::collector_enabled = true;
    Ref first = memory::record.first_node_frame;
    Ref second = memory::node_frame_at(first)->next;
    Ref third = memory::node_frame_at(second)->next;
    ASSERT_NE(third, 0u);
    // Keep kept_in_second nodes of the second frame and all of the third
    // (not sparse); drop those in the first (which becomes current).
    uint32_t in_second = 0, in_third = 0, seen_first = 0;
    Cell* cells = node_cells(list.data2);
    Cell none{type_id::none, 0, 0, 0};
    for (int i = 0; i < 26000; ++i) {
        Ref frame = memory::node_frame_of(cells[i].data2);
        bool keep_it = frame == second  ? in_second++ < kept_in_second
                       : frame == third ? (++in_third, true)
                                        : (++seen_first, false);
        if (!keep_it) cells[i] = none;
    }
    int32_t followed = -1; // a kept cell whose node the remap callback follows
    for (int i = 0; i < 26000 && followed < 0; ++i)
        if (cell_type(cells + i) == type_id::binary &&
            memory::node_frame_of(cells[i].data2) == second)
            followed = i;
    ASSERT_GE(followed, 0);
    unrooted_node = cells[followed].data2;
    remaps = 0;
    gc::add_remap_callback(remap_unrooted);
    uint32_t before = gc::node_compactions();
    for (int i = 0; i < 9; ++i) gc::collect();
    bool emptied = gc::node_compactions() > before;
    EXPECT_EQ(emptied, kept_in_second < gc::sparse_node_limit);
    EXPECT_EQ(remaps > 0, emptied);
    EXPECT_EQ(unrooted_node, node_cells(list.data2)[followed].data2);
    // Every kept series is still reachable through its (possibly new) node.
    uint32_t alive = 0;
    cells = node_cells(list.data2);
    for (int i = 0; i < 26000; ++i) {
        if (cell_type(cells + i) != type_id::binary) continue;
        ++alive;
        EXPECT_EQ(node_buffer(cells[i].data2)->node, cells[i].data2);
        if (emptied) {
            EXPECT_NE(memory::node_frame_of(cells[i].data2), second);
        }
    }
    EXPECT_EQ(alive, kept_in_second + in_third);
}

INSTANTIATE_TEST_SUITE_P(Thresholds, NodeCompactionTest, ::testing::Values(4999u, 5000u));

// A frame whose previous frame has at most 52,428 bytes free compacts in
// place; with more room its buffers move into the previous frame.
class SeriesCompactionTest : public CollectorTest,
                             public ::testing::WithParamInterface<uint32_t> {};

TEST_P(SeriesCompactionTest, RunsMoveToThePreviousFrameOnlyAboveTheThreshold) {
    if (torture) GTEST_SKIP() << "every allocation moves every buffer in this build";
    const uint32_t room = GetParam();
    Cell held[4] = {};
    gc::Root keep(held, 4);
    gc::collect();
    Ref first = memory::record.first_series_frame;
    ASSERT_EQ(memory::series_frame_at(first)->next, 0u);
    SeriesFrame* f = memory::series_frame_at(first);
    // Pads fill the frame down to `room`; a footprint is 16k + 24 bytes, so
    // one pad or two reach any multiple of 8.
    uint32_t pad = f->end - f->heap - room;
    if ((pad - memory::buffer_overhead) % 16 == 0) {
        held[0] = binary(series::alloc_bytes(pad - memory::buffer_overhead));
    } else {
        uint32_t pad1 = (pad / 2 - memory::buffer_overhead) / 16 * 16;
        held[0] = binary(series::alloc_bytes(pad1));
        held[1] = binary(series::alloc_bytes(pad - pad1 - 2 * memory::buffer_overhead));
    }
    ASSERT_EQ(memory::series_frame_at(first)->end - memory::series_frame_at(first)->heap, room);
    Ref big = series::alloc_bytes(60000); // no room: a second frame
    held[2] = binary(big);
    Ref small = series::alloc_bytes(100);
    held[3] = binary(small);
    Ref second = memory::series_frame_at(first)->next;
    ASSERT_NE(second, 0u);
    held[2] = Cell{type_id::none, 0, 0, 0}; // the big one dies
    gc::collect();
    Ref now = arena::ref(node_buffer(small));
    bool in_first = now > first && now < memory::series_frame_at(first)->end;
    EXPECT_EQ(in_first, room > memory::min_frame_room);
}

INSTANTIATE_TEST_SUITE_P(Threshold, SeriesCompactionTest, ::testing::Values(52424u, 52432u));

} // namespace
} // namespace zep
