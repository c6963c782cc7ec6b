#include "runtime/heap.h"

#include <cstdlib>
#include <cstring>

#include "runtime/error_exit.h"

namespace zep::heap {

namespace detail {
Block* first = nullptr;
Block* last = nullptr;
} // namespace detail

using detail::Block;

namespace {

size_t blocks = 0;
uint64_t accounted = 0;

[[noreturn]] __attribute__((noinline)) void out_of_memory(void* caller) {
    runtime::error_exit(94, reinterpret_cast<uintptr_t>(caller));
}

bool on_list(Block* b) {
    for (Block* p = detail::first; p; p = p->next)
        if (p == b) return true;
    return false;
}

void link_last(Block* b) {
    b->prev = detail::last;
    b->next = nullptr;
    if (detail::last)
        detail::last->next = b;
    else
        detail::first = b;
    detail::last = b;
}

void unlink(Block* b) {
    if (b->prev)
        b->prev->next = b->next;
    else
        detail::first = b->next;
    if (b->next)
        b->next->prev = b->prev;
    else
        detail::last = b->prev;
}

} // namespace

void* try_alloc(size_t size) {
    if (size > SIZE_MAX - sizeof(Block)) return nullptr;
    auto* b = static_cast<Block*>(std::malloc(size + sizeof(Block)));
    if (!b) return nullptr;
    b->size = size;
    b->reserved = 0;
    link_last(b);
    ++blocks;
    accounted += size + accounted_header;
    return b + 1;
}

void* alloc(size_t size) {
    void* p = try_alloc(size);
    if (!p) out_of_memory(__builtin_return_address(0));
    return p;
}

void* alloc_zeroed(size_t size) {
    // calloc: large blocks come as fresh zero pages, touched only when used.
    if (size > SIZE_MAX - sizeof(Block)) out_of_memory(__builtin_return_address(0));
    auto* b = static_cast<Block*>(std::calloc(1, size + sizeof(Block)));
    if (!b) out_of_memory(__builtin_return_address(0));
    b->size = size;
    b->reserved = 0;
    link_last(b);
    ++blocks;
    accounted += size + accounted_header;
    return b + 1;
}

void* realloc(void* address, size_t size) {
    if (!address) return alloc(size);
    if (size == 0) {
        free(address);
        return nullptr;
    }
    Block* old = static_cast<Block*>(address) - 1;
    if (!on_list(old)) return nullptr;
    if (size > SIZE_MAX - sizeof(Block)) out_of_memory(__builtin_return_address(0));
    Block* prev = old->prev;
    Block* next = old->next;
    size_t old_size = old->size;
    auto* b = static_cast<Block*>(std::realloc(old, size + sizeof(Block)));
    if (!b) out_of_memory(__builtin_return_address(0));
    b->size = size;
    // Relink the neighbours (or the list ends) to the block's new address.
    if (prev)
        prev->next = b;
    else
        detail::first = b;
    if (next)
        next->prev = b;
    else
        detail::last = b;
    accounted = accounted - old_size + size;
    return b + 1;
}

void free(void* address) {
    if (!address) return;
    Block* b = static_cast<Block*>(address) - 1;
    if (!on_list(b)) return;
    unlink(b);
    --blocks;
    accounted -= b->size + accounted_header;
    std::free(b);
}

namespace {
void (*forget_hooks[8])() = {};
int forget_hook_count = 0;
} // namespace

void on_free_all(void (*forget)()) {
    if (forget_hook_count < 8) forget_hooks[forget_hook_count++] = forget;
}

void free_all() {
    for (int i = 0; i < forget_hook_count; ++i) forget_hooks[i]();
    Block* b = detail::first;
    while (b) {
        Block* next = b->next;
        std::free(b);
        b = next;
    }
    detail::first = detail::last = nullptr;
    blocks = 0;
    accounted = 0;
}

size_t block_count() {
    return blocks;
}
uint64_t accounted_bytes() {
    return accounted;
}

} // namespace zep::heap

namespace zep::runtime {
void release_heap() {
    heap::free_all();
}
} // namespace zep::runtime
