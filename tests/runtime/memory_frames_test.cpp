#include <gtest/gtest.h>

#include <cstring>
#include <random>
#include <vector>

#include "runtime/heap.h"
#include "runtime/memory.h"
#include "runtime/memory_stats.h"
#include "tests/runtime/memory_fixture.h"

using namespace zep;
using zep::testing::MemoryTest;

namespace {

uint32_t free_count(Ref frame) {
    uint32_t n = 0;
    for (Ref node = memory::node_frame_at(frame)->free_head; node; node = *arena::at<Ref>(node))
        ++n;
    return n;
}

std::vector<Ref> node_frames() {
    std::vector<Ref> frames;
    for (Ref f = memory::record.first_node_frame; f; f = memory::node_frame_at(f)->next)
        frames.push_back(f);
    return frames;
}

} // namespace

TEST_F(MemoryTest, NodesComeFromTheCurrentFrameAndGoBack) {
    Ref a = memory::take_node();
    Ref frame = memory::record.current_node_frame;
    ASSERT_NE(frame, 0u);
    EXPECT_EQ(memory::node_frame_at(frame)->capacity, memory::nodes_per_frame);
    EXPECT_EQ(a, memory::first_node(frame));
    EXPECT_EQ(*arena::at<Ref>(a), 0u);
    Ref b = memory::take_node();
    EXPECT_EQ(b, a + 4);
    EXPECT_EQ(memory::node_frame_at(frame)->used, 2u);
    EXPECT_EQ(memory::node_frame_of(b), frame);
    memory::release_node(frame, a);
    EXPECT_EQ(memory::node_frame_at(frame)->used, 1u);
    EXPECT_EQ(memory::take_node(), a) << "a released node is taken first";
    EXPECT_EQ(free_count(frame), memory::nodes_per_frame - 2);
}

TEST_F(MemoryTest, AFullNodeFrameLeadsToTheNextOneWithRoom) {
    Ref first = memory::alloc_node_frame(3);
    Ref second = memory::alloc_node_frame(2);
    EXPECT_EQ(memory::record.current_node_frame, first);
    for (int i = 0; i < 3; ++i) memory::take_node();
    EXPECT_EQ(memory::node_frame_at(first)->free_head, 0u);
    memory::node_frame_at(second)->release = 1; // being emptied: skipped
    memory::take_node();
    Ref third = memory::record.current_node_frame;
    EXPECT_NE(third, first);
    EXPECT_NE(third, second);
    EXPECT_EQ(memory::record.last_node_frame, third);
    EXPECT_EQ(memory::node_frame_at(third)->capacity, memory::nodes_per_frame);
    EXPECT_EQ(node_frames(), (std::vector<Ref>{first, second, third}));
}

TEST_F(MemoryTest, FreeNodeFramesDropsEmptyAndReleasedFrames) {
    Ref full = memory::alloc_node_frame(2);
    Ref empty = memory::alloc_node_frame(2);
    Ref released = memory::alloc_node_frame(2);
    Ref spare = memory::alloc_node_frame(4);
    for (int i = 0; i < 2; ++i) memory::take_node(); // fills `full`
    memory::record.current_node_frame = released;
    memory::take_node();
    memory::node_frame_at(released)->release = 1;
    memory::record.current_node_frame = spare;
    memory::take_node();
    memory::node_frame_at(spare)->used_at_last_collection = 1;
    memory::node_frame_at(full)->used_at_last_collection = 5;
    memory::node_frame_at(spare)->stability_history = 0b101;

    memory::free_node_frames();
    EXPECT_EQ(node_frames(), (std::vector<Ref>{full, spare}));
    (void)empty;
    EXPECT_EQ(memory::record.current_node_frame, spare) << "the first frame with a free node";
    EXPECT_EQ(memory::node_frame_at(spare)->stability_history, 0b1011u);
    EXPECT_EQ(memory::node_frame_at(full)->stability_history, 0u);
    EXPECT_EQ(memory::node_frame_at(full)->used_at_last_collection, 2u);
    EXPECT_EQ(memory::record.last_node_frame, spare);
}

TEST_F(MemoryTest, QueuedNodesReturnToTheirFrames) {
    std::vector<Ref> nodes;
    for (int i = 0; i < 10; ++i) nodes.push_back(memory::take_node());
    memory::alloc_node_frame(5);
    memory::record.current_node_frame = memory::record.last_node_frame;
    Ref other = memory::take_node();
    Ref frame = memory::record.first_node_frame;
    memory::queue_node_release(nodes[7]);
    memory::queue_node_release(other);
    memory::queue_node_release(nodes[2]);
    EXPECT_EQ(memory::queued_node_count(), 3u);
    memory::release_queued_nodes();
    EXPECT_EQ(memory::queued_node_count(), 0u);
    EXPECT_EQ(memory::node_frame_at(frame)->used, 8u);
    EXPECT_EQ(memory::node_frame_at(memory::record.last_node_frame)->used, 0u);
}

