#include "datatypes/logic.h"

#include "datatypes/registry.h"
#include "datatypes/unit_text.h"
#include "evaluator/stack.h"
#include "runtime/cell_ops.h"
#include "runtime/error_exit.h"
#include "runtime/memory.h"
#include "runtime/raise.h"
#include "runtime/value_make.h"
#include "services/random.h"

namespace zep::logic {

Cell true_cell;
Cell false_cell;

namespace {

// Math op codes of the shared and~/or~/xor~ worker.
constexpr int op_or = 5;
constexpr int op_and = 6;
constexpr int op_xor = 7;

// Draws above this make random true.
constexpr uint32_t random_midpoint = 0x3FFFFFFF;

Cell* become(Cell* cell, bool flag) {
    value::set_logic(cell, flag);
    return cell;
}

} // namespace

void init() {
    datatype::SlotList slots;
    slots.set<action_slot::make>(&make);
    slots.set<action_slot::random>(&random);
    slots.set<action_slot::to>(&to);
    slots.set<action_slot::form>(&form);
    slots.set<action_slot::mold>(&mold);
    slots.set<action_slot::compare>(&compare);
    slots.set<action_slot::and_>(&and_);
    slots.set<action_slot::complement>(&complement);
    slots.set<action_slot::or_>(&or_);
    slots.set<action_slot::xor_>(&xor_);
    datatype::register_type(type_id::logic, 0, "logic!", slots);
    value::set_logic(&true_cell, true);
    value::set_logic(&false_cell, false);
}

Cell* box(bool flag) {
    return become(stack::base(), flag);
}

Cell* push(bool flag) {
    return become(stack::push_slot(), flag);
}

Cell* make_in(Cell* block, bool flag) {
    return become(series::alloc_tail_cell(node_buffer(value::series_node(block))), flag);
}

bool is_true_value(const Cell* value, bool check_unset, const Cell* word) {
    if (check_unset && cell_type(value) == type_id::unset) {
        (void)word; // the error's argument, once raising carries arguments
        error::fire_named(error::Category::script, "no-value");
    }
    return is_truthy(value);
}

bool is_true() {
    const Cell* value = stack::base();
    if (cell_type(value) == type_id::unset) {
        error::fire_named(error::Category::script, "no-return");
    }
    return is_truthy(value);
}

bool is_false() {
    return !is_truthy(stack::base());
}

bool is_top_true() {
    const Cell* last = stack::top();
    if (last < stack::base()) last = stack::base();
    return is_truthy(last);
}

bool is_top_false() {
    return !is_top_true();
}

Cell* make(Cell* result, const Cell* spec, uint8_t type) {
    switch (cell_type(spec)) {
    case type_id::integer:
        return become(result, value::integer_of(spec) != 0);
    case type_id::float_:
    case type_id::percent:
        // A NaN is not equal to 0.0, so it makes true; -0.0 makes false.
        return become(result, value::double_of(spec) != 0.0);
    default:
        return to(result, spec, type);
    }
}

Cell* to(Cell* result, const Cell* spec, uint8_t) {
    switch (cell_type(spec)) {
    case type_id::logic:
        return value::copy_cell(spec, result);
    case type_id::none:
        return value::copy_cell(&false_cell, result);
    default:
        return value::copy_cell(&true_cell, result);
    }
}

Cell* random(Cell* value, bool seed, bool secure, bool) {
    if (seed) {
        random::seed(is_truthy(value) ? 1 : 0);
        value::set_unset(value);
        return value;
    }
    uint32_t draw = secure ? random::secure_next() : random::next();
    return become(value, draw > random_midpoint);
}

int32_t form(const Cell* value, Cell* out_string, int32_t part_limit) {
    return unit_text::write(out_string, is_truthy(value) ? "true" : "false", part_limit);
}

int32_t mold(const Cell* value, Cell* out_string, bool, bool all, bool, int32_t part_limit,
             int32_t) {
    const char* text = is_truthy(value) ? "true" : "false";
    if (all) return unit_text::write_construct(out_string, text, part_limit);
    return unit_text::write(out_string, text, part_limit);
}

int compare(const Cell* value, const Cell* other, int code) {
    if (cell_type(other) != type_id::logic) return compare_code::not_comparable;
    switch (code) {
    case compare_code::equal:
    case compare_code::not_equal:
    case compare_code::strict_equal:
    case compare_code::sort:
    case compare_code::case_sort:
    case compare_code::same:
    case compare_code::find: {
        uint32_t a = get(value);
        uint32_t b = get(other);
        return (a > b) - (a < b);
    }
    default:
        return compare_code::not_comparable;
    }
}

Cell* complement(Cell* value) {
    value->data1 ^= 1;
    return value;
}

void operate(Cell* value, const Cell* other, int op) {
    if (cell_type(other) != type_id::logic) {
        // Arguments: the called function's word, the second argument's
        // datatype and the name of the function's second argument.
        error::fire_named(error::Category::script, "expect-arg");
    }
    switch (op) {
    case op_and:
        value->data1 &= other->data1;
        break;
    case op_or:
        value->data1 |= other->data1;
        break;
    case op_xor:
        value->data1 ^= other->data1;
        break;
    default:
        runtime::error_exit(101, 0);
    }
}

void and_() {
    operate(stack::base(), stack::base() + 1, op_and);
}

void or_() {
    operate(stack::base(), stack::base() + 1, op_or);
}

void xor_() {
    operate(stack::base(), stack::base() + 1, op_xor);
}

} // namespace zep::logic
