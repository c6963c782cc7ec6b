// The random generator: seeding reproduces a sequence, draws stay in their
// ranges for both signs and both sources, and int_range is unbiased enough
// that every value of a small range turns up about equally often.
#include <gtest/gtest.h>

#include <climits>
#include <map>

#include "services/random.h"

using namespace zep;

TEST(RandomTest, SeedingReproducesTheSequence) {
    random::seed(12345);
    uint32_t a = random::next(), b = random::next();
    random::seed(12345);
    EXPECT_EQ(random::next(), a);
    EXPECT_EQ(random::next(), b);
    random::seed(12346);
    EXPECT_NE(random::next(), a);
}

TEST(RandomTest, DrawsStayInRange) {
    for (int i = 0; i < 2000; ++i) {
        EXPECT_LE(random::next(), 0x7FFFFFFFu);
        EXPECT_LE(random::secure_next(), 0x7FFFFFFFu);
    }
    struct Case {
        int32_t n;
        int32_t low, high;
    };
    const Case cases[] = {{1, 1, 1},    {-1, -1, -1},          {7, 1, 7},
                          {-7, -7, -1}, {INT_MAX, 1, INT_MAX}, {INT_MIN, INT_MIN, -1}};
    for (bool secure : {false, true}) {
        for (const Case& c : cases) {
            for (int i = 0; i < 500; ++i) {
                int32_t r = random::int_range(c.n, secure);
                EXPECT_GE(r, c.low) << c.n;
                EXPECT_LE(r, c.high) << c.n;
            }
        }
    }
}

TEST(RandomTest, SmallRangesAreEvenlyCovered) {
    random::seed(99);
    for (bool secure : {false, true}) {
        std::map<int32_t, int> counts;
        const int draws = 60000;
        for (int i = 0; i < draws; ++i) ++counts[random::int_range(6, secure)];
        ASSERT_EQ(counts.size(), 6u);
        for (auto [value, count] : counts) {
            // Expected 10,000 each; 5 standard deviations is about 460.
            EXPECT_NEAR(count, draws / 6, 500) << value;
        }
    }
}
