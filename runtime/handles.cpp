#include "runtime/handles.h"

#include "runtime/error_exit.h"
#include "runtime/heap.h"

namespace zep::handles {

namespace {

Kind* kinds = nullptr;
uint32_t kinds_used = 0;
Entry* entries = nullptr;
uint32_t entry_capacity = 0;
// Entries freed again, most recently freed first; the entries from
// `never_used` up to the capacity follow them, free but not yet written.
int32_t free_chain = end_of_chain;
uint32_t never_used = 0;
int32_t in_use_chain = end_of_chain;

void make_free(Entry& e) {
    e.flags = flag_free;
    e.object = nullptr;
}

void double_table() {
    if (entry_capacity > 0x3FFFFFFF / sizeof(Entry))
        runtime::error_exit(94, reinterpret_cast<uintptr_t>(&double_table));
    uint32_t old = entry_capacity;
    entries = static_cast<Entry*>(heap::realloc(entries, sizeof(Entry) * old * 2));
    entry_capacity = old * 2;
}

bool is_in_use(int32_t index) {
    return index >= 0 && static_cast<uint32_t>(index) < never_used &&
           !(entries[index].flags & flag_free);
}

void unlink_in_use(int32_t index) {
    int32_t* link = &in_use_chain;
    while (*link != end_of_chain && *link != index) link = &entries[*link].next;
    if (*link == index) *link = entries[index].next;
}

void push_free(int32_t index) {
    make_free(entries[index]);
    entries[index].next = free_chain;
    free_chain = index;
}

} // namespace

void init() {
    heap::free(kinds);
    heap::free(entries);
    kinds = static_cast<Kind*>(heap::alloc_zeroed(sizeof(Kind) * max_kinds));
    kinds_used = 0;
    entries = static_cast<Entry*>(heap::alloc(sizeof(Entry) * first_capacity));
    entry_capacity = first_capacity;
    free_chain = end_of_chain;
    never_used = 0;
    in_use_chain = end_of_chain;
}

uint32_t register_kind(uint32_t kind_id, ReleaseCallback release) {
    if (kinds_used == max_kinds) return 0;
    kinds[kinds_used++] = Kind{kind_id, release};
    return kinds_used;
}

int32_t store(void* object, uint32_t kind) {
    if (!entries) init();
    int32_t index;
    if (free_chain != end_of_chain) {
        index = free_chain;
        free_chain = entries[index].next;
    } else {
        // The last free entry: the table doubles, its new half never used.
        if (never_used + 1 == entry_capacity) double_table();
        index = static_cast<int32_t>(never_used++);
    }
    Entry& e = entries[index];
    e.flags = kind & kind_mask;
    e.object = object;
    e.next = in_use_chain;
    in_use_chain = index;
    return index;
}

void release_by_kind(uint32_t kind, void* object) {
    if (kind == 0 || kind > kinds_used || !kinds[kind - 1].release) return;
    kinds[kind - 1].release(object);
}

void release_entry(const Entry& entry) {
    release_by_kind(entry.flags & kind_mask, entry.object);
}

void remove(int32_t index, bool release) {
    if (!is_in_use(index)) return;
    if (release) release_entry(entries[index]);
    unlink_in_use(index);
    push_free(index);
}

bool mark(int32_t index, void* object) {
    if (!is_in_use(index)) return false;
    Entry& e = entries[index];
    if (object) e.object = object;
    bool was_marked = e.flags & flag_mark;
    e.flags |= flag_mark;
    return !was_marked;
}

void sweep() {
    // Walk by index: a release callback may store entries, which can move
    // the table.
    int32_t previous = end_of_chain;
    int32_t index = in_use_chain;
    while (index != end_of_chain) {
        Entry& e = entries[index];
        int32_t next = e.next;
        if (e.flags & flag_mark) {
            e.flags &= ~flag_mark;
            previous = index;
        } else {
            if (previous == end_of_chain)
                in_use_chain = next;
            else
                entries[previous].next = next;
            Entry released = e;
            push_free(index);
            release_entry(released);
        }
        index = next;
    }
}

uint32_t capacity() {
    return entry_capacity;
}
const Entry& entry(int32_t index) {
    static constexpr Entry unused{flag_free, nullptr, end_of_chain};
    return static_cast<uint32_t>(index) < never_used ? entries[index] : unused;
}
int32_t free_head() {
    if (free_chain != end_of_chain) return free_chain;
    return never_used < entry_capacity ? static_cast<int32_t>(never_used) : end_of_chain;
}
int32_t in_use_head() {
    return in_use_chain;
}
const Kind& kind(uint32_t position) {
    return kinds[position - 1];
}
uint32_t kind_count() {
    return kinds_used;
}

} // namespace zep::handles
