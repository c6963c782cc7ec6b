#include "datatypes/integer.h"

#include <climits>
#include <cmath>
#include <cstdio>

#include "datatypes/float.h"
#include "datatypes/float_partners.h"
#include "datatypes/integer_support.h"
#include "datatypes/logic.h"
#include "datatypes/pair.h"
#include "datatypes/registry.h"
#include "datatypes/tuple.h"
#include "datatypes/unit_text.h"
#include "evaluator/stack.h"
#include "runtime/cell_ops.h"
#include "runtime/memory.h"
#include "services/random.h"

namespace zep::integer {

void init() {
    datatype::SlotList slots;
    slots.set<action_slot::make>(&make);
    slots.set<action_slot::random>(&random);
    slots.set<action_slot::to>(&to);
    slots.set<action_slot::form>(&form);
    slots.set<action_slot::mold>(&mold);
    slots.set<action_slot::compare>(&compare);
    slots.set<action_slot::absolute>(&absolute);
    slots.set<action_slot::add>(&add);
    slots.set<action_slot::divide>(&divide);
    slots.set<action_slot::multiply>(&multiply);
    slots.set<action_slot::negate>(&negate);
    slots.set<action_slot::power>(&power);
    slots.set<action_slot::remainder>(&remainder);
    slots.set<action_slot::round>(&round);
    slots.set<action_slot::subtract>(&subtract);
    slots.set<action_slot::is_even>(&is_even);
    slots.set<action_slot::is_odd>(&is_odd);
    slots.set<action_slot::and_>(&and_);
    slots.set<action_slot::complement>(&complement);
    slots.set<action_slot::or_>(&or_);
    slots.set<action_slot::xor_>(&xor_);
    datatype::register_type(type_id::integer, 0, "integer!", slots);
}

// ---- Cell helpers ----------------------------------------------------------

Cell* push(int32_t n) {
    Cell* cell = stack::push_slot();
    value::set_integer(cell, n);
    return cell;
}

Cell* make_in(const Cell* block, int32_t n) {
    Cell* cell = series::alloc_tail_cell(node_buffer(value::series_node(block)));
    value::set_integer(cell, n);
    return cell;
}

Cell* make_at(Cell* cell, int32_t n) {
    value::set_type(cell, type_id::integer);
    cell->data2 = static_cast<uint32_t>(n);
    return cell;
}

Cell* box(int32_t n) {
    Cell* cell = stack::base();
    value::set_integer(cell, n);
    return cell;
}

int32_t get_or_zero() {
    const Cell* first = stack::base();
    return cell_type(first) == type_id::integer ? get(first) : 0;
}

const char* to_decimal_text(int32_t n) {
    static char text[12];
    if (n == INT32_MIN) return "-2147483648";
    std::snprintf(text, sizeof text, "%d", n);
    return text;
}

int32_t absolute_checked(int32_t n) {
    if (n == INT32_MIN) scalar::raise_overflow();
    return n < 0 ? -n : n;
}

bool is_double_out_of_range(double x) {
    // The doubles whose truncation toward zero fits 32 bits (so 2147483647.9
    // converts to 2147483647); NaN fails both tests.
    return !(x > -2147483649.0 && x < 2147483648.0);
}

bool is_float_out_of_range(const Cell* cell) {
    return is_double_out_of_range(value::double_of(cell));
}

// ---- Arithmetic --------------------------------------------------------------

namespace {

// The cell becomes a float! holding x (whole header replaced).
void become_float(Cell* cell, double x) {
    value::set_float(cell, x);
}

// money! and vector! arithmetic takes the integer first; a type not built
// yet has no entry and no values.
void partner_math(float_partners::DoMathFn worker, int op) {
    Cell* first = stack::base();
    if (!worker) scalar::raise_invalid_type(first + 1);
    worker(first, first + 1, op);
}

// pair!, point2D!, point3D!: the compound value's arithmetic runs with the
// operands exchanged; n - compound is (- compound) + n, and n / compound
// has no meaning.
void compound_math(uint8_t type, int op) {
    Cell* first = stack::base();
    if (op == op::divide) scalar::raise_not_related(words::global::divide, type_id::integer);
    float_partners::DoMathFn point_math = type == type_id::point2d
                                              ? float_partners::point2d_do_math
                                              : float_partners::point3d_do_math;
    NegateFn point_negate =
        type == type_id::point2d ? float_partners::point2d_negate : float_partners::point3d_negate;
    if (type != type_id::pair && (!point_math || !point_negate))
        scalar::raise_invalid_type(first + 1);
    scalar::exchange_operands();
    if (op == op::subtract) {
        if (type == type_id::pair)
            pair::negate(first);
        else
            point_negate(first);
        op = op::add;
    }
    if (type == type_id::pair)
        pair::do_math(op);
    else
        point_math(first, first + 1, op);
}

} // namespace

int32_t do_math_op(int32_t a, int32_t b, int op, Cell* cell) {
    int32_t result = 0;
    bool overflow = false;
    double exact = 0.0;
    switch (op) {
    case op::add:
        overflow = __builtin_add_overflow(a, b, &result);
        exact = double(a) + double(b);
        break;
    case op::subtract:
        overflow = __builtin_sub_overflow(a, b, &result);
        exact = double(a) - double(b);
        break;
    case op::multiply:
        overflow = __builtin_mul_overflow(a, b, &result);
        exact = double(a) * double(b);
        break;
    case op::divide:
        if (b == 0) scalar::raise_zero_divide();
        if (a == INT32_MIN && b == -1) scalar::raise_overflow();
        result = a / b;
        if (cell && a % b != 0) {
            become_float(cell, double(a) / double(b));
            return result;
        }
        break;
    case op::remainder:
        if (b == 0) scalar::raise_zero_divide();
        if (a == INT32_MIN && b == -1) scalar::raise_overflow();
        result = a % b;
        break;
    case op::or_:
        result = a | b;
        break;
    case op::and_:
        result = a & b;
        break;
    case op::xor_:
        result = a ^ b;
        break;
    default:
        scalar::raise_cannot_use(type_id::integer);
    }
    if (cell) {
        if (overflow)
            become_float(cell, exact);
        else
            cell->data2 = static_cast<uint32_t>(result);
    }
    return result;
}

void math_op(int op) {
    Cell* first = stack::base();
    Cell* second = first + 1;
    uint8_t type = cell_type(second);
    switch (type) {
    case type_id::integer:
    case type_id::char_:
        do_math_op(get(first), static_cast<int32_t>(second->data2), op, first);
        return;
    case type_id::float_:
    case type_id::percent:
    case type_id::time:
        // The float worker widens the integer (and refuses bitwise ops).
        float_::operate(first, second, op);
        return;
    case type_id::money:
        partner_math(float_partners::money_do_math, op);
        return;
    case type_id::vector:
        partner_math(float_partners::vector_do_math, op);
        return;
    case type_id::pair:
    case type_id::point2d:
    case type_id::point3d:
        compound_math(type, op);
        return;
    case type_id::tuple:
        if (op == op::subtract)
            scalar::raise_not_related(words::global::subtract, type_id::integer);
        if (op == op::divide) scalar::raise_not_related(words::global::divide, type_id::integer);
        scalar::exchange_operands();
        tuple::do_math(op);
        return;
    case type_id::date:
        if (op != op::add) scalar::raise_not_related(words::global::subtract, type_id::integer);
        scalar::exchange_operands();
        scalar::run_type_op(type, op);
        return;
    default:
        scalar::raise_invalid_type(second);
    }
}

void add() {
    math_op(op::add);
}
void subtract() {
    math_op(op::subtract);
}
void multiply() {
    math_op(op::multiply);
}
void divide() {
    math_op(op::divide);
}
void remainder() {
    math_op(op::remainder);
}
void and_() {
    math_op(op::and_);
}
void or_() {
    math_op(op::or_);
}
void xor_() {
    math_op(op::xor_);
}

// ---- Simple actions ------------------------------------------------------------

// The in-place actions write only the value word, so char! inherits them and
// keeps its type.
void absolute() {
    Cell* value = stack::base();
    value->data2 = static_cast<uint32_t>(absolute_checked(get(value)));
}

Cell* negate(Cell* value) {
    int32_t n = get(value);
    if (n == INT32_MIN) scalar::raise_overflow();
    value->data2 = static_cast<uint32_t>(-n);
    return value;
}

Cell* complement(Cell* value) {
    value->data2 = ~value->data2;
    return value;
}

void is_even() {
    logic::box((stack::base()->data2 & 1) == 0);
}

void is_odd() {
    logic::box((stack::base()->data2 & 1) != 0);
}

Cell* random(Cell* value, bool seed, bool secure, bool) {
    if (seed) {
        random::seed(value->data2);
        value::set_unset(value);
        return value;
    }
    int32_t n = static_cast<int32_t>(value->data2);
    if (n != 0) value->data2 = static_cast<uint32_t>(random::int_range(n, secure));
    return value;
}

int32_t form(const Cell* value, Cell* out_string, int32_t part_limit) {
    return unit_text::write(out_string, to_decimal_text(get(value)), part_limit);
}

int32_t mold(const Cell* value, Cell* out_string, bool, bool, bool, int32_t part_limit, int32_t) {
    return form(value, out_string, part_limit);
}

int compare(const Cell* value, const Cell* other, int code) {
    uint8_t type = cell_type(other);
    if ((code == compare_code::strict_equal || code == compare_code::find) &&
        type != type_id::integer)
        return 1;
    switch (type) {
    case type_id::integer:
    case type_id::char_: {
        int32_t a = get(value);
        int32_t b = static_cast<int32_t>(other->data2);
        return (a > b) - (a < b);
    }
    case type_id::float_:
    case type_id::percent:
    case type_id::time: {
        Cell widened;
        value::set_float(&widened, double(get(value)));
        return float_::compare(&widened, other, code);
    }
    case type_id::money: {
        if (!float_partners::money_from_float || !float_partners::money_compare)
            return compare_code::not_comparable;
        Cell amount;
        float_partners::money_from_float(&amount, double(get(value)), false);
        return float_partners::money_compare(&amount, other, code);
    }
    default:
        return compare_code::not_comparable;
    }
}

} // namespace zep::integer
