#include "runtime/record.h"

namespace zep::runtime {

Record record{0, nullptr, nullptr, {0, 0}};

__attribute__((noinline)) uintptr_t save_fault_frame() {
    // This function's own frame sits directly below the caller's, so its
    // frame address is the caller's stack pointer at the call.
    auto* frame = static_cast<uintptr_t*>(__builtin_frame_address(0));
    record.fault.stack_pointer = reinterpret_cast<uintptr_t>(frame);
    record.fault.frame_pointer = frame[0];
    return reinterpret_cast<uintptr_t>(__builtin_return_address(0));
}

} // namespace zep::runtime
