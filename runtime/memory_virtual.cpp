// Virtual-memory blocks for frames, big series and static buffers. Each
// block is taken from the arena's pages; a refusal travels as a catch code
// from the platform step and is turned into a catalogue error here.
#include <cstdint>

#include "runtime/arena.h"
#include "runtime/catch.h"
#include "runtime/memory.h"
#include "runtime/raise.h"

namespace zep::memory {

namespace {

constexpr uint32_t size_prefix = 4;

// The platform step: pages from the arena, or the reservation-failed code.
Ref platform_virtual_alloc(uint64_t bytes) {
    Ref start = arena::alloc_pages(bytes);
    if (start == 0) catch_::throw_code(catch_::code_vm_reserve_failed);
    return start;
}

// The platform step of release: refuses a range the arena never handed out.
void platform_virtual_free(Ref start, uint64_t bytes) {
    bool valid = start != 0 && start % arena::page_size == 0 && bytes != 0 &&
                 bytes % arena::page_size == 0 && start + bytes <= arena::reserved_bytes &&
                 bytes <= arena::pages_in_use();
    if (!valid) catch_::throw_code(catch_::code_vm_release_failed);
    arena::free_pages(start, bytes);
}

// Runs a platform step under a receiver for the memory codes; a received
// memory code raises the given internal error, any other code passes on.
template <class Step> void under_memory_receiver(const char* error_id, Step&& step) {
    uint32_t code = catch_::receive(catch_::threshold_memory, step);
    if (code == 0) return;
    if (code == catch_::code_vm_reserve_failed || code == catch_::code_vm_release_failed) {
        catch_::exception_slot = 0;
        error::fire_named(error::Category::internal, error_id);
    }
    catch_::unwind();
}

} // namespace

Ref alloc_virtual(uint64_t size) {
    // Rounded size must fit the 32-bit prefix and the arena.
    if (size > arena::reserved_bytes - 2 * arena::page_size)
        error::fire_named(error::Category::internal, "no-memory");
    uint64_t rounded =
        (size + size_prefix + arena::page_size - 1) / arena::page_size * arena::page_size;
    Ref block = 0;
    under_memory_receiver("no-memory", [&] { block = platform_virtual_alloc(rounded); });
    *arena::at<uint32_t>(block) = static_cast<uint32_t>(rounded);
    record.bytes_in_use += rounded;
    return block + size_prefix;
}

void free_virtual(Ref block) {
    Ref start = block >= size_prefix ? block - size_prefix : 0;
    uint64_t rounded =
        start != 0 && start % arena::page_size == 0 ? *arena::at<uint32_t>(start) : 0;
    under_memory_receiver("wrong-mem", [&] { platform_virtual_free(start, rounded); });
    record.bytes_in_use -= rounded;
}

} // namespace zep::memory
