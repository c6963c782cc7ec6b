#include "runtime/heap.h"

#include <cstring>
#include <gtest/gtest.h>
#include <vector>

using namespace zep;

namespace {
std::vector<void*> blocks() {
    std::vector<void*> list;
    heap::for_each_block([&](void* p, size_t) { list.push_back(p); });
    return list;
}
} // namespace

TEST(Heap, AllocReallocFreeKeepTheListAndFigures) {
    size_t count = heap::block_count();
    uint64_t bytes = heap::accounted_bytes();

    void* a = heap::realloc(nullptr, 10); // null address: a new block
    ASSERT_NE(a, nullptr);
    void* b = heap::alloc_zeroed(100);
    EXPECT_EQ(static_cast<unsigned char*>(b)[99], 0);
    void* c = heap::alloc(7);
    EXPECT_EQ(heap::block_count(), count + 3);
    EXPECT_EQ(heap::accounted_bytes(), bytes + 10 + 100 + 7 + 3 * heap::accounted_header);

    // A resized block keeps its contents and its place in the list.
    std::memcpy(a, "012345678", 10);
    a = heap::realloc(a, 1 << 20);
    EXPECT_STREQ(static_cast<char*>(a), "012345678");
    auto list = blocks();
    ASSERT_GE(list.size(), 3u);
    EXPECT_EQ(std::vector<void*>(list.end() - 3, list.end()), (std::vector<void*>{a, b, c}));
    EXPECT_EQ(heap::accounted_bytes(), bytes + (1 << 20) + 100 + 7 + 3 * heap::accounted_header);

    // Size 0 frees and answers null; unknown addresses are ignored.
    EXPECT_EQ(heap::realloc(b, 0), nullptr);
    int not_on_heap = 0;
    heap::free(&not_on_heap);
    heap::free(nullptr);
    EXPECT_EQ(heap::block_count(), count + 2);
    list = blocks();
    EXPECT_EQ(std::vector<void*>(list.end() - 2, list.end()), (std::vector<void*>{a, c}));

    heap::free(a);
    heap::free(c);
    EXPECT_EQ(heap::block_count(), count);
    EXPECT_EQ(heap::accounted_bytes(), bytes);
}
