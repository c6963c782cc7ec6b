// The tracked heap: every low-level allocation that no cell refers to comes
// from here. Blocks sit on one list in allocation order so that statistics
// can count them and everything is released at exit.
#pragma once
#include <cstddef>
#include <cstdint>

namespace zep::heap {

// Size + 16 bytes is what statistics count for each block.
constexpr size_t accounted_header = 16;

// Address of `size` usable bytes. Refusal ends the process with runtime
// error 94 "out of memory".
void* alloc(size_t size);
void* alloc_zeroed(size_t size);
// Like alloc, but answers null on refusal so that the caller can raise its
// own error.
void* try_alloc(size_t size);
// null address: alloc; size 0: free and answer null; otherwise resize (an
// address not on the list is left alone and answers null).
void* realloc(void* address, size_t size);
// Frees a block of this heap; an address not on the list is ignored.
void free(void* address);
// Frees every block and empties the list.
void free_all();
// Registers a function that free_all calls first, so that caches holding
// heap blocks (free lists) forget them. At most 8 hooks.
void on_free_all(void (*forget)());

// Figures for statistics: number of blocks and the sum of (size + 16).
size_t block_count();
uint64_t accounted_bytes();

// Walks the blocks in allocation order.
template <class F> void for_each_block(F&& f);

namespace detail {
struct Block {
    Block* prev;
    Block* next;
    size_t size;
    size_t reserved;
};
extern Block* first;
extern Block* last;
} // namespace detail

template <class F> void for_each_block(F&& f) {
    for (auto* b = detail::first; b; b = b->next) f(static_cast<void*>(b + 1), b->size);
}

} // namespace zep::heap

namespace zep::runtime {
// heap::free_all under the name the error exit uses.
void release_heap();
} // namespace zep::runtime
