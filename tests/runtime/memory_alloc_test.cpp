#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "runtime/memory.h"
#include "runtime/record_series.h"
#include "tests/runtime/memory_fixture.h"

using namespace zep;
using zep::testing::data_offset;
using zep::testing::MemoryTest;
using zep::testing::raised_id;

namespace {

bool in_some_frame(Ref address) {
    for (Ref f = memory::record.first_series_frame; f; f = memory::series_frame_at(f)->next)
        if (address >= memory::frame_data(f) && address < memory::series_frame_at(f)->end)
            return true;
    return false;
}

bool on_big_list(SeriesBuffer* b) {
    for (Ref l = memory::record.big_series; l; l = arena::at<BigSeriesLink>(l)->next)
        if (l + sizeof(BigSeriesLink) == arena::ref(b)) return true;
    return false;
}

} // namespace

TEST_F(MemoryTest, BigSeriesStartAtAFootprintOfTwoMegabytes) {
    // footprint = size rounded up to 16 + 24; at 2,097,152 (the maximum frame
    // size) or more the buffer is big. 2,097,120 bytes give 2,097,144.
    struct Case {
        uint32_t bytes;
        bool big;
    } cases[] = {{2097120, false}, {2097121, true}, {2097128, true}, {2097112, false}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.bytes);
        SeriesBuffer* b = memory::alloc_buffer(c.bytes, 1, 0);
        EXPECT_EQ(b->flags & series_flag::big, c.big ? series_flag::big : 0u);
        EXPECT_EQ(on_big_list(b), c.big);
        EXPECT_EQ(in_some_frame(arena::ref(b)), !c.big);
        if (c.big) {
            EXPECT_EQ(memory::link_of(arena::ref(b))->block_size, b->size + 24);
        }
    }
}

TEST_F(MemoryTest, SizesRoundUpAndEmptyRequestsGetSixteenBytes) {
    struct Case {
        Ref (*make)();
        uint32_t size;
        uint32_t unit;
    } cases[] = {
        {[] { return series::alloc_bytes(0); }, 16, 1},
        {[] { return series::alloc_unit(0, 4); }, 16, 4},
        {[] { return series::alloc_unit(0, 2); }, 16, 2},
        {[] { return series::alloc_unit(0, 16); }, 16, 16},
        {[] { return series::alloc_bytes(17); }, 32, 1},
        {[] { return series::alloc_unit(3, 4); }, 16, 4},
        {[] { return series::alloc_cells(5); }, 80, 16},
        {[] { return series::alloc_cells(0); }, 0, 16},
    };
    for (const Case& c : cases) {
        Ref node = c.make();
        SeriesBuffer* b = node_buffer(node);
        EXPECT_EQ(b->size, c.size);
        EXPECT_EQ(buffer_unit(b), c.unit);
        EXPECT_EQ(b->node, node);
        EXPECT_EQ(b->flags & ~series_flag::unit_mask, series_flag::in_use | series_flag::allocated);
        EXPECT_EQ(b->head, b->tail);
        EXPECT_EQ(data_offset(b, b->head), 0u);
    }
}

TEST_F(MemoryTest, OffsetMinusOnePutsTheHeadMidBuffer) {
    SeriesBuffer* b = node_buffer(memory::alloc_series(32, 1, -1));
    EXPECT_EQ(data_offset(b, b->head), 16u);
    EXPECT_EQ(b->tail, b->head);
    EXPECT_TRUE(b->flags & series_flag::mid_head);
    SeriesBuffer* plain = node_buffer(memory::alloc_series(32, 1, 8));
    EXPECT_EQ(data_offset(plain, plain->head), 8u);
    EXPECT_FALSE(plain->flags & series_flag::mid_head);
}

TEST_F(MemoryTest, BuffersFollowEachOtherInTheFrame) {
    SeriesBuffer* a = memory::alloc_buffer(10, 1, 0);
    SeriesBuffer* b = memory::alloc_buffer(10, 1, 0);
    EXPECT_EQ(arena::ref(b), arena::ref(a) + sizeof(SeriesBuffer) + a->size + 4);
    EXPECT_EQ(memory::series_frame_at(memory::record.current_series_frame)->heap,
              arena::ref(b) + sizeof(SeriesBuffer) + 16 + 4);
}

