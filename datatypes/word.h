// Words: cells naming a symbol and the context where their value lives
// (data1 context node or 0, data2 symbol id, data3 index or -1 until
// resolved). The word family (word!, set-word!, lit-word!, get-word!,
// refinement!) shares one layout and one set of actions.
#pragma once
#include <cstdint>

#include "runtime/cell.h"

namespace zep::word {

// Retypes the target to word! (keeping its flags) bound in the global
// context, adding the symbol there when absent. Answers the target.
Cell* make_at(uint32_t symbol, Cell* target);
// make_at with the header replaced (no flags).
Cell* make_at_result(uint32_t symbol, Cell* target);
// Appends a global word to a block.
Cell* make_in(Cell* block, uint32_t symbol);
Cell* push_global(uint32_t symbol);
Cell* push(const Cell* word);
Cell* push_at(Ref context, int32_t index);
Cell* push_from_text(const char* name);
// Finds or adds a symbol in the global context: a word found under another
// case variant is copied with the requested symbol id.
Cell* intern_global(uint32_t symbol, Cell* out);
// True while start-up collects the words it makes into the root block.
extern bool collecting;
// Appends a copy of the word to the root block.
void append_to_root(const Cell* word);
bool is_any_word_type(uint8_t type);

Cell* get(Cell* word);
Cell* set(Cell* word, const Cell* value);
Cell* push_value(Cell* word);
Cell* set_checked();

// word! datatype slots (inherited by the other word types).
void init();
Cell* make(Cell* result, const Cell* spec, uint8_t type);
Cell* to(Cell* result, const Cell* spec, uint8_t type);
int32_t form(const Cell* value, Cell* out_string, int32_t part_limit);
int32_t mold(const Cell* value, Cell* out_string, bool only, bool all, bool flat,
             int32_t part_limit, int32_t indent);
int compare(const Cell* a, const Cell* b, int code);
// index?: the index + 1 as an integer!, none when unresolved (in place).
Cell* index_of(Cell* value);

// The lexer's entry for loading one value from UTF-8 text: answers false
// when the text does not load as exactly one value. Installed by the lexer.
extern bool (*scan_value)(const unsigned char* utf8, uint32_t length, Cell* out);
// Loads the word's UTF-8 name through the lexer into out; false when it fails.
bool transcode_name(const Cell* word, Cell* out);
// Loads a text value's characters from its head through the lexer into out;
// false when no lexer is installed or the text is not exactly one value.
bool scan_text(const Cell* text, Cell* out);

} // namespace zep::word

// The other word types, made by retyping.
namespace zep::lit_word {
Cell* make_in_from_text(Cell* block, const char* name);
Cell* push_from_text(const char* name);
Cell* push(const Cell* word);
Cell* push_at(Ref context, int32_t index);
void init();
} // namespace zep::lit_word
namespace zep::set_word {
Cell* make_in_from_text(Cell* block, const char* name);
Cell* push_from_text(const char* name);
Cell* push(const Cell* word);
Cell* push_at(Ref context, int32_t index);
void init();
} // namespace zep::set_word
namespace zep::get_word {
Cell* make_in_from_text(Cell* block, const char* name);
Cell* push_from_text(const char* name);
Cell* push(const Cell* word);
Cell* push_at(Ref context, int32_t index);
void init();
} // namespace zep::get_word
namespace zep::refinement {
Cell* make_in_from_text(Cell* block, const char* name);
Cell* push_from_text(const char* name);
Cell* push(const Cell* word);
Cell* push_at(Ref context, int32_t index);
// Appends an unbound refinement for the name to the root block.
Cell* make_from_text(const char* name);
void init();
} // namespace zep::refinement
