// Making floats and percents from other values, and random floats.
#include <cmath>
#include <cstring>
#include <string>

#include "datatypes/float.h"
#include "datatypes/float_errors.h"
#include "datatypes/float_partners.h"
#include "datatypes/string_buffer.h"
#include "datatypes/word.h"
#include "evaluator/compiled_support.h"
#include "runtime/cell_ops.h"
#include "runtime/memory.h"
#include "runtime/unicode/utf8.h"
#include "runtime/value_make.h"
#include "services/lexer_load_float.h"
#include "services/random.h"

namespace zep::float_ {

namespace {

// The cells of a block-like value from its head, and their count.
const Cell* block_cells(const Cell* block, uint32_t* count) {
    SeriesBuffer* b = node_buffer(value::series_node(block));
    uint32_t total = static_cast<uint32_t>((buffer_tail(b) - buffer_head(b)) / sizeof(Cell));
    int32_t head = value::series_head(block);
    uint32_t start = head < 0 ? 0 : static_cast<uint32_t>(head);
    if (start > total) start = total;
    *count = total - start;
    return reinterpret_cast<const Cell*>(buffer_head(b)) + start;
}

// The bytes of a binary from its head.
const unsigned char* binary_bytes(const Cell* binary, uint32_t* count) {
    SeriesBuffer* b = node_buffer(value::series_node(binary));
    uint32_t total = static_cast<uint32_t>(buffer_tail(b) - buffer_head(b));
    int32_t head = value::series_head(binary);
    uint32_t start = head < 0 ? 0 : static_cast<uint32_t>(head);
    if (start > total) start = total;
    *count = total - start;
    return buffer_head(b) + start;
}

bool is_text_type(uint8_t type) {
    return type == type_id::string || type == type_id::file || type == type_id::url ||
           type == type_id::tag || type == type_id::email || type == type_id::ref;
}

double float_from_text(const Cell* spec, uint8_t type) {
    Cell text = *spec;
    uint32_t n = string::length(&text);
    if (n == 0) float_errors::bad_to_arg(type, spec);
    uint32_t unit = buffer_unit(node_buffer(value::series_node(&text)));
    bool failed = false;
    double x = lexer::load_float(string::head_address(&text), n, unit, &failed);
    if (failed) float_errors::bad_to_arg(type, spec);
    return x;
}

// percent! from text: the text loads as one number.
double percent_from_text(const Cell* spec, uint8_t type) {
    Cell loaded;
    if (!word::scan_text(spec, &loaded)) float_errors::bad_to_arg(type, spec);
    switch (cell_type(&loaded)) {
    case type_id::integer:
        return value::integer_of(&loaded);
    case type_id::float_:
    case type_id::percent:
        return get(&loaded);
    default:
        float_errors::bad_to_arg(type, spec);
    }
}

Cell* become(Cell* result, uint8_t type, double x) {
    value::set_double(result, type, x);
    return result;
}

} // namespace

double check_arg(const Cell* element) {
    switch (cell_type(element)) {
    case type_id::integer:
        return value::integer_of(element);
    case type_id::float_:
        return get(element);
    default:
        float_errors::bad_to_arg(type_id::float_, element);
    }
}

double from_block(const Cell* block) {
    uint32_t count = 0;
    const Cell* cells = block_cells(block, &count);
    Cell mantissa = cells[0];
    Cell exponent = cells[1];
    double m = check_arg(&mantissa);
    double e = std::trunc(check_arg(&exponent));
    return m * std::pow(10.0, e);
}

double from_binary(const Cell* binary) {
    uint32_t count = 0;
    const unsigned char* bytes = binary_bytes(binary, &count);
    if (count > 8) count = 8;
    uint64_t bits = 0;
    for (uint32_t i = 0; i < count; ++i) bits = (bits << 8) | bytes[i];
    double x;
    std::memcpy(&x, &bits, sizeof x);
    return x;
}

double from_money(const Cell* money) {
    if (!float_partners::money_to_float) float_errors::bad_to_arg(type_id::float_, money);
    return float_partners::money_to_float(money);
}

Cell* make(Cell* result, const Cell* spec, uint8_t type) {
    uint8_t spec_type = cell_type(spec);
    switch (spec_type) {
    case type_id::block:
    case type_id::paren:
    case type_id::hash: {
        uint32_t count = 0;
        block_cells(spec, &count);
        if (count != 2) float_errors::bad_to_arg(type, spec);
        return become(result, type, from_block(spec));
    }
    case type_id::char_:
    case type_id::integer:
        return become(result, type, value::integer_of(spec));
    case type_id::float_:
    case type_id::percent: {
        value::copy_cell(spec, result);
        value::set_type(result, type);
        return result;
    }
    case type_id::time:
        return become(result, type, get(spec));
    case type_id::binary:
        return become(result, type, from_binary(spec));
    case type_id::money:
        return become(result, type, from_money(spec));
    default:
        break;
    }
    if (is_text_type(spec_type)) {
        double x =
            type == type_id::percent ? percent_from_text(spec, type) : float_from_text(spec, type);
        return become(result, type, x);
    }
    float_errors::bad_to_arg(type, spec);
}

Cell* to(Cell* result, const Cell* spec, uint8_t type) {
    return make(result, spec, type);
}

double random_double(double x, bool secure) {
    if (!secure) return random::next() / 2147483647.0 * x;
    double r1 = random::secure_next();
    double r2 = random::secure_next();
    return (r1 / 2147483647.0 + r2) * x / 2147483648.0;
}

Cell* random(Cell* value, bool seed, bool secure, bool) {
    if (seed) {
        random::seed(value->data2 ^ value->data3);
        value::set_unset(value);
        return value;
    }
    put(value, random_double(get(value), secure));
    return value;
}

} // namespace zep::float_
