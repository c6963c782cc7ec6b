// Context word lists: kind-2 tables over a block of word cells, keyed by
// the words' canonical symbol ids and compared by symbol id alone.
#include "datatypes/symbol.h"
#include "runtime/gc_roots.h"
#include "runtime/hashtable.h"
#include "runtime/hashtable_internal.h"
#include "runtime/murmur3_internal.h"
#include "runtime/value_make.h"

namespace zep::hash {

using namespace detail;

namespace {

[[gnu::always_inline]] inline Probe find_word(const Table* t, uint32_t symbol, bool any_case) {
    const symbol::Aliases symbols;
    uint32_t canonical = symbols.resolve(symbol);
    const Cell* words = data_cells(t);
    uint32_t hash = fmix32(canonical);
    if (any_case) {
        // The exact symbol is tested first: its canonical id is the one sought.
        return probe(t, hash, [&](int32_t item) {
            uint32_t id = words[item].data2;
            return id == symbol || symbols.resolve(id) == canonical;
        });
    }
    return probe(t, hash, [&](int32_t item) { return words[item].data2 == symbol; });
}

} // namespace

int32_t put_by_pointer(Ref table, uint32_t symbol, Ref context, bool any_case, int32_t* index_out) {
    Table* t = table_at(table);
    Probe p = find_word(t, symbol, any_case);
    if (p.found >= 0) return key_entries(t)[p.found];
    if (!context) return -1;
    // Growing the table and the word block may renumber both nodes.
    gc::RootTable keep_table(table);
    gc::RootRef keep_context(context);
    // The probe that missed ended at the bucket the word takes (a miss by
    // canonical symbol is a miss by symbol too), unless the table grew.
    if (t->occupied >= t->upper) {
        rehash_keys(table, growth_request(t) * 16);
        t = table_at(table);
        p = find_word(t, symbol, false);
    }
    int32_t index = static_cast<int32_t>(item_count(t));
    Cell* word = series::alloc_tail_cell(node_buffer(t->data));
    value::set_word(word, type_id::word, context, symbol, index);
    t = table_at(table);
    occupy(t, static_cast<uint32_t>(p.free_slot), index);
    if (index_out) *index_out = index;
    return -1;
}

} // namespace zep::hash
