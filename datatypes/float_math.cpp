// Float arithmetic: the operation on two doubles, the mixed-type worker that
// decides the result type, power and rounding.
#include <cmath>

#include "datatypes/float.h"
#include "datatypes/float_errors.h"
#include "datatypes/float_partners.h"
#include "datatypes/pair.h"
#include "datatypes/symbol.h"
#include "datatypes/tuple.h"
#include "evaluator/compiled_support.h"
#include "evaluator/runtime_words.h"
#include "evaluator/stack.h"
#include "runtime/cell_ops.h"
#include "runtime/value_make.h"

namespace zep::float_ {

namespace {

// The double of a number operand (integer!, char!, float!, percent!, time!).
double number_of(const Cell* value) {
    uint8_t type = cell_type(value);
    if (type == type_id::integer || type == type_id::char_) return value::integer_of(value);
    return get(value);
}

// Retypes the cell (keeping its flags) and stores the double.
void become(Cell* cell, uint8_t type, double x) {
    value::set_type(cell, type);
    cell->data1 = 0;
    put(cell, x);
}

bool is_compound_point(uint8_t type) {
    return type == type_id::pair || type == type_id::point2d || type == type_id::point3d;
}

// Exchanges the operands: the compound value goes first, the number second
// with its own type.
void exchange(Cell* first, Cell* second) {
    Cell number = *first;
    *first = *second;
    *second = number;
}

void compound_math(Cell* first, Cell* second, int op) {
    switch (cell_type(first)) {
    case type_id::pair:
        pair::operate(first, second, op);
        return;
    case type_id::point2d:
        if (!float_partners::point2d_do_math) float_errors::invalid_type(type_id::point2d);
        float_partners::point2d_do_math(first, second, op);
        return;
    default:
        if (!float_partners::point3d_do_math) float_errors::invalid_type(type_id::point3d);
        float_partners::point3d_do_math(first, second, op);
        return;
    }
}

} // namespace

double do_op(double x, double y, int op) {
    switch (op) {
    case op::add:
        return x + y;
    case op::subtract:
        return x - y;
    case op::multiply:
        return x * y;
    case op::divide:
        return x / y;
    case op::remainder:
        if (std::isnan(y)) return y;
        if (std::isinf(y)) return std::isfinite(x) ? x : quiet_nan();
        return std::fmod(x, y); // a zero y gives NaN
    default:
        float_errors::cannot_use(type_id::float_);
    }
}

void operate(Cell* value, Cell* other, int op) {
    uint8_t t1 = cell_type(value);
    uint8_t t2 = cell_type(other);
    switch (t2) {
    case type_id::tuple:
        tuple::operate(value, other, op);
        return;
    case type_id::money:
        if (!float_partners::money_do_math) float_errors::invalid_type(t2);
        float_partners::money_do_math(value, other, op);
        return;
    case type_id::vector:
        if (!float_partners::vector_do_math) float_errors::invalid_type(t2);
        float_partners::vector_do_math(value, other, op);
        return;
    default:
        break;
    }
    if (is_compound_point(t2) && t1 != type_id::time) {
        if (op == op::subtract)
            float_errors::not_related(words::global_word(words::global::subtract), t2);
        if (op == op::divide)
            float_errors::not_related(words::global_word(words::global::divide), t2);
        exchange(value, other);
        compound_math(value, other, op);
        return;
    }
    bool accepted = t2 == type_id::integer || t2 == type_id::float_ || t2 == type_id::percent ||
                    t2 == type_id::time ||
                    (t2 == type_id::char_ && t1 != type_id::time && t1 != type_id::percent);
    if (!accepted) float_errors::invalid_type(t2);

    double result = do_op(number_of(value), number_of(other), op);
    uint8_t type = type_id::float_;
    if (t1 == type_id::time || t2 == type_id::time) {
        type = type_id::time;
    } else if (t1 == type_id::percent) {
        type = type_id::percent;
    }
    become(value, type, result);
}

void do_math(int op) {
    operate(stack::base(), stack::base() + 1, op);
}

void power() {
    Cell* base = stack::base();
    const Cell* exponent = base + 1;
    uint8_t type = cell_type(exponent);
    if (type != type_id::integer && type != type_id::float_) {
        Cell caller;
        stack::get_caller(&caller);
        Cell datatype;
        value::set_datatype(&datatype, type);
        Cell argument;
        value::set_word(&argument, type_id::word, 0, symbol::make("exponent"));
        error::fire(error::Category::script, "expect-arg", &caller, &datatype, &argument);
    }
    put(base, std::pow(get(base), number_of(exponent)));
}

double round_to_unit(double x, double unit, uint32_t flags) {
    // No scale, or one below the value's precision: nothing to round.
    if (unit == 0.0 || unit < std::ldexp(std::fabs(x), -53)) return x;
    int e = 0;
    double y;
    if (unit >= 1.0) {
        y = x / unit;
    } else {
        double m = std::frexp(unit, &e);
        if (e <= -1022) {
            // A subnormal unit: its reciprocal would overflow, so scale x up
            // by the unit's binary exponent and divide by the mantissa.
            x = std::ldexp(x, -e);
            unit = m;
        } else {
            e = 0;
        }
        y = x * (1.0 / unit);
    }

    double d = std::fabs(y);
    double half = std::floor(d) + 0.5;
    double r;
    bool symmetric = true;
    if (flags & round_flag::down) {
        r = std::floor(d);
    } else if (flags & round_flag::floor) {
        r = std::floor(y);
        symmetric = false;
    } else if (flags & round_flag::ceiling) {
        r = std::ceil(y);
        symmetric = false;
    } else if (half < d) {
        r = std::ceil(d);
    } else if (half > d) {
        r = std::floor(d);
    } else if (flags & round_flag::even) {
        r = std::fmod(d, 2.0) >= 1.0 ? std::ceil(d) : std::floor(d);
    } else if (flags & round_flag::half_down) {
        r = std::floor(d);
    } else if (flags & round_flag::half_ceiling) {
        r = std::ceil(y);
        symmetric = false;
    } else {
        r = std::ceil(d);
    }
    if (symmetric && y < 0) r = -r;

    double result;
    if (unit >= 1.0) {
        result = r * unit;
    } else {
        result = std::ldexp(r / (1.0 / unit), e);
    }
    // A rounded magnitude beyond the doubles is an overflow, not infinity.
    if (std::fabs(result) == largest || (std::isfinite(x) && std::isinf(result)))
        float_errors::overflow();
    return result;
}

Cell* round(Cell* value, const Cell* scale, uint32_t flags) {
    bool is_percent = cell_type(value) == type_id::percent;
    double unit = is_percent ? 0.01 : 1.0;
    uint8_t scale_type = 0;
    if (scale) {
        scale_type = cell_type(scale);
        if (scale_type == type_id::money) float_errors::not_related(nullptr, type_id::money);
        if (scale_type != type_id::integer && scale_type != type_id::float_ &&
            scale_type != type_id::percent && scale_type != type_id::time)
            float_errors::invalid_type(scale_type);
        unit = std::fabs(number_of(scale));
        // A percent scale is already a fraction; other scales of a percent
        // value count in whole percents.
        if (is_percent && scale_type != type_id::percent) unit /= 100;
    }
    double result = round_to_unit(get(value), unit, flags);
    if (!scale) {
        put(value, result);
    } else if (scale_type == type_id::integer) {
        if (!(result > -2147483649.0 && result < 2147483648.0))
            float_errors::type_limit(type_id::integer);
        value::set_type(value, type_id::integer);
        value->data1 = 0;
        value->data2 = static_cast<uint32_t>(static_cast<int32_t>(result));
        value->data3 = 0;
    } else {
        become(value, scale_type, result);
    }
    return value;
}

} // namespace zep::float_
