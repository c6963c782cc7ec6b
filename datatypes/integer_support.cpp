#include "datatypes/integer_support.h"

#include <utility>

#include "datatypes/integer.h"
#include "datatypes/registry.h"
#include "datatypes/symbol.h"
#include "evaluator/compiled_support.h"
#include "evaluator/stack.h"
#include "runtime/value_make.h"

namespace zep::scalar {

namespace {
Cell datatype_cell(uint8_t type) {
    Cell c;
    value::set_datatype(&c, type);
    return c;
}
} // namespace

void raise_overflow() {
    error::fire(error::Category::math, "overflow");
}

void raise_zero_divide() {
    error::fire(error::Category::math, "zero-divide");
}

void raise_invalid_type(const Cell* value) {
    Cell type = datatype_cell(cell_type(value));
    error::fire(error::Category::script, "invalid-type", &type);
}

void raise_not_related(words::global::Id operation, uint8_t type) {
    Cell datatype = datatype_cell(type);
    error::fire(error::Category::script, "not-related", words::global_word(operation), &datatype);
}

void raise_money_scale() {
    Cell caller;
    stack::get_caller(&caller);
    Cell datatype = datatype_cell(type_id::money);
    error::fire(error::Category::script, "not-related", &caller, &datatype);
}

void raise_bad_to_arg(uint8_t type, const Cell* value) {
    Cell datatype = datatype_cell(type);
    Cell copy = *value;
    error::fire(error::Category::script, "bad-to-arg", &datatype, &copy);
}

void raise_type_limit(uint8_t type) {
    Cell datatype = datatype_cell(type);
    error::fire(error::Category::script, "type-limit", &datatype);
}

void raise_out_of_range(const Cell* value) {
    Cell copy = *value;
    error::fire(error::Category::script, "out-of-range", &copy);
}

void raise_expect_arg(const Cell* value, const char* argument) {
    Cell caller;
    stack::get_caller(&caller);
    Cell datatype = datatype_cell(cell_type(value));
    Cell word;
    value::set_word(&word, type_id::word, 0, symbol::make(argument));
    error::fire(error::Category::script, "expect-arg", &caller, &datatype, &word);
}

void raise_cannot_use(uint8_t type) {
    Cell caller;
    stack::get_caller(&caller);
    Cell datatype = datatype_cell(type);
    error::fire(error::Category::script, "cannot-use", &caller, &datatype);
}

uint32_t slot_of_op(int op) {
    static constexpr uint8_t slots[integer::op::count] = {
        action_slot::add,       action_slot::subtract, action_slot::multiply, action_slot::divide,
        action_slot::remainder, action_slot::or_,      action_slot::and_,     action_slot::xor_};
    return op >= 0 && op < integer::op::count ? slots[op] : 0;
}

void run_type_op(uint8_t type, int op) {
    auto worker = actions::slot_as<FrameFn>(type, slot_of_op(op));
    if (!worker) {
        Cell datatype = datatype_cell(type);
        error::fire(error::Category::script, "invalid-type", &datatype);
    }
    worker();
}

void exchange_operands() {
    Cell* first = stack::base();
    std::swap(first[0], first[1]);
}

} // namespace zep::scalar