TEST_F(MemoryTest, FirstSeriesFrameHasOneMegabyteLaterOnesTwo) {
    memory::alloc_buffer(1, 1, 0);
    Ref first = memory::record.first_series_frame;
    EXPECT_EQ(memory::series_frame_at(first)->size, (1u << 20) + 20);
    // Fill the first frame; the next buffer needs a new frame.
    memory::series_frame_at(first)->heap = memory::series_frame_at(first)->end - 100;
    memory::alloc_buffer(200, 1, 0);
    Ref second = memory::record.current_series_frame;
    ASSERT_NE(second, first);
    EXPECT_EQ(memory::series_frame_at(second)->size, (2u << 20) + 20);
    memory::series_frame_at(second)->heap = memory::series_frame_at(second)->end - 100;
    memory::alloc_buffer(200, 1, 0);
    EXPECT_EQ(memory::series_frame_at(memory::record.current_series_frame)->size, (2u << 20) + 20);
    // The list stays sorted by address, both ways.
    Ref prev = 0;
    for (Ref f = memory::record.first_series_frame; f; f = memory::series_frame_at(f)->next) {
        EXPECT_EQ(memory::series_frame_at(f)->prev, prev);
        EXPECT_GT(f, prev);
        prev = f;
    }
    EXPECT_EQ(memory::record.last_series_frame, prev);
}

TEST_F(MemoryTest, AFirstBufferAsLargeAsTheDefaultFrameGetsAMaximumFrame) {
    memory::alloc_buffer(1u << 20, 1, 0);
    EXPECT_EQ(memory::series_frame_at(memory::record.first_series_frame)->size, (2u << 20) + 20);
}

namespace {
Ref squeezed_frame = 0;
uint32_t room_after_collection = 0;
int collections = 0;
void simulated_collection() {
    ++collections;
    SeriesFrame* f = memory::series_frame_at(squeezed_frame);
    f->heap = f->end - room_after_collection;
}
} // namespace

TEST_F(MemoryTest, AFrameWithTooLittleRoomAfterCollectionIsNotUsed) {
#ifdef ZEP_GC_TORTURE
    GTEST_SKIP() << "every allocation collects in this build";
#endif
    struct Case {
        uint32_t room;
        bool reused;
    } cases[] = {{52427, false}, {52428, true}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.room);
        memory::init();
        memory::alloc_buffer(1, 1, 0);
        squeezed_frame = memory::record.first_series_frame;
        SeriesFrame* f = memory::series_frame_at(squeezed_frame);
        f->heap = f->end - 500; // no frame has room for 1,000 bytes
        room_after_collection = c.room;
        collections = 0;
        memory::collector_enabled = true;
        memory::start_collection = simulated_collection;
        SeriesBuffer* b = memory::alloc_buffer(1000, 1, 0);
        EXPECT_EQ(collections, 1);
        bool in_squeezed =
            arena::ref(b) >= memory::frame_data(squeezed_frame) && arena::ref(b) < f->end;
        EXPECT_EQ(in_squeezed, c.reused);
        EXPECT_EQ(memory::record.current_series_frame == squeezed_frame, c.reused);
        memory::collector_enabled = false;
    }
}

TEST_F(MemoryTest, CollectionStartsOnlyWhenEnabledAndForBigSeries) {
#ifdef ZEP_GC_TORTURE
    GTEST_SKIP() << "every allocation collects in this build";
#endif
    collections = 0;
    memory::start_collection = [] { ++collections; };
    memory::alloc_buffer(3u << 20, 1, 0);
    EXPECT_EQ(collections, 0) << "disabled";
    memory::collector_enabled = true;
    memory::alloc_buffer(100, 1, 0);
    EXPECT_EQ(collections, 1) << "no frame had room";
    memory::alloc_buffer(100, 1, 0);
    EXPECT_EQ(collections, 1) << "room in the current frame";
    memory::alloc_buffer(3u << 20, 1, 0);
    EXPECT_EQ(collections, 2) << "big series";
}