TEST_F(MemoryTest, TheReleaseQueueFlushesItselfWhenFull) {
    std::vector<Ref> nodes;
    for (uint32_t i = 0; i < memory::release_queue_capacity + 5; ++i)
        nodes.push_back(memory::take_node());
    for (Ref n : nodes) memory::queue_node_release(n);
    EXPECT_EQ(memory::queued_node_count(), 5u);
    memory::release_queued_nodes();
    for (Ref f : node_frames()) EXPECT_EQ(memory::node_frame_at(f)->used, 0u);
}

TEST_F(MemoryTest, SweepingBigSeriesKeepsMarkedOnesAndFreesTheRest) {
    Ref kept = memory::alloc_series(3u << 20, 1, 0);
    Ref dead = memory::alloc_series(3u << 20, 1, 0);
    Ref abandoned = memory::alloc_series(3u << 20, 1, 0);
    series::grow(node_buffer(abandoned), 100); // leaves a dead big buffer without a node
    node_buffer(kept)->flags |= series_flag::mark;
    uint64_t before = memory::record.bytes_in_use;
    memory::sweep_big_series();
    EXPECT_FALSE(node_buffer(kept)->flags & series_flag::mark);
    EXPECT_EQ(memory::record.big_series + sizeof(BigSeriesLink), *arena::at<Ref>(kept));
    EXPECT_EQ(memory::link_of(*arena::at<Ref>(kept))->next, 0u);
    EXPECT_EQ(memory::queued_node_count(), 1u) << "only the dead series had a node";
    EXPECT_LT(memory::record.bytes_in_use, before - 2 * (3u << 20));
    memory::release_queued_nodes();
    EXPECT_EQ(memory::node_frame_at(memory::node_frame_of(dead))->free_head, dead);

    memory::free_big_series(node_buffer(kept));
    EXPECT_EQ(memory::record.big_series, 0u);
}

TEST_F(MemoryTest, StatsModeOneCountsUsedNodesFramesAndBigSeries) {
    double empty = stats::memory_stats(0, 1);
    EXPECT_EQ(empty, 0.0);
    memory::take_node();
    EXPECT_EQ(stats::memory_stats(0, 1), 4.0);
    memory::alloc_buffer(100, 1, 0); // 112 + 24 bytes of frame
    EXPECT_EQ(stats::memory_stats(0, 1), 4.0 + 136);
    memory::alloc_buffer(3u << 20, 1, 0);
    EXPECT_EQ(stats::memory_stats(0, 1), 4.0 + 136 + (3u << 20) + 24);
}

namespace {
int32_t int_at(const Cell* c) {
    int32_t v;
    std::memcpy(&v, &c->data2, 4);
    return v;
}
} // namespace

TEST_F(MemoryTest, StatsInfoLayout) {
    Ref block = series::alloc_cells(5); // room for the result: nothing moves after the walk
    memory::alloc_series(3u << 20, 1, 0);
    memory::collector_enabled = true;
    memory::start_collection = [] { FAIL() << "stats holds the collector off"; };
    double total = stats::memory_stats(block, 2);
    EXPECT_TRUE(memory::collector_enabled) << "restored";

    SeriesBuffer* b = node_buffer(block);
    ASSERT_EQ(b->tail - b->head, 5 * sizeof(Cell));
    auto* cells = reinterpret_cast<Cell*>(buffer_head(b));
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(cells[i].header, type_id::block);
        EXPECT_EQ(cells[i].data1, 0u);
        EXPECT_EQ(cells[i].data3, 0u);
    }
    auto child = [&](int i, uint32_t& n) {
        SeriesBuffer* c = node_buffer(cells[i].data2);
        n = (c->tail - c->head) / sizeof(Cell);
        return reinterpret_cast<Cell*>(buffer_head(c));
    };
    uint32_t n;
    Cell* nodes = child(0, n);
    ASSERT_EQ(n, 3u); // one node frame
    EXPECT_EQ(nodes[0].header, type_id::integer | cell_flag_new_line);
    EXPECT_EQ(nodes[1].header, type_id::integer);
    EXPECT_EQ(nodes[2].header, type_id::integer);
    Ref nf = memory::record.first_node_frame;
    EXPECT_EQ(int_at(&nodes[1]), static_cast<int32_t>(memory::node_frame_at(nf)->used));
    EXPECT_EQ(int_at(&nodes[0]) + int_at(&nodes[1]), 10000);
    EXPECT_EQ(int_at(&nodes[2]), 10000);

    Cell* frames = child(1, n);
    ASSERT_EQ(n, 3u);
    SeriesFrame* sf = memory::series_frame_at(memory::record.first_series_frame);
    EXPECT_EQ(int_at(&frames[0]), static_cast<int32_t>(sf->end - sf->heap));
    EXPECT_EQ(
        int_at(&frames[1]),
        static_cast<int32_t>(sf->heap - memory::frame_data(memory::record.first_series_frame)));
    EXPECT_EQ(int_at(&frames[2]), 1 << 20);
    EXPECT_TRUE(frames[0].header & cell_flag_new_line);

    Cell* bigs = child(2, n);
    ASSERT_EQ(n, 1u);
    EXPECT_EQ(bigs[0].header, type_id::integer | cell_flag_new_line);
    EXPECT_EQ(int_at(&bigs[0]), (3 << 20) + 24);

    double heap_part = static_cast<double>(heap::accounted_bytes());
    double expected = 10000.0 * 4 + 36 + (1 << 20) + 40 + (3 << 20) + 24 + 12 + heap_part;
    EXPECT_EQ(cells[3].header, type_id::integer);
    EXPECT_EQ(int_at(&cells[3]), static_cast<int32_t>(expected));
    EXPECT_EQ(total, expected);
    EXPECT_EQ(int_at(&cells[4]), static_cast<int32_t>(heap_part));
}

