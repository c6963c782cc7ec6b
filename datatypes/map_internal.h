// Helpers shared by the map! modules: the backing block's cells, key lookup
// and entry states.
#pragma once
#include <cstdint>

#include "runtime/cell.h"
#include "runtime/hashtable.h"
#include "runtime/memory.h"

namespace zep::map::detail {

inline Ref table_of(const Cell* map) {
    return map->data3;
}
// The backing block's first cell. Valid until the next allocation.
inline Cell* cells_of(const Cell* map) {
    return reinterpret_cast<Cell*>(buffer_head(node_buffer(map->data2)));
}
// Cells in the backing block.
inline int32_t total_cells(const Cell* map) {
    SeriesBuffer* b = node_buffer(map->data2);
    return static_cast<int32_t>((b->tail - b->head) / sizeof(Cell));
}
// A removed entry's value cell has the header 0.
inline bool is_removed(const Cell* map, int32_t key_index) {
    return cells_of(map)[key_index + 1].header == 0;
}
// Lookup modes: comparison codes of the hash tables.
constexpr int case_insensitive = 0;
constexpr int case_sensitive = 2;
constexpr int identity = 9;

// The index of the key's cell in the backing block, or -1 (removed entries
// are found too).
int32_t lookup(const Cell* map, const Cell* key, int mode);
// Appends a normalised copy of the key with an unset! value and indexes it;
// answers the key's index. Nothing changes when the key is refused.
int32_t add_entry(Cell* map, const Cell* key, const Cell* path);
// Sets an entry's value, reviving a removed entry.
void set_value(Cell* map, int32_t key_index, const Cell* value);

} // namespace zep::map::detail
