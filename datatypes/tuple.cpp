#include "datatypes/tuple.h"

#include <cmath>
#include <cstring>
#include <string>

#include "datatypes/float.h"
#include "datatypes/float_errors.h"
#include "datatypes/registry.h"
#include "datatypes/string_buffer.h"
#include "datatypes/symbol.h"
#include "datatypes/word.h"
#include "evaluator/compiled_support.h"
#include "evaluator/stack.h"
#include "runtime/cell_ops.h"
#include "runtime/memory.h"
#include "runtime/unicode/utf8.h"
#include "runtime/value_make.h"
#include "services/random.h"

namespace zep::tuple {

namespace {

constexpr uint32_t length_shift = 19;
constexpr uint32_t length_mask = 0xFu << length_shift;

uint8_t clamp_byte(int64_t v) {
    return static_cast<uint8_t>(v < 0 ? 0 : v > 255 ? 255 : v);
}

uint8_t clamp_byte(double v) {
    if (!(v > 0)) return 0; // negative or NaN
    if (v >= 255) return 255;
    return static_cast<uint8_t>(v);
}

// An empty tuple cell of the given length (all bytes 0), keeping the
// cell's flags.
void reset(Cell* cell, uint32_t length) {
    uint32_t flags = cell->header & ~(cell_type_mask | length_mask);
    cell->header = flags | type_id::tuple | (length << length_shift);
    cell->data1 = cell->data2 = cell->data3 = 0;
}

int64_t integer_op(int64_t a, int64_t b, int op) {
    switch (op) {
    case float_::op::add:
        return a + b;
    case float_::op::subtract:
        return a - b;
    case float_::op::multiply:
        return a * b;
    case float_::op::divide:
        if (b == 0) float_errors::zero_divide();
        return a / b;
    case float_::op::remainder:
        if (b == 0) float_errors::zero_divide();
        return a % b;
    case float_::op::or_:
        return a | b;
    case float_::op::and_:
        return a & b;
    case float_::op::xor_:
        return a ^ b;
    default:
        float_errors::cannot_use(type_id::tuple);
    }
}

double float_op(double a, double b, int op) {
    if ((op == float_::op::divide || op == float_::op::remainder) && b == 0.0)
        float_errors::zero_divide();
    return float_::do_op(a, b, op);
}

// The value of a number operand; is_float tells which kind.
bool number_operand(const Cell* value, int64_t* n, double* f) {
    switch (cell_type(value)) {
    case type_id::integer:
        *n = value::integer_of(value);
        return false;
    case type_id::float_:
    case type_id::percent:
        *f = float_::get(value);
        return true;
    default:
        float_errors::invalid_type(cell_type(value));
    }
}

const Cell* block_cells(const Cell* block, uint32_t* count) {
    SeriesBuffer* b = node_buffer(value::series_node(block));
    uint32_t total = static_cast<uint32_t>((buffer_tail(b) - buffer_head(b)) / sizeof(Cell));
    int32_t head = value::series_head(block);
    uint32_t start = head < 0 ? 0 : static_cast<uint32_t>(head);
    if (start > total) start = total;
    *count = total - start;
    return reinterpret_cast<const Cell*>(buffer_head(b)) + start;
}

int hex_value(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

// #F00 (each digit doubled), #FF0000 and #FF000080.
Cell* from_issue(Cell* result, const Cell* issue) {
    const char* text = symbol::utf8_text(value::word_symbol(issue));
    size_t n = std::strlen(text);
    if (n != 3 && n != 6 && n != 8) float_errors::bad_to_arg(type_id::tuple, issue);
    uint8_t bytes[4] = {};
    for (size_t i = 0; i < n; ++i) {
        if (hex_value(text[i]) < 0) float_errors::bad_to_arg(type_id::tuple, issue);
    }
    uint32_t count;
    if (n == 3) {
        count = 3;
        for (size_t i = 0; i < 3; ++i) bytes[i] = static_cast<uint8_t>(hex_value(text[i]) * 17);
    } else {
        count = static_cast<uint32_t>(n / 2);
        for (uint32_t i = 0; i < count; ++i)
            bytes[i] =
                static_cast<uint8_t>(hex_value(text[2 * i]) * 16 + hex_value(text[2 * i + 1]));
    }
    reset(result, count);
    std::memcpy(bytes_of(result), bytes, count);
    return result;
}

Cell* from_block(Cell* result, const Cell* block) {
    uint32_t count = 0;
    const Cell* cells = block_cells(block, &count);
    if (count == 0 || count > max_length) float_errors::bad_to_arg(type_id::tuple, block);
    uint8_t bytes[max_length] = {};
    for (uint32_t i = 0; i < count; ++i) {
        if (cell_type(&cells[i]) != type_id::integer)
            float_errors::bad_to_arg(type_id::tuple, block);
        int32_t v = value::integer_of(&cells[i]);
        if (v < 0 || v > 255) {
            Cell copy = cells[i];
            error::fire(error::Category::script, "out-of-range", &copy);
        }
        bytes[i] = static_cast<uint8_t>(v);
    }
    reset(result, count < min_length ? min_length : count);
    std::memcpy(bytes_of(result), bytes, count);
    return result;
}

// A uniform draw in 0..limit.
uint8_t random_byte(uint8_t limit, bool secure) {
    if (limit == 0) return 0;
    return static_cast<uint8_t>(random::int_range(int32_t{limit} + 1, secure) - 1);
}

// Byte-wise comparison with the shorter tuple padded with zeros.
int compare_padded(const Cell* a, const Cell* b) {
    const uint8_t* x = bytes_of(a);
    const uint8_t* y = bytes_of(b);
    for (uint32_t i = 0; i < max_length; ++i) {
        if (x[i] != y[i]) return x[i] < y[i] ? -1 : 1;
    }
    return 0;
}

} // namespace

void set_length(Cell* value, uint32_t length) {
    value->header = (value->header & ~length_mask) | (length << length_shift);
}

void init() {
    datatype::SlotList slots;
    slots.set<action_slot::make>(&make);
    slots.set<action_slot::random>(&random);
    slots.set<action_slot::to>(&to);
    slots.set<action_slot::form>(&form);
    slots.set<action_slot::mold>(&mold);
    slots.set<action_slot::eval_path>(&eval_path);
    slots.set<action_slot::compare>(&compare);
    slots.set<action_slot::add>(&add);
    slots.set<action_slot::divide>(&divide);
    slots.set<action_slot::multiply>(&multiply);
    slots.set<action_slot::remainder>(&remainder);
    slots.set<action_slot::subtract>(&subtract);
    slots.set<action_slot::and_>(&and_);
    slots.set<action_slot::complement>(&complement);
    slots.set<action_slot::or_>(&or_);
    slots.set<action_slot::xor_>(&xor_);
    slots.set<action_slot::is_length>(&length);
    slots.set<action_slot::pick>(&pick);
    slots.set<action_slot::reverse>(&reverse);
    datatype::register_type(type_id::tuple, 0, "tuple!", slots);
}

Cell* make_in(Cell* cell, uint32_t length, uint32_t d1, uint32_t d2, uint32_t d3) {
    if (length < min_length) length = min_length;
    if (length > max_length) length = max_length;
    cell->header = 0;
    reset(cell, length);
    cell->data1 = d1;
    cell->data2 = d2;
    cell->data3 = d3;
    // Bytes past the length stay zero, so that equal tuples have equal cells.
    std::memset(bytes_of(cell) + length, 0, max_length - length);
    return cell;
}

Cell* push(uint32_t length, uint32_t d1, uint32_t d2, uint32_t d3) {
    return make_in(stack::push_slot(), length, d1, d2, d3);
}

Cell* push_from_ints(const int32_t* integers, uint32_t count) {
    if (count > max_length) count = max_length;
    Cell* cell = stack::push_slot();
    cell->header = 0;
    reset(cell, count < min_length ? min_length : count);
    for (uint32_t i = 0; i < count; ++i) bytes_of(cell)[i] = clamp_byte(int64_t{integers[i]});
    return cell;
}

Cell* from_binary(Cell* out, const Cell* binary) {
    SeriesBuffer* b = node_buffer(value::series_node(binary));
    uint32_t total = static_cast<uint32_t>(buffer_tail(b) - buffer_head(b));
    int32_t head = value::series_head(binary);
    uint32_t start = head < 0 ? 0 : static_cast<uint32_t>(head);
    if (start > total) start = total;
    uint32_t count = total - start;
    if (count > max_length) count = max_length;
    uint8_t bytes[max_length] = {};
    std::memcpy(bytes, buffer_head(b) + start, count);
    out->header = 0;
    reset(out, count < min_length ? min_length : count);
    std::memcpy(bytes_of(out), bytes, count);
    return out;
}

Cell* make_rgba(Cell* cell, int32_t r, int32_t g, int32_t b, int32_t a) {
    cell->header = 0;
    reset(cell, a == -1 ? 3 : 4);
    uint8_t* bytes = bytes_of(cell);
    bytes[0] = clamp_byte(int64_t{r});
    bytes[1] = clamp_byte(int64_t{g});
    bytes[2] = clamp_byte(int64_t{b});
    if (a != -1) bytes[3] = clamp_byte(int64_t{a});
    return cell;
}

bool is_zero(const Cell* value) {
    return value->data1 == 0 && value->data2 == 0 && value->data3 == 0;
}

void set_byte(Cell* value, int32_t index, const Cell* byte) {
    if (index < 1 || index > static_cast<int32_t>(max_length)) {
        Cell position;
        value::set_integer(&position, index);
        error::fire(error::Category::script, "out-of-range", &position);
    }
    if (cell_type(byte) != type_id::integer) float_errors::invalid_arg(byte);
    bytes_of(value)[index - 1] = clamp_byte(int64_t{value::integer_of(byte)});
    if (static_cast<uint32_t>(index) > length_of(value))
        set_length(value, static_cast<uint32_t>(index));
}

void operate(Cell* value, Cell* other, int op) {
    uint8_t result[max_length] = {};
    uint32_t count;
    if (cell_type(value) != type_id::tuple) {
        // A number first: n op byte for every byte of the tuple.
        int64_t n = 0;
        double f = 0;
        bool is_float = number_operand(value, &n, &f);
        count = length_of(other);
        const uint8_t* bytes = bytes_of(other);
        for (uint32_t i = 0; i < count; ++i) {
            result[i] = is_float ? clamp_byte(float_op(f, bytes[i], op))
                                 : clamp_byte(integer_op(n, bytes[i], op));
        }
    } else if (cell_type(other) == type_id::tuple) {
        uint32_t a = length_of(value), b = length_of(other);
        count = a > b ? a : b;
        const uint8_t* x = bytes_of(value);
        const uint8_t* y = bytes_of(other);
        for (uint32_t i = 0; i < count; ++i) result[i] = clamp_byte(integer_op(x[i], y[i], op));
    } else {
        int64_t n = 0;
        double f = 0;
        bool is_float = number_operand(other, &n, &f);
        count = length_of(value);
        const uint8_t* bytes = bytes_of(value);
        for (uint32_t i = 0; i < count; ++i) {
            result[i] = is_float ? clamp_byte(float_op(bytes[i], f, op))
                                 : clamp_byte(integer_op(bytes[i], n, op));
        }
    }
    reset(value, count);
    std::memcpy(bytes_of(value), result, count);
}

void do_math(int op) {
    operate(stack::base(), stack::base() + 1, op);
}

Cell* make(Cell* result, const Cell* spec, uint8_t) {
    switch (cell_type(spec)) {
    case type_id::tuple:
        return value::copy_cell(spec, result);
    case type_id::block:
        return from_block(result, spec);
    case type_id::issue:
        return from_issue(result, spec);
    case type_id::binary:
        return from_binary(result, spec);
    case type_id::string: {
        Cell loaded;
        if (!word::scan_text(spec, &loaded) || cell_type(&loaded) != type_id::tuple)
            float_errors::bad_to_arg(type_id::tuple, spec);
        return value::copy_cell(&loaded, result);
    }
    default:
        float_errors::bad_to_arg(type_id::tuple, spec);
    }
}

Cell* to(Cell* result, const Cell* spec, uint8_t type) {
    return make(result, spec, type);
}

Cell* random(Cell* value, bool seed, bool secure, bool) {
    if (seed) {
        random::seed(value->data1 ^ value->data2 ^ value->data3);
        value::set_unset(value);
        return value;
    }
    uint8_t* bytes = bytes_of(value);
    for (uint32_t i = 0; i < length_of(value); ++i) bytes[i] = random_byte(bytes[i], secure);
    return value;
}

int32_t form(const Cell* value, Cell* out_string, int32_t part_limit) {
    std::string text;
    const uint8_t* bytes = bytes_of(value);
    for (uint32_t i = 0; i < length_of(value); ++i) {
        if (i) text += '.';
        text += std::to_string(bytes[i]);
    }
    string::append_bytes(out_string, reinterpret_cast<const unsigned char*>(text.data()),
                         static_cast<uint32_t>(text.size()));
    return part_limit - static_cast<int32_t>(text.size());
}

int32_t mold(const Cell* value, Cell* out_string, bool, bool, bool, int32_t part_limit, int32_t) {
    return form(value, out_string, part_limit);
}

int compare(const Cell* value, const Cell* other, int code) {
    bool exact = code == compare_code::strict_equal || code == compare_code::same ||
                 code == compare_code::find;
    if (cell_type(other) != type_id::tuple) return exact ? 1 : compare_code::not_comparable;
    int order = compare_padded(value, other);
    uint32_t a = length_of(value), b = length_of(other);
    if (exact) return order == 0 && a == b ? 0 : 1;
    if (order == 0 && (code == compare_code::sort || code == compare_code::case_sort))
        return (a > b) - (a < b);
    return order;
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

Cell* complement(Cell* value) {
    uint8_t* bytes = bytes_of(value);
    for (uint32_t i = 0; i < length_of(value); ++i) bytes[i] = static_cast<uint8_t>(255 - bytes[i]);
    return value;
}

int32_t length(Cell* value) {
    return static_cast<int32_t>(length_of(value));
}

Cell* pick_into(const Cell* value, const Cell* index, Cell* out) {
    if (cell_type(index) == type_id::integer) {
        int32_t i = value::integer_of(index);
        if (i >= 1 && static_cast<uint32_t>(i) <= length_of(value)) {
            value::set_integer(out, bytes_of(value)[i - 1]);
            return out;
        }
    }
    value::set_none(out);
    return out;
}

Cell* reverse(Cell* value, Cell*, Cell*) {
    uint8_t* bytes = bytes_of(value);
    uint32_t n = length_of(value);
    for (uint32_t i = 0; i < n / 2; ++i) {
        uint8_t t = bytes[i];
        bytes[i] = bytes[n - 1 - i];
        bytes[n - 1 - i] = t;
    }
    return value;
}

Cell* eval_path_into(Cell* value, const Cell* selector, const Cell* new_value, const Cell* path,
                     Cell* out) {
    if (cell_type(selector) != type_id::integer) float_errors::invalid_path(path, selector);
    if (!new_value) return pick_into(value, selector, out);
    set_byte(value, value::integer_of(selector), new_value);
    return value;
}

Cell* pick(Cell* value, int32_t, const Cell* index_cell) {
    return pick_into(value, index_cell, stack::push_slot());
}

Cell* eval_path(Cell* value, const Cell* selector, const Cell* new_value, const Cell* path, bool) {
    return eval_path_into(value, selector, new_value, path, stack::push_slot());
}

} // namespace zep::tuple
