// What the function-like datatypes share: reading spec blocks by cell
// index and comparing symbols the way specs do (through canonical ids).
#pragma once
#include <cstdint>

#include "datatypes/symbol.h"
#include "evaluator/runtime_words.h"
#include "runtime/cell.h"
#include "runtime/memory.h"
#include "runtime/value_make.h"

namespace zep::function::detail {

// The cell at an index counted from the buffer's first used unit; valid
// until the next allocation.
inline Cell* cell_at(Ref node, int32_t index) {
    return node_cells(node) + index;
}
inline int32_t tail_of(Ref node) {
    return static_cast<int32_t>(node_cell_count(node));
}
// The block's head index, clamped to 0..tail.
inline int32_t head_of(const Cell* block) {
    int32_t head = value::series_head(block);
    int32_t tail = tail_of(value::series_node(block));
    return head < 0 ? 0 : (head > tail ? tail : head);
}

inline bool same_symbol(uint32_t a, uint32_t b) {
    return symbol::resolve(a) == symbol::resolve(b);
}
inline bool is_symbol(const Cell* word, words::symbol::Id id) {
    return same_symbol(value::word_symbol(word), words::symbol_of(id));
}
inline bool is_refinement_named(const Cell* cell, words::refinement::Id id) {
    return cell_type(cell) == type_id::refinement &&
           same_symbol(value::word_symbol(cell), value::word_symbol(&words::refinements[id]));
}
inline bool is_local(const Cell* cell) {
    return is_refinement_named(cell, words::refinement::local);
}
inline bool is_extern(const Cell* cell) {
    return is_refinement_named(cell, words::refinement::extern_);
}
inline bool is_argument_type(uint8_t type) {
    return type == type_id::word || type == type_id::lit_word || type == type_id::get_word;
}

// The spec's (or any block's) cells from its head copied into a fresh
// block! whose head is 0, when its head is above 0; otherwise the block
// itself. Either way the head index is first clamped to the tail.
Cell copy_from_head(const Cell* block);

// Writes a copy of the block (deep: nested blocks, parens and paths too)
// into out.
void copy_block(const Cell* block, bool deep, Cell* out);

// Appends the molded block to the string; answers the limit left.
int32_t mold_block(const Cell* block, Cell* out_string, int32_t part_limit);
int32_t write(Cell* out_string, const char* text, int32_t part_limit);

// script bad-func-def with the value.
[[noreturn]] void fire_bad_def(const Cell* value);
[[noreturn]] void fire_not_done();

// The compare slot shared by the five types: same type, equality and sort
// codes; the word compared is the first (native!, action!, op!) or the
// third (function!, routine!) payload word, as unsigned.
int compare_words(const Cell* a, const Cell* b, int code, bool by_more_block);

} // namespace zep::function::detail
