// make and to integer!: from text, characters, numbers, times, dates,
// issues, binaries and money.
#include <cstring>

#include "datatypes/date.h"
#include "datatypes/integer.h"
#include "datatypes/integer_support.h"
#include "datatypes/money.h"
#include "datatypes/string_buffer.h"
#include "datatypes/symbol.h"
#include "evaluator/compiled_support.h"
#include "runtime/memory.h"
#include "services/lexer_integer.h"

namespace zep::integer {

namespace {

constexpr uint32_t max_hex_digits = 8;

int32_t from_text(const Cell* spec) {
    Cell text = *spec; // head_address clamps the head index in the cell it gets
    const unsigned char* head = string::head_address(&text);
    uint32_t unit = buffer_unit(node_buffer(value::series_node(&text)));
    bool error = false;
    int32_t n = lexer::load_integer(head, string::length(&text), unit, &error);
    if (error) scalar::raise_bad_to_arg(type_id::integer, spec);
    return n;
}

// Truncation toward zero of a double that must fit.
int32_t from_double(double x) {
    if (is_double_out_of_range(x)) scalar::raise_type_limit(type_id::integer);
    return static_cast<int32_t>(x);
}

int hex_digit(uint32_t c) {
    if (c >= '0' && c <= '9') return static_cast<int>(c - '0');
    if (c >= 'A' && c <= 'F') return static_cast<int>(c - 'A' + 10);
    if (c >= 'a' && c <= 'f') return static_cast<int>(c - 'a' + 10);
    return -1;
}

[[noreturn]] void invalid_issue(const Cell* issue) {
    Cell copy = *issue;
    error::fire(error::Category::script, "invalid-data", &copy);
}

} // namespace

int32_t from_symbol_text(const Cell* issue) {
    const char* text = symbol::utf8_text(value::word_symbol(issue));
    size_t length = std::strlen(text);
    // Every digit is one ASCII byte, so any byte from 0x80 up (a character
    // beyond ASCII) is refused like any other non-digit.
    if (length == 0 || length > max_hex_digits) invalid_issue(issue);
    uint32_t n = 0;
    for (size_t i = 0; i < length; ++i) {
        int digit = hex_digit(static_cast<unsigned char>(text[i]));
        if (digit < 0) invalid_issue(issue);
        n = (n << 4) | static_cast<uint32_t>(digit);
    }
    return static_cast<int32_t>(n);
}

int32_t from_binary(const Cell* binary) {
    SeriesBuffer* buffer = node_buffer(value::series_node(binary));
    const unsigned char* head = buffer_head(buffer);
    const unsigned char* tail = buffer_tail(buffer);
    int32_t index = value::series_head(binary);
    uint32_t n = 0;
    if (index >= 0 && index < tail - head) {
        const unsigned char* p = head + index;
        for (int i = 0; i < 4 && p < tail; ++i, ++p) n = (n << 8) | *p;
    }
    return static_cast<int32_t>(n);
}

Cell* make(Cell* result, const Cell* spec, uint8_t type) {
    if (cell_type(spec) == type_id::logic) return make_at(result, spec->data1 == 1 ? 1 : 0);
    return to(result, spec, type);
}

Cell* to(Cell* result, const Cell* spec, uint8_t) {
    int32_t n = 0;
    switch (cell_type(spec)) {
    case type_id::integer:
        n = get(spec);
        break;
    case type_id::string:
    case type_id::file:
    case type_id::url:
    case type_id::tag:
    case type_id::email:
    case type_id::ref:
        n = from_text(spec);
        break;
    case type_id::char_:
        n = static_cast<int32_t>(spec->data2);
        break;
    case type_id::float_:
    case type_id::percent:
        n = from_double(value::double_of(spec));
        break;
    case type_id::time:
        // Seconds rounded half up; a time beyond the 32-bit range is refused
        // like a float.
        n = from_double(value::double_of(spec) + 0.5);
        break;
    case type_id::issue:
        n = from_symbol_text(spec);
        break;
    case type_id::binary:
        n = from_binary(spec);
        break;
    case type_id::money:
        n = money::to_integer(spec);
        break;
    case type_id::date:
        n = date::to_epoch_seconds(spec);
        break;
    default:
        scalar::raise_bad_to_arg(type_id::integer, spec);
    }
    value::set_integer(result, n);
    return result;
}

} // namespace zep::integer
