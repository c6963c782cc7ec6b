// The handle table: handle! values refer to platform objects by an index
// into this table. Each entry records its object's kind; each kind has a
// release callback, through which the collector's sweep releases objects
// that no live handle! refers to any more.
#pragma once
#include <cstdint>

namespace zep::handles {

using ReleaseCallback = void (*)(void* object);

constexpr uint32_t max_kinds = 20;
constexpr uint32_t first_capacity = 1000;
constexpr uint32_t kind_mask = 0xFF;
constexpr uint32_t flag_free = 0x40000000;
constexpr uint32_t flag_mark = 0x80000000;
constexpr int32_t end_of_chain = -1;

struct Entry {
    uint32_t flags; // kind in bits 0-7, free and mark flags
    void* object;
    int32_t next; // next entry of the chain the entry is on, or -1
};

struct Kind {
    uint32_t id;
    ReleaseCallback release;
};

// Makes the kinds table and 1,000 entries, all free. Entries never used are
// not written: they are taken in index order after the chain of entries
// freed again, so start-up touches only the pages of the entries it uses.
void init();
// Appends a kind; answers its 1-based position, or 0 when the table is full.
uint32_t register_kind(uint32_t kind_id, ReleaseCallback release);
// Takes a free entry for the object (doubling the table first when it is the
// last free one) and answers its index.
int32_t store(void* object, uint32_t kind);
// Calls the kind's release callback with the object; nothing for kind 0 or
// a kind without a callback.
void release_by_kind(uint32_t kind, void* object);
void release_entry(const Entry& entry);
// Frees an entry in use, releasing its object first when asked.
void remove(int32_t index, bool release);
// Marks an entry in use, replacing its object when one is given; answers
// true when it was not marked before.
bool mark(int32_t index, void* object);
// Clears the marks of marked entries; releases and frees the others.
void sweep();

// Inspection. An entry never used reads as free, with no object; the free
// head is the next entry store takes.
uint32_t capacity();
const Entry& entry(int32_t index);
int32_t free_head();
int32_t in_use_head();
const Kind& kind(uint32_t position);
uint32_t kind_count();

} // namespace zep::handles
