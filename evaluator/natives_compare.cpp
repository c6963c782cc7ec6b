// equal? ... greater-or-equal?, same?, not and type?.
#include "evaluator/natives_compare.h"

#include "datatypes/money.h"
#include "datatypes/registry.h"
#include "datatypes/symbol.h"
#include "datatypes/tuple.h"
#include "evaluator/actions.h"
#include "evaluator/natives.h"
#include "evaluator/natives_math_support.h"
#include "runtime/value_make.h"

namespace zep::natives {

void is_equal(bool, const int32_t*) {
    actions::compare_to_logic(compare_code::equal);
}
void is_not_equal(bool, const int32_t*) {
    actions::compare_to_logic(compare_code::not_equal);
}
void is_strict_equal(bool, const int32_t*) {
    actions::compare_to_logic(compare_code::strict_equal);
}
void is_lesser(bool, const int32_t*) {
    actions::compare_to_logic(compare_code::lesser);
}
void is_greater(bool, const int32_t*) {
    actions::compare_to_logic(compare_code::greater);
}
void is_lesser_or_equal(bool, const int32_t*) {
    actions::compare_to_logic(compare_code::lesser_or_equal);
}
void is_greater_or_equal(bool, const int32_t*) {
    actions::compare_to_logic(compare_code::greater_or_equal);
}

bool is_same_value(const Cell* a, const Cell* b) {
    uint8_t type = cell_type(a);
    if (type != cell_type(b)) return false;
    bool w1 = a->data1 == b->data1;
    bool w2 = a->data2 == b->data2;
    bool w3 = a->data3 == b->data3;
    switch (type) {
    case type_id::datatype:
    case type_id::logic:
    case type_id::object:
        return w1;
    case type_id::char_:
    case type_id::integer:
    case type_id::bitset:
        return w2;
    case type_id::path:
    case type_id::lit_path:
    case type_id::set_path:
    case type_id::get_path:
    case type_id::block:
    case type_id::paren:
    case type_id::hash:
    case type_id::string:
    case type_id::file:
    case type_id::url:
    case type_id::tag:
    case type_id::email:
    case type_id::ref:
    case type_id::binary:
    case type_id::vector:
    case type_id::image:
    case type_id::action:
    case type_id::native:
    case type_id::point2d:
        return w1 && w2;
    case type_id::float_:
    case type_id::percent:
    case type_id::pair:
    case type_id::time:
        return w2 && w3;
    case type_id::op:
        return w2 && w3;
    case type_id::tuple:
        return tuple::length_of(a) == tuple::length_of(b) &&
               tuple::compare(a, b, compare_code::equal) == 0;
    case type_id::money:
        return money::compare(a, b, compare_code::equal) == 0;
    case type_id::none:
    case type_id::unset:
        return true;
    default:
        return w1 && w2 && w3;
    }
}

void is_same(bool, const int32_t*) {
    Cell* base = stack::base();
    value::set_logic(base, is_same_value(base, base + 1));
}

void not_(bool, const int32_t*) {
    Cell* base = stack::base();
    uint8_t type = cell_type(base);
    bool result = type == type_id::none || (type == type_id::logic && base->data1 == 0);
    value::set_logic(base, result);
}

void is_type(bool, const int32_t* refinements) {
    Cell* base = stack::base();
    uint8_t type = cell_type(base);
    if (!natives::is_given(refinements, 0)) {
        value::set_datatype(base, type);
        return;
    }
    const TypeRow& row = datatype::type_table[type < type_rows ? type : 0];
    if (cell_type(&row.word) != 0) {
        *base = row.word;
        base->header &= cell_type_mask;
    } else {
        // Before the type words exist: an unbound word of the type's name.
        value::set_word(base, type_id::word, 0, symbol::make(row.name ? row.name : "unset!"));
    }
}

void register_compare() {
    set_entry(index::is_equal, is_equal);
    set_entry(index::is_not_equal, is_not_equal);
    set_entry(index::is_strict_equal, is_strict_equal);
    set_entry(index::is_lesser, is_lesser);
    set_entry(index::is_greater, is_greater);
    set_entry(index::is_lesser_or_equal, is_lesser_or_equal);
    set_entry(index::is_greater_or_equal, is_greater_or_equal);
    set_entry(index::is_same, is_same);
    set_entry(index::not_, not_);
    set_entry(index::is_type, is_type);
}

} // namespace zep::natives
