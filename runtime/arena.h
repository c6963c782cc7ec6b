// The managed-memory arena: one 4 GiB reservation of address space holding
// every node frame, series frame, big series and static series buffer, so
// that a 32-bit offset (a Ref) names any managed object. Pages are touched
// only when used and given back when freed.
#pragma once
#include <cstddef>
#include <cstdint>

#include "runtime/cell.h"

namespace zep::arena {

constexpr uint64_t reserved_bytes = 1ull << 32;
constexpr uint32_t page_size = 4096;

extern unsigned char* base;

// Reserves the arena; idempotent. Ends the process with runtime error 94 when
// the address space cannot be reserved.
void init();

inline void* ptr(Ref ref) {
    return base + ref;
}
template <class T> inline T* at(Ref ref) {
    return reinterpret_cast<T*>(base + ref);
}
inline Ref ref(const void* p) {
    return static_cast<Ref>(static_cast<const unsigned char*>(p) - base);
}
inline bool contains(const void* p) {
    auto* b = static_cast<const unsigned char*>(p);
    return b >= base && b < base + reserved_bytes;
}

// Takes `bytes` (a multiple of page_size) of zeroed pages; answers 0 when the
// arena has no room left.
Ref alloc_pages(uint64_t bytes);

// Gives pages taken by alloc_pages back; their contents are discarded.
void free_pages(Ref start, uint64_t bytes);

// Bytes of the arena currently handed out (for diagnostics and tests).
uint64_t pages_in_use();

} // namespace zep::arena
