// Keeping a hash! index valid when items move inside its block: every
// stored item index of the moved items is rewritten, each chain once, and
// the item-bucket table is moved to match.
#include <algorithm>
#include <cstring>
#include <vector>

#include "runtime/hashtable.h"
#include "runtime/hashtable_internal.h"
#include "runtime/record_series.h"

namespace zep::hash {

using namespace detail;

namespace {

// Rewrites the stored index of every indexed item in [first, last) through
// `moved` (old index -> new index); chain members are rewritten once per
// chain, all of them, through the same function.
template <class Moved> void renumber(Ref table, int64_t first, int64_t last, Moved moved) {
    Table* t = table_at(table);
    std::vector<bool> chains_done(series::length_in_units(t->chains) + 1, false);
    int64_t covered = std::min<int64_t>(last, item_bucket_count(t));
    for (int64_t i = std::max<int64_t>(first, 0); i < covered; ++i) {
        uint32_t stored = item_bucket_entries(t)[i];
        if (stored == not_indexed) continue;
        int32_t* entry = key_entries(t) + (stored - 1);
        if (*entry >= 0) {
            *entry = static_cast<int32_t>(moved(*entry));
            continue;
        }
        uint32_t chain_number = static_cast<uint32_t>(-*entry);
        if (chain_number >= chains_done.size() || chains_done[chain_number]) continue;
        chains_done[chain_number] = true;
        Ref chain = chain_node(t, chain_number);
        uint32_t n = series::length_in_units(chain);
        for (uint32_t k = 1; k <= n; ++k)
            series::set_u32_at(chain, k, static_cast<uint32_t>(moved(series::u32_at(chain, k))));
    }
}

} // namespace

int32_t shift_indexes(Ref table, int32_t offset, int32_t from, int32_t count, bool adjust_tail) {
    if (count > shift_limit) return 1;
    if (table_at(table)->kind != kind::hash || count < 0 || from < 0) return 0;
    if (adjust_tail && offset < 0) {
        for (int64_t i = int64_t{from} + offset; i < from; ++i)
            if (i >= 0) remove_index(table, static_cast<int32_t>(i));
    }
    renumber(table, from, int64_t{from} + count, [&](int64_t index) {
        return index >= from ? index + offset : index;
    });
    if (!adjust_tail || offset == 0) return 0;
    Table* t = table_at(table);
    uint32_t have = item_bucket_count(t);
    if (static_cast<uint32_t>(from) >= have) return 0;
    if (offset > 0) {
        cover_item(table, have - 1 + static_cast<uint32_t>(offset));
        t = table_at(table);
        uint32_t* entries = item_bucket_entries(t);
        std::memmove(entries + from + offset, entries + from, (have - from) * 4u);
        std::fill(entries + from, entries + from + offset, not_indexed);
    } else {
        uint32_t down = static_cast<uint32_t>(-int64_t{offset});
        uint32_t target = from >= static_cast<int32_t>(down) ? from - down : 0;
        uint32_t* entries = item_bucket_entries(t);
        std::memmove(entries + target, entries + from, (have - from) * 4u);
        SeriesBuffer* b = node_buffer(t->item_buckets);
        b->tail -= (from - target) * 4u;
    }
    return 0;
}

void move_indexes(Ref table, int32_t target, int32_t from, int32_t count) {
    if (table_at(table)->kind != kind::hash || count <= 0 || from < 0 || target < 0) return;
    int64_t end = int64_t{from} + count;
    if (target >= from && target <= end) return;
    int64_t first = std::min<int64_t>(target, from);
    int64_t last = std::max<int64_t>(target, end);
    auto moved = [&](int64_t i) -> int64_t {
        if (i < first || i >= last) return i;
        if (target > from) return i < end ? i + (target - end) : i - count;
        return i >= from ? i - (from - target) : i + count;
    };
    cover_item(table, static_cast<uint32_t>(last - 1));
    renumber(table, first, last, moved);
    uint32_t* entries = item_bucket_entries(table_at(table));
    if (target > from)
        std::rotate(entries + from, entries + end, entries + last);
    else
        std::rotate(entries + target, entries + from, entries + end);
}

} // namespace zep::hash