TEST_F(MemoryTest, GrowRehomesTheSeriesUnderTheSameNode) {
    Ref node = series::alloc_bytes(32);
    SeriesBuffer* old = node_buffer(node);
    std::memcpy(buffer_head(old), "twelve bytes", 12);
    old->tail += 12;
    old->flags |= series_flag::owned;
    SeriesBuffer* fresh = series::grow(old, 0);
    EXPECT_EQ(node_buffer(node), fresh);
    EXPECT_EQ(fresh->node, node);
    EXPECT_EQ(fresh->size, 64u) << "0 means twice the old size";
    EXPECT_EQ(fresh->tail - fresh->head, 12u);
    EXPECT_TRUE(fresh->flags & series_flag::owned) << "flags are taken over";
    EXPECT_TRUE(fresh->flags & series_flag::in_use);
    EXPECT_EQ(old->node, 0u);
    EXPECT_FALSE(old->flags & series_flag::in_use);

    EXPECT_EQ(node_buffer(node), fresh);

    // expand also copies the data.
    std::memcpy(buffer_head(fresh), "twelve bytes", 12);
    SeriesBuffer* expanded = series::expand(fresh, 1000);
    EXPECT_EQ(expanded->size, 1008u);
    EXPECT_EQ(node_buffer(node), expanded);
    EXPECT_EQ(std::string(reinterpret_cast<char*>(buffer_head(expanded)), 12), "twelve bytes");
}

TEST_F(MemoryTest, ExpandCopiesFromAMidBufferHeadWithoutReadingPastTheData) {
    Ref node = memory::alloc_series(32, 1, -1);
    SeriesBuffer* b = node_buffer(node);
    std::memcpy(buffer_head(b), "0123456789abcdef", 16);
    b->tail += 16;
    SeriesBuffer* e = series::expand_filled(b, 64, 0xEE);
    EXPECT_EQ(data_offset(e, e->head), 0u);
    EXPECT_FALSE(e->flags & series_flag::mid_head);
    EXPECT_EQ(std::string(reinterpret_cast<char*>(buffer_head(e)), 16), "0123456789abcdef");
    for (uint32_t i = 32; i < 64; ++i) EXPECT_EQ(buffer_data(e)[i], 0xEE) << i;
}

TEST_F(MemoryTest, GrowAlwaysKeepsRoomForTheUsedPart) {
    // An empty buffer doubles to 16 bytes rather than to nothing.
    SeriesBuffer* empty = node_buffer(series::alloc_cells(0));
    EXPECT_EQ(series::grow(empty, 0)->size, 16u);
    // A request below the used length keeps every used byte.
    Ref node = series::alloc_bytes(64);
    SeriesBuffer* b = node_buffer(node);
    std::memset(buffer_head(b), 'x', 64);
    b->tail += 64;
    SeriesBuffer* e = series::expand(b, 10);
    EXPECT_GE(e->size, 64u);
    EXPECT_EQ(e->tail - e->head, 64u);
    EXPECT_EQ(buffer_head(e)[63], 'x');
}

TEST_F(MemoryTest, GrowIntoABigSeriesAndBack) {
    Ref node = series::alloc_bytes(100);
    SeriesBuffer* b = node_buffer(node);
    b->tail += 100;
    SeriesBuffer* big = series::expand(b, 3u << 20);
    EXPECT_TRUE(big->flags & series_flag::big);
    EXPECT_TRUE(on_big_list(big));
    SeriesBuffer* small = series::expand(big, 200);
    EXPECT_FALSE(small->flags & series_flag::big) << "the flag tells where the buffer lives";
    EXPECT_EQ(small->tail - small->head, 100u);
}

namespace {
// Moves one buffer to fresh frame space as a compacting collector would and
// poisons the place it left.
Ref moved_node = 0;
void moving_collection() {
    if (!moved_node) return;
    SeriesBuffer* from = node_buffer(moved_node);
    uint32_t footprint = sizeof(SeriesBuffer) + from->size + 4;
    Ref frame = memory::find_series_frame(footprint);
    ASSERT_NE(frame, 0u);
    SeriesFrame* f = memory::series_frame_at(frame);
    Ref to = f->heap;
    f->heap += footprint;
    std::memcpy(arena::ptr(to), from, footprint);
    uint32_t distance = arena::ref(from) - to;
    SeriesBuffer* b = buffer_at(to);
    b->head -= distance;
    b->tail -= distance;
    *arena::at<Ref>(moved_node) = to;
    std::memset(from, 0xA5, footprint);
    moved_node = 0;
}
} // namespace

