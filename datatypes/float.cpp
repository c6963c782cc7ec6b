// float! cells, the NaN and tolerance tests, comparison, the simple actions
// and the registration.
#include "datatypes/float.h"

#include <cmath>
#include <cstring>

#include "datatypes/float_partners.h"
#include "datatypes/logic.h"
#include "datatypes/registry.h"
#include "evaluator/stack.h"
#include "runtime/value_make.h"

namespace zep::float_partners {
DoMathFn money_do_math = nullptr;
DoMathFn vector_do_math = nullptr;
DoMathFn point2d_do_math = nullptr;
DoMathFn point3d_do_math = nullptr;
NegateFn point2d_negate = nullptr;
NegateFn point3d_negate = nullptr;
int (*money_compare)(const Cell* a, const Cell* b, int code) = nullptr;
void (*money_from_float)(Cell* out, double x, bool round) = nullptr;
double (*money_to_float)(const Cell* money) = nullptr;
} // namespace zep::float_partners

namespace zep::float_ {

namespace {

uint64_t bits_of(double x) {
    uint64_t bits;
    std::memcpy(&bits, &x, sizeof bits);
    return bits;
}

double from_bits(uint64_t bits) {
    double x;
    std::memcpy(&x, &bits, sizeof x);
    return x;
}

constexpr uint64_t sign_bit = uint64_t{1} << 63;

// An unsigned key that orders every double: negative values count down from
// the bottom, positive values up from the middle.
uint64_t order_key(double x) {
    uint64_t bits = bits_of(x);
    return (bits & sign_bit) ? ~bits + 1 : bits | sign_bit;
}

// Money amounts at or beyond these magnitudes are compared by magnitude only.
constexpr double money_smallest = 1e-5;
constexpr double money_largest = 1e17;

bool is_number_cell(uint8_t type) {
    return type == type_id::integer || type == type_id::float_ || type == type_id::percent ||
           type == type_id::time;
}

} // namespace

double quiet_nan() {
    return from_bits(uint64_t{0x7FF80000} << 32);
}

double get(const Cell* value) {
    return value::double_of(value);
}

void put(Cell* value, double x) {
    uint64_t bits = bits_of(x);
    value->data2 = static_cast<uint32_t>(bits);
    value->data3 = static_cast<uint32_t>(bits >> 32);
}

Cell* make_in(Cell* cell, double x) {
    value::set_float(cell, x);
    return cell;
}

Cell* make_in_words(Cell* cell, uint32_t low, uint32_t high) {
    value::set_cell(cell, type_id::float_, 0, low, high);
    return cell;
}

Cell* box(double x) {
    return make_in(stack::base(), x);
}

Cell* push(double x) {
    return make_in(stack::push_slot(), x);
}

Cell* push_words(uint32_t low, uint32_t high) {
    return make_in_words(stack::push_slot(), low, high);
}

double magnitude_from_words(uint32_t low, uint32_t high) {
    return from_bits((static_cast<uint64_t>(high & 0x7FFFFFFF) << 32) | low);
}

bool is_nan(uint32_t low, uint32_t high) {
    return (high & 0x7FF00000) == 0x7FF00000 && ((high & 0x000FFFFF) | low) != 0;
}

bool is_nan32(float x) {
    return x != x;
}

bool is_non_finite(double x) {
    return !std::isfinite(x);
}

bool is_almost_equal(double a, double b) {
    if (std::isnan(a) || std::isnan(b)) return false;
    if (a == b) return true;
    if (std::fabs(a - b) < epsilon) return true;
    uint64_t ka = order_key(a);
    uint64_t kb = order_key(b);
    uint32_t high_a = static_cast<uint32_t>(ka >> 32);
    uint32_t high_b = static_cast<uint32_t>(kb >> 32);
    uint32_t high_gap = high_a > high_b ? high_a - high_b : high_b - high_a;
    if (high_gap > 1) return false;
    uint64_t distance = ka > kb ? ka - kb : kb - ka;
    return distance <= 10;
}

bool is_almost_equal32(float a, float b) {
    if (a != a || b != b) return false;
    if (a == b) return true;
    uint32_t pa, pb;
    std::memcpy(&pa, &a, 4);
    std::memcpy(&pb, &b, 4);
    constexpr uint32_t largest_single = 0x7F7FFFFF;
    uint32_t ma = pa & 0x7FFFFFFF;
    uint32_t mb = pb & 0x7FFFFFFF;
    if (ma >= largest_single || mb >= largest_single) {
        uint32_t gap = ma > mb ? ma - mb : mb - ma;
        return (pa >> 31) == (pb >> 31) && gap < 0x100000;
    }
    if (ma == 0 && mb == 0) return true;
    // Negative patterns p map to 0x80000000 - p (wrapping), which orders them
    // below the positive ones.
    uint32_t ka = (pa >> 31) ? 0x80000000u - pa : pa;
    uint32_t kb = (pb >> 31) ? 0x80000000u - pb : pb;
    int64_t gap = static_cast<int64_t>(static_cast<int32_t>(ka)) - static_cast<int32_t>(kb);
    return gap >= -10 && gap <= 10;
}

int compare(const Cell* value, const Cell* other, int code) {
    uint8_t type = cell_type(value);
    uint8_t other_type = cell_type(other);
    if ((code == compare_code::strict_equal || code == compare_code::same ||
         code == compare_code::find) &&
        type != other_type)
        return 1;
    double a = get(value);
    double b;
    if (other_type == type_id::integer) {
        b = value::integer_of(other);
    } else if (is_number_cell(other_type)) {
        b = get(other);
    } else if (other_type == type_id::money && float_partners::money_compare &&
               float_partners::money_from_float) {
        // Floats beyond the range money can hold are ordered by their sign:
        // a huge float lies beyond every amount, a tiny non-zero one sits
        // just beside zero.
        double magnitude = std::fabs(a);
        if (magnitude >= money_largest) return a > 0 ? 1 : -1;
        Cell amount;
        if (magnitude > 0 && magnitude < money_smallest) {
            float_partners::money_from_float(&amount, 0.0, false);
            int against_zero = float_partners::money_compare(&amount, other, compare_code::sort);
            if (against_zero != 0) return against_zero;
            return a > 0 ? 1 : -1;
        }
        float_partners::money_from_float(&amount, a, false);
        return float_partners::money_compare(&amount, other, code);
    } else {
        return compare_code::not_comparable;
    }

    switch (code) {
    case compare_code::equal:
    case compare_code::not_equal:
        return is_almost_equal(a, b) ? 0 : 1;
    case compare_code::strict_equal:
        return a == b ? 0 : 1;
    case compare_code::same:
        return bits_of(a) == bits_of(b) ? 0 : 1;
    default:
        break;
    }
    if (std::isnan(a) || std::isnan(b)) {
        switch (code) {
        case compare_code::lesser:
        case compare_code::lesser_or_equal:
            return 1;
        case compare_code::greater:
        case compare_code::greater_or_equal:
            return -1;
        case compare_code::word_equal:
        case compare_code::word_not_equal:
        case compare_code::find:
            return 1; // these test equality: a NaN matches nothing
        default:
            return 0;
        }
    }
    return (a > b) - (a < b);
}

// Truncation toward zero into 32 bits for even?/odd?: values outside the
// integer range (and NaN) have no meaningful low bit; they count as even.
namespace {
bool truncated_is_odd(double x) {
    if (!(std::fabs(x) < 2147483648.0)) return false;
    auto n = static_cast<int32_t>(x);
    return (n & 1) != 0;
}
} // namespace

void absolute() {
    Cell* value = stack::base();
    value->data3 &= 0x7FFFFFFF;
}

Cell* negate(Cell* value) {
    put(value, 0.0 - get(value));
    return value;
}

void is_even() {
    logic::box(!truncated_is_odd(get(stack::base())));
}

void is_odd() {
    logic::box(truncated_is_odd(get(stack::base())));
}

void add() {
    do_math(op::add);
}
void subtract() {
    do_math(op::subtract);
}
void multiply() {
    do_math(op::multiply);
}
void divide() {
    do_math(op::divide);
}
void remainder() {
    do_math(op::remainder);
}

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
    datatype::register_type(type_id::float_, 0, "float!", slots);
}

} // namespace zep::float_
