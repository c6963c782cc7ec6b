// Pointer-keyed tables (kinds 3 and 4): records of a marker cell (header 2
// while live, 0 once removed; data1 the key node) and value cells, in a byte
// series; each bucket holds a record's byte offset. Also the collector hooks
// of every kind.
#include <cstring>
#include <vector>

#include "runtime/gc_state.h"
#include "runtime/hashtable.h"
#include "runtime/hashtable_internal.h"
#include "runtime/record_series.h"

namespace zep::hash {

using namespace detail;

namespace {

Cell* record_at(const Table* t, int32_t offset) {
    return reinterpret_cast<Cell*>(buffer_head(node_buffer(t->data)) + offset);
}

Probe find_record(const Table* t, Ref key_node) {
    return probe(t, mix_pointer(key_node),
                 [&](int32_t offset) { return record_at(t, offset)->data1 == key_node; });
}

bool is_pointer_table(const Table* t) {
    return t->kind == kind::pointers || t->kind == kind::owners;
}

bool is_marked(Ref node) {
    return node != 0 && (node_buffer(node)->flags & series_flag::mark) != 0;
}

} // namespace

namespace detail {

void rehash_records(Ref table, uint32_t request) {
    Table* t = table_at(table);
    uint32_t unit = t->item_buckets;
    uint32_t live = 0;
    uint32_t used = data_bytes(t);
    for (uint32_t offset = 0; offset + unit <= used; offset += unit)
        if (record_at(t, static_cast<int32_t>(offset))->header == record_live) ++live;
    uint64_t bytes = uint64_t{live > 0 ? live : 1} * unit;
    uint32_t buckets = std::max<uint32_t>(next_pow2(request), 8);
    reset_buckets(table, buckets, static_cast<uint32_t>(buckets * 0.77 + 0.5));
    Ref fresh = series::alloc_bytes(static_cast<uint32_t>(bytes));
    t = table_at(table);
    Ref old = t->data;
    t->data = fresh;
    SeriesBuffer* source = node_buffer(old);
    SeriesBuffer* target = node_buffer(fresh);
    uint32_t written = 0;
    for (uint32_t offset = 0; offset + unit <= used; offset += unit) {
        const unsigned char* record = buffer_head(source) + offset;
        if (reinterpret_cast<const Cell*>(record)->header != record_live) continue;
        std::memcpy(buffer_head(target) + written, record, unit);
        target->tail = target->head + written + unit;
        Probe p = find_record(t, reinterpret_cast<const Cell*>(record)->data1);
        occupy(t, static_cast<uint32_t>(p.free_slot), static_cast<int32_t>(written));
        written += unit;
    }
    t->stamp = gc::cycle() + 1;
}

} // namespace detail

Cell* put_new(Ref table, Ref key_node) {
    refresh(table);
    Table* t = table_at(table);
    if (!is_pointer_table(t)) return nullptr;
    Probe p = find_record(t, key_node);
    if (p.found >= 0) return record_at(t, key_entries(t)[p.found]) + 1;
    if (t->occupied >= t->upper) {
        rehash_records(table, growth_request(t));
        t = table_at(table);
    }
    uint32_t unit = t->item_buckets;
    SeriesBuffer* b = node_buffer(t->data);
    int32_t offset = static_cast<int32_t>(b->tail - b->head);
    auto* record = reinterpret_cast<Cell*>(series::alloc_tail_bytes(b, unit));
    record[0] = Cell{record_live, key_node, 0, 0};
    for (uint32_t i = 1; i < unit / sizeof(Cell); ++i) record[i] = Cell{type_id::unset, 0, 0, 0};
    t = table_at(table);
    p = find_record(t, key_node);
    occupy(t, static_cast<uint32_t>(p.free_slot), offset);
    t->stamp = gc::cycle() + 1;
    return record_at(t, offset) + 1;
}

Cell* find_key(Ref table, Ref key_node) {
    refresh(table);
    Table* t = table_at(table);
    if (!is_pointer_table(t) || t->size == 0) return nullptr;
    Probe p = find_record(t, key_node);
    return p.found >= 0 ? record_at(t, key_entries(t)[p.found]) + 1 : nullptr;
}

Cell* remove_by_pointer(Ref table, Ref key_node) {
    refresh(table);
    Table* t = table_at(table);
    if (!is_pointer_table(t) || t->size == 0) return nullptr;
    Probe p = find_record(t, key_node);
    if (p.found < 0) return nullptr;
    Cell* record = record_at(t, key_entries(t)[p.found]);
    vacate(t, static_cast<uint32_t>(p.found));
    record->header = 0;
    return record + 1;
}

void mark(Ref* table_field, const Marker& marker) {
    if (*table_field == 0) return;
    marker.mark_series(table_field);
    Ref table = *table_field;
    Table* t = table_at(table);
    marker.mark_series(&t->flags);
    marker.mark_series(&t->keys);
    if (!is_pointer_table(t)) {
        marker.mark_block(&t->data);
        if (t->kind != kind::hash) return;
        marker.mark_series(&t->item_buckets);
        marker.mark_series(&t->chains);
        if (t->chains == 0) return; // a table being made
        SeriesBuffer* chains = node_buffer(t->chains);
        auto* entry = reinterpret_cast<Ref*>(buffer_head(chains));
        auto* last = reinterpret_cast<Ref*>(buffer_tail(chains));
        for (; entry < last; ++entry)
            if (*entry) marker.mark_series(entry);
        return;
    }
    marker.mark_series(&t->data);
    // The owner table is weak: its records are marked after the sweep.
    if (t->kind != kind::owners) mark_records(table, marker);
}

void mark_records(Ref table, const Marker& marker) {
    Table* t = table_at(table);
    if (!is_pointer_table(t)) return;
    uint32_t unit = t->item_buckets;
    uint32_t used = data_bytes(t);
    for (uint32_t offset = 0; offset + unit <= used; offset += unit) {
        Cell* record = record_at(t, static_cast<int32_t>(offset));
        if (record->header != record_live || record->data1 == 0) continue;
        marker.mark_block(&record->data1);
        marker.mark_values(record + 1, record + unit / sizeof(Cell));
    }
}

void remap_keys(Ref table, Ref (*moved)(Ref node)) {
    Table* t = table_at(table);
    if (!is_pointer_table(t)) return;
    uint32_t unit = t->item_buckets;
    uint32_t used = data_bytes(t);
    for (uint32_t offset = 0; offset + unit <= used; offset += unit) {
        Cell* record = record_at(t, static_cast<int32_t>(offset));
        if (record->header != record_live) continue;
        record->data1 = moved(record->data1);
        if (t->kind == kind::owners) record[2].data1 = moved(record[2].data1);
    }
}

void sweep_unmarked(Ref table) {
    Table* t = table_at(table);
    if (!is_pointer_table(t)) return;
    uint32_t* flags = flag_words(t);
    int32_t* keys = key_entries(t);
    for (uint32_t i = 0; i < t->buckets; ++i) {
        if (flag_of(flags, i) != flag_live) continue;
        Cell* record = record_at(t, keys[i]);
        bool dead = !is_marked(record->data1);
        if (!dead && t->kind == kind::owners) {
            Ref named = record[2].data1;
            dead = named != 0 && !is_marked(named);
        }
        if (!dead) continue;
        vacate(t, i);
        record->header = 0;
        record->data1 = 0;
    }
}

} // namespace zep::hash