TEST_F(MemoryTest, ExpandFindsTheOldBufferAfterACollectionMovedIt) {
    Ref node = series::alloc_bytes(64);
    memory::alloc_buffer(4096, 1, 0); // so that the moved buffer lands elsewhere
    SeriesBuffer* b = node_buffer(node);
    std::memcpy(buffer_head(b), "survives the move", 17);
    b->tail += 17;
    moved_node = node;
    memory::collector_enabled = true;
    memory::start_collection = moving_collection;
    SeriesBuffer* e = series::expand(b, 3u << 20); // a big series starts a collection
    EXPECT_EQ(moved_node, 0u) << "the collection ran";
    EXPECT_EQ(node_buffer(node), e);
    EXPECT_EQ(std::string(reinterpret_cast<char*>(buffer_head(e)), 17), "survives the move");
    EXPECT_EQ(e->tail - e->head, 17u);
}

TEST_F(MemoryTest, CopyBufferCopiesTheUsedBytesAndFlags) {
    Ref node = memory::alloc_series(40, 1, -1);
    SeriesBuffer* b = node_buffer(node);
    std::memcpy(buffer_head(b), "abc", 3);
    b->tail += 3;
    b->flags |= series_flag::owned;
    Ref copy = series::copy_buffer(b);
    SeriesBuffer* c = node_buffer(copy);
    EXPECT_NE(copy, node);
    EXPECT_EQ(c->size, 48u);
    EXPECT_EQ(c->tail - c->head, 3u);
    EXPECT_EQ(std::memcmp(buffer_head(c), "abc", 3), 0);
    EXPECT_EQ(c->flags, (b->flags & ~series_flag::mid_head));
    EXPECT_EQ(c->node, copy);
}

TEST_F(MemoryTest, CopyRangeClipsToTheTailAndDropsTheOwnerFlag) {
    Ref node = series::alloc_unit(8, 4);
    SeriesBuffer* b = node_buffer(node);
    for (uint32_t i = 0; i < 8; ++i) std::memcpy(buffer_head(b) + 4 * i, &i, 4);
    b->tail += 32;
    b->flags |= series_flag::owned;
    Cell value{type_id::vector, 0, node, 0};
    struct Case {
        uint32_t start, count, first, length;
    } cases[] = {{2, 3, 2, 3}, {6, 10, 6, 2}, {9, 1, 0, 0}, {0, 8, 0, 8}};
    for (const Case& c : cases) {
        Ref copy = series::copy_range(&value, c.start, c.count);
        SeriesBuffer* r = node_buffer(copy);
        EXPECT_EQ(buffer_unit(r), 4u);
        EXPECT_FALSE(r->flags & series_flag::owned);
        ASSERT_EQ(r->tail - r->head, 4 * c.length);
        for (uint32_t i = 0; i < c.length; ++i) {
            uint32_t v;
            std::memcpy(&v, buffer_head(r) + 4 * i, 4);
            EXPECT_EQ(v, c.first + i);
        }
    }
}

