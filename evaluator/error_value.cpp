#include "evaluator/error_value.h"

#include <cstdio>
#include <cstdlib>
#include <string>

#include "datatypes/context.h"
#include "datatypes/error.h"
#include "datatypes/string_buffer.h"
#include "evaluator/stack.h"
#include "runtime/heap.h"
#include "runtime/print.h"
#include "runtime/unicode/text_cell.h"
#include "runtime/unicode/utf8.h"
#include "runtime/value_make.h"
#include "view/tui_hooks.h"

namespace zep::error {

namespace {

constexpr int32_t unlimited = 0x7FFFFFFF;

// The text value's characters as UTF-8.
std::string utf8_of(const Cell* text) {
    std::string out;
    unicode::TextRange r = unicode::text_range(text, string::length(text));
    for (uint32_t i = 0; i < r.length; ++i) {
        unsigned char bytes[4];
        uint32_t cp =
            unicode::read_unit(r.start + (uint64_t{i} << unicode::unit_shift(r.unit)), r.unit);
        out.append(reinterpret_cast<char*>(bytes), unicode::encode_utf8(cp, bytes));
    }
    return out;
}

} // namespace

void make_from_code(Cell* out, int32_t code, const Cell* const* args, uint32_t arg_count) {
    const Cell* given[3] = {nullptr, nullptr, nullptr};
    for (uint32_t i = 0; i < 3 && i < arg_count; ++i) given[i] = args[i];
    make_from_code_value(out, code, given[0], given[1], given[2]);
}

Cell* field_of(const Cell* error, uint32_t field) {
    return context::value_at(error->data1, static_cast<int32_t>(field));
}

int32_t code_of(const Cell* error) {
    return value::integer_of(field_of(error, field::code));
}

void set_where(Cell* error, const Cell* value) {
    Cell copy = *value;
    Cell* where = field_of(error, field::where);
    if (cell_type(where) == type_id::none) *where = copy;
}

void set_stack_frame(Cell* error, int32_t position) {
    Cell* stack = field_of(error, field::stack);
    if (cell_type(stack) != type_id::block) value::set_integer(stack, position);
}

void print(const Cell* error) {
    Cell* held = stack::push(error);
    Cell* text = stack::push_slot();
    value::set_none(text);
    string::make_at(text, 256);
    form(held, text, unlimited);
    std::string bytes = utf8_of(text);
    bytes += '\n';
    print::write_text(bytes.data(), bytes.size());
    stack::pop(2);
}

void report_uncaught(const Cell* error) {
    print(error);
    tui::restore_terminal();
    runtime::release_heap();
    std::fflush(nullptr);
    std::_Exit(-2);
}

} // namespace zep::error
