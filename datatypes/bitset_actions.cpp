// The actions of bitset!: text, comparison, set operations and editing.
#include <algorithm>
#include <cstring>
#include <functional>

#include "datatypes/bitset.h"
#include "datatypes/bitset_internal.h"
#include "datatypes/registry.h"
#include "datatypes/series.h"
#include "datatypes/string_buffer.h"
#include "datatypes/symbol.h"
#include "datatypes/unit_text.h"
#include "datatypes/word.h"
#include "evaluator/compiled_support.h"
#include "evaluator/runtime_words.h"
#include "evaluator/stack.h"
#include "runtime/error_exit.h"
#include "runtime/ownership.h"
#include "runtime/value_make.h"

namespace zep::bitset {

namespace {

using words::global::Id;

// The answers of pick and find. Callers copy them and never write into them:
// the bitset cell itself may be a variable's value (path access).
Cell answer_true{type_id::logic, 1, 0, 0};
Cell answer_false{type_id::logic, 0, 0, 0};
Cell answer_none{type_id::none, 0, 0, 0};

// Reports a change to the bitset's owner, when it has one.
void notify_word(const Cell* bitset, const Cell* action, const Cell* new_value) {
    series::notify(bitset, action, new_value, 0, length(bitset));
}
void notify(const Cell* bitset, Id action, const Cell* new_value) {
    notify_word(bitset, words::global_word(action), new_value);
}

[[noreturn]] void invalid_type(const Cell* value) {
    Cell type;
    value::set_datatype(&type, cell_type(value));
    error::fire(error::Category::script, "invalid-type", &type);
}

bool is_zero_value(const Cell* value) {
    switch (cell_type(value)) {
    case type_id::none:
        return true;
    case type_id::logic:
        return value->data1 == 0;
    case type_id::integer:
        return value::integer_of(value) == 0;
    case type_id::float_:
        return value::double_of(value) == 0.0;
    default:
        return false;
    }
}

uint8_t combine_byte(uint8_t a, uint8_t b, int code) {
    switch (code) {
    case op::or_:
    case op::union_:
        return a | b;
    case op::and_:
    case op::intersect:
        return a & b;
    case op::xor_:
    case op::difference:
        return a ^ b;
    case op::exclude:
        return static_cast<uint8_t>(a & ~b);
    default:
        runtime::error_exit(101, 0);
    }
}

} // namespace

void init() {
    datatype::SlotList slots;
    slots.set<action_slot::make>(&make);
    slots.set<action_slot::reflect>(&reflect);
    slots.set<action_slot::to>(&to);
    slots.set<action_slot::form>(&form);
    slots.set<action_slot::mold>(&mold);
    slots.set<action_slot::eval_path>(&eval_path);
    slots.set<action_slot::compare>(&compare);
    slots.set<action_slot::negate>(&complement);
    slots.set<action_slot::and_>(&and_);
    slots.set<action_slot::complement>(&complement);
    slots.set<action_slot::or_>(&or_);
    slots.set<action_slot::xor_>(&xor_);
    slots.set<action_slot::append>(&append);
    slots.set<action_slot::clear>(&clear);
    slots.set<action_slot::copy>(&copy);
    slots.set<action_slot::find>(&find);
    slots.set<action_slot::insert>(&append);
    slots.set<action_slot::is_length>(&length_of);
    slots.set<action_slot::pick>(&pick);
    slots.set<action_slot::poke>(&poke);
    slots.set<action_slot::remove>(&remove);
    slots.set<action_slot::modify>(&modify);
    datatype::register_type(type_id::bitset, 0, "bitset!", slots);
}

Cell* duplicate(const Cell* bitset, Cell* out, bool invert) {
    Ref source = value::series_node(bitset);
    uint32_t bytes = byte_count(bitset);
    bool complemented = is_complemented(bitset) != invert;
    Cell made;
    make_at(&made, bytes, 0, complemented);
    Cell from;
    value::set_series(&from, type_id::bitset, source);
    const unsigned char* in = get_data(&from);
    unsigned char* to = get_data(&made);
    for (uint32_t i = 0; i < bytes; ++i) to[i] = invert ? static_cast<uint8_t>(~in[i]) : in[i];
    *out = made;
    return out;
}

Cell* reflect(Cell* value, const Cell* field) {
    bool is_owned = word::is_any_word_type(cell_type(field)) &&
                    symbol::resolve(value::word_symbol(field)) ==
                        symbol::resolve(words::symbol_of(words::symbol::owned));
    if (!is_owned) error::fire(error::Category::internal, "not-done");
    const Cell* owner = ownership::owner_of(value::series_node(value));
    if (owner)
        *value = *owner;
    else
        value::set_none(value);
    return value;
}

Cell* modify(Cell* target, const Cell* field, Cell* new_value, bool) {
    bool is_owned = word::is_any_word_type(cell_type(field)) &&
                    symbol::resolve(value::word_symbol(field)) ==
                        symbol::resolve(words::symbol_of(words::symbol::owned));
    if (!is_owned) error::fire(error::Category::internal, "not-done");
    switch (cell_type(new_value)) {
    case type_id::none:
        ownership::unbind(target);
        return target;
    case type_id::block: {
        SeriesBuffer* b = node_buffer(value::series_node(new_value));
        uint32_t head = static_cast<uint32_t>(std::max(value::series_head(new_value), 0));
        if (b->head + (uint64_t{head} + 2) * sizeof(Cell) > b->tail)
            error::fire(error::Category::script, "invalid-arg", new_value);
        Cell owner = arena::at<Cell>(b->head)[head];
        Cell word = arena::at<Cell>(b->head)[head + 1];
        if (cell_type(&owner) != type_id::object || !word::is_any_word_type(cell_type(&word)))
            error::fire(error::Category::script, "invalid-arg", new_value);
        ownership::bind(target, &owner, &word);
        return target;
    }
    default:
        error::fire(error::Category::script, "invalid-arg", new_value);
    }
}

int32_t form(const Cell* value, Cell* out_string, int32_t part_limit) {
    bool complemented = is_complemented(value);
    part_limit = unit_text::write(out_string, "make bitset! ", part_limit);
    if (complemented) part_limit = unit_text::write(out_string, "[not ", part_limit);
    part_limit = unit_text::write(out_string, "#{", part_limit);
    uint32_t bytes = byte_count(value);
    for (uint32_t i = 0; i < bytes && part_limit > 0; ++i) {
        uint8_t byte = get_data(value)[i];
        if (complemented) byte = static_cast<uint8_t>(~byte);
        part_limit = unit_text::write(out_string, string::byte_to_hex(byte), part_limit);
    }
    if (part_limit <= 0) return part_limit;
    part_limit = unit_text::write(out_string, "}", part_limit);
    if (complemented) part_limit = unit_text::write(out_string, "]", part_limit);
    return part_limit;
}

int32_t mold(const Cell* value, Cell* out_string, bool, bool, bool, int32_t part_limit, int32_t) {
    return form(value, out_string, part_limit);
}

Cell* eval_path(Cell* parent, const Cell* element, const Cell* new_value, const Cell*, bool) {
    uint8_t type = cell_type(element);
    if (type != type_id::integer && type != type_id::char_) invalid_type(element);
    if (new_value) return poke(parent, 0, stack::push(new_value), element);
    return pick(parent, 0, element);
}

int compare(const Cell* value, const Cell* other, int code) {
    if (cell_type(other) != type_id::bitset) return compare_code::not_comparable;
    if (code == compare_code::same) {
        Ref a = value::series_node(value), b = value::series_node(other);
        return (a > b) - (a < b);
    }
    uint32_t la = byte_count(value), lb = byte_count(other);
    if (la != lb) return la > lb ? 1 : -1;
    bool ca = is_complemented(value), cb = is_complemented(other);
    if (ca != cb) return ca ? 1 : -1;
    const unsigned char* a = get_data(value);
    const unsigned char* b = get_data(other);
    for (uint32_t i = la; i-- > 0;) {
        if (a[i] != b[i]) return a[i] > b[i] ? 1 : -1;
    }
    return 0;
}

Cell* complement(Cell* value) {
    return duplicate(value, value, true);
}

Cell* combine(Cell* result, const Cell* a, const Cell* b, int code) {
    if (cell_type(a) != type_id::bitset) invalid_type(a);
    if (cell_type(b) != type_id::bitset) invalid_type(b);
    // Keep the operands reachable by node: the allocation below may move them.
    Cell first = *a, second = *b;
    uint32_t la = byte_count(&first), lb = byte_count(&second);
    uint8_t fill_a = is_complemented(&first) ? 0xFF : 0x00;
    uint8_t fill_b = is_complemented(&second) ? 0xFF : 0x00;
    uint8_t flags = combine_byte(fill_a, fill_b, code);
    uint32_t bytes = std::max(la, lb);
    Cell made;
    make_at(&made, bytes, 0, flags != 0);
    const unsigned char* pa = get_data(&first);
    const unsigned char* pb = get_data(&second);
    unsigned char* out = get_data(&made);
    for (uint32_t i = 0; i < bytes; ++i)
        out[i] = combine_byte(i < la ? pa[i] : fill_a, i < lb ? pb[i] : fill_b, code);
    *result = made;
    return result;
}

void do_bitwise(int code) {
    Cell* base = stack::base();
    combine(base, base, base + 1, code);
}

void and_() {
    do_bitwise(op::and_);
}

void or_() {
    do_bitwise(op::or_);
}

void xor_() {
    do_bitwise(op::xor_);
}

Cell* append(Cell* series, const Cell* value, int32_t, bool, int32_t, bool) {
    notify(series, words::global::append, value);
    process(value, series, Op::set);
    notify(series, words::global::appended, value);
    return series;
}

Cell* clear(Cell* series) {
    notify(series, words::global::clear, nullptr);
    // The empty set: every stored bit clear and nothing beyond the array.
    SeriesBuffer* b = node_buffer(value::series_node(series));
    std::memset(buffer_head(b), 0, b->tail - b->head);
    b->flags &= ~complement_flag;
    notify(series, words::global::cleared, nullptr);
    return series;
}

Cell* copy(Cell* value, Cell* result, const Cell*, bool, const Cell*) {
    return duplicate(value, result, false);
}

Cell* find(Cell* series, Cell* value, Cell*, bool, bool, bool, bool, Cell*, Cell*, bool, bool, bool,
           bool) {
    return process(value, series, Op::test) != 0 ? &answer_true : &answer_none;
}

int32_t length_of(Cell* series) {
    return length(series);
}

Cell* pick(Cell* series, int32_t index, const Cell* index_cell) {
    Cell position;
    if (index_cell)
        position = *index_cell;
    else
        value::set_integer(&position, index);
    return process(&position, series, Op::test) != 0 ? &answer_true : &answer_false;
}

Cell* poke(Cell* series, int32_t index, Cell* new_value, const Cell* index_cell) {
    Cell position;
    if (index_cell)
        position = *index_cell;
    else
        value::set_integer(&position, index);
    notify(series, words::global::poke, new_value);
    process(&position, series, is_zero_value(new_value) ? Op::clear : Op::set);
    notify(series, words::global::poked, new_value);
    return new_value;
}

Cell* remove(Cell* series, Cell* part, Cell*) {
    if (!series::is_given(part)) error::fire(error::Category::script, "missing-arg");
    Cell action;
    value::set_word(&action, type_id::word, 0, words::symbol_of(words::symbol::remove));
    notify_word(series, &action, part);
    // Removing names non-members: the named bits are cleared whether or not
    // the bitset is complemented (a stored bit is always the membership).
    process(part, series, Op::clear);
    notify(series, words::global::removed, part);
    return series;
}

} // namespace zep::bitset
