// as-pair, as-point2D, as-point3D, as-money and as.
#include "evaluator/natives_convert.h"

#include <cmath>

#include "datatypes/money.h"
#include "datatypes/pair.h"
#include "datatypes/point.h"
#include "evaluator/compiled_support.h"
#include "evaluator/natives.h"
#include "evaluator/natives_math_support.h"
#include "runtime/cell_ops.h"
#include "runtime/type_sets.h"
#include "runtime/value_make.h"

namespace zep::natives {

using namespace support;

namespace {

// A pair coordinate: an integer! as it is, a float! truncated. A float that
// is not finite or whose truncation does not fit 32 bits raises script
// invalid-arg with it.
int32_t pair_coordinate(const Cell* value) {
    if (cell_type(value) == type_id::integer) return value::integer_of(value);
    double x = value::double_of(value);
    if (!(x > -2147483649.0 && x < 2147483648.0)) {
        Cell copy = *value;
        error::fire(error::Category::script, "invalid-arg", &copy);
    }
    return static_cast<int32_t>(std::trunc(x));
}

// A double rounded to single precision, an infinity beyond the singles.
float to_single(double d) {
    constexpr double overflow_bound = 340282356779733661637539395458142568448.0; // 2^128 - 2^103
    if (std::isfinite(d) && std::fabs(d) >= overflow_bound) return d > 0 ? INFINITY : -INFINITY;
    return static_cast<float>(d);
}

float point_coordinate(const Cell* value) {
    if (cell_type(value) == type_id::integer) return static_cast<float>(value::integer_of(value));
    return to_single(value::double_of(value));
}

bool is_list_family(uint8_t type) {
    switch (type) {
    case type_id::block:
    case type_id::paren:
    case type_id::path:
    case type_id::lit_path:
    case type_id::set_path:
    case type_id::get_path:
        return true;
    default:
        return false;
    }
}

} // namespace

void as_pair(bool check, const int32_t*) {
    check_arg(check, "as-pair", 0, "x", integer_or_float);
    check_arg(check, "as-pair", 1, "y", integer_or_float);
    Cell* base = stack::base();
    int32_t x = pair_coordinate(base);
    int32_t y = pair_coordinate(base + 1);
    pair::make_in(base, x, y);
}

void make_point(int count) {
    Cell* base = stack::base();
    float x = point_coordinate(base);
    float y = point_coordinate(base + 1);
    if (count == 3)
        point::make3_in(base, x, y, point_coordinate(base + 2));
    else
        point::make2_in(base, x, y);
}

void as_point2d(bool check, const int32_t*) {
    check_arg(check, "as-point2D", 0, "x", integer_or_float);
    check_arg(check, "as-point2D", 1, "y", integer_or_float);
    make_point(2);
}

void as_point3d(bool check, const int32_t*) {
    check_arg(check, "as-point3D", 0, "x", integer_or_float);
    check_arg(check, "as-point3D", 1, "y", integer_or_float);
    check_arg(check, "as-point3D", 2, "z", integer_or_float);
    make_point(3);
}

void as_money(bool check, const int32_t*) {
    check_arg(check, "as-money", 0, "currency", bit(type_id::word));
    check_arg(check, "as-money", 1, "amount", integer_or_float);
    Cell* base = stack::base();
    int32_t currency = money::currency_index(value::word_symbol(base));
    if (currency < 1) {
        Cell word = *base;
        error::fire(error::Category::script, "bad-denom", &word);
    }
    const Cell* amount = base + 1;
    if (cell_type(amount) == type_id::integer)
        money::from_integer(base, value::integer_of(amount));
    else
        money::from_float(base, value::double_of(amount), true);
    money::set_currency(base, currency);
}

void as(bool check, const int32_t*) {
    // hash! and binary! are taken so that coercing them (or to them) is
    // refused as not-same-class rather than as a wrong argument.
    constexpr TypeMask spec_types = bit(type_id::block) | bit(type_id::paren) | any_path |
                                    any_string | bit(type_id::hash) | bit(type_id::binary);
    check_arg(check, "as", 0, "type", spec_types | bit(type_id::datatype));
    check_arg(check, "as", 1, "spec", spec_types);
    Cell* base = stack::base();
    Cell* spec = base + 1;
    uint8_t target =
        cell_type(base) == type_id::datatype ? static_cast<uint8_t>(base->data1) : cell_type(base);
    uint8_t type = cell_type(spec);
    bool related = (is_list_family(target) && is_list_family(type)) ||
                   (type_set::is_any_string(target) && type_set::is_any_string(type));
    if (!related) {
        Cell spec_type = datatype_of(type);
        Cell target_type = datatype_of(target);
        error::fire(error::Category::script, "not-same-class", &spec_type, &target_type);
    }
    Cell result = *spec;
    value::set_type(&result, target);
    *base = result;
}

void register_convert() {
    set_entry(index::as_pair, as_pair);
    set_entry(index::as_point2d, as_point2d);
    set_entry(index::as_point3d, as_point3d);
    set_entry(index::as_money, as_money);
    set_entry(index::as, as);
}

} // namespace zep::natives
