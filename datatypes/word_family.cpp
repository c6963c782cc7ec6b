// The other word types: the same helpers as word!, made by retyping, and
// their registrations (every slot inherited from word!).
#include "datatypes/context.h"
#include "datatypes/registry.h"
#include "datatypes/symbol.h"
#include "datatypes/word.h"
#include "evaluator/stack.h"
#include "runtime/cell_ops.h"
#include "runtime/memory.h"
#include "runtime/root_block.h"
#include "runtime/value_make.h"

namespace zep {

namespace {

Cell* make_in_from_text(Cell* block, const char* name, uint8_t type) {
    Cell* cell = word::make_in(block, symbol::make(name));
    value::set_type(cell, type);
    return cell;
}

Cell* push_from_text(const char* name, uint8_t type) {
    Cell* cell = word::push_global(symbol::make(name));
    value::set_type(cell, type);
    if (word::collecting) word::append_to_root(cell);
    return cell;
}

Cell* push_retyped(const Cell* word, uint8_t type) {
    Cell* cell = stack::push(word);
    value::set_type(cell, type);
    return cell;
}

void register_child(uint8_t type, const char* name) {
    datatype::SlotList slots(datatype::inherit);
    datatype::register_type(type, type_id::word, name, slots);
}

} // namespace

namespace lit_word {
Cell* make_in_from_text(Cell* block, const char* name) {
    return zep::make_in_from_text(block, name, type_id::lit_word);
}
Cell* push_from_text(const char* name) {
    return zep::push_from_text(name, type_id::lit_word);
}
Cell* push(const Cell* word) {
    return push_retyped(word, type_id::lit_word);
}
Cell* push_at(Ref context, int32_t index) {
    return push_retyped(context::word_at(context, index), type_id::lit_word);
}
void init() {
    register_child(type_id::lit_word, "lit-word!");
}
} // namespace lit_word

namespace set_word {
Cell* make_in_from_text(Cell* block, const char* name) {
    return zep::make_in_from_text(block, name, type_id::set_word);
}
Cell* push_from_text(const char* name) {
    return zep::push_from_text(name, type_id::set_word);
}
Cell* push(const Cell* word) {
    return push_retyped(word, type_id::set_word);
}
Cell* push_at(Ref context, int32_t index) {
    return push_retyped(context::word_at(context, index), type_id::set_word);
}
void init() {
    register_child(type_id::set_word, "set-word!");
}
} // namespace set_word

namespace get_word {
Cell* make_in_from_text(Cell* block, const char* name) {
    return zep::make_in_from_text(block, name, type_id::get_word);
}
Cell* push_from_text(const char* name) {
    return zep::push_from_text(name, type_id::get_word);
}
Cell* push(const Cell* word) {
    return push_retyped(word, type_id::get_word);
}
Cell* push_at(Ref context, int32_t index) {
    return push_retyped(context::word_at(context, index), type_id::get_word);
}
void init() {
    register_child(type_id::get_word, "get-word!");
}
} // namespace get_word

namespace refinement {
Cell* make_in_from_text(Cell* block, const char* name) {
    return zep::make_in_from_text(block, name, type_id::refinement);
}
Cell* push_from_text(const char* name) {
    return zep::push_from_text(name, type_id::refinement);
}
Cell* push(const Cell* word) {
    return push_retyped(word, type_id::refinement);
}
// The word at the index as a refinement!, its header replaced (flags cleared).
Cell* push_at(Ref context, int32_t index) {
    Cell* cell = stack::push(context::word_at(context, index));
    cell->header = type_id::refinement;
    return cell;
}
Cell* make_from_text(const char* name) {
    Cell unbound;
    value::set_word(&unbound, type_id::refinement, 0, symbol::make(name));
    return roots::append(&unbound);
}
void init() {
    register_child(type_id::refinement, "refinement!");
}
} // namespace refinement

} // namespace zep
