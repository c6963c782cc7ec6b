#include "runtime/arena.h"

#include <sys/mman.h>

#include <cstdio>
#include <cstdlib>
#include <iterator>
#include <map>

namespace zep::arena {

unsigned char* base = nullptr;

namespace {

// Free page ranges below the bump pointer, start -> length, coalesced.
std::map<uint64_t, uint64_t> free_ranges;
// Everything from here to the end of the reservation has never been handed out.
uint64_t bump = page_size; // the first page stays unused so that offset 0 is null
constexpr uint64_t huge_page_size = 2u << 20;
constexpr uint64_t start_region_bytes = 4u << 20;
uint64_t in_use = 0;

#ifdef ZEP_GC_TORTURE
void make_accessible(uint64_t start, uint64_t bytes) {
    mprotect(base + start, bytes, PROT_READ | PROT_WRITE);
}
#else
void make_accessible(uint64_t, uint64_t) {}
#endif

} // namespace

void init() {
    if (base) return;
    void* p = mmap(nullptr, reserved_bytes, PROT_READ | PROT_WRITE,
                   MAP_PRIVATE | MAP_ANONYMOUS | MAP_NORESERVE, -1, 0);
    if (p == MAP_FAILED) {
        std::fputs("\n*** Runtime Error 94: out of memory\n*** at: 00000000h\n", stdout);
        std::fflush(stdout);
        std::_Exit(94);
    }
    base = static_cast<unsigned char*>(p);
    // Offset 0 is null: make its page inaccessible so a stray null Ref faults.
    mprotect(base, page_size, PROT_NONE);
    // Every run fills the first frames at start-up: they begin on a huge-page
    // boundary and are advised into huge pages, so that they take a fault
    // per 2 MiB instead of one per 4 KiB page (a first touch of a page costs
    // microseconds on the virtual machines measured). Only advice.
    uint64_t misaligned = reinterpret_cast<uintptr_t>(base + page_size) % huge_page_size;
    bump = page_size + (misaligned ? huge_page_size - misaligned : 0);
    madvise(base + bump, start_region_bytes, MADV_HUGEPAGE);
}

Ref alloc_pages(uint64_t bytes) {
    if (!base) init();
    if (bytes == 0 || bytes % page_size != 0) return 0;
    for (auto it = free_ranges.begin(); it != free_ranges.end(); ++it) {
        if (it->second < bytes) continue;
        uint64_t start = it->first;
        uint64_t rest = it->second - bytes;
        free_ranges.erase(it);
        if (rest) free_ranges.emplace(start + bytes, rest);
        in_use += bytes;
        make_accessible(start, bytes);
        return static_cast<Ref>(start);
    }
    if (bytes > reserved_bytes - bump) return 0;
    uint64_t start = bump;
    bump += bytes;
    in_use += bytes;
    make_accessible(start, bytes);
    return static_cast<Ref>(start);
}

void free_pages(Ref start, uint64_t bytes) {
    if (start == 0 || bytes == 0) return;
    // Discard the contents: the pages read as zero when taken again.
    madvise(base + start, bytes, MADV_DONTNEED);
#ifdef ZEP_GC_TORTURE
    // Freed pages fault when touched, so a stale pointer is caught at once.
    mprotect(base + start, bytes, PROT_NONE);
#endif
    in_use -= bytes;
    uint64_t s = start, len = bytes;
    auto next = free_ranges.lower_bound(s);
    if (next != free_ranges.begin()) {
        auto prev = std::prev(next);
        if (prev->first + prev->second == s) {
            s = prev->first;
            len += prev->second;
            free_ranges.erase(prev);
        }
    }
    if (next != free_ranges.end() && s + len == next->first) {
        len += next->second;
        free_ranges.erase(next);
    }
    if (s + len == bump) {
        bump = s;
        return;
    }
    free_ranges.emplace(s, len);
}

uint64_t pages_in_use() {
    return in_use;
}

} // namespace zep::arena
