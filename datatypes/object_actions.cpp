// object! actions: reflect, eval-path, compare, put, select and modify.
#include "datatypes/block.h"
#include "datatypes/context.h"
#include "datatypes/object.h"
#include "datatypes/registry.h"
#include "datatypes/symbol.h"
#include "datatypes/word.h"
#include "evaluator/compiled_support.h"
#include "evaluator/runtime_words.h"
#include "evaluator/stack.h"
#include "runtime/cell_ops.h"
#include "runtime/memory.h"
#include "runtime/ownership.h"
#include "runtime/value_make.h"

namespace zep::object {

namespace {

bool is_selector_word(uint8_t type) {
    return type == type_id::word || type == type_id::set_word || type == type_id::get_word ||
           type == type_id::lit_word;
}

bool names(uint32_t symbol, uint32_t wanted) {
    return symbol::resolve(symbol) == symbol::resolve(wanted);
}

[[noreturn]] void fire_with_datatype(const char* id, const Cell* value) {
    Cell type;
    value::set_datatype(&type, cell_type(value));
    error::fire(error::Category::script, id, &type);
}

// The out cell is a fresh stack slot: it holds none! while the block is
// allocated, so a collection there never reads what the slot held before.
Cell* new_block(Cell* out, uint32_t room) {
    value::set_none(out);
    return block::make_at(out, static_cast<int32_t>(room));
}

// The reflection blocks are built on the stack and copied into the value.
Cell* reflect_words(Cell* value, bool changed_only) {
    Cell* made = new_block(stack::push_slot(), 8);
    uint32_t count = context::word_count(value->data1);
    for (uint32_t i = 0; i < count; ++i) {
        Cell word = *context::word_at(value->data1, static_cast<int32_t>(i));
        if (changed_only && !(word.header & context::field_assigned)) continue;
        word.header = type_id::word;
        block::append_value(made, &word);
    }
    *value = *made;
    stack::pop(1);
    return value;
}

Cell* reflect_values(Cell* value) {
    Cell* made = new_block(stack::push_slot(), 8);
    uint32_t count = context::word_count(value->data1);
    for (uint32_t i = 0; i < count; ++i) {
        Cell field = *context::value_at(value->data1, static_cast<int32_t>(i));
        block::append_value(made, &field);
    }
    *value = *made;
    stack::pop(1);
    return value;
}

Cell* reflect_body(Cell* value) {
    Cell* made = new_block(stack::push_slot(), 16);
    uint32_t count = context::word_count(value->data1);
    for (uint32_t i = 0; i < count; ++i) {
        Cell word = *context::word_at(value->data1, static_cast<int32_t>(i));
        word.header = type_id::set_word | cell_flag_new_line;
        block::append_value(made, &word);
        Cell field = *context::value_at(value->data1, static_cast<int32_t>(i));
        if (cell_type(&field) == type_id::word) value::set_type(&field, type_id::lit_word);
        if (cell_type(&field) == type_id::path) value::set_type(&field, type_id::lit_path);
        block::append_value(made, &field);
    }
    *value = *made;
    stack::pop(1);
    return value;
}

// Field index for a path selector or a key; -1 when absent.
int32_t field_of(const Cell* object, const Cell* selector) {
    return context::find_symbol(object->data1, value::word_symbol(selector), true);
}

[[noreturn]] void fire_path(const char* id, const Cell* path, const Cell* selector) {
    Cell where, element = *selector;
    if (path)
        where = *path;
    else
        value::set_none(&where);
    error::fire(error::Category::script, id, &where, &element);
}

// Stores into field index, firing on-change* when the object has a record.
Cell* set_field(Cell* object, int32_t index, const Cell* new_value) {
    Cell* saved_top = stack::arguments.top;
    Cell* held = stack::push(object);
    Cell* fresh = stack::push(new_value);
    Cell* word = stack::push(context::word_at(held->data1, index));
    context::word_at(held->data1, index)->header |= context::field_assigned;
    word->header = type_id::word;
    if (held->data3) {
        Cell* old_value = stack::push(context::value_at(held->data1, index));
        *context::value_at(held->data1, index) = *fresh;
        fire_on_change(held, word, old_value, fresh);
    } else {
        *context::value_at(held->data1, index) = *fresh;
    }
    Cell* slot = context::value_at(held->data1, index);
    stack::arguments.top = saved_top;
    return slot;
}

void bind_each_field(const Cell* object_value, const Cell* owner, const Cell* word) {
    Cell* held = stack::push(object_value);
    Cell* owner_cell = owner ? stack::push(owner) : nullptr;
    Cell* word_cell = word ? stack::push(word) : nullptr;
    uint32_t count = context::word_count(held->data1);
    for (uint32_t i = 0; i < count; ++i) {
        Cell* field = stack::push(context::value_at(held->data1, static_cast<int32_t>(i)));
        if (!owner_cell) {
            ownership::unbind(field);
        } else if (word_cell) {
            ownership::bind(field, owner_cell, word_cell);
        } else {
            Cell* own_word = stack::push(context::word_at(held->data1, static_cast<int32_t>(i)));
            ownership::bind_flag(field, owner_cell, own_word);
            stack::pop(1);
        }
        *context::value_at(held->data1, static_cast<int32_t>(i)) = *field;
        stack::pop(1);
    }
    stack::arguments.top = held;
}

} // namespace

Cell* reflect(Cell* value, const Cell* field) {
    uint32_t s = value::word_symbol(field);
    if (names(s, words::symbol_of_global(words::global::changed)))
        return reflect_words(value, true);
    if (names(s, words::symbol_of(words::symbol::class_))) {
        value::set_integer(value, static_cast<int32_t>(value->data2));
        return value;
    }
    if (names(s, words::symbol_of(words::symbol::words))) return reflect_words(value, false);
    if (names(s, words::symbol_of(words::symbol::values))) return reflect_values(value);
    if (names(s, words::symbol_of(words::symbol::body))) return reflect_body(value);
    if (names(s, words::symbol_of(words::symbol::owner))) {
        bool owner = (context::header(value->data1)->header & ownership::context_owner_flag) != 0;
        value::set_logic(value, owner);
        return value;
    }
    if (names(s, words::symbol_of(words::symbol::is_events))) {
        value::set_logic(value, value->data3 != 0);
        return value;
    }
    error::fire(error::Category::internal, "not-done");
}

Cell* eval_path(Cell* parent, const Cell* selector, const Cell* new_value, const Cell* path,
                bool case_) {
    (void)case_;
    if (!is_selector_word(cell_type(selector))) fire_path("invalid-path", path, selector);
    int32_t index = field_of(parent, selector);
    if (new_value) {
        if (names(value::word_symbol(selector), words::symbol_of(words::symbol::self)))
            fire_path("invalid-path", path, selector);
        if (index < 0) fire_path("unset-path", path, selector);
        return set_field(parent, index, new_value);
    }
    Cell* found = index < 0 ? nullptr : context::value_at(parent->data1, index);
    if (!found || cell_type(found) == type_id::unset) {
        bool get = (path_mode & path_flag::get) != 0;
        bool get_any = (path_mode & path_flag::get_any) != 0;
        if (get && get_any) {
            static Cell unset_cell;
            value::set_unset(&unset_cell);
            return &unset_cell;
        }
        fire_path(get_any ? "invalid-path" : "unset-path", path, selector);
    }
    return found;
}

int compare(const Cell* a, const Cell* b, int code) {
    if (cell_type(b) != cell_type(a)) return compare_code::not_comparable;
    if (a->data1 == b->data1) return 0;
    if (code == compare_code::same) return -1;
    if (cycles::find(a->data1)) return cycles::find(b->data1) ? 0 : -1;
    Cell* left = stack::push(a);
    Cell* right = stack::push(b);
    uint32_t na = context::word_count(left->data1), nb = context::word_count(right->data1);
    int answer = 0;
    if (na != nb) {
        answer = na > nb ? 1 : -1;
    } else {
        cycles::push(left->data1);
        for (uint32_t i = 0; i < na && answer == 0; ++i) {
            uint32_t sa = symbol::resolve(
                value::word_symbol(context::word_at(left->data1, static_cast<int32_t>(i))));
            uint32_t sb = symbol::resolve(
                value::word_symbol(context::word_at(right->data1, static_cast<int32_t>(i))));
            if (sa != sb) {
                answer = sa > sb ? 1 : -1;
                break;
            }
            Cell* va = stack::push(context::value_at(left->data1, static_cast<int32_t>(i)));
            Cell* vb = stack::push(context::value_at(right->data1, static_cast<int32_t>(i)));
            uint8_t ta = cell_type(va), tb = cell_type(vb);
            auto is_number = [](uint8_t t) {
                return t == type_id::integer || t == type_id::float_ || t == type_id::percent;
            };
            bool both_words = word::is_any_word_type(ta) && word::is_any_word_type(tb);
            if (ta == tb || both_words || (is_number(ta) && is_number(tb))) {
                int r = actions::compare_values(va, vb, code);
                if (r == compare_code::not_comparable) r = ta == tb ? 0 : (ta > tb ? 1 : -1);
                answer = r;
            } else {
                answer = ta > tb ? 1 : -1;
            }
            stack::pop(2);
        }
        cycles::pop();
    }
    stack::pop(2);
    return answer;
}

Cell* put(Cell* series, Cell* key, Cell* value, bool case_) {
    (void)case_;
    if (cell_type(key) != type_id::word) fire_with_datatype("invalid-key-type", key);
    int32_t index = field_of(series, key);
    if (index < 0) fire_path("unset-path", nullptr, key);
    set_field(series, index, value);
    return value;
}

Cell* select(Cell* series, Cell* value, Cell* part, bool only, bool case_, bool same, bool any,
             Cell* with, Cell* skip, bool last, bool reverse) {
    (void)part, (void)only, (void)case_, (void)same, (void)any, (void)with, (void)skip, (void)last,
        (void)reverse;
    if (!is_selector_word(cell_type(value))) fire_with_datatype("invalid-type", value);
    return const_cast<Cell*>(select_word(series, value));
}

Cell* modify(Cell* target, const Cell* field, Cell* value, bool case_) {
    (void)case_;
    uint32_t s = value::word_symbol(field);
    if (names(s, words::symbol_of_global(words::global::changed))) {
        if (cell_type(value) != type_id::none) {
            Cell argument = *value;
            error::fire(error::Category::script, "invalid-arg", &argument);
        }
        clear_changed_marks(target->data1);
    } else if (names(s, words::symbol_of(words::symbol::owner))) {
        bind_each_field(target, target, nullptr);
    } else if (names(s, words::symbol_of(words::symbol::owned))) {
        if (cell_type(value) == type_id::none) {
            bind_each_field(target, nullptr, nullptr);
        } else if (cell_type(value) == type_id::block && block::length(value) >= 2 &&
                   cell_type(block::head_cell(value)) == type_id::object) {
            Cell owner = *block::head_cell(value);
            Cell word = *(block::head_cell(value) + 1);
            bind_each_field(target, &owner, &word);
        } else {
            Cell argument = *value;
            error::fire(error::Category::script, "invalid-arg", &argument);
        }
    } else {
        Cell argument = *field;
        error::fire(error::Category::script, "invalid-arg", &argument);
    }
    return value;
}

} // namespace zep::object
