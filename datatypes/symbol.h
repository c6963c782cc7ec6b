// Symbols: interned spellings with 1-based ids. Case variants of one
// spelling (ASCII letters only) are distinct symbols linked to the
// first-interned variant, their alias. The symbol block holds one symbol!
// cell per id; a kind-2 hash table indexes it by name.
//
// A symbol cell: data1 = alias id (or -1: none), data2 = node of the name as
// a string! (0 until first asked for), data3 = node of a byte series holding
// the UTF-8 name and a NUL.
#pragma once
#include <cstdint>

#include "runtime/cell.h"
#include "runtime/hashtable.h"

namespace zep::symbol {

// The symbol table's hash node (its data is the symbol block); 0 before init.
extern Ref table;
// The symbol block's node.
Ref block();
// Number of symbols interned.
uint32_t count();

// Makes the symbol table with room for `capacity` names over the given empty
// symbol block (start-up keeps it in the root block), or over a new one.
void init_table(uint32_t capacity = 1000, const Cell* symbol_block = nullptr);

// Interns a name: an exact spelling gives its id; otherwise an ASCII case
// variant found makes a new symbol aliased to it, and no variant makes a new
// symbol of its own. With any_variant, the first case variant met is answered
// and a miss interns a new symbol without alias.
uint32_t intern(Ref table, const unsigned char* name, uint32_t length, bool any_variant);

uint32_t make(const char* text);
uint32_t make_from_text(const unsigned char* text, uint32_t length);
// Interns a string! value from its head (encoded to UTF-8 first).
uint32_t make_from_string(const Cell* string);
// The first-interned symbol equal to the text ignoring ASCII case, or a new one.
uint32_t find_any_case(const char* text);

// The symbol cells, found once, for resolving many ids (valid until the
// next allocation): a word-list probe resolves every word it compares.
struct Aliases {
    const Cell* cells = nullptr;
    uint32_t count = 0;

    Aliases() {
        if (table == 0) return;
        SeriesBuffer* b = node_buffer(hash::table_at(table)->data);
        cells = reinterpret_cast<const Cell*>(buffer_head(b));
        count = (b->tail - b->head) / sizeof(Cell);
    }
    // The canonical id: the alias when positive, else the id itself (any id
    // that names no symbol answers itself).
    uint32_t resolve(uint32_t id) const {
        if (id == 0 || id > count) return id;
        int32_t a = static_cast<int32_t>(cells[id - 1].data1);
        return a > 0 ? static_cast<uint32_t>(a) : id;
    }
};
// Aliases::resolve for one id. Inline: lookups ask it often.
inline uint32_t resolve(uint32_t id) {
    return Aliases().resolve(id);
}
// The raw alias word.
int32_t alias(uint32_t id);
// The entry cell, its name string made first. Valid until the next allocation.
Cell* get_cell(uint32_t id);
// Makes the name string once.
void ensure_string(uint32_t id);
// The NUL-terminated UTF-8 name. Valid until the next allocation.
const char* utf8_text(uint32_t id);
uint32_t utf8_length(uint32_t id);
// True when the word's canonical symbol is that of any-type!.
bool is_any_type_word(const Cell* word);

// symbol! datatype: registration and its one action.
void init();
// Names compared as strings under the comparison code.
int compare(const Cell* a, const Cell* b, int code);

} // namespace zep::symbol
