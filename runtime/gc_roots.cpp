// The shadow stack behind the root guards of gc_roots.h.
#include "runtime/gc_roots.h"

#include <iterator>
#include <vector>

namespace zep::gc::detail {

namespace {
std::vector<RootEntry> shadow_roots;
} // namespace

void push_root(RootEntry entry) {
    shadow_roots.push_back(entry);
}

void pop_root(const void* slot) {
    // Guards die in reverse order; a guard that is not the last one (which
    // scopes never produce) is removed where it stands.
    for (auto it = shadow_roots.rbegin(); it != shadow_roots.rend(); ++it) {
        if (it->slot == slot) {
            shadow_roots.erase(std::next(it).base());
            return;
        }
    }
}

const RootEntry* roots_begin() {
    return shadow_roots.data();
}

const RootEntry* roots_end() {
    return shadow_roots.data() + shadow_roots.size();
}

} // namespace zep::gc::detail
