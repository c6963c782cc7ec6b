#include "datatypes/pair.h"

#include <cmath>
#include <string>

#include "datatypes/float.h"
#include "datatypes/float_errors.h"
#include "datatypes/float_partners.h"
#include "datatypes/registry.h"
#include "datatypes/string_buffer.h"
#include "datatypes/symbol.h"
#include "datatypes/word.h"
#include "evaluator/compiled_support.h"
#include "evaluator/runtime_words.h"
#include "evaluator/stack.h"
#include "runtime/cell_ops.h"
#include "runtime/memory.h"
#include "runtime/unicode/utf8.h"
#include "runtime/value_make.h"
#include "services/random.h"

namespace zep::pair {

namespace {

void set_coordinates(Cell* value, int32_t x, int32_t y) {
    value->data1 = 0;
    value->data2 = static_cast<uint32_t>(x);
    value->data3 = static_cast<uint32_t>(y);
}

// A double truncated toward zero into 32 bits; NaN and values outside the
// range are an overflow.
int32_t truncate_checked(double x) {
    if (!(x > -2147483649.0 && x < 2147483648.0)) float_errors::overflow();
    return static_cast<int32_t>(x);
}

int32_t integer_op(int32_t a, int32_t b, int op) {
    int32_t r = 0;
    switch (op) {
    case float_::op::add:
        if (__builtin_add_overflow(a, b, &r)) float_errors::overflow();
        return r;
    case float_::op::subtract:
        if (__builtin_sub_overflow(a, b, &r)) float_errors::overflow();
        return r;
    case float_::op::multiply:
        if (__builtin_mul_overflow(a, b, &r)) float_errors::overflow();
        return r;
    case float_::op::divide:
        if (b == 0) float_errors::zero_divide();
        if (a == INT32_MIN && b == -1) float_errors::overflow();
        return a / b;
    case float_::op::remainder:
        if (b == 0) float_errors::zero_divide();
        if (b == -1) return 0;
        return a % b;
    case float_::op::or_:
        return a | b;
    case float_::op::and_:
        return a & b;
    case float_::op::xor_:
        return a ^ b;
    default:
        float_errors::cannot_use(type_id::pair);
    }
}

int32_t float_op(int32_t a, double b, int op) {
    if ((op == float_::op::divide || op == float_::op::remainder) && b == 0.0)
        float_errors::zero_divide();
    if (op > float_::op::remainder) float_errors::cannot_use(type_id::float_);
    return truncate_checked(float_::do_op(a, b, op));
}

// A coordinate rounded to a multiple of the unit, back in 32 bits.
int32_t round_coordinate(int32_t v, double unit, uint32_t flags) {
    return truncate_checked(float_::round_to_unit(v, std::fabs(unit), flags));
}

double scale_number(const Cell* scale) {
    switch (cell_type(scale)) {
    case type_id::integer:
        return value::integer_of(scale);
    case type_id::float_:
    case type_id::percent:
        return float_::get(scale);
    default:
        float_errors::invalid_type(cell_type(scale));
    }
}

// Which coordinate a selector names: 1 for x, 2 for y, 0 for none.
int coordinate_of(const Cell* selector) {
    uint8_t type = cell_type(selector);
    if (type == type_id::integer) {
        int32_t n = value::integer_of(selector);
        return n == 1 || n == 2 ? n : 0;
    }
    if (type == type_id::word || type == type_id::get_word || type == type_id::lit_word ||
        type == type_id::set_word) {
        uint32_t name = symbol::resolve(value::word_symbol(selector));
        if (name == symbol::resolve(words::symbol_of(words::symbol::x))) return 1;
        if (name == symbol::resolve(words::symbol_of(words::symbol::y))) return 2;
    }
    return 0;
}

// A block's cells from its head and their count.
const Cell* block_cells(const Cell* block, uint32_t* count) {
    SeriesBuffer* b = node_buffer(value::series_node(block));
    uint32_t total = static_cast<uint32_t>((buffer_tail(b) - buffer_head(b)) / sizeof(Cell));
    int32_t head = value::series_head(block);
    uint32_t start = head < 0 ? 0 : static_cast<uint32_t>(head);
    if (start > total) start = total;
    *count = total - start;
    return reinterpret_cast<const Cell*>(buffer_head(b)) + start;
}

bool is_coordinate_number(const Cell* value) {
    uint8_t type = cell_type(value);
    return type == type_id::integer || type == type_id::float_;
}

// An integer!, or a float! truncated toward zero (out of range: overflow).
int32_t coordinate_from(const Cell* value) {
    if (cell_type(value) == type_id::integer) return value::integer_of(value);
    return truncate_checked(float_::get(value));
}

[[noreturn]] void fire_malconstruct(const Cell* spec) {
    Cell copy = *spec;
    error::fire(error::Category::syntax, "malconstruct", &copy);
}

// A random coordinate in 1..v (or v..-1 for v below 0); 0 stays 0.
int32_t random_coordinate(int32_t v, bool secure) {
    return v == 0 ? 0 : random::int_range(v, secure);
}

} // namespace

void init() {
    datatype::SlotList slots;
    slots.set<action_slot::make>(&make);
    slots.set<action_slot::random>(&random);
    slots.set<action_slot::to>(&to);
    slots.set<action_slot::form>(&form);
    slots.set<action_slot::mold>(&mold);
    slots.set<action_slot::eval_path>(&eval_path);
    slots.set<action_slot::compare>(&compare);
    slots.set<action_slot::absolute>(&absolute);
    slots.set<action_slot::add>(&add);
    slots.set<action_slot::divide>(&divide);
    slots.set<action_slot::multiply>(&multiply);
    slots.set<action_slot::negate>(&negate);
    slots.set<action_slot::remainder>(&remainder);
    slots.set<action_slot::round>(&round);
    slots.set<action_slot::subtract>(&subtract);
    slots.set<action_slot::and_>(&and_);
    slots.set<action_slot::or_>(&or_);
    slots.set<action_slot::xor_>(&xor_);
    slots.set<action_slot::pick>(&pick);
    slots.set<action_slot::reverse>(&reverse);
    datatype::register_type(type_id::pair, 0, "pair!", slots);
}

Cell* make_in(Cell* cell, int32_t x, int32_t y) {
    value::set_cell(cell, type_id::pair, 0, static_cast<uint32_t>(x), static_cast<uint32_t>(y));
    return cell;
}

Cell* push(int32_t x, int32_t y) {
    return make_in(stack::push_slot(), x, y);
}

Cell* make_at(int32_t x, int32_t y) {
    return push(x, y);
}

void operate(Cell* value, Cell* other, int op) {
    int32_t x = x_of(value);
    int32_t y = y_of(value);
    switch (cell_type(other)) {
    case type_id::integer: {
        int32_t n = value::integer_of(other);
        set_coordinates(value, integer_op(x, n, op), integer_op(y, n, op));
        return;
    }
    case type_id::pair:
        set_coordinates(value, integer_op(x, x_of(other), op), integer_op(y, y_of(other), op));
        return;
    case type_id::float_:
    case type_id::percent: {
        double f = float_::get(other);
        set_coordinates(value, float_op(x, f, op), float_op(y, f, op));
        return;
    }
    default:
        float_errors::invalid_type(cell_type(other));
    }
}

void do_math(int op) {
    operate(stack::base(), stack::base() + 1, op);
}

Cell* make(Cell* result, const Cell* spec, uint8_t) {
    switch (cell_type(spec)) {
    case type_id::integer: {
        int32_t n = value::integer_of(spec);
        return make_in(result, n, n);
    }
    case type_id::float_: {
        int32_t n = coordinate_from(spec);
        return make_in(result, n, n);
    }
    case type_id::block: {
        uint32_t count = 0;
        const Cell* cells = block_cells(spec, &count);
        if (count < 2 || !is_coordinate_number(&cells[0]) || !is_coordinate_number(&cells[1]))
            fire_malconstruct(spec);
        int32_t x = coordinate_from(&cells[0]);
        int32_t y = coordinate_from(&cells[1]);
        return make_in(result, x, y);
    }
    case type_id::point2d: {
        // Two float32 coordinates in payload words 2 and 3.
        float fx, fy;
        std::memcpy(&fx, &spec->data2, 4);
        std::memcpy(&fy, &spec->data3, 4);
        if (!std::isfinite(fx) || !std::isfinite(fy)) float_errors::invalid_arg(spec);
        int32_t x = truncate_checked(fx);
        int32_t y = truncate_checked(fy);
        return make_in(result, x, y);
    }
    case type_id::string: {
        Cell loaded;
        if (!word::scan_text(spec, &loaded) || cell_type(&loaded) != type_id::pair)
            float_errors::bad_to_arg(type_id::pair, spec);
        return make_in(result, x_of(&loaded), y_of(&loaded));
    }
    case type_id::pair:
        return value::copy_cell(spec, result);
    default:
        float_errors::bad_to_arg(type_id::pair, spec);
    }
}

Cell* to(Cell* result, const Cell* spec, uint8_t type) {
    return make(result, spec, type);
}

Cell* random(Cell* value, bool seed, bool secure, bool) {
    if (seed) {
        random::seed(value->data2 ^ value->data3);
        value::set_unset(value);
        return value;
    }
    set_coordinates(value, random_coordinate(x_of(value), secure),
                    random_coordinate(y_of(value), secure));
    return value;
}

int32_t form(const Cell* value, Cell* out_string, int32_t part_limit) {
    std::string text = std::to_string(x_of(value)) + "x" + std::to_string(y_of(value));
    string::append_bytes(out_string, reinterpret_cast<const unsigned char*>(text.data()),
                         static_cast<uint32_t>(text.size()));
    return part_limit - static_cast<int32_t>(text.size());
}

int32_t mold(const Cell* value, Cell* out_string, bool, bool, bool, int32_t part_limit, int32_t) {
    return form(value, out_string, part_limit);
}

int compare(const Cell* value, const Cell* other, int code) {
    if (cell_type(other) != type_id::pair) {
        if (code == compare_code::strict_equal || code == compare_code::same ||
            code == compare_code::find)
            return 1;
        return compare_code::not_comparable;
    }
    // Ordered as written: by x, then by y.
    int32_t ax = x_of(value), bx = x_of(other);
    if (ax != bx) return ax < bx ? -1 : 1;
    int32_t ay = y_of(value), by = y_of(other);
    return (ay > by) - (ay < by);
}

void absolute() {
    Cell* value = stack::base();
    int32_t x = x_of(value), y = y_of(value);
    if (x == INT32_MIN || y == INT32_MIN) float_errors::overflow();
    set_coordinates(value, x < 0 ? -x : x, y < 0 ? -y : y);
}

Cell* negate(Cell* value) {
    int32_t x = x_of(value), y = y_of(value);
    if (x == INT32_MIN || y == INT32_MIN) float_errors::overflow();
    set_coordinates(value, -x, -y);
    return value;
}

void add() {
    do_math(float_::op::add);
}
void subtract() {
    do_math(float_::op::subtract);
}
void multiply() {
    do_math(float_::op::multiply);
}
void divide() {
    do_math(float_::op::divide);
}
void remainder() {
    do_math(float_::op::remainder);
}
void and_() {
    do_math(float_::op::and_);
}
void or_() {
    do_math(float_::op::or_);
}
void xor_() {
    do_math(float_::op::xor_);
}

Cell* round(Cell* value, const Cell* scale, uint32_t flags) {
    if (!scale) return value;
    double ux, uy;
    if (cell_type(scale) == type_id::pair) {
        ux = x_of(scale);
        uy = y_of(scale);
    } else {
        ux = uy = scale_number(scale);
    }
    set_coordinates(value, round_coordinate(x_of(value), ux, flags),
                    round_coordinate(y_of(value), uy, flags));
    return value;
}

Cell* pick_into(const Cell* value, const Cell* index, Cell* out) {
    switch (coordinate_of(index)) {
    case 1:
        value::set_integer(out, x_of(value));
        break;
    case 2:
        value::set_integer(out, y_of(value));
        break;
    default:
        value::set_none(out);
    }
    return out;
}

Cell* reverse(Cell* value, Cell*, Cell*) {
    set_coordinates(value, y_of(value), x_of(value));
    return value;
}

Cell* eval_path_into(Cell* value, const Cell* selector, const Cell* new_value, const Cell* path,
                     Cell* out) {
    int which = coordinate_of(selector);
    if (which == 0) float_errors::invalid_path(path, selector);
    if (!new_value) return pick_into(value, selector, out);
    if (!is_coordinate_number(new_value)) float_errors::invalid_arg(new_value);
    int32_t v = coordinate_from(new_value);
    if (which == 1) {
        set_coordinates(value, v, y_of(value));
    } else {
        set_coordinates(value, x_of(value), v);
    }
    return value;
}

Cell* pick(Cell* value, int32_t, const Cell* index_cell) {
    return pick_into(value, index_cell, stack::push_slot());
}

Cell* eval_path(Cell* value, const Cell* selector, const Cell* new_value, const Cell* path, bool) {
    return eval_path_into(value, selector, new_value, path, stack::push_slot());
}

} // namespace zep::pair
