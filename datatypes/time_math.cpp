// time! arithmetic, rounding and parity. The arithmetic is float!'s worker,
// which keeps a time! result when one operand is a time!.
#include <cmath>

#include "datatypes/float.h"
#include "datatypes/integer.h"
#include "datatypes/integer_support.h"
#include "datatypes/logic.h"
#include "datatypes/registry.h"
#include "datatypes/time.h"
#include "evaluator/stack.h"
#include "runtime/cell_ops.h"
#include "runtime/value_make.h"

namespace zep::time {

namespace {

uint8_t second_type() {
    return cell_type(stack::base() + 1);
}

// The whole seconds field, nudged so that a value a hair below a whole
// second counts as that second.
int32_t whole_seconds(const Cell* value) {
    double s = get(value);
    double v = s >= 0 ? s + tiny_seconds : s - tiny_seconds;
    double field = std::trunc(std::fmod(v, seconds_per_minute));
    return std::isnan(field) ? 0 : static_cast<int32_t>(field);
}

} // namespace

void add() {
    if (second_type() == type_id::date) {
        scalar::exchange_operands();
        scalar::run_type_op(type_id::date, integer::op::add);
        return;
    }
    float_::do_math(integer::op::add);
}

void subtract() {
    if (second_type() == type_id::date)
        scalar::raise_not_related(words::global::subtract, type_id::time);
    float_::do_math(integer::op::subtract);
}

void multiply() {
    if (second_type() == type_id::time)
        scalar::raise_not_related(words::global::multiply, type_id::time);
    float_::do_math(integer::op::multiply);
}

void divide() {
    bool by_time = second_type() == type_id::time;
    float_::do_math(integer::op::divide);
    // A time divided by a time is a plain number.
    if (by_time) value::set_type(stack::base(), type_id::float_);
}

Cell* round(Cell* value, const Cell* scale, uint32_t flags) {
    if (scale && cell_type(scale) == type_id::money) scalar::raise_money_scale();
    // An integer! scale would make an integer! of the seconds, which a long
    // time may not fit: the same scale as a float! keeps the double.
    Cell float_scale;
    if (scale && cell_type(scale) == type_id::integer) {
        value::set_float(&float_scale, value::integer_of(scale));
        scale = &float_scale;
    }
    value::set_type(value, type_id::float_);
    Cell* result = float_::round(value, scale, flags);
    double seconds = cell_type(result) == type_id::integer ? value::integer_of(result)
                                                           : value::double_of(result);
    return make_at(result, seconds);
}

void is_even() {
    logic::box((whole_seconds(stack::base()) & 1) == 0);
}

void is_odd() {
    logic::box((whole_seconds(stack::base()) & 1) != 0);
}

} // namespace zep::time
