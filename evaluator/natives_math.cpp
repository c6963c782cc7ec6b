// The numeric natives: sign tests, zero?, NaN?, max and min, shift, to-hex,
// trigonometry, logarithms, exp and square-root; and the registration of
// the whole comparison, set, math and conversion group.
#include "evaluator/natives_math.h"

#include <cmath>
#include <limits>

#include "datatypes/issue.h"
#include "datatypes/money.h"
#include "datatypes/pair.h"
#include "datatypes/point.h"
#include "datatypes/tuple.h"
#include "evaluator/actions.h"
#include "evaluator/compiled_support.h"
#include "evaluator/natives.h"
#include "evaluator/natives_compare.h"
#include "evaluator/natives_convert.h"
#include "evaluator/natives_math_support.h"
#include "evaluator/natives_sets.h"
#include "runtime/math_util.h"
#include "runtime/value_make.h"

namespace zep::natives {

using namespace support;

namespace {

constexpr TypeMask signed_types = number | bit(type_id::money) | bit(type_id::time);
constexpr TypeMask float_args = integer_or_float | bit(type_id::percent);
// Results of sine and cosine closer to zero than this are zero.
constexpr double sine_floor = 2.220446049250313e-16;
constexpr double pi = 3.141592653589793;

// -1, 0 or 1 for a number!, money! or time!; script expect-arg otherwise.
// A NaN answers 0: it is neither below nor above zero.
int sign_of(const char* native) {
    const Cell* value = arg(0);
    switch (cell_type(value)) {
    case type_id::integer: {
        int32_t n = value::integer_of(value);
        return (n > 0) - (n < 0);
    }
    case type_id::float_:
    case type_id::percent:
    case type_id::time: {
        double x = value::double_of(value);
        return (x > 0.0) - (x < 0.0);
    }
    case type_id::money:
        return money::sign(value);
    default:
        fire_expect_arg(native, value, "number");
    }
}

// Makes the argument at base + n a float! (integer! converted, percent!
// retyped) and answers its double.
double float_arg(int32_t n) {
    Cell* value = arg(n);
    double x = cell_type(value) == type_id::integer ? static_cast<double>(value::integer_of(value))
                                                    : value::double_of(value);
    value::set_float(value, x);
    return x;
}

void set_result(double x) {
    value::set_float(stack::base(), x);
}

bool is_radians(const int32_t* refinements) {
    return is_given(refinements, 0);
}

// ---- max and min ----------------------------------------------------------------

bool is_plain_number(uint8_t type) {
    return type == type_id::integer || type == type_id::float_ || type == type_id::percent;
}

bool is_nan_number(const Cell* value) {
    uint8_t type = cell_type(value);
    return (type == type_id::float_ || type == type_id::percent) &&
           std::isnan(value::double_of(value));
}

bool is_compound(uint8_t type) {
    return type == type_id::pair || type == type_id::point2d || type == type_id::point3d ||
           type == type_id::tuple;
}

double number_of(const Cell* value) {
    return cell_type(value) == type_id::integer ? value::integer_of(value)
                                                : value::double_of(value);
}

// A number taken as an integer (a float truncated); script type-limit naming
// integer! when it does not fit.
int32_t integer_of_number(const Cell* value) {
    if (cell_type(value) == type_id::integer) return value::integer_of(value);
    double x = value::double_of(value);
    if (!(x > -2147483649.0 && x < 2147483648.0)) {
        Cell datatype = datatype_of(type_id::integer);
        error::fire(error::Category::script, "type-limit", &datatype);
    }
    return static_cast<int32_t>(std::trunc(x));
}

// A double rounded to single precision, an infinity beyond the singles.
float to_single(double d) {
    constexpr double overflow_bound = 340282356779733661637539395458142568448.0; // 2^128 - 2^103
    if (std::isfinite(d) && std::fabs(d) >= overflow_bound) return d > 0 ? INFINITY : -INFINITY;
    return static_cast<float>(d);
}

template <class T> T pick(T target, T other, bool is_max) {
    return (is_max ? other > target : other < target) ? other : target;
}

float pick_coordinate(float target, float other, bool is_max) {
    return std::isnan(other) ? other : pick(target, other, is_max);
}

// Point target against a point of the same kind, a pair! or a number.
// Answers false when the other operand is none of these.
bool max_min_point(Cell* target, const Cell* other, bool is_max) {
    int dimension = point::dimension(target);
    float values[3];
    int count = dimension;
    uint8_t type = cell_type(other);
    if (type == cell_type(target)) {
        for (int i = 0; i < dimension; i++) values[i] = point::coordinate(other, i);
    } else if (type == type_id::pair) {
        values[0] = static_cast<float>(pair::x_of(other));
        values[1] = static_cast<float>(pair::y_of(other));
        count = 2; // a pair has no z: a point3D! keeps its own
    } else if (is_plain_number(type)) {
        float v = to_single(number_of(other));
        for (int i = 0; i < dimension; i++) values[i] = v;
    } else {
        return false;
    }
    for (int i = 0; i < count; i++)
        point::set_coordinate(target, i,
                              pick_coordinate(point::coordinate(target, i), values[i], is_max));
    return true;
}

bool max_min_pair(Cell* target, const Cell* other, bool is_max) {
    uint8_t type = cell_type(other);
    if (type == type_id::pair) {
        pair::make_in(target, pick(pair::x_of(target), pair::x_of(other), is_max),
                      pick(pair::y_of(target), pair::y_of(other), is_max));
        return true;
    }
    if (type == type_id::point2d) {
        point::make2_in(target, static_cast<float>(pair::x_of(target)),
                        static_cast<float>(pair::y_of(target)));
        return max_min_point(target, other, is_max);
    }
    if (!is_plain_number(type)) return false;
    if (type == type_id::float_) {
        double x = value::double_of(other);
        if (!(x > -2147483649.0 && x < 2147483648.0)) {
            // Beyond the integers: compared as a point of two equal coordinates.
            Cell as_point;
            point::make2_in(&as_point, to_single(x), to_single(x));
            point::make2_in(target, static_cast<float>(pair::x_of(target)),
                            static_cast<float>(pair::y_of(target)));
            return max_min_point(target, &as_point, is_max);
        }
    }
    int32_t n = integer_of_number(other);
    pair::make_in(target, pick(pair::x_of(target), n, is_max), pick(pair::y_of(target), n, is_max));
    return true;
}

bool max_min_tuple(Cell* target, const Cell* other, bool is_max) {
    uint8_t type = cell_type(other);
    uint32_t length = tuple::length_of(target);
    uint8_t* bytes = tuple::bytes_of(target);
    if (type == type_id::tuple) {
        if (tuple::length_of(other) != length) return false;
        const uint8_t* others = tuple::bytes_of(other);
        for (uint32_t i = 0; i < length; i++) bytes[i] = pick(bytes[i], others[i], is_max);
        return true;
    }
    if (!is_plain_number(type)) return false;
    int32_t n = integer_of_number(other);
    auto byte = static_cast<uint8_t>(n < 0 ? 0 : n > 255 ? 255 : n);
    for (uint32_t i = 0; i < length; i++) bytes[i] = pick(bytes[i], byte, is_max);
    return true;
}

} // namespace

// ---- Sign tests -------------------------------------------------------------------

void is_negative(bool check, const int32_t*) {
    check_arg(check, "negative?", 0, "number", signed_types);
    value::set_logic(stack::base(), sign_of("negative?") < 0);
}

void is_positive(bool check, const int32_t*) {
    check_arg(check, "positive?", 0, "number", signed_types);
    value::set_logic(stack::base(), sign_of("positive?") > 0);
}

void is_sign(bool check, const int32_t*) {
    check_arg(check, "sign?", 0, "number", signed_types);
    value::set_integer(stack::base(), sign_of("sign?"));
}

void is_zero(bool check, const int32_t*) {
    check_arg(check, "zero?", 0, "value",
              number | any_point | bit(type_id::money) | bit(type_id::pair) | bit(type_id::time) |
                  bit(type_id::char_) | bit(type_id::tuple));
    Cell* value = stack::base();
    bool zero = false;
    switch (cell_type(value)) {
    case type_id::money:
        zero = money::is_zero(value);
        break;
    case type_id::char_:
    case type_id::integer:
        zero = value->data2 == 0;
        break;
    case type_id::time:
    case type_id::percent:
    case type_id::float_:
        zero = value::double_of(value) == 0.0;
        break;
    case type_id::pair:
        zero = pair::x_of(value) == 0 && pair::y_of(value) == 0;
        break;
    case type_id::point2d:
    case type_id::point3d:
        zero = true;
        for (int i = 0; i < point::dimension(value); i++)
            zero = zero && point::coordinate(value, i) == 0.0f;
        break;
    case type_id::tuple:
        zero = tuple::is_zero(value);
        break;
    default:
        break;
    }
    value::set_logic(value, zero);
}

void is_nan(bool check, const int32_t*) {
    check_arg(check, "NaN?", 0, "value", number);
    Cell* value = stack::base();
    bool nan = cell_type(value) != type_id::integer && std::isnan(value::double_of(value));
    value::set_logic(value, nan);
}

// ---- max and min ------------------------------------------------------------------

void max_min(bool is_max) {
    Cell* a = stack::base();
    Cell* b = a + 1;
    uint8_t type_a = cell_type(a);
    uint8_t type_b = cell_type(b);
    if (is_nan_number(a) && is_plain_number(type_b)) return;
    if (is_nan_number(b) && is_plain_number(type_a)) {
        *a = *b;
        return;
    }
    bool swapped = is_compound(type_b) && (type_a == type_id::integer || type_a == type_id::float_);
    Cell* target = swapped ? b : a;
    const Cell* other = swapped ? a : b;
    bool done = false;
    switch (cell_type(target)) {
    case type_id::pair:
        done = max_min_pair(target, other, is_max);
        break;
    case type_id::point2d:
    case type_id::point3d:
        done = max_min_point(target, other, is_max);
        break;
    case type_id::tuple:
        done = max_min_tuple(target, other, is_max);
        break;
    default:
        break;
    }
    if (!done) {
        bool lesser = actions::compare(target, other, compare_code::lesser);
        if (lesser == is_max) target = const_cast<Cell*>(other);
    }
    if (target != a) *a = *target;
}

void max(bool check, const int32_t*) {
    check_arg(check, "max", 0, "value1", scalar | series);
    check_arg(check, "max", 1, "value2", scalar | series);
    max_min(true);
}

void min(bool check, const int32_t*) {
    check_arg(check, "min", 0, "value1", scalar | series);
    check_arg(check, "min", 1, "value2", scalar | series);
    max_min(false);
}

// ---- shift and to-hex ----------------------------------------------------------------

int32_t shift_value(int32_t data, int32_t bits, bool left, bool logical) {
    if (bits < 0) bits = 0;
    auto word = static_cast<uint32_t>(data);
    if (left) return bits < 32 ? static_cast<int32_t>(word << bits) : 0;
    if (logical) return bits < 32 ? static_cast<int32_t>(word >> bits) : 0;
    if (bits < 32) return data >> bits;
    return data < 0 ? -1 : 0;
}

void shift(bool check, const int32_t* refinements) {
    check_arg(check, "shift", 0, "data", bit(type_id::integer));
    check_arg(check, "shift", 1, "bits", bit(type_id::integer));
    Cell* base = stack::base();
    int32_t result = shift_value(value::integer_of(base), value::integer_of(base + 1),
                                 is_given(refinements, 0), is_given(refinements, 1));
    value::set_integer(base, result);
}

void to_hex(bool check, const int32_t* refinements) {
    check_arg(check, "to-hex", 0, "value", bit(type_id::integer));
    const Cell* size = refinement_arg(refinements, 0);
    if (size) check_arg(check, "to-hex", refinements[0], "length", bit(type_id::integer));
    int32_t length = 8;
    if (size) {
        length = value::integer_of(size);
        if (length < 1) {
            Cell copy = *size;
            error::fire(error::Category::script, "invalid-arg", &copy);
        }
        if (length > 8) length = 8;
    }
    static constexpr char digits[] = "0123456789ABCDEF";
    unsigned char text[8];
    auto word = static_cast<uint32_t>(value::integer_of(stack::base()));
    for (int i = 7; i >= 0; i--, word >>= 4)
        text[i] = static_cast<unsigned char>(digits[word & 15]);
    issue::make_at(text + (8 - length), static_cast<uint32_t>(length), stack::base());
}

// ---- Trigonometry -----------------------------------------------------------------------

// Each function reduces degrees with the fold that keeps its own sign: the
// sine is symmetric about +-90, the tangent repeats every 180, the cosine is
// even and so needs no fold past +-180.
double sine_of(double angle, bool radians) {
    if (!radians) angle = math::normalize_degrees(angle, math::DegreeKind::sine);
    double r = std::sin(angle);
    return std::fabs(r) < sine_floor ? 0.0 : r;
}

double cosine_of(double angle, bool radians) {
    if (!radians) angle = math::normalize_degrees(angle, math::DegreeKind::cosine);
    double r = std::cos(angle);
    return std::fabs(r) < sine_floor ? 0.0 : r;
}

double tangent_of(double angle, bool radians) {
    if (!radians) angle = math::normalize_degrees(angle, math::DegreeKind::tangent);
    constexpr double infinity = std::numeric_limits<double>::infinity();
    if (angle == pi / 2) return infinity;
    if (angle == -pi / 2) return -infinity;
    return std::tan(angle);
}

namespace {

double check_float_arg(bool check, const char* native, int32_t n, const char* argument) {
    check_arg(check, native, n, argument, integer_or_float);
    return float_arg(n);
}

double to_degrees(double r, bool radians) {
    return radians ? r : r * 180.0 / pi;
}

} // namespace

void sine(bool check, const int32_t* refinements) {
    set_result(sine_of(check_float_arg(check, "sine", 0, "angle"), is_radians(refinements)));
}
void cosine(bool check, const int32_t* refinements) {
    set_result(cosine_of(check_float_arg(check, "cosine", 0, "angle"), is_radians(refinements)));
}
void tangent(bool check, const int32_t* refinements) {
    set_result(tangent_of(check_float_arg(check, "tangent", 0, "angle"), is_radians(refinements)));
}
void arcsine(bool check, const int32_t* refinements) {
    double x = check_float_arg(check, "arcsine", 0, "value");
    set_result(to_degrees(std::asin(x), is_radians(refinements)));
}
void arccosine(bool check, const int32_t* refinements) {
    double x = check_float_arg(check, "arccosine", 0, "value");
    set_result(to_degrees(std::acos(x), is_radians(refinements)));
}
void arctangent(bool check, const int32_t* refinements) {
    double x = check_float_arg(check, "arctangent", 0, "value");
    set_result(to_degrees(std::atan(x), is_radians(refinements)));
}
void arctangent2(bool check, const int32_t* refinements) {
    double y = check_float_arg(check, "arctangent2", 0, "y");
    double x = check_float_arg(check, "arctangent2", 1, "x");
    double r = std::atan2(y, x);
    set_result(is_radians(refinements) ? r : r * (180.0 / pi));
}

// ---- Logarithms and powers --------------------------------------------------------------

namespace {
double log_arg(bool check, const char* native) {
    check_arg(check, native, 0, "value", float_args);
    return float_arg(0);
}
} // namespace

void log_2(bool check, const int32_t*) {
    set_result(std::log(log_arg(check, "log-2")) / 0.6931471805599453);
}
void log_10(bool check, const int32_t*) {
    set_result(std::log10(log_arg(check, "log-10")));
}
void log_e(bool check, const int32_t*) {
    set_result(std::log(log_arg(check, "log-e")));
}
void exp(bool check, const int32_t*) {
    set_result(std::pow(2.718281828459045, log_arg(check, "exp")));
}
void square_root(bool check, const int32_t*) {
    set_result(std::sqrt(log_arg(check, "square-root")));
}

void register_numbers() {
    set_entry(index::is_negative, is_negative);
    set_entry(index::is_positive, is_positive);
    set_entry(index::is_sign, is_sign);
    set_entry(index::is_zero, is_zero);
    set_entry(index::is_nan, is_nan);
    set_entry(index::max, max);
    set_entry(index::min, min);
    set_entry(index::shift, shift);
    set_entry(index::to_hex, to_hex);
    set_entry(index::sine, sine);
    set_entry(index::cosine, cosine);
    set_entry(index::tangent, tangent);
    set_entry(index::arcsine, arcsine);
    set_entry(index::arccosine, arccosine);
    set_entry(index::arctangent, arctangent);
    set_entry(index::arctangent2, arctangent2);
    set_entry(index::log_2, log_2);
    set_entry(index::log_10, log_10);
    set_entry(index::log_e, log_e);
    set_entry(index::exp, exp);
    set_entry(index::square_root, square_root);
}

void register_math() {
    register_compare();
    register_sets();
    register_numbers();
    register_convert();
}

} // namespace zep::natives