TEST_F(MemoryTest, TailCellsAndBytesExpandWhenFull) {
    Ref node = series::alloc_cells(2);
    for (uint32_t i = 0; i < 5; ++i) {
        Cell* c = series::alloc_tail_cell(node_buffer(node));
        EXPECT_EQ(c->header, type_id::unset);
        c->data2 = i;
    }
    SeriesBuffer* b = node_buffer(node);
    EXPECT_EQ(b->tail - b->head, 5 * sizeof(Cell));
    EXPECT_EQ(b->size, 128u) << "2 cells doubled twice";
    for (uint32_t i = 0; i < 5; ++i) EXPECT_EQ(reinterpret_cast<Cell*>(buffer_head(b))[i].data2, i);

    // A mid-buffer head whose remaining room is not a whole cell.
    Ref mid = memory::alloc_series(3, 16, -1); // 48 bytes, head at 24
    series::alloc_tail_cell(node_buffer(mid));
    series::alloc_tail_cell(node_buffer(mid));
    SeriesBuffer* m = node_buffer(mid);
    EXPECT_LE(m->tail, arena::ref(buffer_end(m)));

    Ref bytes = series::alloc_bytes(16);
    unsigned char* p = series::alloc_tail_bytes(node_buffer(bytes), 10);
    std::memset(p, 1, 10);
    p = series::alloc_tail_bytes(node_buffer(bytes), 100); // data size below n: twice n
    EXPECT_EQ(node_buffer(bytes)->size, 208u);
    EXPECT_EQ(p, buffer_head(node_buffer(bytes)) + 10);
    EXPECT_EQ(node_buffer(bytes)->tail - node_buffer(bytes)->head, 110u);
}

TEST_F(MemoryTest, StaticSeriesLiveInBlocksOfTheirOwn) {
    Ref node = series::alloc_static(100, 1, 0);
    SeriesBuffer* b = node_buffer(node);
    EXPECT_EQ(b->flags, 0xA0100000u | 1);
    EXPECT_EQ(b->size, 112u);
    EXPECT_FALSE(in_some_frame(arena::ref(b)));
    SeriesBuffer* mid = node_buffer(series::alloc_static(32, 1, -1));
    EXPECT_EQ(data_offset(mid, mid->head), 16u);
}

TEST_F(MemoryTest, FilledSeries) {
    SeriesBuffer* f = node_buffer(series::alloc_filled(20, 0x7F));
    for (uint32_t i = 0; i < f->size; ++i) EXPECT_EQ(buffer_data(f)[i], 0x7F);
}

TEST(FillPattern, RepeatsThePatternByDoubling) {
    struct Case {
        const char* pattern;
        uint32_t times;
        const char* expected;
    } cases[] = {{"ab", 5, "ababababab"}, {"xyz", 1, "xyz"}, {"q", 0, ""}, {"", 4, ""}};
    for (const Case& c : cases) {
        char buffer[32] = {};
        std::strcpy(buffer, c.pattern);
        uint32_t a = static_cast<uint32_t>(std::strlen(c.pattern));
        char* end = reinterpret_cast<char*>(
            series::fill_pattern(reinterpret_cast<unsigned char*>(buffer), a, c.times));
        EXPECT_EQ(std::string(buffer, end), c.expected);
    }
}

TEST_F(MemoryTest, ImpossibleSizesRaiseNoMemoryBeforeAnythingChanges) {
    series::alloc_bytes(10);
    uint64_t bytes = memory::record.bytes_in_use;
    uint64_t pages = arena::pages_in_use();
    Ref node = series::alloc_bytes(64);
    SeriesBuffer* b = node_buffer(node);
    b->tail += 40;
    Ref heap_before = memory::series_frame_at(memory::record.current_series_frame)->heap;

    EXPECT_STREQ(raised_id([] { memory::alloc_buffer(0xFFFFFFFF, 16, 0); }), "no-memory");
    EXPECT_STREQ(raised_id([] { series::alloc_unit(0x80000000, 4); }), "no-memory");
    EXPECT_STREQ(raised_id([] { series::alloc_static(0xFFFFFFFF, 2, 0); }), "no-memory");
    EXPECT_STREQ(raised_id([&] { series::grow(b, uint64_t{1} << 33); }), "no-memory");
    EXPECT_STREQ(raised_id([&] { series::expand(b, 0xFFFFFFF0u); }), "no-memory");
    b->size = 0x80000000; // doubling this size would not fit
    EXPECT_STREQ(raised_id([&] { series::grow(b, 0); }), "no-memory");
    b->size = 64;
    EXPECT_STREQ(raised_id([] { memory::alloc_buffer(10, 1, 11 * 1000); }), "no-memory");
    EXPECT_EQ(catch_::exception_slot, catch_::code_error);

    EXPECT_EQ(node_buffer(node), b);
    EXPECT_EQ(b->node, node);
    EXPECT_TRUE(b->flags & series_flag::in_use);
    EXPECT_EQ(memory::series_frame_at(memory::record.current_series_frame)->heap, heap_before);
    EXPECT_EQ(memory::record.bytes_in_use, bytes);
    EXPECT_EQ(arena::pages_in_use(), pages);
}

