// Open-addressing hash tables. A table never stores values: each bucket holds
// the position of an item that lives in a series (a block of cells, or a
// series of fixed-size records), so the series keeps insertion order and the
// table only speeds up lookup. Every buffer of a table is a managed series
// behind a node, so the collector may move it; a table is named by the node
// of its 44-byte record.
//
// Buckets carry 2 flag bits each (16 to a 32-bit word): 2 empty, 1 deleted,
// 0 live. Probing is triangular (steps 1, 2, 3, ...) over a power-of-two
// bucket count; a table grows when live + deleted buckets reach 77% of it.
#pragma once
#include <cstdint>

#include "runtime/cell.h"
#include "runtime/memory.h"

namespace zep::hash {

// The one seed of every byte hash in the process. Nothing stored depends on
// hash values, so any fixed constant serves.
constexpr uint32_t seed = 0x5A17C0DEu;

// MurmurHash3 x86 32-bit, the published algorithm.
uint32_t murmur3_seeded(const void* bytes, uint32_t length, uint32_t seed);
// MurmurHash3 under the process-wide seed.
uint32_t murmur3(const void* bytes, uint32_t length);
// The MurmurHash3 finaliser alone, for pointer and integer keys.
uint32_t mix_pointer(uint32_t key);
// A text value hashed code point by code point from its head to its tail,
// each folded to lower case unless case-sensitive, each fed as one 32-bit
// block (length mixed in: 4 x the code points).
uint32_t text_hash(const Cell* text, bool case_sensitive);
// MurmurHash3 of a name with ASCII A-Z lowered (other bytes unchanged).
uint32_t name_hash(const unsigned char* name, uint32_t length);
// The hash of a value by its type (text case-insensitive unless asked).
uint32_t value_hash(const Cell* value, bool case_sensitive = false);

// Table kinds: what the data series holds and how duplicates are treated.
namespace kind {
constexpr uint32_t hash = 0;     // every item of a block; equal keys share a chain
constexpr uint32_t map = 1;      // key/value pairs; a second equal key updates the pair
constexpr uint32_t symbols = 2;  // one cell per entry, no duplicates
constexpr uint32_t pointers = 3; // records keyed by a node address
constexpr uint32_t owners = 4;   // as pointers, three value cells per record
} // namespace kind

// The table record (11 32-bit fields, kept in a byte series behind a node).
struct Table {
    uint32_t size;         // live keys
    uint32_t item_buckets; // kind 0: node of the item-bucket table; kinds 3-4: record unit in bytes
    Ref chains;            // kind 0: node of the chain store
    Ref flags;             // node of the flag array (buckets / 4 bytes)
    Ref keys;              // node of the key array (one 32-bit entry per bucket)
    Ref data;              // node of the series holding the items
    uint32_t occupied;     // live + deleted buckets
    uint32_t buckets;      // a power of two
    uint32_t upper;        // growth threshold for occupied
    uint32_t kind;
    uint32_t stamp; // 0, or collection cycle + 1 when keys were hashed by node address
};
static_assert(sizeof(Table) == 44);

// The record of a table. Valid until the next allocation.
inline Table* table_at(Ref table) {
    return reinterpret_cast<Table*>(buffer_head(node_buffer(table)));
}

// Comparison codes of the comparison action that the tables use.
constexpr int code_equal = 0;
constexpr int code_strict_equal = 2;

// Makes a table for `size` entries. Kinds 3-4: extra is the number of value
// cells per record. With a block (kinds 0-2) the block's series becomes the
// data (shared) and all its items are inserted; otherwise a fresh data series
// of `size` cells is made. Kind 2 with extra = 2 and a source table: the new
// table copies the source's record and its flag, key and data buffers.
Ref make_table(uint32_t size, const Cell* block, uint32_t kind, int32_t extra,
               Ref source_table = 0);

// Inserts the items of the data block from `from` (0-based) with `step` (2
// for maps). Map keys already present take the new value into the existing
// pair and the new pair is cut out of the block.
void insert_range(Ref table, int32_t from, int32_t step);

// Indexes a key cell that is an item of the table's data block and answers
// the item holding the key: for kinds 1-2 an existing equal key's item when
// there is one, else the key itself. status (when given) is set to 2 when a
// kind-0 table was rebuilt, which indexed every item of the block.
Cell* put(Ref table, Cell* key, int32_t* status);
Cell* put_key(Ref table, Cell* key);

// The item matching the key, or nullptr. Kinds 1-2: the first equal key.
// Kind 0: among the key's chain members equal under `code`, the first at or
// after `from` whose distance is a multiple of skip; with `before`, the last
// before `from`; with `last`, the last at or after `from`. With `any`
// (forward only), any member at or after `from` whose distance is a
// multiple of skip: the first one met, where a long chain of equal keys
// need not be read to its end.
Cell* get(Ref table, const Cell* key, int32_t from, int32_t skip, int code, bool before, bool last,
          bool any = false);

// The next item equal to the key after the cursor (cursor -1: from the
// key's bucket); cursor and step are updated to continue the enumeration.
Cell* find_from(Ref table, const Cell* key, int32_t* cursor, int32_t* step);

// Kinds 3-4: the value cells of the record for a key node, made when absent
// (its cells unset!).
Cell* put_new(Ref table, Ref key_node);
// Kinds 3-4: the value cells of the record for a key node, or nullptr.
Cell* find_key(Ref table, Ref key_node);
// Kinds 3-4: removes the record for a key node; answers its value cells
// (still readable until the next allocation) or nullptr when absent.
Cell* remove_by_pointer(Ref table, Ref key_node);

// Context word lists (kind 2, data = a block of word cells keyed by canonical
// symbol id): the index of the word for `symbol`, compared as its canonical
// id when any_case, else exactly. A missing word is appended when `context`
// is nonzero (a word! bound to it at the next index, written to *index_out)
// and -1 is answered; without a context -1 is answered.
int32_t put_by_pointer(Ref table, uint32_t symbol, Ref context, bool any_case, int32_t* index_out);

// Removes one item's index entry (kind 0; kinds 1-2: the item's bucket).
void remove_index(Ref table, int32_t item);
// Removes the entries of `count` items from `from`; covering every item
// resets the whole index.
void clear(Ref table, int32_t from, int32_t count);
// Empties the table and its data series.
void clear_all(Ref table);
// A copy of the record and its buffers, pointing at new_data.
Ref copy_table(Ref table, Ref new_data);

// Kind 0: keeps the index valid when `count` items from `from` move by
// `offset` positions inside the block. Answers 1 (doing nothing) when count
// is above shift_limit: the caller then rebuilds the table; else 0.
constexpr int32_t shift_limit = 30000;
int32_t shift_indexes(Ref table, int32_t offset, int32_t from, int32_t count, bool adjust_tail);
// Kind 0: `count` items from `from` moved to `target` inside one block.
void move_indexes(Ref table, int32_t target, int32_t from, int32_t count);
// Kind 0: rebuilds the whole index from the block for a bucket request.
void rebuild(Ref table, uint32_t request);

// Map key normalisation: called with each new map key before it is indexed.
// Installed by map!; null until then.
extern void (*normalize_map_key)(Cell* key);
// Money keys are hashed in canonical form: installed by money!; null until then.
extern void (*canonical_money)(Cell* value);

// The collector's hooks. Each takes the address of a field holding a node
// (so that it can rewrite a moved node): mark_series marks one buffer,
// mark_block a buffer and, when it holds cells, what they refer to;
// mark_values marks what a range of cells refers to.
struct Marker {
    void (*mark_series)(Ref* node);
    void (*mark_block)(Ref* node);
    void (*mark_values)(Cell* first, Cell* last);
};
// Marks the table's own buffers and its data; kinds 3-4 also each live
// record's key and value cells, except the owner table (kind 4), which is
// weak: sweep_unmarked drops its dead records, then mark_records marks the
// ones that stay.
void mark(Ref* table, const Marker& marker);
void mark_records(Ref table, const Marker& marker);
// Kinds 3-4: rewrites each live record's key node (kind 4: and the node
// named by its second value cell) through `moved`, after node compaction.
void remap_keys(Ref table, Ref (*moved)(Ref node));
// Kinds 3-4: drops records whose key node (kind 4: or the node in the first
// payload word of the second value cell) is unmarked.
void sweep_unmarked(Ref table);

} // namespace zep::hash
