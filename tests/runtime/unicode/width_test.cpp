#include "runtime/unicode/width.h"

#include "runtime/unicode/width_tables.h"

#include <gtest/gtest.h>

using namespace zep;
using unicode::char_width;

TEST(CharWidth, DistinctiveCodePoints) {
    struct Case {
        uint32_t cp;
        int width;
    };
    const Case cases[] = {
        {0x41, 1},    {0x301, 0},   {0x4E00, 2},  {0x1F600, 2},  {0x07, 1},     {0x00, 0},
        {0x200B, 1},  {0x7F, 1},    {0x9F, 1},    {0xA0, 1},     {0xAD, 1},     {0x2060, 1},
        {0xFEFF, 1},  {0x600, 0},   {0x61C, 0},   {0x6DD, 0},    {0x70F, 0},    {0x890, 1},
        {0x1160, 0},  {0x11FF, 0},  {0xD7C6, 0},  {0xD7FB, 0},   {0x1100, 2},   {0x115F, 2},
        {0x3029, 2},  {0x302A, 0},  {0x302E, 2},  {0xAC00, 2},   {0xD7A3, 2},   {0xFA6E, 2},
        {0xFF61, 1},  {0x1FAF6, 2}, {0x1FAF7, 1}, {0x2FFFD, 2},  {0x2FFFE, 1},  {0x3FFFD, 2},
        {0xE0100, 0}, {0xE01EF, 0}, {0xE01F0, 1}, {0x10FFFF, 1}, {0x110000, 1},
    };
    for (const auto& c : cases) EXPECT_EQ(char_width(c.cp), c.width) << std::hex << "U+" << c.cp;
}

TEST(CharWidth, RangeTestAtTheBoundsOfEveryRange) {
    struct Table {
        const uint32_t* words;
        uint32_t ranges;
    };
    for (Table t : {Table{unicode::tables::zero_width, unicode::tables::zero_width_ranges},
                    Table{unicode::tables::wide, unicode::tables::wide_ranges}}) {
        uint32_t n = 2 * t.ranges;
        for (uint32_t i = 0; i < t.ranges; ++i) {
            uint32_t low = t.words[2 * i], high = t.words[2 * i + 1];
            ASSERT_LE(low, high);
            if (i > 0) {
                ASSERT_LT(t.words[2 * i - 1] + 1, low) << "ranges are disjoint, not adjacent";
            }
            EXPECT_EQ(unicode::is_in_ranges(low, t.words, n), 1);
            EXPECT_EQ(unicode::is_in_ranges(high, t.words, n), 1);
            EXPECT_EQ(unicode::is_in_ranges(low - 1, t.words, n), 0);
            EXPECT_EQ(unicode::is_in_ranges(high + 1, t.words, n), 0);
        }
    }
    EXPECT_EQ(unicode::is_in_ranges(5, unicode::tables::wide, 0), 0);
}