TEST_F(MemoryTest, ByteBuffersStopShortOfWhatALengthCannotCount) {
    // One-byte units reach the 32-bit signed length before the data size
    // limit; wider units keep the data size limit.
    EXPECT_EQ(memory::max_size_for(1), 0x7FFFFFF0u);
    EXPECT_EQ(memory::max_size_for(2), memory::max_data_size);
    EXPECT_EQ(memory::max_size_for(16), memory::max_data_size);
    // A wanted size is cut to the limit but never below the need.
    EXPECT_EQ(memory::grown_size(100, 0x90000000u, 1), 0x7FFFFFF0u);
    EXPECT_EQ(memory::grown_size(100, 50, 1), 100u);
    EXPECT_EQ(memory::grown_size(100, 0x90000000u, 2), 0x90000000u);

    Ref node = series::alloc_bytes(64);
    SeriesBuffer* b = node_buffer(node);
    b->tail += 40;
    uint64_t bytes = memory::record.bytes_in_use;
    EXPECT_STREQ(raised_id([] { memory::grown_size(0x7FFFFFF1u, 0, 1); }), "no-memory");
    EXPECT_STREQ(raised_id([] { series::alloc_bytes(0x7FFFFFFF); }), "no-memory");
    EXPECT_STREQ(raised_id([&] { series::expand(b, 0x7FFFFFF1u); }), "no-memory");
    b->size = 0x7FFFFFF0; // at the limit: doubling cannot grow it
    EXPECT_STREQ(raised_id([&] { series::grow(b, 0); }), "no-memory");
    b->size = 64;
    EXPECT_EQ(node_buffer(node), b);
    EXPECT_EQ(memory::record.bytes_in_use, bytes);
}

TEST_F(MemoryTest, ArenaRefusalRaisesNoMemoryAndBadReleaseWrongMem) {
    series::alloc_bytes(10); // some arena pages are in use now
    uint64_t bytes = memory::record.bytes_in_use;
    // Fits the size checks but not the arena that is left.
    EXPECT_STREQ(raised_id([] { memory::alloc_virtual(arena::reserved_bytes - 2 * 4096); }),
                 "no-memory");
    EXPECT_STREQ(raised_id([] { memory::alloc_virtual(arena::reserved_bytes); }), "no-memory");
    EXPECT_EQ(memory::record.bytes_in_use, bytes);
    EXPECT_STREQ(raised_id([] { memory::free_virtual(12345); }), "wrong-mem");
    EXPECT_STREQ(raised_id([] { memory::free_virtual(0); }), "wrong-mem");
    EXPECT_EQ(memory::record.bytes_in_use, bytes);
}

TEST_F(MemoryTest, VirtualBlocksAreRoundedAndPrefixedWithTheirSize) {
    struct Case {
        uint64_t size, rounded;
    } cases[] = {{1, 4096}, {4092, 4096}, {4093, 8192}, {(1u << 20) + 20, (1u << 20) + 4096}};
    for (const Case& c : cases) {
        uint64_t before = memory::record.bytes_in_use;
        Ref block = memory::alloc_virtual(c.size);
        EXPECT_EQ((block - 4) % 4096, 0u);
        EXPECT_EQ(memory::virtual_size(block), c.rounded);
        EXPECT_EQ(memory::record.bytes_in_use, before + c.rounded);
        memory::free_virtual(block);
        EXPECT_EQ(memory::record.bytes_in_use, before);
    }
}

TEST(MemoryDeathTest, AUnitSizeOtherThanOneTwoFourEightOrSixteenEndsTheProcess) {
    EXPECT_EXIT(memory::alloc_buffer(4, 3, 0), ::testing::ExitedWithCode(101), "");
    EXPECT_EXIT(series::make_with_unit(4, 0), ::testing::ExitedWithCode(101), "");
}
