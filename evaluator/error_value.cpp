#include "evaluator/error_value.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "datatypes/symbol.h"
#include "runtime/error_catalog.h"
#include "runtime/heap.h"
#include "runtime/memory.h"
#include "runtime/print.h"
#include "runtime/unicode/text_cell.h"
#include "runtime/unicode/utf8.h"
#include "runtime/value_make.h"
#include "view/tui_hooks.h"

namespace zep::error {

namespace {

Cell* fields(const Cell* error) {
    return node_cells(error->data1);
}

// A bounded text being built: appends stop at the capacity.
class Text {
  public:
    void add(const char* text, size_t length) {
        size_t room = sizeof bytes_ - 1 - length_;
        if (length > room) length = room;
        std::memcpy(bytes_ + length_, text, length);
        length_ += length;
        bytes_[length_] = '\0';
    }
    void add(const char* text) { add(text, std::strlen(text)); }
    size_t length() const { return length_; }
    const char* c_str() const { return bytes_; }

  private:
    char bytes_[2048] = {};
    size_t length_ = 0;
};

// Appends at most `limit` characters of a text value, quoted when molded.
void add_text_value(Text& out, const Cell* value, bool mold, uint32_t limit) {
    unicode::TextRange r = unicode::text_range(value, limit);
    if (mold) out.add("\"");
    for (uint32_t i = 0; i < r.length; ++i) {
        unsigned char bytes[4];
        uint32_t cp =
            unicode::read_unit(r.start + (uint64_t{i} << unicode::unit_shift(r.unit)), r.unit);
        out.add(reinterpret_cast<char*>(bytes), unicode::encode_utf8(cp, bytes));
    }
    if (mold) out.add("\"");
}

// The argument's text as far as this module can show it.
void add_value(Text& out, const Cell* value, bool mold) {
    constexpr uint32_t argument_limit = 80;
    char number[32];
    switch (cell_type(value)) {
    case type_id::none:
        out.add("none");
        return;
    case type_id::unset:
        return;
    case type_id::logic:
        out.add(value->data1 ? "true" : "false");
        return;
    case type_id::integer:
        std::snprintf(number, sizeof number, "%d", value::integer_of(value));
        out.add(number);
        return;
    case type_id::float_:
        std::snprintf(number, sizeof number, "%.16g", value::double_of(value));
        out.add(number);
        return;
    case type_id::string:
    case type_id::file:
    case type_id::url:
        add_text_value(out, value, mold, argument_limit);
        return;
    case type_id::word:
    case type_id::set_word:
    case type_id::lit_word:
    case type_id::get_word:
    case type_id::refinement:
        if (symbol::table) out.add(symbol::utf8_text(value::word_symbol(value)));
        return;
    default:
        std::snprintf(number, sizeof number, "<type %u>", cell_type(value));
        out.add(number);
        return;
    }
}

void add_message(Text& out, const Cell* error) {
    int32_t code = code_of(error);
    const catalog::Template* t = catalog::template_of(code);
    if (!t) {
        out.add(catalog::title_of(9));
        out.add(": invalid error code");
        return;
    }
    out.add(catalog::title_of(static_cast<uint32_t>(code / 100)));
    out.add(": ");
    bool mold = code / 100 != 2; // syntax errors form their arguments
    for (uint8_t i = 0; i < t->count; ++i) {
        if (i > 0) out.add(" ");
        const catalog::Piece& p = t->pieces[i];
        if (p.arg)
            add_value(out, field_of(error, field::arg1 + p.arg - 1), mold);
        else
            out.add(p.text);
    }
}

} // namespace

void make_from_code(Cell* out, int32_t code, const Cell* const* args, uint32_t arg_count) {
    // The arguments are copied first: the allocation below may move them.
    Cell copies[3];
    for (uint32_t i = 0; i < 3; ++i) {
        if (i < arg_count && args[i])
            copies[i] = *args[i];
        else
            value::set_none(&copies[i]);
    }
    Ref node = series::alloc_cells(field::count);
    SeriesBuffer* b = node_buffer(node);
    auto* cells = reinterpret_cast<Cell*>(buffer_head(b));
    b->tail = b->head + field::count * sizeof(Cell);
    for (uint32_t i = 0; i < field::count; ++i) value::set_none(&cells[i]);
    value::set_integer(&cells[field::code], code);
    value::set_integer(&cells[field::type], code / 100);
    value::set_integer(&cells[field::id], code % 100);
    for (uint32_t i = 0; i < 3; ++i) cells[field::arg1 + i] = copies[i];
    value::set_cell(out, type_id::error, node, 1, 0);
}

Cell* field_of(const Cell* error, uint32_t field) {
    return &fields(error)[field];
}

int32_t code_of(const Cell* error) {
    return value::integer_of(field_of(error, field::code));
}

void set_where(Cell* error, const Cell* value) {
    Cell* where = field_of(error, field::where);
    if (cell_type(where) == type_id::none) *where = *value;
}

void set_stack_frame(Cell* error, int32_t position) {
    Cell* stack = field_of(error, field::stack);
    if (cell_type(stack) != type_id::block) value::set_integer(stack, position);
}

void print(const Cell* error) {
    Text out;
    out.add("*** ");
    add_message(out, error);
    out.add("\n*** Where: ");
    const Cell* where = field_of(error, field::where);
    size_t before = out.length();
    uint8_t t = cell_type(where);
    if (t == type_id::word || t == type_id::string) add_value(out, where, false);
    if (out.length() == before) out.add("???");
    out.add("\n*** Near : ");
    print::write_cstring(out.c_str());
    print::write_cstring("\n");
}

void report_uncaught(const Cell* error) {
    print(error);
    tui::restore_terminal();
    runtime::release_heap();
    std::fflush(nullptr);
    std::_Exit(-2);
}

} // namespace zep::error
