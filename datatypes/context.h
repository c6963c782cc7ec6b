// Contexts: a node of two cells. Cell 0 is the context! header: its header
// word carries the context flags, data1 the node of the word list's hash
// table (kind 2; its data is the block of word! cells, entry i bound to this
// context with index i), data2 the node of the values series, or for a
// context whose values live on the argument stack, the stack cell index + 1
// of the first value while its function runs and 0 otherwise. Cell 1 is the
// owner (object!, function!, ...; unset! until its constructor sets it).
// Contexts only grow, by appending a word and a value together.
#pragma once
#include <cstdint>

#include "runtime/cell.h"
#include "runtime/memory.h"

namespace zep::context {

// Header flags of a context! cell.
namespace flag {
constexpr uint32_t kind_shift = 11; // bits 11-12: 0 global, 1 function, 2 object
constexpr uint32_t kind_mask = 3u << kind_shift;
constexpr uint32_t values_on_stack = cell_flag_values_on_stack;
constexpr uint32_t object = 1u << 24;
} // namespace flag
namespace kind {
constexpr uint32_t global = 0;
constexpr uint32_t function = 1;
constexpr uint32_t object = 2;
} // namespace kind
// Header bit of a field's word cell in an object context: the field was set.
constexpr uint32_t field_assigned = 1u << 13;

// The global context (every word made from text by the runtime is bound there).
extern Ref global;
constexpr uint32_t global_slots = 4000;
void init_global();

inline Cell* header(Ref context) {
    return node_cells(context);
}
Cell* owner(Ref context);
uint32_t kind_of(Ref context);
Ref word_table(Ref context);
Ref word_block(Ref context);
uint32_t word_count(Ref context);
// The word cell at a 0-based index. Valid until the next allocation.
Cell* word_at(Ref context, int32_t index);
// The first value cell, or nullptr when the values are absent.
Cell* values(Ref context);
// Values on the argument stack: set while the function runs, cleared after.
inline void set_stack_values(Ref context, uint32_t first_stack_index) {
    header(context)->data2 = first_stack_index + 1;
}
inline void clear_stack_values(Ref context) {
    header(context)->data2 = 0;
}

Ref make_node(uint32_t slots, bool values_on_stack, bool object, Ref prototype, uint32_t kind);
// Index of the symbol's word or -1; any_case matches the canonical id.
int32_t find_symbol(Ref context, uint32_t symbol, bool any_case);
// As find_symbol, but a missing symbol is appended as a word! bound to the
// context (no value is added), -1 is answered and the new index written out.
int32_t find_symbol_ext(Ref context, uint32_t symbol, bool any_case, int32_t* index_out);
int32_t add_word(Ref context, const Cell* word);
// The index of the symbol's word in the global context (any case), the word
// added when absent: add_word on the global context, with the answers kept
// by canonical symbol (global words are never removed nor moved).
int32_t global_index(uint32_t symbol);
Cell* put(Ref context, const Cell* word, const Cell* value);
// Adds word and value only when the symbol is absent (nullptr otherwise).
Cell* add_word_value(Ref context, const Cell* word, const Cell* value);
Cell* set_value(Cell* word, const Cell* value, Ref context, bool fire);
Cell* get_word_value(Cell* word, Ref context);
Cell* value_of_symbol(Ref context, uint32_t symbol);
Cell* global_value(uint32_t symbol);
Cell* set_global(uint32_t symbol, const Cell* value);
// The context's word for the exact symbol, else a new word (in *out) bound
// in the global context; answers out.
Cell* get_word_or_global(Ref context, uint32_t symbol, Cell* out);
Cell* value_at(Ref context, int32_t index);
// Pushes a copy of the value at the index (not-defined when values are absent).
Cell* get_value_at(Ref context, int32_t index);
int32_t bind_word(Ref context, Cell* word);
Cell* bind_deep(Cell* block, Ref context, bool self);
bool add_set_words(Ref context, const Cell* block);
Ref make_from_words(const Cell* block, bool values_on_stack, bool object, uint32_t kind);
Ref clone(Cell* value, uint32_t kind);

// The seam to objects: whether an owner object has an on-change handler and
// calling it with the word, the old and the new value. Installed by object!.
struct ObjectHooks {
    bool (*has_on_change)(const Cell* owner);
    void (*call_on_change)(const Cell* owner, const Cell* word, const Cell* old_value,
                           const Cell* new_value);
};
extern ObjectHooks object_hooks;

// context! datatype registration (it has no actions).
void init();

} // namespace zep::context
