// Shared helpers of the hash table modules: raw access to the flag, key and
// data arrays, the probe loop and sizing. Pointers answered here are valid
// until the next allocation.
#pragma once
#include <cstdint>

#include "runtime/cell.h"
#include "runtime/hashtable.h"
#include "runtime/memory.h"

namespace zep::hash::detail {

constexpr uint32_t flag_empty = 2;
constexpr uint32_t flag_deleted = 1;
constexpr uint32_t flag_live = 0;
constexpr uint32_t not_indexed = 0xFFFFFFFFu;
constexpr uint32_t record_live = 2;

inline uint32_t* flag_words(const Table* t) {
    return reinterpret_cast<uint32_t*>(buffer_head(node_buffer(t->flags)));
}
inline int32_t* key_entries(const Table* t) {
    return reinterpret_cast<int32_t*>(buffer_head(node_buffer(t->keys)));
}
inline Cell* data_cells(const Table* t) {
    return reinterpret_cast<Cell*>(buffer_head(node_buffer(t->data)));
}
inline uint32_t data_bytes(const Table* t) {
    SeriesBuffer* b = node_buffer(t->data);
    return b->tail - b->head;
}
inline uint32_t item_count(const Table* t) {
    return data_bytes(t) / sizeof(Cell);
}
inline uint32_t flag_of(const uint32_t* flags, uint32_t bucket) {
    return (flags[bucket >> 4] >> ((bucket & 15) * 2)) & 3;
}
inline void set_flag(uint32_t* flags, uint32_t bucket, uint32_t value) {
    uint32_t shift = (bucket & 15) * 2;
    flags[bucket >> 4] = (flags[bucket >> 4] & ~(3u << shift)) | (value << shift);
}

// The smallest power of two at or above n (n itself when it is one; 1 for 0).
uint32_t next_pow2(uint64_t n);
// Buckets for a table made for n entries.
uint32_t buckets_for(uint32_t n);
// A byte array of `bytes` (tail at its end) filled with `byte`; answers its node.
Ref make_array(uint64_t bytes, uint8_t byte);
// Bytes of a flag array for a bucket count (whole 32-bit words).
inline uint64_t flag_bytes(uint32_t buckets) {
    return ((uint64_t{buckets} + 15) / 16) * 4;
}
// Fresh flag and key arrays for a bucket count; occupied and size are reset.
void reset_buckets(Ref table, uint32_t buckets, uint32_t upper);

// Where a probe ended: the bucket holding the key, or -1 and the bucket an
// insertion takes (-1 when none is free).
struct Probe {
    int64_t found;
    int64_t free_slot;
};

// Probes from the hash; `matches(entry)` is asked for each live bucket.
template <class Match> Probe probe(const Table* t, uint32_t hash, Match matches) {
    const uint32_t* flags = flag_words(t);
    const int32_t* keys = key_entries(t);
    uint32_t mask = t->buckets - 1;
    uint32_t i = hash & mask;
    int64_t deleted = -1;
    for (uint32_t step = 1; step <= t->buckets; ++step) {
        uint32_t f = flag_of(flags, i);
        if (f == flag_empty) return {-1, deleted >= 0 ? deleted : int64_t{i}};
        if (f == flag_live) {
            if (matches(keys[i])) return {int64_t{i}, -1};
        } else if (deleted < 0) {
            deleted = i;
        }
        i = (i + step) & mask;
    }
    return {-1, deleted};
}

// Marks a free bucket live with an entry; counts it.
void occupy(Table* t, uint32_t bucket, int32_t entry);
// Marks a live bucket deleted; uncounts it.
void vacate(Table* t, uint32_t bucket);

// True when a value's hash depends on a node address.
bool is_identity_type(uint8_t type);
// Rehashes a table whose keys were hashed before the last collection.
void refresh(Ref table);
// Grows kinds 1-2 to next_pow2(request) buckets, reinserting every key.
void rehash_keys(Ref table, uint32_t request);
// Kinds 3-4: rebuilds the record series into next_pow2(request) buckets.
void rehash_records(Ref table, uint32_t request);
// The bucket request when a table is full.
uint32_t growth_request(const Table* t);

// Kind 0 internals shared with index shifting.
uint32_t* item_bucket_entries(const Table* t);
uint32_t item_bucket_count(const Table* t);
Ref chain_node(const Table* t, uint32_t chain);
// Ensures the item-bucket table covers item `item`.
void cover_item(Ref table, uint32_t item);

} // namespace zep::hash::detail
