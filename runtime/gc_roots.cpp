// The shadow stack behind the root guards of gc_roots.h.
#include "runtime/gc_roots.h"

#include <cstdlib>
#include <cstring>

#include "runtime/error_exit.h"

namespace zep::gc::detail {

RootStack root_stack = {nullptr, nullptr, nullptr};

void grow_roots() {
    size_t used = static_cast<size_t>(root_stack.top - root_stack.begin);
    size_t room = static_cast<size_t>(root_stack.limit - root_stack.begin);
    size_t grown = room ? room * 2 : 256;
    auto* entries =
        static_cast<RootEntry*>(std::realloc(root_stack.begin, grown * sizeof(RootEntry)));
    if (!entries) runtime::error_exit(94, reinterpret_cast<uintptr_t>(__builtin_return_address(0)));
    root_stack.begin = entries;
    root_stack.top = entries + used;
    root_stack.limit = entries + grown;
}

void pop_root_inner(const void* slot) {
    // Guards die in reverse order; a guard that is not the last one (which
    // scopes never produce) is removed where it stands.
    for (RootEntry* e = root_stack.top; e != root_stack.begin; --e) {
        if (e[-1].slot == slot) {
            std::memmove(e - 1, e, static_cast<size_t>(root_stack.top - e) * sizeof(RootEntry));
            --root_stack.top;
            return;
        }
    }
}

} // namespace zep::gc::detail
