// object!/form and object!/mold: the fields as "word: value" lines.
#include <cstring>
#include <string>

#include "datatypes/context.h"
#include "datatypes/object.h"
#include "datatypes/registry.h"
#include "datatypes/string_buffer.h"
#include "datatypes/symbol.h"
#include "evaluator/compiled_support.h"
#include "evaluator/runtime_words.h"
#include "evaluator/stack.h"
#include "runtime/memory.h"
#include "runtime/value_make.h"

namespace zep::object {

namespace {

int32_t write(Cell* out, const char* text, int32_t limit) {
    string::append_text(out, text);
    return limit - static_cast<int32_t>(std::strlen(text));
}

// The spelling is copied first: it lies in the symbol table, which growing
// the output may move.
int32_t write_word(Cell* out, uint32_t symbol, int32_t limit) {
    std::string spelling(symbol::utf8_text(symbol), symbol::utf8_length(symbol));
    string::append_text(out, spelling.c_str());
    return limit - static_cast<int32_t>(spelling.size());
}

bool is_handler_field(uint32_t symbol) {
    uint32_t s = symbol::resolve(symbol);
    return s == symbol::resolve(words::symbol_of_global(words::global::on_change)) ||
           s == symbol::resolve(words::symbol_of_global(words::global::on_deep_change));
}

} // namespace

int32_t serialize(const Cell* object, Cell* output, bool only, bool all, bool flat,
                  int32_t part_limit, int32_t indent) {
    (void)only;
    int32_t limit = part_limit;
    Cell* held = stack::push(object);
    Ref context = held->data1;
    cycles::push(context);
    uint32_t count = context::word_count(context);
    bool first = true;
    for (uint32_t i = 0; i < count && limit > 0; ++i) {
        uint32_t symbol =
            value::word_symbol(context::word_at(held->data1, static_cast<int32_t>(i)));
        if (!all && is_handler_field(symbol)) continue;
        if (indent >= 0 && !flat) {
            limit = write(output, "\n", limit);
            limit = mold::indent(output, indent, limit);
        } else if (!first) {
            limit = write(output, flat ? " " : "\n", limit);
        }
        first = false;
        limit = write_word(output, symbol, limit);
        limit = write(output, ": ", limit);
        Cell* value = stack::push(context::value_at(held->data1, static_cast<int32_t>(i)));
        if (cell_type(value) == 0) value::set_unset(value);
        if (cell_type(value) == type_id::word) {
            limit = write(output, "'", limit);
            limit = write_word(output, value::word_symbol(value), limit);
        } else if (auto mold_slot = actions::slot_as<MoldFn>(cell_type(value), action_slot::mold)) {
            limit = mold_slot(value, output, false, all, flat, limit, indent < 0 ? 0 : indent);
        }
        stack::pop(1);
    }
    cycles::pop();
    stack::pop(1);
    return limit;
}

int32_t form(const Cell* value, Cell* out_string, int32_t part_limit) {
    int32_t limit = part_limit;
    if (cycles::detect(value, out_string, &limit, false)) return limit;
    return serialize(value, out_string, false, false, false, limit, -1);
}

int32_t mold(const Cell* value, Cell* out_string, bool only, bool all, bool flat,
             int32_t part_limit, int32_t indent) {
    int32_t limit = part_limit;
    if (cycles::detect(value, out_string, &limit, true)) return limit;
    if (only) return serialize(value, out_string, true, all, flat, limit, -1);
    limit = write(out_string, "make object! [", limit);
    uint32_t before = string::total_length(out_string);
    limit = serialize(value, out_string, false, all, flat, limit, flat ? -1 : indent + 1);
    if (!flat && string::total_length(out_string) != before) {
        limit = write(out_string, "\n", limit);
        limit = mold::indent(out_string, indent, limit);
    }
    return write(out_string, "]", limit);
}

} // namespace zep::object
