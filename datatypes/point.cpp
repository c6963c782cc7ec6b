// point2D! and point3D!: coordinates, arithmetic, comparison, notation and
// path access.
#include "datatypes/point.h"

#include <cfloat>
#include <cmath>
#include <cstring>
#include <string>

#include "datatypes/float.h"
#include "datatypes/float_partners.h"
#include "datatypes/pair.h"
#include "datatypes/registry.h"
#include "datatypes/string_buffer.h"
#include "datatypes/symbol.h"
#include "evaluator/compiled_support.h"
#include "evaluator/stack.h"
#include "runtime/arena.h"
#include "runtime/float_text.h"
#include "runtime/memory.h"
#include "runtime/value_make.h"

namespace zep::point {

namespace {

uint32_t bits_of(float v) {
    uint32_t bits;
    std::memcpy(&bits, &v, 4);
    return bits;
}

float float_of(uint32_t bits) {
    float v;
    std::memcpy(&v, &bits, 4);
    return v;
}

// A double rounded to single precision; beyond the singles it is an infinity
// (the conversion itself would be undefined there).
float to_single(double d) {
    constexpr double overflow_bound = 340282356779733661637539395458142568448.0; // 2^128 - 2^103
    if (std::isfinite(d) && std::fabs(d) >= overflow_bound) return d > 0 ? INFINITY : -INFINITY;
    return static_cast<float>(d);
}

bool is_number(uint8_t type) {
    return type == type_id::integer || type == type_id::float_ || type == type_id::percent;
}

double number_of(const Cell* value) {
    return cell_type(value) == type_id::integer ? value::integer_of(value)
                                                : value::double_of(value);
}

[[noreturn]] void fire_invalid_type(const Cell* value) {
    Cell datatype;
    value::set_datatype(&datatype, cell_type(value));
    error::fire(error::Category::script, "invalid-type", &datatype);
}

[[noreturn]] void fire_bad(const Cell* spec, uint8_t type, bool make) {
    Cell datatype;
    value::set_datatype(&datatype, type);
    Cell arg = *spec;
    if (make) error::fire_make_error(&datatype, &arg);
    error::fire(error::Category::script, "bad-to-arg", &datatype, &arg);
}

// The coordinate index a path selector names (0-2), or -1.
int selector_index(const Cell* selector, int dimension) {
    uint8_t type = cell_type(selector);
    if (type == type_id::integer) {
        int32_t n = value::integer_of(selector);
        return n >= 1 && n <= dimension ? n - 1 : -1;
    }
    if (type != type_id::word) return -1;
    const char* name = symbol::utf8_text(value::word_symbol(selector));
    if (std::strlen(name) != 1) return -1;
    int i = (name[0] | 0x20) - 'x';
    return i >= 0 && i < dimension ? i : -1;
}

void frame_math(int op) {
    Cell* first = stack::base();
    do_math(first, first + 1, op);
}

} // namespace

Cell* make2_in(Cell* cell, float x, float y) {
    value::set_cell(cell, type_id::point2d, bits_of(x), bits_of(y), 0);
    return cell;
}

Cell* make3_in(Cell* cell, float x, float y, float z) {
    value::set_cell(cell, type_id::point3d, bits_of(x), bits_of(y), bits_of(z));
    return cell;
}

Cell* push2(float x, float y) {
    return make2_in(stack::push_slot(), x, y);
}

Cell* push3(float x, float y, float z) {
    return make3_in(stack::push_slot(), x, y, z);
}

float coordinate(const Cell* point, int i) {
    return float_of(i == 0 ? point->data1 : i == 1 ? point->data2 : point->data3);
}

void set_coordinate(Cell* point, int i, float v) {
    (i == 0 ? point->data1 : i == 1 ? point->data2 : point->data3) = bits_of(v);
}

int dimension(const Cell* point) {
    return cell_type(point) == type_id::point3d ? 3 : 2;
}

void do_math(Cell* first, Cell* second, int op) {
    int n = dimension(first);
    uint8_t type = cell_type(second);
    double other[3];
    if (is_number(type)) {
        other[0] = other[1] = other[2] = number_of(second);
    } else if (type == cell_type(first)) {
        for (int i = 0; i < n; ++i) other[i] = coordinate(second, i);
    } else if (type == type_id::pair && n == 2) {
        other[0] = pair::x_of(second);
        other[1] = pair::y_of(second);
    } else {
        fire_invalid_type(second);
    }
    for (int i = 0; i < n; ++i)
        set_coordinate(first, i, to_single(float_::do_op(coordinate(first, i), other[i], op)));
}

Cell* negate_in(Cell* point) {
    for (int i = 0; i < dimension(point); ++i) set_coordinate(point, i, -coordinate(point, i));
    return point;
}

std::string format_coordinate(float v) {
    std::string text;
    for (int digits = 1; digits <= 9; ++digits) {
        // Fixed form: a point literal's coordinates take no exponent.
        text = float_::form_fixed(v, digits, true);
        if (!std::isfinite(v)) break;
        double back = float_::from_text(text.data(), text.data() + text.size(), 0);
        if (to_single(back) == v) break;
    }
    return text;
}

// ---- Action slots ------------------------------------------------------------

namespace {

void install_partners() {
    float_partners::point2d_do_math = &do_math;
    float_partners::point3d_do_math = &do_math;
    float_partners::point2d_negate = &negate_in;
    float_partners::point3d_negate = &negate_in;
}

datatype::SlotList point_slots() {
    datatype::SlotList slots(datatype::unsupported);
    slots.set<action_slot::make>(&make)
        .set<action_slot::to>(&make)
        .set<action_slot::form>(&form)
        .set<action_slot::mold>(&mold)
        .set<action_slot::compare>(&compare)
        .set<action_slot::eval_path>(&eval_path)
        .set<action_slot::absolute>(&absolute)
        .set<action_slot::add>(&add)
        .set<action_slot::divide>(&divide)
        .set<action_slot::multiply>(&multiply)
        .set<action_slot::negate>(&negate)
        .set<action_slot::remainder>(&remainder)
        .set<action_slot::subtract>(&subtract);
    return slots;
}

} // namespace

void init2() {
    datatype::register_type(type_id::point2d, 0, "point2D!", point_slots());
    install_partners();
}

void init3() {
    datatype::register_type(type_id::point3d, 0, "point3D!", point_slots());
    install_partners();
}

Cell* make(Cell* result, const Cell* spec, uint8_t type) {
    int n = type == type_id::point3d ? 3 : 2;
    float c[3] = {0, 0, 0};
    uint8_t spec_type = cell_type(spec);
    if (is_number(spec_type)) {
        c[0] = c[1] = c[2] = to_single(number_of(spec));
    } else if (spec_type == type_id::pair) {
        c[0] = static_cast<float>(pair::x_of(spec));
        c[1] = static_cast<float>(pair::y_of(spec));
    } else if (spec_type == type_id::point2d || spec_type == type_id::point3d) {
        for (int i = 0; i < dimension(spec); ++i) c[i] = coordinate(spec, i);
    } else if (spec_type == type_id::block) {
        SeriesBuffer* b = node_buffer(spec->data2);
        uint32_t total = (b->tail - b->head) / sizeof(Cell);
        int32_t head = value::series_head(spec);
        uint32_t from = head < 0 ? 0 : static_cast<uint32_t>(head);
        uint32_t count = from < total ? total - from : 0;
        if (count < 2 || count > static_cast<uint32_t>(n)) fire_bad(spec, type, true);
        const Cell* items = arena::at<Cell>(b->head) + from;
        for (uint32_t i = 0; i < count; ++i) {
            if (!is_number(cell_type(&items[i]))) fire_bad(spec, type, true);
            c[i] = to_single(number_of(&items[i]));
        }
    } else {
        fire_bad(spec, type, false);
    }
    return n == 3 ? make3_in(result, c[0], c[1], c[2]) : make2_in(result, c[0], c[1]);
}

int32_t form(const Cell* value, Cell* out_string, int32_t part_limit) {
    std::string text = "(";
    for (int i = 0; i < dimension(value); ++i) {
        if (i) text += ", ";
        text += format_coordinate(coordinate(value, i));
    }
    text += ")";
    int64_t limit = part_limit < 0 ? 0 : part_limit;
    if (static_cast<int64_t>(text.size()) > limit) text.resize(static_cast<size_t>(limit));
    string::append_bytes(out_string, reinterpret_cast<const unsigned char*>(text.data()),
                         static_cast<uint32_t>(text.size()));
    return static_cast<int32_t>(limit - static_cast<int64_t>(text.size()));
}

int32_t mold(const Cell* value, Cell* out_string, bool, bool, bool, int32_t part_limit, int32_t) {
    return form(value, out_string, part_limit);
}

int compare(const Cell* a, const Cell* b, int code) {
    bool exact = code == compare_code::strict_equal || code == compare_code::same ||
                 code == compare_code::find;
    if (cell_type(a) != cell_type(b))
        return exact || code == compare_code::equal || code == compare_code::not_equal
                   ? 1
                   : compare_code::not_comparable;
    int n = dimension(a);
    if (code == compare_code::same) {
        for (int i = 0; i < n; ++i)
            if (bits_of(coordinate(a, i)) != bits_of(coordinate(b, i))) return 1;
        return 0;
    }
    bool equality = exact || code == compare_code::equal || code == compare_code::not_equal;
    if (equality) {
        for (int i = 0; i < n; ++i) {
            float x = coordinate(a, i);
            float y = coordinate(b, i);
            if (exact ? !(x == y) : !float_::is_almost_equal32(x, y)) return 1;
        }
        return 0;
    }
    for (int i = 0; i < n; ++i) {
        float x = coordinate(a, i);
        float y = coordinate(b, i);
        if (x < y) return -1;
        if (x > y) return 1;
    }
    return 0;
}

void add() {
    frame_math(float_::op::add);
}
void subtract() {
    frame_math(float_::op::subtract);
}
void multiply() {
    frame_math(float_::op::multiply);
}
void divide() {
    frame_math(float_::op::divide);
}
void remainder() {
    frame_math(float_::op::remainder);
}
Cell* negate(Cell* point) {
    return negate_in(point);
}
void absolute() {
    Cell* point = stack::base();
    for (int i = 0; i < dimension(point); ++i)
        set_coordinate(point, i, std::fabs(coordinate(point, i)));
}

Cell* eval_path(Cell* parent, const Cell* selector, const Cell* value, const Cell* path, bool) {
    int i = selector_index(selector, dimension(parent));
    if (i < 0) {
        Cell where;
        if (path)
            where = *path;
        else
            value::set_none(&where);
        Cell element = *selector;
        error::fire(error::Category::script, "invalid-path", &where, &element);
    }
    if (!value) {
        value::set_float(parent, coordinate(parent, i));
        return parent;
    }
    if (!is_number(cell_type(value))) fire_invalid_type(value);
    set_coordinate(parent, i, to_single(number_of(value)));
    return parent;
}

} // namespace zep::point
