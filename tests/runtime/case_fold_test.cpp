#include "runtime/case_fold.h"

#include "runtime/unicode/case_tables.h"

#include <gtest/gtest.h>

using namespace zep;
using case_::fold_char;
using case_::to_lower;
using case_::to_upper;

namespace {

class CaseFold : public ::testing::Test {};

struct FoldCase {
    uint32_t cp;
    int direction;
    uint32_t expected;
};

} // namespace

TEST(CaseTables, AreBuiltAtCompileTimeUpToTheLastBmpCodePoint) {
    // Folding needs no start-up: the tables are constant data.
    static constexpr uint32_t pairs[] = {0x61, 0x41, 0xFFFF, 0x10};
    static constexpr case_::tables::BmpTable table = case_::tables::build_bmp_table(pairs);
    static_assert(table.map[0x61] == 0x41 && table.map[0xFFFF] == 0x10);
    static_assert(table.map[0] == 0 && table.map[0x62] == 0 && table.map[0xFFFE] == 0);
    EXPECT_EQ(fold_char('a', to_upper), uint32_t{'A'});
}

TEST_F(CaseFold, DistinctiveMappings) {
    const FoldCase cases[] = {
        {'a', to_upper, 'A'},
        {'A', to_upper, 'A'},
        {'A', to_lower, 'a'},
        {0xDF, to_upper, 'S'},
        {0xFF, to_upper, 0x178},
        {0x131, to_upper, 'I'},
        {0x17F, to_upper, 'S'},
        {0x1C5, to_upper, 0x1C4},
        {0x1C5, to_lower, 0x1C6},
        {0x345, to_upper, 0x399},
        {0x10D0, to_upper, 0x1C90},
        {0xFF5A, to_upper, 0xFF3A},
        {0x130, to_lower, 'i'},
        {0x1E9E, to_lower, 0xDF},
        {0xFF3A, to_lower, 0xFF5A},
        {0xA7B9, to_upper, 0xA7B8},
        {0xA7B8, to_lower, 0xA7B9},
        {0xFB01, to_upper, 'F'},
        {0x1F88, to_upper, 0x1F08},
        {0x1F88, to_lower, 0x1F80},
        {0, to_upper, 0},
        // Later additions and partners are outside the case data.
        {0xA7C3, to_upper, 0xA7C3},
        {0xA7C2, to_lower, 0xA7C2},
        {0x264, to_upper, 0x264},
        {0xFFFF, to_upper, 0xFFFF},
        // Above the BMP: ends of the lists and the code points just outside.
        {0x10428, to_upper, 0x10400},
        {0x1E943, to_upper, 0x1E921},
        {0x10400, to_lower, 0x10428},
        {0x1E921, to_lower, 0x1E943},
        {0x1E944, to_upper, 0x1E944},
        {0x10427, to_upper, 0x10427},
        {0x16E60, to_upper, 0x16E40},
        {0x104D8, to_upper, 0x104B0},
        {0x1E922, to_lower, 0x1E922},
        {0x10FFFF, to_upper, 0x10FFFF},
        {0xFFFFFFFF, to_lower, 0xFFFFFFFF},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(fold_char(c.cp, c.direction), c.expected)
            << std::hex << "U+" << c.cp << (c.direction == to_upper ? " upper" : " lower");
    }
}

TEST_F(CaseFold, EveryListedPairFoldsAndNothingElseInTheBmpChanges) {
    struct List {
        const uint32_t* pairs;
        uint32_t count;
        int direction;
    };
    const List lists[] = {
        {case_::tables::to_upper_bmp, case_::tables::upper_bmp_pairs, to_upper},
        {case_::tables::to_lower_bmp, case_::tables::lower_bmp_pairs, to_lower},
        {case_::tables::to_upper_supplementary, case_::tables::supplementary_pairs, to_upper},
        {case_::tables::to_lower_supplementary, case_::tables::supplementary_pairs, to_lower},
    };
    for (const auto& list : lists) {
        uint32_t changed_in_bmp = 0;
        for (uint32_t i = 0; i < list.count; ++i) {
            uint32_t cp = list.pairs[2 * i];
            if (i > 0) {
                ASSERT_LT(list.pairs[2 * (i - 1)], cp) << "pairs are sorted";
            }
            ASSERT_EQ(fold_char(cp, list.direction), list.pairs[2 * i + 1]) << std::hex << cp;
        }
        for (uint32_t cp = 0; cp <= 0xFFFF; ++cp) {
            if (fold_char(cp, list.direction) != cp) ++changed_in_bmp;
        }
        if (list.pairs[0] <= 0xFFFF) {
            EXPECT_EQ(changed_in_bmp, list.count);
        }
    }
}
