// Hash tables over blocks of cells: kind 0 (hash!: every item, equal keys
// chained), kind 1 (map!: keys at even 0-based items, no duplicates) and
// kind 2 (one cell per entry, no duplicates), with creation, copying,
// clearing and the lazy rehash after a collection.
#include <algorithm>
#include <cstring>
#include <vector>

#include "datatypes/registry.h"
#include "runtime/error_exit.h"
#include "runtime/gc_roots.h"
#include "runtime/gc_state.h"
#include "runtime/hashtable.h"
#include "runtime/hashtable_internal.h"
#include "runtime/raise.h"
#include "runtime/record_series.h"

namespace zep::hash {

using namespace detail;

namespace detail {

uint32_t next_pow2(uint64_t n) {
    uint64_t p = 1;
    while (p < n) p <<= 1;
    if (p > (1u << 30)) error::fire_named(error::Category::internal, "no-memory");
    return static_cast<uint32_t>(p);
}

uint32_t buckets_for(uint32_t n) {
    return next_pow2(static_cast<uint64_t>(std::max<uint32_t>(n, 4) / 0.77));
}

Ref make_array(uint64_t bytes, uint8_t byte) {
    if (bytes > memory::max_data_size) error::fire_named(error::Category::internal, "no-memory");
    Ref node = series::alloc_bytes(static_cast<uint32_t>(bytes));
    SeriesBuffer* b = node_buffer(node);
    std::memset(buffer_head(b), byte, bytes);
    b->tail = b->head + static_cast<uint32_t>(bytes);
    return node;
}

void reset_buckets(Ref table, uint32_t buckets, uint32_t upper) {
    // Each array goes into the record as soon as it exists, so that the
    // next allocation's collection keeps it.
    Ref flags = make_array(flag_bytes(buckets), 0xAA);
    table_at(table)->flags = flags;
    Ref keys = make_array(uint64_t{buckets} * 4, 0);
    Table* t = table_at(table);
    t->keys = keys;
    t->buckets = buckets;
    t->upper = upper;
    t->occupied = 0;
    t->size = 0;
}

void occupy(Table* t, uint32_t bucket, int32_t entry) {
    uint32_t* flags = flag_words(t);
    if (flag_of(flags, bucket) == flag_empty) ++t->occupied;
    set_flag(flags, bucket, flag_live);
    key_entries(t)[bucket] = entry;
    ++t->size;
}

void vacate(Table* t, uint32_t bucket) {
    set_flag(flag_words(t), bucket, flag_deleted);
    --t->size;
}

bool is_identity_type(uint8_t type) {
    switch (type) {
    case type_id::block:
    case type_id::paren:
    case type_id::path:
    case type_id::lit_path:
    case type_id::set_path:
    case type_id::get_path:
    case type_id::native:
    case type_id::action:
    case type_id::op:
    case type_id::function:
    case type_id::object:
    case type_id::error:
    case type_id::hash:
    case type_id::map:
    case type_id::port:
    case type_id::image:
    case type_id::event:
        return true;
    default:
        return false;
    }
}

uint32_t growth_request(const Table* t) {
    if (t->kind != kind::map && uint64_t{t->size} * 2 < t->buckets) return t->buckets - 1;
    return t->buckets + 1;
}

uint32_t* item_bucket_entries(const Table* t) {
    return reinterpret_cast<uint32_t*>(buffer_head(node_buffer(t->item_buckets)));
}

uint32_t item_bucket_count(const Table* t) {
    SeriesBuffer* b = node_buffer(t->item_buckets);
    return (b->tail - b->head) / 4;
}

Ref chain_node(const Table* t, uint32_t chain) {
    return series::u32_at(t->chains, chain);
}

void cover_item(Ref table, uint32_t item) {
    Table* t = table_at(table);
    uint32_t have = item_bucket_count(t);
    if (item < have) return;
    uint32_t more = item + 1 - have;
    Ref node = t->item_buckets;
    std::memset(series::alloc_tail_bytes(node_buffer(node), more * 4), 0xFF, uint64_t{more} * 4);
}

} // namespace detail

namespace {

bool same_key(const Cell* stored, const Cell* key, int code) {
    return cell_type(stored) == cell_type(key) && actions::compare_values(stored, key, code) == 0;
}

void stamp_identity(Table* t, const Cell* key) {
    if (t->stamp == 0 && is_identity_type(cell_type(key))) t->stamp = gc::cycle() + 1;
}

// The first item of a kind-0 bucket entry (a chain's first member).
int32_t first_item(const Table* t, int32_t entry) {
    if (entry >= 0) return entry;
    return static_cast<int32_t>(series::u32_at(chain_node(t, static_cast<uint32_t>(-entry)), 1));
}

// Kind 0: indexes one item without a growth check (the caller made room).
void index_item(Ref table, uint32_t item) {
    cover_item(table, item);
    Table* t = table_at(table);
    Cell* cells = data_cells(t);
    const Cell* key = cells + item;
    uint32_t h = value_hash(key, false);
    Probe p = probe(t, h, [&](int32_t entry) {
        return same_key(cells + first_item(t, entry), key, code_equal);
    });
    uint32_t bucket;
    if (p.found >= 0) {
        bucket = static_cast<uint32_t>(p.found);
        int32_t entry = key_entries(t)[bucket];
        if (entry >= 0) {
            Ref chain = series::make_with_unit(4, 4);
            gc::RootRef keep(chain);
            series::append_int(chain, static_cast<uint32_t>(entry));
            series::append_int(chain, item);
            Ref store = table_at(table)->chains;
            series::append_int(store, chain);
            t = table_at(table);
            key_entries(t)[bucket] = -static_cast<int32_t>(series::length_in_units(store));
        } else {
            series::append_int(chain_node(t, static_cast<uint32_t>(-entry)), item);
            t = table_at(table);
        }
    } else {
        bucket = static_cast<uint32_t>(p.free_slot);
        occupy(t, bucket, static_cast<int32_t>(item));
    }
    item_bucket_entries(t)[item] = bucket + 1;
    stamp_identity(t, data_cells(t) + item);
}

// Kinds 1-2: places an entry known to be absent in its first free bucket.
void place_entry(Table* t, int32_t item) {
    const Cell* key = data_cells(t) + item;
    Probe p = probe(t, value_hash(key, false), [](int32_t) { return false; });
    occupy(t, static_cast<uint32_t>(p.free_slot), item);
    stamp_identity(t, key);
}

Cell* put_unique(Ref table, uint32_t item) {
    Table* t = table_at(table);
    if (t->occupied >= t->upper) {
        rehash_keys(table, growth_request(t));
        t = table_at(table);
    }
    Cell* cells = data_cells(t);
    const Cell* key = cells + item;
    Probe p = probe(t, value_hash(key, false),
                    [&](int32_t entry) { return same_key(cells + entry, key, code_strict_equal); });
    if (p.found >= 0) return cells + key_entries(t)[p.found];
    occupy(t, static_cast<uint32_t>(p.free_slot), static_cast<int32_t>(item));
    stamp_identity(t, key);
    return cells + item;
}

// Map keys of the word types are stored and looked up as set-words.
bool is_map_word(uint8_t type) {
    return type == type_id::word || type == type_id::set_word || type == type_id::lit_word ||
           type == type_id::get_word;
}

Cell* select_member(Ref table, const Cell* key, int32_t entry, int32_t from, int32_t skip, int code,
                    bool before, bool last, bool any) {
    Table* t = table_at(table);
    Cell* cells = data_cells(t);
    int64_t step = skip < 1 ? 1 : skip;
    int64_t best = -1;
    // Whether the member is wanted; the scan ends at the first one for `any`.
    auto consider = [&](int32_t i) {
        if (!same_key(cells + i, key, code)) return false;
        int64_t distance;
        bool wanted;
        if (before) {
            distance = int64_t{from} - i - 1;
            wanted = i < from && distance % step == 0;
            if (wanted && i > best) best = i;
        } else if (last) {
            distance = ((int64_t{from} - i - 1) % step + step) % step;
            wanted = i >= from && distance == 0;
            if (wanted && i > best) best = i;
        } else {
            wanted = i >= from && (int64_t{i} - from) % step == 0;
            if (wanted && (best < 0 || i < best)) best = i;
        }
        return wanted && any;
    };
    if (entry >= 0) {
        consider(entry);
    } else {
        // Comparing keys allocates nothing: the chain stays where it is.
        Ref chain = chain_node(t, static_cast<uint32_t>(-entry));
        uint32_t n = series::length_in_units(chain);
        for (uint32_t i = 1; i <= n; ++i)
            if (consider(static_cast<int32_t>(series::u32_at(chain, i)))) break;
    }
    return best < 0 ? nullptr : cells + best;
}

Ref copy_node(Ref node) {
    return series::copy_buffer(node_buffer(node));
}

void fill_array(Ref node, uint8_t byte) {
    SeriesBuffer* b = node_buffer(node);
    std::memset(buffer_head(b), byte, b->tail - b->head);
}

} // namespace

namespace detail {

void rehash_keys(Ref table, uint32_t request) {
    Table* t = table_at(table);
    std::vector<int32_t> live;
    live.reserve(t->size);
    const uint32_t* flags = flag_words(t);
    const int32_t* keys = key_entries(t);
    for (uint32_t i = 0; i < t->buckets; ++i)
        if (flag_of(flags, i) == flag_live) live.push_back(keys[i]);
    uint32_t buckets = std::max<uint32_t>(next_pow2(request), 8);
    reset_buckets(table, buckets, static_cast<uint32_t>(buckets * 0.77 + 0.5));
    t = table_at(table);
    t->stamp = 0;
    for (int32_t item : live) place_entry(t, item);
}

void refresh(Ref table) {
    Table* t = table_at(table);
    if (t->stamp == 0 || t->stamp == gc::cycle() + 1 || gc::running) return;
    bool held = gc::compaction_held;
    gc::compaction_held = true;
    switch (t->kind) {
    case kind::hash:
        rebuild(table, item_count(t));
        break;
    case kind::map:
    case kind::symbols:
        rehash_keys(table, t->buckets);
        break;
    default:
        rehash_records(table, t->buckets);
        break;
    }
    table_at(table)->stamp = gc::cycle() + 1;
    gc::compaction_held = held;
}

} // namespace detail

Ref make_table(uint32_t size, const Cell* block, uint32_t kind, int32_t extra, Ref source_table) {
    // An unknown kind is an internal fault: "no value matched in SWITCH".
    if (kind > kind::owners) runtime::error_exit(101, 0);
    if (source_table && kind == kind::symbols && extra == 2)
        return copy_table(source_table, copy_node(table_at(source_table)->data));
    uint64_t n = std::max<uint32_t>(size, 4);
    if (kind == kind::symbols && n >= 4000) n *= 2;
    uint32_t buckets = next_pow2(static_cast<uint64_t>(static_cast<double>(n) / 0.77));
    Ref record = make_array(sizeof(Table), 0);
    gc::RootTable keep(record);
    reset_buckets(record, buckets, static_cast<uint32_t>(buckets * 0.77));
    table_at(record)->kind = kind;
    if (kind >= kind::pointers) {
        if (extra < 0 || extra > 1000) error::fire_named(error::Category::internal, "no-memory");
        uint32_t unit = 16u * static_cast<uint32_t>(extra) + 16u;
        uint64_t bytes = uint64_t{std::max<uint32_t>(size, 1)} * unit;
        if (bytes > memory::max_data_size)
            error::fire_named(error::Category::internal, "no-memory");
        Ref data = series::alloc_bytes(static_cast<uint32_t>(bytes));
        Table* t = table_at(record);
        t->item_buckets = unit;
        t->data = data;
        return record;
    }
    if (kind == kind::hash) {
        Ref item_buckets = make_array(uint64_t{std::max<uint32_t>(size, 4)} * 4, 0xFF);
        node_buffer(item_buckets)->tail = node_buffer(item_buckets)->head;
        table_at(record)->item_buckets = item_buckets;
        Ref chains = series::make_with_unit(4, 4);
        table_at(record)->chains = chains;
    }
    if (block) {
        table_at(record)->data = block->data2;
        insert_range(record, 0, kind == kind::map ? 2 : 1);
    } else {
        Ref data = series::alloc_cells(std::max<uint32_t>(size, 1));
        table_at(record)->data = data;
    }
    return record;
}

void insert_range(Ref table, int32_t from, int32_t step) {
    if (step < 1) step = 1;
    uint32_t item = from < 0 ? 0 : static_cast<uint32_t>(from);
    while (item < item_count(table_at(table))) {
        Table* t = table_at(table);
        if (t->kind != kind::map) {
            put(table, data_cells(t) + item, nullptr);
            item += static_cast<uint32_t>(step);
            continue;
        }
        Cell* key = data_cells(t) + item;
        if (is_map_word(cell_type(key)))
            key->header = (key->header & ~cell_type_mask) | type_id::set_word;
        Cell* existing = put(table, key, nullptr);
        t = table_at(table);
        key = data_cells(t) + item;
        if (existing == key) {
            if (normalize_map_key) normalize_map_key(key);
            item += static_cast<uint32_t>(step);
            continue;
        }
        // A key already present takes the new value; the new pair is cut out.
        uint32_t count = item_count(t);
        if (item + 1 < count) existing[1] = key[1];
        uint32_t cut = std::min<uint32_t>(2, count - item);
        SeriesBuffer* b = node_buffer(t->data);
        Cell* cells = data_cells(t);
        std::memmove(cells + item, cells + item + cut, (count - item - cut) * sizeof(Cell));
        b->tail -= cut * sizeof(Cell);
    }
}

Cell* put(Ref table, Cell* key, int32_t* status) {
    // The key lies in the data, which a refresh may move: its index first.
    uint32_t item = static_cast<uint32_t>(key - data_cells(table_at(table)));
    refresh(table);
    Table* t = table_at(table);
    if (t->kind != kind::hash) return put_unique(table, item);
    // Entering an item that is already indexed (an edit that puts a cell back
    // in its own place) re-enters it rather than indexing it twice.
    if (item < item_bucket_count(t) && item_bucket_entries(t)[item] != not_indexed) {
        remove_index(table, static_cast<int32_t>(item));
        t = table_at(table);
    }
    if (t->occupied >= t->upper) {
        rebuild(table, std::max(growth_request(t), item_count(t)));
        if (status) *status = 2;
        return data_cells(table_at(table)) + item;
    }
    index_item(table, item);
    return data_cells(table_at(table)) + item;
}

Cell* put_key(Ref table, Cell* key) {
    return put(table, key, nullptr);
}

Cell* get(Ref table, const Cell* key, int32_t from, int32_t skip, int code, bool before, bool last,
          bool any) {
    // Copied before a refresh, which may move the series the key lies in
    // (and holds node compaction, so the copy stays valid).
    Cell search = *key;
    refresh(table);
    Table* t = table_at(table);
    if (t->size == 0 || t->kind > kind::symbols) return nullptr;
    if (t->kind == kind::map && is_map_word(cell_type(&search)))
        search.header = (search.header & ~cell_type_mask) | type_id::set_word;
    Cell* cells = data_cells(t);
    uint32_t h = value_hash(&search, false);
    if (t->kind != kind::hash) {
        Probe p =
            probe(t, h, [&](int32_t entry) { return same_key(cells + entry, &search, code); });
        return p.found >= 0 ? cells + key_entries(t)[p.found] : nullptr;
    }
    Probe p = probe(t, h, [&](int32_t entry) {
        return same_key(cells + first_item(t, entry), &search, code_equal);
    });
    if (p.found < 0) return nullptr;
    return select_member(table, &search, key_entries(t)[p.found], from, skip, code, before, last,
                         any && !before && !last);
}

Cell* find_from(Ref table, const Cell* key, int32_t* cursor, int32_t* step) {
    // Copied before a refresh, which may move the series the key lies in.
    Cell search = *key;
    refresh(table);
    Table* t = table_at(table);
    if (t->kind > kind::symbols) return nullptr;
    const uint32_t* flags = flag_words(t);
    const int32_t* keys = key_entries(t);
    Cell* cells = data_cells(t);
    uint32_t mask = t->buckets - 1;
    uint32_t s = 0;
    uint32_t i = value_hash(&search, false) & mask;
    if (*cursor >= 0) {
        s = static_cast<uint32_t>(*step) + 1;
        i = (static_cast<uint32_t>(*cursor) + s) & mask;
    }
    for (; s < t->buckets; ++s) {
        uint32_t f = flag_of(flags, i);
        if (f == flag_empty) break;
        if (f == flag_live) {
            int32_t item = t->kind == kind::hash ? first_item(t, keys[i]) : keys[i];
            if (same_key(cells + item, &search, code_equal)) {
                *cursor = static_cast<int32_t>(i);
                *step = static_cast<int32_t>(s);
                return cells + item;
            }
        }
        i = (i + s + 1) & mask;
    }
    *cursor = static_cast<int32_t>(i);
    *step = static_cast<int32_t>(s);
    return nullptr;
}

void remove_index(Ref table, int32_t item) {
    Table* t = table_at(table);
    if (item < 0) return;
    if (t->kind == kind::hash) {
        if (static_cast<uint32_t>(item) >= item_bucket_count(t)) return;
        uint32_t stored = item_bucket_entries(t)[item];
        if (stored == not_indexed) return;
        uint32_t bucket = stored - 1;
        item_bucket_entries(t)[item] = not_indexed;
        int32_t entry = key_entries(t)[bucket];
        if (entry >= 0) {
            vacate(t, bucket);
            return;
        }
        uint32_t chain_number = static_cast<uint32_t>(-entry);
        Ref chain = chain_node(t, chain_number);
        int32_t offset = series::find_int(chain, static_cast<uint32_t>(item));
        if (offset >= 0) series::remove_bytes(chain, static_cast<uint32_t>(offset), 4);
        if (series::length_in_units(chain) == 0) {
            series::set_u32_at(t->chains, chain_number, 0);
            vacate(t, bucket);
        }
        return;
    }
    if (t->kind > kind::symbols || static_cast<uint32_t>(item) >= item_count(t)) return;
    const Cell* key = data_cells(t) + item;
    Probe p = probe(t, value_hash(key, false), [&](int32_t entry) { return entry == item; });
    if (p.found >= 0) vacate(t, static_cast<uint32_t>(p.found));
}

void clear(Ref table, int32_t from, int32_t count) {
    Table* t = table_at(table);
    if (from < 0) from = 0;
    if (count <= 0) return;
    uint32_t items =
        t->kind == kind::hash ? std::max(item_count(t), item_bucket_count(t)) : item_count(t);
    if (from == 0 && static_cast<uint32_t>(count) >= items) {
        fill_array(t->flags, 0xAA);
        t->size = 0;
        t->occupied = 0;
        if (t->kind == kind::hash) {
            fill_array(t->item_buckets, 0xFF);
            series::clear(t->chains);
        }
        return;
    }
    int64_t end = std::min<int64_t>(int64_t{from} + count, items);
    for (int64_t i = from; i < end; ++i) remove_index(table, static_cast<int32_t>(i));
}

void clear_all(Ref table) {
    Table* t = table_at(table);
    t->size = 0;
    t->occupied = 0;
    t->stamp = 0;
    series::clear(t->data);
    fill_array(t->flags, 0xAA);
    if (t->kind == kind::hash) {
        series::clear(t->item_buckets);
        series::clear(t->chains);
    }
}

Ref copy_table(Ref table, Ref new_data) {
    gc::RootRef keep_data(new_data);
    Ref record = copy_node(table);
    gc::RootTable keep(record);
    // Until each copy is made, the record names the source's buffers.
    table_at(record)->data = new_data;
    Ref flags = copy_node(table_at(table)->flags);
    table_at(record)->flags = flags;
    Ref keys = copy_node(table_at(table)->keys);
    table_at(record)->keys = keys;
    if (table_at(record)->kind != kind::hash) return record;
    Ref item_buckets = copy_node(table_at(table)->item_buckets);
    table_at(record)->item_buckets = item_buckets;
    Ref chains = copy_node(table_at(table)->chains);
    table_at(record)->chains = chains;
    uint32_t n = series::length_in_units(chains);
    for (uint32_t i = 1; i <= n; ++i) {
        Ref chain = series::u32_at(chains, i);
        if (chain) {
            Ref copy = copy_node(chain);
            series::set_u32_at(chains, i, copy);
        }
    }
    return record;
}

void rebuild(Ref table, uint32_t request) {
    Table* t = table_at(table);
    uint32_t items = item_count(t);
    uint32_t r = std::max(request, items);
    uint32_t buckets = std::max<uint32_t>(next_pow2(static_cast<uint64_t>(r * 1.5)), 4);
    reset_buckets(table, buckets, static_cast<uint32_t>(buckets * 0.77));
    t = table_at(table);
    t->stamp = 0;
    series::clear(t->chains);
    series::clear(t->item_buckets);
    for (uint32_t i = 0; i < items; ++i) index_item(table, i);
}

} // namespace zep::hash
