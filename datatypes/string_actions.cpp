// string!: registration, make and to, comparison and path access.
#include "datatypes/string_actions.h"

#include <cstring>

#include "datatypes/series.h"
#include "datatypes/string_action_support.h"
#include "datatypes/string_buffer.h"
#include "datatypes/string_internal.h"
#include "evaluator/compiled_support.h"
#include "evaluator/stack.h"
#include "runtime/unicode/text_load.h"
#include "runtime/value_make.h"

namespace zep::string {

namespace {

constexpr uint32_t initial_units = 16;

Cell type_cell(uint8_t type) {
    Cell c;
    value::set_datatype(&c, type);
    return c;
}

// A new empty text of the type in the result cell.
Cell* new_text(Cell* result, uint8_t type, uint32_t units) {
    make_at(result, units);
    result->header = type;
    return result;
}

// Forms (or molds) the value into a new text of the type in the result cell.
Cell* formed_into(Cell* result, const Cell* spec, uint8_t type, bool molded) {
    Cell value = *spec;
    Cell* text = stack::push_slot();
    value::set_none(text);
    make_at(text, initial_units);
    uint8_t spec_type = cell_type(&value);
    if (molded) {
        if (auto mold_slot = actions::slot_as<MoldFn>(spec_type, action_slot::mold))
            mold_slot(&value, text, false, false, false, INT32_MAX, 0);
    } else if (auto form_slot = actions::slot_as<FormFn>(spec_type, action_slot::form)) {
        form_slot(&value, text, INT32_MAX);
    }
    *result = *text;
    result->header = type;
    stack::pop(1);
    return result;
}

// Decodes a binary!'s bytes from its head as UTF-8.
Cell* decoded_into(Cell* result, const Cell* spec, uint8_t type) {
    support::UnitView bytes = support::view_of(spec);
    uint32_t head = support::clamped_head(spec);
    uint32_t count = bytes.total - head;
    // The loader must not read from a buffer that an allocation could move.
    detail::HeapBlock<unsigned char> copy(count);
    if (count) std::memcpy(copy.data(), bytes.start + head, count);
    uint32_t unread = 0;
    Ref node = unicode::load_utf8(copy.data(), count, nullptr, &unread, false);
    if (unread) {
        Cell* rest = stack::push_slot();
        value::set_none(rest); // the stack is marked while the bytes are taken
        Ref rest_node = series::alloc_bytes(unread);
        SeriesBuffer* b = node_buffer(rest_node);
        std::memcpy(buffer_head(b), copy.data() + count - unread, unread);
        b->tail = b->head + unread;
        value::set_series(rest, type_id::binary, rest_node);
        Cell arg = *rest;
        error::fire(error::Category::access, "invalid-utf8", &arg);
    }
    value::set_series(result, type, node);
    return result;
}

// A float! size truncated to an integer; math overflow outside the range.
int32_t size_of_float(const Cell* spec) {
    double d = value::double_of(spec);
    if (!(d > -2147483649.0 && d < 2147483648.0))
        error::fire_named(error::Category::math, "overflow");
    return static_cast<int32_t>(d);
}

bool is_block_like(uint8_t type) {
    return type == type_id::block || type == type_id::paren || type == type_id::hash;
}

// pick and poke of the value's type (inherited from series!).
Cell* pick_at(Cell* value, int32_t n) {
    auto pick = actions::slot_as<PickFn>(cell_type(value), action_slot::pick);
    Cell picked = *(pick ? pick : &series::pick)(value, n, nullptr);
    *value = picked;
    return value;
}

Cell* poke_at(Cell* series, int32_t n, const Cell* new_value) {
    auto poke = actions::slot_as<PokeFn>(cell_type(series), action_slot::poke);
    Cell stored = *new_value;
    (poke ? poke : &series::poke)(series, n, &stored, nullptr);
    *series = stored;
    return series;
}

} // namespace

void init() {
    datatype::SlotList slots(datatype::unsupported);
    slots.set<action_slot::random>(datatype::inherit)
        .set<action_slot::reflect>(datatype::inherit)
        .set<action_slot::at>(datatype::inherit)
        .set<action_slot::back>(datatype::inherit)
        .set<action_slot::clear>(datatype::inherit)
        .set<action_slot::copy>(datatype::inherit)
        .set<action_slot::head>(datatype::inherit)
        .set<action_slot::is_head>(datatype::inherit)
        .set<action_slot::is_index>(datatype::inherit)
        .set<action_slot::is_length>(datatype::inherit)
        .set<action_slot::move>(datatype::inherit)
        .set<action_slot::next>(datatype::inherit)
        .set<action_slot::pick>(datatype::inherit)
        .set<action_slot::poke>(datatype::inherit)
        .set<action_slot::remove>(datatype::inherit)
        .set<action_slot::reverse>(datatype::inherit)
        .set<action_slot::skip>(datatype::inherit)
        .set<action_slot::tail>(datatype::inherit)
        .set<action_slot::is_tail>(datatype::inherit)
        .set<action_slot::modify>(datatype::inherit);
    slots.set<action_slot::make>(&make)
        .set<action_slot::to>(&to)
        .set<action_slot::form>(&form)
        .set<action_slot::mold>(&mold)
        .set<action_slot::eval_path>(&eval_path)
        .set<action_slot::compare>(&compare_slot)
        .set<action_slot::append>(&append)
        .set<action_slot::change>(&change)
        .set<action_slot::find>(&find)
        .set<action_slot::insert>(&insert)
        .set<action_slot::select>(&select)
        .set<action_slot::sort>(&sort)
        .set<action_slot::swap>(&swap)
        .set<action_slot::take>(&take)
        .set<action_slot::trim>(&trim);
    datatype::register_type(type_id::string, type_id::series, "string!", slots);
    init_scratch();
}

Cell* make(Cell* result, const Cell* spec, uint8_t type) {
    uint8_t spec_type = cell_type(spec);
    if (spec_type == type_id::integer || spec_type == type_id::float_) {
        int32_t n = spec_type == type_id::float_ ? size_of_float(spec) : value::integer_of(spec);
        if (n < 0) support::fire_out_of_range(spec);
        if (type == type_id::binary) {
            value::set_series(result, type_id::binary,
                              series::alloc_bytes(static_cast<uint32_t>(n)));
            return result;
        }
        return new_text(result, type, static_cast<uint32_t>(n));
    }
    if (type == type_id::binary) {
        Cell t = type_cell(type);
        if (spec_type == type_id::money) error::fire_make_error(&t, spec);
        auto binary_to = actions::slot_as<ToFn>(type_id::binary, action_slot::to);
        if (!binary_to || binary_to == &to) support::fire_not_done();
        return binary_to(result, spec, type);
    }
    return to(result, spec, type);
}

Cell* to(Cell* result, const Cell* spec, uint8_t type) {
    uint8_t spec_type = cell_type(spec);
    if (is_any_string(spec_type)) {
        Cell source = *spec;
        uint32_t head = support::clamped_head(&source);
        Ref node = series::copy_range(&source, head, support::view_of(&source).total - head);
        value::set_series(result, type, node);
        return result;
    }
    if (spec_type == type_id::binary) return decoded_into(result, spec, type);
    if (is_block_like(spec_type)) {
        Cell block = *spec;
        Cell* text = stack::push_slot();
        value::set_none(text);
        make_at(text, initial_units);
        append_elements(text, &block);
        *result = *text;
        result->data1 = 0;
        result->header = type;
        stack::pop(1);
        return result;
    }
    if (spec_type == type_id::refinement)
        return formed_into(result, spec, type, type != type_id::string);
    if (spec_type == type_id::none) {
        Cell t = type_cell(type);
        Cell none = *spec;
        error::fire(error::Category::script, "bad-to-arg", &t, &none);
    }
    return formed_into(result, spec, type, false);
}

int compare_slot(const Cell* a, const Cell* b, int code) {
    if (cell_type(a) != cell_type(b)) {
        if (!is_any_string(cell_type(b)) ||
            (code != compare_code::equal && code != compare_code::not_equal))
            return compare_code::not_comparable;
    }
    return compare(a, b, code, false);
}

Cell* eval_path(Cell* value, const Cell* element, const Cell* new_value, const Cell* path, bool) {
    Cell path_copy = path ? *path : Cell{type_id::none, 0, 0, 0};
    Cell element_copy = *element;
    uint8_t element_type = cell_type(element);
    if (element_type == type_id::integer) {
        int32_t n = value::integer_of(element);
        return new_value ? poke_at(value, n, new_value) : pick_at(value, n);
    }
    if (element_type == type_id::word)
        error::fire(error::Category::script, "invalid-path", &path_copy, &element_copy);
    if (!new_value) {
        return select(value, &element_copy, nullptr, false, false, false, false, nullptr, nullptr,
                      false, false);
    }
    Cell found = *value;
    find(&found, &element_copy, nullptr, false, false, false, false, nullptr, nullptr, false, false,
         false, false);
    if (cell_type(&found) == type_id::none)
        error::fire(error::Category::script, "bad-path-set", &path_copy, &element_copy);
    poke_at(&found, 2, new_value);
    *value = *new_value;
    return value;
}

} // namespace zep::string
