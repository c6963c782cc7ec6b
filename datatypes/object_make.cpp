// Making objects: make object! from a spec block or another object, copy
// (duplicate), construct, the helpers they share, and set on an object.
#include "datatypes/block.h"
#include "datatypes/context.h"
#include "datatypes/function.h"
#include "datatypes/object.h"
#include "datatypes/object_internal.h"
#include "datatypes/registry.h"
#include "datatypes/series.h"
#include "datatypes/symbol.h"
#include "datatypes/typeset.h"
#include "evaluator/compiled_support.h"
#include "evaluator/interp.h"
#include "evaluator/runtime_words.h"
#include "evaluator/stack.h"
#include "runtime/memory.h"
#include "runtime/type_sets.h"
#include "runtime/value_make.h"

namespace zep::object {

namespace {

constexpr uint32_t empty_object_slots = 4;

// A new stack cell holding none!: push_slot leaves whatever the cell held
// before, which a collection would read as a live value.
Cell* push_none() {
    Cell* cell = stack::push_slot();
    value::set_none(cell);
    return cell;
}

Cell* value_cell(const Cell* object, uint32_t index) {
    return context::value_at(object->data1, static_cast<int32_t>(index));
}

// Series kinds whose values are copied into an object made from a prototype.
bool is_proto_series(uint8_t type) {
    return type_set::is_block_like(type) || type_set::is_any_string(type) ||
           type == type_id::vector || type == type_id::binary || type == type_id::image;
}

// Series kinds that copy/deep copies.
bool is_deep_copied(uint8_t type) {
    switch (type) {
    case type_id::block:
    case type_id::paren:
    case type_id::string:
    case type_id::file:
    case type_id::url:
    case type_id::path:
    case type_id::lit_path:
    case type_id::set_path:
    case type_id::get_path:
    case type_id::tag:
    case type_id::email:
    case type_id::ref:
        return true;
    default:
        return false;
    }
}

// Replaces the field's value by a copy made through its type's copy slot.
void copy_field(const Cell* object, uint32_t index, bool deep) {
    Cell* source = stack::push(value_cell(object, index));
    auto copy_slot = actions::slot_as<CopyFn>(cell_type(source), action_slot::copy);
    if (!copy_slot) {
        stack::pop(1);
        return;
    }
    Cell* made = push_none();
    Cell result = *copy_slot(source, made, nullptr, deep, nullptr);
    *value_cell(object, index) = result;
    stack::pop(2);
}

bool matches_types(const Cell* types, uint8_t type) {
    if (cell_type(types) == type_id::datatype) return types->data1 == type;
    return typecheck::has_type(types, type);
}

// Evaluates the spec block (on the stack) and drops what it leaves.
void evaluate(const Cell* spec) {
    Cell* saved_top = stack::arguments.top;
    interp::eval_block(spec, false);
    stack::arguments.top = saved_top;
}

} // namespace

bool collect_set_words(Cell* object, const Cell* spec) {
    return context::add_set_words(object->data1, spec);
}

void merge_object(Cell* object, const Cell* other) {
    Cell* held = stack::push(object);
    Cell* from = stack::push(other);
    uint32_t count = context::word_count(from->data1);
    for (uint32_t i = 0; i < count; ++i) {
        Cell word = *context::word_at(from->data1, static_cast<int32_t>(i));
        Cell value = *value_cell(from, i);
        context::put(held->data1, &word, &value);
        int32_t at = context::find_symbol(held->data1, value::word_symbol(&word), true);
        if (is_deep_copied(cell_type(&value)) || is_proto_series(cell_type(&value)))
            copy_field(held, static_cast<uint32_t>(at), false);
    }
    rebind_functions(held);
    *object = *held;
    stack::pop(2);
}

void copy_proto_values(Cell* object) {
    Cell* held = stack::push(object);
    uint32_t count = context::word_count(held->data1);
    for (uint32_t i = 0; i < count; ++i) {
        uint8_t t = cell_type(value_cell(held, i));
        if (!is_proto_series(t)) continue;
        copy_field(held, i, false);
        if (type_set::is_block_like(t)) {
            Cell* copied = stack::push(value_cell(held, i));
            context::bind_deep(copied, held->data1, true);
            stack::pop(1);
        }
    }
    stack::pop(1);
}

void rebind_functions(Cell* object) {
    Cell* held = stack::push(object);
    uint32_t count = context::word_count(held->data1);
    for (uint32_t i = 0; i < count; ++i) {
        if (cell_type(value_cell(held, i)) != type_id::function) continue;
        Cell* function = stack::push(value_cell(held, i));
        Cell* body = stack::push(&node_cells(function->data3)[0]);
        if (cell_type(body) != type_id::block) {
            Cell spec;
            value::set_series(&spec, type_id::block, function->data2);
            error::fire(error::Category::script, "bad-func-def", &spec);
        }
        Cell copied = *block::copy_to_stack(body, true, true);
        stack::pop(1);
        *body = copied;
        context::bind_deep(body, held->data1, true);
        Cell* spec = stack::push_slot();
        value::set_series(spec, type_id::block, function->data2);
        uint32_t flags = function->header & function::flag::attributes;
        Cell second;
        value::set_integer(&second, static_cast<int32_t>(held->data1));
        Cell rebuilt = *function::push(spec, body, 0, &second, flags);
        *value_cell(held, i) = rebuilt;
        stack::arguments.top = function;
    }
    stack::pop(1);
}

Cell* duplicate(const Cell* object, Cell* target, bool deep, const Cell* types, bool install) {
    Cell* source = stack::push(object);
    Cell* copy = stack::push(object);
    Cell* wanted = stack::push_slot();
    bool typed = types && series::is_given(types) && cell_type(types) != type_id::none;
    if (typed)
        *wanted = *types;
    else
        value::set_none(wanted);
    Ref context = context::clone(copy, context::kind::object);
    uint32_t count = context::word_count(context);
    for (uint32_t i = 0; i < count; ++i) *value_cell(copy, i) = *value_cell(source, i);
    copy->header = source->header;
    copy->data3 = 0;
    *context::owner(copy->data1) = *copy;
    rebind_functions(copy);
    if (typed) {
        cycles::push(source->data1);
        for (uint32_t i = 0; i < count; ++i) {
            uint8_t t = cell_type(value_cell(copy, i));
            if (!matches_types(wanted, t)) continue;
            if (t == type_id::object) {
                Cell* inner = stack::push(value_cell(copy, i));
                if (cycles::find(inner->data1)) {
                    cycles::reset();
                    error::fire(error::Category::internal, "no-cycle");
                }
                Cell* made = push_none();
                duplicate(inner, made, deep, wanted, true);
                *value_cell(copy, i) = *made;
                stack::pop(2);
            } else {
                copy_field(copy, i, deep);
            }
        }
        cycles::pop();
    } else if (deep) {
        for (uint32_t i = 0; i < count; ++i)
            if (is_deep_copied(cell_type(value_cell(copy, i)))) copy_field(copy, i, true);
    }
    if (install) install_on_set(copy);
    *target = *copy;
    stack::arguments.top = source;
    return target;
}

Cell* make_from(Cell* out, const Cell* prototype, const Cell* spec_value) {
    Cell* saved_top = stack::arguments.top;
    Cell* spec = stack::push(spec_value);
    Cell* made = push_none();
    uint8_t spec_type = cell_type(spec);
    if (spec_type != type_id::block && spec_type != type_id::object)
        error::fire(error::Category::syntax, "malconstruct", spec);
    bool has_proto = prototype && cell_type(prototype) == type_id::object;
    if (has_proto)
        duplicate(prototype, made, false, nullptr, false);
    else
        make_empty(made, empty_object_slots);
    int32_t proto_class = has_proto ? static_cast<int32_t>(made->data2) : 0;
    bool grew;
    if (spec_type == type_id::object) {
        uint32_t before = context::word_count(made->data1);
        merge_object(made, spec);
        grew = context::word_count(made->data1) > before;
    } else {
        grew = collect_set_words(made, spec);
        context::bind_deep(spec, made->data1, true);
        if (has_proto) copy_proto_values(made);
        *context::owner(made->data1) = *made;
        evaluate(spec);
        clear_changed_marks(made->data1);
        uint32_t count = context::word_count(made->data1);
        for (uint32_t i = 0; i < count; ++i) value_cell(made, i)->header &= ~cell_flag_new_line;
    }
    made->data2 = static_cast<uint32_t>(grew || !has_proto ? next_class_id() : proto_class);
    install_on_set(made);
    Cell result = *made;
    stack::arguments.top = saved_top;
    *out = result;
    return out;
}

Cell* make(Cell* result, const Cell* spec, uint8_t type) {
    (void)type;
    // The first argument is either the datatype or a prototype object.
    const Cell* prototype = cell_type(result) == type_id::object ? result : nullptr;
    Cell proto;
    if (prototype) proto = *prototype;
    return make_from(result, prototype ? &proto : nullptr, spec);
}

Cell* copy(Cell* series, Cell* destination, const Cell* part, bool deep, const Cell* types) {
    if (part && series::is_given(part)) {
        Cell refinement = words::refinements[words::refinement::part];
        Cell value = *series;
        error::fire(error::Category::script, "invalid-refine-arg", &refinement, &value);
    }
    return duplicate(series, destination, deep, types, true);
}

Cell* construct(Cell* out, const Cell* spec_value, const Cell* prototype, bool only) {
    Cell* saved_top = stack::arguments.top;
    Cell* spec = stack::push(spec_value);
    Cell* made = push_none();
    if (prototype && cell_type(prototype) == type_id::object) {
        duplicate(prototype, made, false, nullptr, true);
    } else {
        make_empty(made, empty_object_slots);
        made->data2 = static_cast<uint32_t>(next_class_id());
        *context::owner(made->data1) = *made;
    }
    collect_set_words(made, spec);
    int32_t head = series::clamped_head(spec);
    int32_t total = series::total_length(spec);
    int32_t pending = head; // first set-word waiting for its value
    for (int32_t i = head; i <= total; ++i) {
        Cell value;
        if (i == total) {
            value::set_none(&value);
        } else {
            value = *block::cell_at(spec, i);
            if (cell_type(&value) == type_id::set_word) continue;
        }
        if (!only && cell_type(&value) == type_id::word) {
            uint32_t s = symbol::resolve(value::word_symbol(&value));
            auto is = [&](words::symbol::Id id) {
                return s == symbol::resolve(words::symbol_of(id));
            };
            if (is(words::symbol::true_) || is(words::symbol::yes) || is(words::symbol::on))
                value::set_logic(&value, true);
            else if (is(words::symbol::false_) || is(words::symbol::no) || is(words::symbol::off))
                value::set_logic(&value, false);
            else if (is(words::symbol::none))
                value::set_none(&value);
        }
        for (int32_t k = pending; k < i; ++k) {
            Cell word = *block::cell_at(spec, k);
            if (cell_type(&word) != type_id::set_word) continue;
            int32_t at = context::find_symbol(made->data1, value::word_symbol(&word), true);
            *context::value_at(made->data1, at) = value;
        }
        pending = i + 1;
    }
    Cell result = *made;
    stack::arguments.top = saved_top;
    *out = result;
    return out;
}

void set_many(Cell* object, const Cell* value_in, bool any, bool only, bool some) {
    Cell* saved_top = stack::arguments.top;
    Cell* held = stack::push(object);
    Cell* source = stack::push(value_in);
    uint8_t source_type = cell_type(source);
    bool spread = !only && (source_type == type_id::block || source_type == type_id::object);
    uint32_t count = context::word_count(held->data1);
    // The value for field i (written to out); false when the field is left alone.
    auto value_for = [&](uint32_t i, Cell* out) {
        if (!spread) {
            *out = *source;
            return true;
        }
        if (source_type == type_id::block) {
            int32_t at = series::clamped_head(source) + static_cast<int32_t>(i);
            if (at < series::total_length(source))
                *out = *block::cell_at(source, at);
            else
                value::set_none(out);
            return true;
        }
        Cell word = *context::word_at(held->data1, static_cast<int32_t>(i));
        int32_t at = context::find_symbol(source->data1, value::word_symbol(&word), true);
        if (at < 0) return false;
        *out = *context::value_at(source->data1, at);
        return true;
    };
    if (!only && !some && !any) {
        for (uint32_t i = 0; i < count; ++i) {
            Cell v;
            if (value_for(i, &v) && cell_type(&v) == type_id::unset) {
                Cell word = *context::word_at(held->data1, static_cast<int32_t>(i));
                error::fire(error::Category::script, "need-value", &word);
            }
        }
    }
    bool events = held->data3 != 0;
    uint32_t on_change = symbol::resolve(words::symbol_of_global(words::global::on_change));
    uint32_t on_deep = symbol::resolve(words::symbol_of_global(words::global::on_deep_change));
    for (uint32_t i = 0; i < count; ++i) {
        Cell* v = stack::push_slot();
        if (!value_for(i, v) || (some && cell_type(v) == type_id::none)) {
            stack::pop(1);
            continue;
        }
        Cell* word = stack::push(context::word_at(held->data1, static_cast<int32_t>(i)));
        context::word_at(held->data1, static_cast<int32_t>(i))->header |= context::field_assigned;
        if (events) {
            uint32_t s = symbol::resolve(value::word_symbol(word));
            if (s == on_change || s == on_deep) {
                stack::pop(2);
                continue;
            }
            Cell* old_value = stack::push(value_cell(held, i));
            *value_cell(held, i) = *v;
            fire_on_change(held, word, old_value, v);
        } else {
            *value_cell(held, i) = *v;
        }
        stack::arguments.top = v;
    }
    stack::arguments.top = saved_top;
}

} // namespace zep::object
