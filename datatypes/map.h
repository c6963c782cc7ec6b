// map!: a dictionary kept as a block of alternating key and value cells
// beside a kind-1 hash table that finds a key's cell. Entries keep their
// insertion order; a removed entry keeps its cells in place with the value
// cell's header set to 0, is skipped everywhere, and is revived in place when
// its key is set again. The table's entry count is the number of live
// entries.
//
// A map cell: data1 the head index of the backing block (0), data2 the
// block's node, data3 the table.
#pragma once
#include <cstdint>

#include "runtime/cell.h"

namespace zep::map {

// True for the key types a map accepts (words, texts and scalars).
bool is_valid_key_type(uint8_t type);
// Brings a key to the form the map keeps: words become set-words (header
// exactly set-word!), texts a copy of their series from the head. Another
// type raises script invalid-path with the path (none when null) and the
// key's datatype.
void normalize_key(Cell* key, const Cell* path);

// Turns a block cell into a map over it, indexing every pair (a later
// duplicate key updates the earlier pair and is cut out). Answers the cell.
Cell* make_at(Cell* block, uint32_t size);
Cell* push(const Cell* map);
// Live entries.
int32_t count(const Cell* map);

// Adds or replaces the pairs of a block, hash! or map! (case-sensitive keys
// with case_). Answers the map.
Cell* extend(Cell* map, const Cell* spec, bool case_);
// Sets the loop words from the map's position (skipping removed pairs when
// a key is due; set-word keys as words; words past the end to none) and moves
// the position on. True when a word received a value.
bool foreach_step(const Cell* words, Cell* map, int32_t word_count);

// Writes the live pairs: the shared body of form and mold.
int32_t serialize(const Cell* map, Cell* out, bool only, bool all, bool flat, int32_t limit,
                  bool indent, int32_t level, bool mold);

// Datatype.
void init();
Cell* make(Cell* result, const Cell* spec, uint8_t type);
Cell* to(Cell* result, const Cell* spec, uint8_t type);
Cell* reflect(Cell* value, const Cell* field);
int32_t form(const Cell* value, Cell* out_string, int32_t part_limit);
int32_t mold(const Cell* value, Cell* out_string, bool only, bool all, bool flat,
             int32_t part_limit, int32_t indent);
Cell* eval_path(Cell* parent, const Cell* selector, const Cell* value, const Cell* path,
                bool case_);
int compare(const Cell* a, const Cell* b, int code);
Cell* clear(Cell* map);
Cell* copy(Cell* map, Cell* destination, const Cell* part, bool deep, const Cell* types);
Cell* find(Cell* map, Cell* value, Cell* part, bool only, bool case_, bool same, bool any,
           Cell* with, Cell* skip, bool last, bool reverse, bool tail, bool match);
int32_t length(Cell* map);
Cell* put(Cell* map, Cell* key, Cell* value, bool case_);
Cell* remove(Cell* map, Cell* part, Cell* key);
Cell* select(Cell* map, Cell* value, Cell* part, bool only, bool case_, bool same, bool any,
             Cell* with, Cell* skip, bool last, bool reverse);

} // namespace zep::map
