// block!/make, block!/to, block!/copy and path access into blocks.
#include "datatypes/block.h"
#include "datatypes/block_internal.h"
#include "datatypes/registry.h"
#include "datatypes/series.h"
#include "evaluator/compiled_support.h"
#include "evaluator/runtime_words.h"
#include "evaluator/stack.h"
#include "runtime/cell_ops.h"
#include "runtime/gc_roots.h"
#include "runtime/value_make.h"

namespace zep::block {

namespace {

using detail::cells_of;

// The body of an object! or map!: its reflect action with the word `body`.
bool body_of(const Cell* spec, Cell* result) {
    auto reflect = actions::slot_as<ReflectFn>(cell_type(spec), action_slot::reflect);
    if (!reflect) return false;
    Cell value = *spec;
    Cell* slot = stack::push(&value);
    Cell field;
    value::set_word(&field, type_id::word, 0, words::symbol_of(words::symbol::body));
    Cell made = *reflect(slot, &field);
    stack::pop(1);
    *result = made;
    return true;
}

// Shallow copy of any block type from its head, retyped.
Cell* shallow_copy(Cell* result, const Cell* spec, uint8_t type) {
    Cell made = *copy_to_stack(spec, false, false);
    stack::pop(1);
    value::set_series(result, type, made.data2);
    return result;
}

Cell* typeset_block(Cell* result, const Cell* typeset, uint8_t type) {
    Cell set = *typeset;
    Cell made;
    make_at_with(&made, 8, type);
    // Held while it grows: nothing else refers to it yet.
    gc::Root keep(&made);
    for (int t = 1; t <= type_id::event; ++t) {
        if (!detail::names_type(&set, static_cast<uint8_t>(t))) continue;
        Cell datatype;
        value::set_datatype(&datatype, static_cast<uint8_t>(t));
        append_value(&made, &datatype);
    }
    *result = made;
    return result;
}

void fire_not_done() {
    error::fire(error::Category::internal, "not-done");
}

} // namespace

void (*vector_to_block)(const Cell* vector, Cell* destination) = nullptr;
bool (*load_text)(const Cell* text, Cell* destination) = nullptr;

Cell* make(Cell* result, const Cell* spec, uint8_t type) {
    uint8_t spec_type = cell_type(spec);
    if (spec_type == type_id::integer || spec_type == type_id::float_) {
        int32_t n = spec_type == type_id::integer ? value::integer_of(spec)
                                                  : float_::to_integer_checked(spec);
        return make_at_with(result, n, type);
    }
    if (series::is_block_type(spec_type)) return shallow_copy(result, spec, type);
    if (spec_type == type_id::object || spec_type == type_id::map) {
        if (body_of(spec, result)) {
            value::set_type(result, type);
            return result;
        }
    } else if (spec_type == type_id::vector && vector_to_block) {
        Cell vector = *spec;
        vector_to_block(&vector, result);
        value::set_type(result, type);
        return result;
    }
    Cell named;
    value::set_datatype(&named, type);
    error::fire_make_error(&named, spec);
}

Cell* to(Cell* result, const Cell* spec, uint8_t type) {
    uint8_t spec_type = cell_type(spec);
    if (series::is_block_type(spec_type)) return shallow_copy(result, spec, type);
    switch (spec_type) {
    case type_id::object:
    case type_id::map:
        if (!body_of(spec, result)) fire_not_done();
        break;
    case type_id::vector: {
        if (!vector_to_block) fire_not_done();
        Cell vector = *spec;
        vector_to_block(&vector, result);
        break;
    }
    case type_id::string: {
        if (!load_text) fire_not_done();
        Cell text = *spec;
        load_text(&text, result);
        break;
    }
    case type_id::typeset:
        return typeset_block(result, spec, type);
    default: {
        Cell value = *spec;
        make_at_with(result, 1, type);
        append_value(result, &value);
        return result;
    }
    }
    value::set_type(result, type);
    return result;
}

Cell* copy(Cell* series, Cell* destination, const Cell* part, bool deep, const Cell* types) {
    Cell source = *series;
    bool typed = series::is_given(types);
    if (deep && cycles::find(source.data2)) {
        cycles::reset();
        error::fire(error::Category::internal, "no-cycle");
    }
    Cell wanted;
    if (typed) wanted = *types;
    series::copy(series, destination, part, false, nullptr);
    if (!deep && !typed) return destination;
    if (cell_type(&source) == type_id::hash) {
        value::set_type(destination, type_id::block);
        destination->data3 = 0;
    }
    if (deep) cycles::push(source.data2);
    Cell made = *destination;
    if (typed) {
        find_typed(&made, &wanted, 1, deep);
    } else {
        for (int32_t i = 0; i < series::total_length(&made); ++i)
            if (detail::is_series_type(cell_type(cells_of(&made) + i)))
                detail::copy_in_place(&made, i, true);
    }
    if (deep) cycles::pop();
    return destination;
}

Cell* eval_path(Cell* parent, const Cell* selector, const Cell* value, const Cell* path,
                bool case_) {
    Cell key = *selector;
    if (cell_type(&key) == type_id::integer) {
        int32_t n = value::integer_of(&key);
        if (!value) return series::pick(parent, n, &key);
        Cell stored = *value;
        Cell target = *parent;
        series::poke(&target, n, &stored, &key);
        return parent;
    }
    if (!value) {
        if (cell_type(&key) == type_id::word && cell_type(parent) != type_id::hash)
            return find_word(parent, value::word_symbol(&key), false);
        return select(parent, &key, nullptr, true, case_, false, false, nullptr, nullptr, false,
                      false);
    }
    Cell stored = *value;
    Cell* top = stack::arguments.top;
    Cell found = *find(parent, &key, nullptr, true, case_, false, false, nullptr, nullptr, false,
                       false, false, false);
    stack::arguments.top = top;
    if (cell_type(&found) == type_id::none) {
        // eval-path called from a script has no path: the error names none.
        Cell where = path ? *path : Cell{type_id::none, 0, 0, 0};
        error::fire(error::Category::script, "bad-path-set", &where, &key);
    }
    series::poke(&found, 2, &stored, nullptr);
    return parent;
}

} // namespace zep::block
