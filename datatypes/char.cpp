#include "datatypes/char.h"

#include "datatypes/float_partners.h"
#include "datatypes/integer.h"
#include "datatypes/integer_support.h"
#include "datatypes/registry.h"
#include "datatypes/string_buffer.h"
#include "datatypes/unit_text.h"
#include "evaluator/stack.h"
#include "runtime/memory.h"
#include "runtime/unicode/utf8.h"
#include "runtime/value_make.h"

namespace zep::char_ {

namespace {

Cell* become(Cell* cell, uint32_t cp) {
    value::set_char(cell, cp);
    return cell;
}

uint32_t checked_code_point(int64_t n, const Cell* spec) {
    if (n < 0 || n > max_code_point) scalar::raise_out_of_range(spec);
    return static_cast<uint32_t>(n);
}

// The code point of the UTF-8 sequence at a binary's head.
uint32_t from_binary(const Cell* binary) {
    SeriesBuffer* buffer = node_buffer(value::series_node(binary));
    const unsigned char* head = buffer_head(buffer);
    const unsigned char* tail = buffer_tail(buffer);
    int32_t index = value::series_head(binary);
    if (index < 0 || index >= tail - head) scalar::raise_bad_to_arg(type_id::char_, binary);
    const unsigned char* p = head + index;
    unicode::Utf8Char decoded = unicode::decode_utf8_checked(p, static_cast<uint32_t>(tail - p));
    // A sequence cut short by the tail or not UTF-8 at all has no code point.
    if (decoded.status != unicode::Utf8Char::ok) scalar::raise_bad_to_arg(type_id::char_, binary);
    return static_cast<uint32_t>(decoded.cp);
}

uint32_t from_text(const Cell* spec) {
    if (string::length(spec) == 0) scalar::raise_bad_to_arg(type_id::char_, spec);
    return string::char_at(spec, static_cast<uint32_t>(value::series_head(spec)));
}

// The value of a second operand as an integer; float! truncates toward zero.
int32_t operand_value(const Cell* second) {
    switch (cell_type(second)) {
    case type_id::char_:
    case type_id::integer:
        return static_cast<int32_t>(second->data2);
    case type_id::float_: {
        double x = value::double_of(second);
        // No code point arithmetic can come back into range from beyond
        // the 32-bit range, so such an operand is an overflow.
        if (integer::is_double_out_of_range(x)) scalar::raise_overflow();
        return static_cast<int32_t>(x);
    }
    default:
        scalar::raise_invalid_type(second);
    }
}

} // namespace

void init() {
    datatype::SlotList slots;
    slots.set<action_slot::make>(&make);
    slots.set<action_slot::to>(&make);
    slots.set<action_slot::form>(&form);
    slots.set<action_slot::mold>(&mold);
    slots.set<action_slot::compare>(&compare);
    slots.set<action_slot::add>(&add);
    slots.set<action_slot::divide>(&divide);
    slots.set<action_slot::multiply>(&multiply);
    slots.set<action_slot::remainder>(&remainder);
    slots.set<action_slot::subtract>(&subtract);
    slots.set<action_slot::and_>(&and_);
    slots.set<action_slot::or_>(&or_);
    slots.set<action_slot::xor_>(&xor_);
    slots.set<action_slot::random>(datatype::inherit);
    slots.set<action_slot::absolute>(datatype::inherit);
    slots.set<action_slot::is_even>(datatype::inherit);
    slots.set<action_slot::is_odd>(datatype::inherit);
    datatype::register_type(type_id::char_, type_id::integer, "char!", slots);
}

Cell* push(uint32_t cp) {
    return become(stack::push_slot(), cp);
}

Cell* make_in(const Cell* block, uint32_t cp) {
    return become(series::alloc_tail_cell(node_buffer(value::series_node(block))), cp);
}

Cell* make(Cell* result, const Cell* spec, uint8_t) {
    uint32_t cp = 0;
    switch (cell_type(spec)) {
    case type_id::char_:
    case type_id::integer:
        cp = checked_code_point(static_cast<int32_t>(spec->data2), spec);
        break;
    case type_id::float_:
    case type_id::percent: {
        double x = value::double_of(spec);
        if (integer::is_double_out_of_range(x)) scalar::raise_out_of_range(spec);
        cp = checked_code_point(static_cast<int32_t>(x), spec);
        break;
    }
    case type_id::binary:
        cp = from_binary(spec);
        break;
    case type_id::string:
    case type_id::file:
    case type_id::url:
    case type_id::tag:
    case type_id::email:
    case type_id::ref:
        cp = from_text(spec);
        break;
    default:
        scalar::raise_bad_to_arg(type_id::char_, spec);
    }
    return become(result, cp);
}

void math_op(int op) {
    Cell* first = stack::base();
    const Cell* second = first + 1;
    if (cell_type(second) == type_id::vector) {
        if (!float_partners::vector_do_math) scalar::raise_invalid_type(second);
        float_partners::vector_do_math(first, first + 1, op);
        return;
    }
    int32_t b = operand_value(second);
    int32_t a = static_cast<int32_t>(first->data2);
    int32_t cp;
    if (op == integer::op::divide) {
        cp = integer::do_math_op(a, b, op, nullptr); // always truncates
    } else {
        Cell scratch;
        value::set_char(&scratch, 0);
        cp = integer::do_math_op(a, b, op, &scratch);
        if (cell_type(&scratch) != type_id::char_) scalar::raise_overflow();
    }
    if (cp < 0 || static_cast<uint32_t>(cp) > max_code_point) scalar::raise_overflow();
    first->data2 = static_cast<uint32_t>(cp);
}

void add() {
    math_op(integer::op::add);
}
void subtract() {
    math_op(integer::op::subtract);
}
void multiply() {
    math_op(integer::op::multiply);
}
void divide() {
    math_op(integer::op::divide);
}
void remainder() {
    math_op(integer::op::remainder);
}
void and_() {
    math_op(integer::op::and_);
}
void or_() {
    math_op(integer::op::or_);
}
void xor_() {
    math_op(integer::op::xor_);
}

int32_t form(const Cell* value, Cell* out_string, int32_t part_limit) {
    string::append_char(node_buffer(value::series_node(out_string)), value->data2);
    return part_limit - 1;
}

int32_t mold(const Cell* value, Cell* out_string, bool, bool, bool, int32_t part_limit, int32_t) {
    uint32_t before = string::length(out_string);
    string::append_text(out_string, "#\"");
    string::append_escaped_char(out_string, value->data2, false);
    string::append_text(out_string, "\"");
    return part_limit - static_cast<int32_t>(string::length(out_string) - before);
}

int compare(const Cell* value, const Cell* other, int code) {
    uint8_t type = cell_type(other);
    if ((code == compare_code::strict_equal || code == compare_code::find) &&
        type != type_id::char_)
        return 1;
    if (type != type_id::char_ && type != type_id::integer) return compare_code::not_comparable;
    int32_t a = static_cast<int32_t>(value->data2);
    int32_t b = static_cast<int32_t>(other->data2);
    return (a > b) - (a < b);
}

} // namespace zep::char_