TEST_F(MemoryTest, AppendNumberSwitchesToFloatAboveTheIntegerRange) {
    Ref block = series::alloc_cells(4);
    stats::append_number(block, 2147483647.0);
    stats::append_number(block, 2147483648.0);
    stats::append_number(block, 5e9);
    auto* cells = reinterpret_cast<Cell*>(buffer_head(node_buffer(block)));
    EXPECT_EQ(cells[0].header, type_id::integer);
    EXPECT_EQ(cells[0].data2, 2147483647u);
    for (int i : {1, 2}) {
        EXPECT_EQ(cells[i].header, type_id::float_);
        uint64_t bits = (uint64_t{cells[i].data3} << 32) | cells[i].data2;
        double d;
        std::memcpy(&d, &bits, 8);
        EXPECT_EQ(d, i == 1 ? 2147483648.0 : 5e9);
    }
}

// Sum of the rounded sizes of every block the manager holds.
uint64_t held_block_bytes() {
    uint64_t sum = 0;
    for (Ref f = memory::record.first_node_frame; f; f = memory::node_frame_at(f)->next)
        sum += memory::virtual_size(f);
    for (Ref f = memory::record.first_series_frame; f; f = memory::series_frame_at(f)->next)
        sum += memory::virtual_size(f);
    for (Ref l = memory::record.big_series; l; l = arena::at<BigSeriesLink>(l)->next)
        sum += memory::virtual_size(l);
    for (Ref l = memory::record.static_series; l; l = arena::at<BigSeriesLink>(l)->next)
        sum += memory::virtual_size(l);
    return sum;
}

TEST_F(MemoryTest, AMillionMixedAllocationsStayWithinTheAccounting) {
    std::mt19937 rng(20240611);
    std::vector<Ref> live;
    uint64_t used_by_tails = 0;
    for (int i = 0; i < 1000000; ++i) {
        uint32_t pick = rng() % 1000;
        Ref node;
        if (pick == 0) {
            node = series::alloc_bytes(2097128 + rng() % (1u << 20)); // big
        } else if (pick < 5) {
            node = series::alloc_static(rng() % 600, 1, -1);
        } else if (pick < 60 && !live.empty()) {
            Ref victim = live[rng() % live.size()];
            SeriesBuffer* b = node_buffer(victim);
            series::alloc_tail_bytes(b, 8);
            used_by_tails += 8;
            continue;
        } else {
            uint32_t units[] = {1, 2, 4, 16};
            node = memory::alloc_series(rng() % 64, units[rng() % 4], rng() % 8 ? 0 : -1);
        }
        if (live.size() < 20000)
            live.push_back(node);
        else
            live[rng() % live.size()] = node;
    }
    EXPECT_EQ(memory::record.bytes_in_use, held_block_bytes());
    EXPECT_EQ(arena::pages_in_use() - baseline_pages, memory::record.bytes_in_use);
    // Every node still names a buffer that names it back.
    for (Ref node : live) {
        SeriesBuffer* b = node_buffer(node);
        ASSERT_EQ(b->node, node);
        ASSERT_TRUE(b->flags & series_flag::in_use);
        ASSERT_LE(b->tail, arena::ref(buffer_end(b)));
    }
    EXPECT_GT(used_by_tails, 0u);
    memory::free_all();
    EXPECT_EQ(memory::record.bytes_in_use, 0u);
    EXPECT_EQ(arena::pages_in_use(), baseline_pages);
    EXPECT_EQ(memory::record.first_node_frame | memory::record.first_series_frame |
                  memory::record.big_series | memory::record.static_series,
              0u);
}
