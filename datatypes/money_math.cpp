// money! arithmetic and comparison: exact decimal arithmetic on amounts in
// units of 10^-5, with wide intermediates for multiplication and division.
#include <cmath>

#include "datatypes/float.h"
#include "datatypes/money.h"
#include "datatypes/money_internal.h"
#include "datatypes/registry.h"
#include "evaluator/compiled_support.h"
#include "evaluator/runtime_words.h"
#include "runtime/float_text.h"
#include "runtime/value_make.h"

namespace zep::money {

namespace detail {

// ---- Wide ------------------------------------------------------------------------

Wide Wide::of(unsigned __int128 v) {
    Wide w;
    w.limb[0] = static_cast<uint64_t>(v);
    w.limb[1] = static_cast<uint64_t>(v >> 64);
    return w;
}

void Wide::multiply(uint64_t m) {
    unsigned __int128 carry = 0;
    for (uint64_t& l : limb) {
        unsigned __int128 t = static_cast<unsigned __int128>(l) * m + carry;
        l = static_cast<uint64_t>(t);
        carry = t >> 64;
    }
    if (carry) fire_overflow(); // cannot happen within the checked ranges
}

uint64_t Wide::divide(uint64_t d) {
    unsigned __int128 rest = 0;
    for (int i = 3; i >= 0; --i) {
        unsigned __int128 t = rest << 64 | limb[i];
        limb[i] = static_cast<uint64_t>(t / d);
        rest = t % d;
    }
    return static_cast<uint64_t>(rest);
}

bool Wide::is_zero() const {
    return (limb[0] | limb[1] | limb[2] | limb[3]) == 0;
}

bool Wide::is_below(unsigned __int128 limit) const {
    return limb[2] == 0 && limb[3] == 0 && low128() < limit;
}

unsigned __int128 Wide::low128() const {
    return static_cast<unsigned __int128>(limb[1]) << 64 | limb[0];
}

// ---- Decimal operands ------------------------------------------------------------

Decimal decimal_of_integer(int32_t n) {
    Decimal d;
    d.negative = n < 0;
    d.digits =
        n < 0 ? 0 - static_cast<uint64_t>(static_cast<int64_t>(n)) : static_cast<uint64_t>(n);
    return d;
}

Decimal decimal_of_float(double x) {
    Decimal d;
    if (x == 0) return d;
    float_::DigitString s = float_::dtoa(x, 0, false);
    const char* p = s.text;
    if (*p == '-') {
        d.negative = true;
        ++p;
    }
    for (int i = 0; i < s.length; ++i) d.digits = d.digits * 10 + static_cast<uint64_t>(p[i] - '0');
    d.exponent = s.decpt - s.length;
    return d;
}

namespace {

unsigned __int128 magnitude(Units u) {
    return static_cast<unsigned __int128>(u < 0 ? -u : u);
}

// The wide value divided by 10^k, rounded half away from zero on the first
// dropped digit.
Wide drop_digits(Wide w, int k) {
    if (k <= 0) return w;
    if (k > 75) return Wide{}; // 10^75 exceeds every wide value built here
    for (int i = 1; i < k; ++i) w.divide(10);
    uint64_t last = w.divide(10);
    if (last >= 5) {
        Wide one = Wide::of(1);
        unsigned __int128 carry = 0;
        for (int i = 0; i < 4; ++i) {
            unsigned __int128 t = static_cast<unsigned __int128>(w.limb[i]) + one.limb[i] + carry;
            w.limb[i] = static_cast<uint64_t>(t);
            carry = t >> 64;
        }
    }
    return w;
}

Units signed_result(const Wide& w, bool negative) {
    if (!w.is_below(static_cast<unsigned __int128>(units_limit))) fire_overflow();
    auto u = static_cast<Units>(w.low128());
    return negative ? -u : u;
}

double approximate(Units u) {
    return static_cast<double>(u) / 100000.0;
}

double approximate(const Decimal& d) {
    double v = static_cast<double>(d.digits) * std::pow(10.0, d.exponent);
    return d.negative ? -v : v;
}

} // namespace

Units multiply(Units units, const Decimal& d) {
    if (units == 0 || d.digits == 0) return 0;
    // A first estimate settles the far cases before the exact product.
    if (std::fabs(approximate(units) * approximate(d)) >= 2e17) fire_overflow();
    Wide w = Wide::of(magnitude(units));
    w.multiply(d.digits);
    for (int i = 0; i < d.exponent; ++i) w.multiply(10);
    w = drop_digits(w, -d.exponent);
    return signed_result(w, (units < 0) != d.negative);
}

Units divide(Units units, const Decimal& d) {
    if (d.digits == 0) error::fire_named(error::Category::math, "zero-divide");
    if (units == 0) return 0;
    if (std::fabs(approximate(units) / approximate(d)) >= 2e17) fire_overflow();
    // units x 10^(1 - e) / digits, one digit more than needed, then rounded.
    Wide w = Wide::of(magnitude(units));
    int up = 1 - d.exponent;
    for (int i = 0; i < up; ++i) w.multiply(10);
    w.divide(d.digits);
    w = drop_digits(w, 1 + (up < 0 ? -up : 0));
    return signed_result(w, (units < 0) != d.negative);
}

} // namespace detail

namespace {

bool is_number(uint8_t type) {
    return type == type_id::integer || type == type_id::float_ || type == type_id::percent;
}

[[noreturn]] void fire_wrong_denom(const Cell* a, const Cell* b) {
    Cell x = *a;
    Cell y = *b;
    error::fire(error::Category::script, "wrong-denom", &x, &y);
}

[[noreturn]] void fire_not_related(words::global::Id action) {
    Cell datatype;
    value::set_datatype(&datatype, type_id::money);
    error::fire(error::Category::script, "not-related", words::global_word(action), &datatype);
}

[[noreturn]] void fire_invalid_type(const Cell* value) {
    Cell datatype;
    value::set_datatype(&datatype, cell_type(value));
    error::fire(error::Category::script, "invalid-type", &datatype);
}

detail::Decimal decimal_of(const Cell* number) {
    if (cell_type(number) == type_id::integer)
        return detail::decimal_of_integer(value::integer_of(number));
    double x = value::double_of(number);
    if (!std::isfinite(x)) detail::fire_overflow();
    return detail::decimal_of_float(x);
}

// A number operand taken as an amount without currency.
Units units_of_number(const Cell* number) {
    Cell amount;
    if (cell_type(number) == type_id::integer)
        from_integer(&amount, value::integer_of(number));
    else
        from_float(&amount, value::double_of(number), true);
    return units_of(&amount);
}

// The currency of a result: a currency-less amount takes the other's; two
// different currencies raise wrong-denom.
uint8_t joint_currency(const Cell* a, const Cell* b) {
    uint8_t ca = cell_type(a) == type_id::money ? currency_of(a) : 0;
    uint8_t cb = cell_type(b) == type_id::money ? currency_of(b) : 0;
    if (ca && cb && ca != cb) fire_wrong_denom(a, b);
    return ca ? ca : cb;
}

Units checked_sum(Units a, Units b, bool subtract) {
    Units r = subtract ? a - b : a + b; // |a|, |b| < 10^22: no int128 overflow
    if ((r < 0 ? -r : r) >= units_limit) detail::fire_overflow();
    return r;
}

// Exactly: -1, 0 or 1 as the amount is below, equal to or above the number
// (|number| < 10^17).
int compare_with_decimal(Units x, const detail::Decimal& d) {
    int sx = (x > 0) - (x < 0);
    int sd = d.digits == 0 ? 0 : d.negative ? -1 : 1;
    if (sx != sd) return sx < sd ? -1 : 1;
    if (sx == 0) return 0;
    // |x| x 10^-5 against digits x 10^e: |x| against digits x 10^(e + 5).
    detail::Wide left = detail::Wide::of(static_cast<unsigned __int128>(x < 0 ? -x : x));
    detail::Wide right = detail::Wide::of(d.digits);
    int k = d.exponent + fraction_digits;
    if (k >= 0) {
        for (int i = 0; i < k; ++i) right.multiply(10);
    } else if (-k > 40) {
        return sx; // the number is below one unit by far: the amount is larger
    } else {
        for (int i = 0; i < -k; ++i) left.multiply(10);
    }
    int c = 0;
    for (int i = 3; i >= 0 && c == 0; --i)
        c = (left.limb[i] > right.limb[i]) - (left.limb[i] < right.limb[i]);
    return sx < 0 ? -c : c;
}

} // namespace

void do_math(Cell* first, Cell* second, int op) {
    uint8_t t1 = cell_type(first);
    uint8_t t2 = cell_type(second);
    bool money1 = t1 == type_id::money;
    bool money2 = t2 == type_id::money;
    if (!money1 && !is_number(t1)) fire_invalid_type(first);
    if (!money2 && !is_number(t2)) fire_invalid_type(second);
    uint8_t currency = joint_currency(first, second);
    Units a = money1 ? units_of(first) : 0;
    Units b = money2 ? units_of(second) : 0;
    Units result = 0;
    switch (op) {
    case float_::op::add:
    case float_::op::subtract:
        if (!money1) a = units_of_number(first);
        if (!money2) b = units_of_number(second);
        result = checked_sum(a, b, op == float_::op::subtract);
        break;
    case float_::op::multiply:
        if (money1 && money2) fire_not_related(words::global::multiply);
        result = money1 ? detail::multiply(a, decimal_of(second))
                        : detail::multiply(b, decimal_of(first));
        break;
    case float_::op::divide:
        if (money1 && !money2) {
            result = detail::divide(a, decimal_of(second));
            break;
        }
        // An amount divided by an amount is a plain ratio.
        if (!money1) a = units_of_number(first);
        if (b == 0) error::fire_named(error::Category::math, "zero-divide");
        value::set_float(first, static_cast<double>(a) / static_cast<double>(b));
        return;
    case float_::op::remainder:
        if (!money1) a = units_of_number(first);
        if (!money2) b = units_of_number(second);
        if (b == 0) error::fire_named(error::Category::math, "zero-divide");
        result = a % b; // the sign of the dividend
        break;
    default: {
        Cell datatype;
        value::set_datatype(&datatype, type_id::money);
        error::fire(error::Category::script, "cannot-use", &datatype);
    }
    }
    make_in(first, result, currency);
}

int compare(const Cell* a, const Cell* b, int code) {
    uint8_t tb = cell_type(b);
    bool strict = code == compare_code::strict_equal || code == compare_code::same ||
                  code == compare_code::find;
    if (strict && tb != type_id::money) return 1;
    bool number = tb == type_id::integer || tb == type_id::float_ || tb == type_id::percent;
    if (tb != type_id::money && !number) return compare_code::not_comparable;
    uint8_t ca = currency_of(a);
    uint8_t cb = tb == type_id::money ? currency_of(b) : 0;
    if (ca != cb) {
        if (strict) return 1;
        if (ca && cb) {
            bool ordering = code >= compare_code::lesser && code <= compare_code::case_sort;
            if (ordering) fire_wrong_denom(a, b);
            return 1;
        }
    }
    Units x = units_of(a);
    if (tb == type_id::money || tb == type_id::integer) {
        Units y =
            tb == type_id::money ? units_of(b) : static_cast<Units>(value::integer_of(b)) * 100000;
        return (x > y) - (x < y);
    }
    double f = value::double_of(b);
    if (std::isnan(f))
        return code == compare_code::equal || code == compare_code::not_equal
                   ? 1
                   : compare_code::not_comparable;
    if (is_float_too_large(f)) return f > 0 ? -1 : 1;
    return compare_with_decimal(x, detail::decimal_of_float(f));
}

} // namespace zep::money
