#include "runtime/arena.h"

#include <gtest/gtest.h>

using namespace zep;

TEST(Arena, PagesAreReusedAfterRelease) {
    arena::init();
    uint64_t before = arena::pages_in_use();
    Ref a = arena::alloc_pages(3 * arena::page_size);
    Ref b = arena::alloc_pages(arena::page_size);
    ASSERT_NE(a, 0u);
    ASSERT_NE(b, 0u);
    EXPECT_EQ(arena::ref(arena::ptr(a)), a);
    *arena::at<uint32_t>(a) = 7;
    arena::free_pages(a, 3 * arena::page_size);
    // A smaller request fits in the freed range and reads as zero.
    Ref c = arena::alloc_pages(2 * arena::page_size);
    EXPECT_EQ(c, a);
    EXPECT_EQ(*arena::at<uint32_t>(c), 0u);
    arena::free_pages(c, 2 * arena::page_size);
    arena::free_pages(b, arena::page_size);
    EXPECT_EQ(arena::pages_in_use(), before);
    EXPECT_EQ(arena::alloc_pages(100), 0u) << "sizes must be whole pages";
}
