#include "runtime/record_series.h"

#include <gtest/gtest.h>

#include <vector>

#include "runtime/memory.h"
#include "tests/runtime/memory_fixture.h"

using namespace zep;
using zep::testing::MemoryTest;

using RecordSeriesTest = MemoryTest;

TEST_F(RecordSeriesTest, IntegersAppendFindSetAndRemove) {
    Ref s = series::make_with_unit(2, 4);
    EXPECT_EQ(series::flags(s) & series_flag::unit_mask, 4u);
    EXPECT_EQ(series::length_in_units(s), 0u);
    for (uint32_t v : {10u, 20u, 30u, 40u}) series::append_int(s, v);
    EXPECT_EQ(series::length_in_units(s), 4u) << "grew past the 2 records it was made for";
    EXPECT_EQ(series::u32_at(s, 1), 10u);
    EXPECT_EQ(series::u32_at(s, 4), 40u);
    EXPECT_EQ(series::u32_at(s, 5), 0u) << "past the tail";
    EXPECT_EQ(series::u32_at(s, 0), 0u);
    EXPECT_TRUE(series::set_u32_at(s, 2, 21));
    EXPECT_FALSE(series::set_u32_at(s, 5, 99));
    EXPECT_EQ(series::find_int(s, 21), 4);
    EXPECT_EQ(series::find_int(s, 20), -1);
    series::remove_bytes(s, 4, 4);
    EXPECT_EQ(series::length_in_units(s), 3u);
    EXPECT_EQ(series::u32_at(s, 2), 30u);
    series::remove_bytes(s, 8, 100); // clipped to the tail
    EXPECT_EQ(series::length_in_units(s), 2u);
    series::remove_bytes(s, 100, 4); // past the tail: nothing
    EXPECT_EQ(series::length_in_units(s), 2u);
}

TEST_F(RecordSeriesTest, PointersFindAndRemove) {
    int objects[4];
    Ref s = series::make_with_unit(4, sizeof(void*));
    for (int& o : objects) series::append_pointer(s, &o);
    EXPECT_EQ(series::item_at(s, 3), &objects[2]);
    EXPECT_EQ(series::find_pointer(s, &objects[1]), static_cast<int32_t>(sizeof(void*)));

    int absent;
    SeriesBuffer* before = node_buffer(s);
    Ref tail = before->tail;
    EXPECT_EQ(series::find_pointer(s, &absent), -1);
    EXPECT_EQ(series::remove_pointer(s, &absent), -1);
    EXPECT_EQ(node_buffer(s)->tail, tail) << "nothing changed";

    EXPECT_EQ(series::remove_pointer(s, &objects[1]), static_cast<int32_t>(sizeof(void*)));
    EXPECT_EQ(series::length_in_units(s), 3u);
    EXPECT_EQ(series::item_at(s, 2), &objects[2]);
    EXPECT_EQ(series::item_at(s, 4), nullptr);
}

TEST_F(RecordSeriesTest, BytesGrowClearSetTailAndCopy) {
    Ref s = series::make_with_unit(3, 1);
    std::vector<uint8_t> expected;
    for (uint32_t i = 0; i < 5000; ++i) {
        series::append_byte(s, static_cast<uint8_t>(i * 7));
        expected.push_back(static_cast<uint8_t>(i * 7));
    }
    series::append_bytes(s, "xyz", 3);
    expected.insert(expected.end(), {'x', 'y', 'z'});
    SeriesBuffer* b = node_buffer(s);
    ASSERT_EQ(series::length_in_units(s), expected.size());
    EXPECT_TRUE(std::equal(expected.begin(), expected.end(), buffer_head(b)));

    Ref copy = series::copy(s);
    EXPECT_NE(copy, s);
    EXPECT_EQ(series::length_in_units(copy), expected.size());
    EXPECT_TRUE(std::equal(expected.begin(), expected.end(), buffer_head(node_buffer(copy))));

    series::set_tail(s, 11); // 10 records
    EXPECT_EQ(series::length_in_units(s), 10u);
    series::set_tail(s, 0);
    EXPECT_EQ(series::length_in_units(s), 0u);
    series::set_tail(copy, 20001); // past the buffer: grows, keeping the data
    EXPECT_EQ(series::length_in_units(copy), 20000u);
    EXPECT_LE(node_buffer(copy)->tail, arena::ref(buffer_end(node_buffer(copy))));
    EXPECT_EQ(buffer_head(node_buffer(copy))[4999], expected[4999]);
    series::clear(copy);
    EXPECT_EQ(series::length_in_units(copy), 0u);
}
