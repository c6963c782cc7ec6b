// block!/form and block!/mold: text of a block's cells, with the new-line
// markers, the indent and the /part budget of mold.
#include <cstring>

#include "datatypes/block.h"
#include "datatypes/block_internal.h"
#include "datatypes/registry.h"
#include "datatypes/series.h"
#include "datatypes/string_buffer.h"
#include "evaluator/compiled_support.h"

namespace zep::block {

namespace {

using detail::cells_of;

// The last character of the output, or 0 when it is empty.
uint32_t last_char(const Cell* out) {
    uint32_t n = string::total_length(out);
    return n ? string::char_at(out, n - 1) : 0;
}

int32_t write(Cell* out, const char* text, int32_t limit) {
    string::append_text(out, text);
    return limit - static_cast<int32_t>(std::strlen(text));
}

// The cells are read again after each nested call: a nested form or mold
// allocates, and the collector may move the buffer.
Cell read_cell(const Cell* block, int32_t index) {
    return cells_of(block)[index];
}

} // namespace

int32_t form(const Cell* value, Cell* out_string, int32_t part_limit) {
    int32_t limit = part_limit;
    if (cycles::detect(value, out_string, &limit, false)) return limit;
    Cell block = *value;
    int32_t h = series::clamped_head(&block);
    cycles::push(block.data2);
    for (int32_t i = h; i < series::total_length(&block); ++i) {
        if (limit <= 0) break;
        if (i > h) {
            uint32_t c = last_char(out_string);
            if (c != '\n' && c != '\r' && c != '\t') limit = write(out_string, " ", limit);
        }
        Cell cell = read_cell(&block, i);
        if (auto form_slot = actions::slot_as<FormFn>(cell_type(&cell), action_slot::form))
            limit = form_slot(&cell, out_string, limit);
    }
    cycles::pop();
    return limit;
}

int32_t mold_each(const Cell* value, Cell* out_string, bool only, bool all, bool flat,
                  int32_t part_limit, int32_t indent) {
    int32_t limit = part_limit;
    Cell block = *value;
    int32_t h = series::clamped_head(&block);
    bool opened_on_new_line = false;
    for (int32_t i = h; i < series::total_length(&block); ++i) {
        if (limit <= 0) break;
        Cell cell = read_cell(&block, i);
        bool first = i == h;
        if (!flat && (cell.header & cell_flag_new_line)) {
            if (first && !only) {
                ++indent;
                opened_on_new_line = true;
            }
            if (!(first && only)) limit = write(out_string, "\n", limit);
            limit = mold::indent(out_string, indent, limit);
        } else if (!first) {
            limit = write(out_string, " ", limit);
        }
        if (auto mold_slot = actions::slot_as<MoldFn>(cell_type(&cell), action_slot::mold))
            limit = mold_slot(&cell, out_string, false, all, flat, limit, indent);
    }
    if (opened_on_new_line) {
        limit = write(out_string, "\n", limit);
        limit = mold::indent(out_string, indent - 1, limit);
    }
    return limit;
}

int32_t mold(const Cell* value, Cell* out_string, bool only, bool all, bool flat,
             int32_t part_limit, int32_t indent) {
    int32_t limit = part_limit;
    if (cycles::detect(value, out_string, &limit, true)) return limit;
    bool paren = cell_type(value) == type_id::paren;
    Cell block = *value;
    cycles::push(block.data2);
    if (!only) limit = write(out_string, paren ? "(" : "[", limit);
    limit = mold_each(&block, out_string, only, all, flat, limit, indent);
    if (!only) limit = write(out_string, paren ? ")" : "]", limit);
    cycles::pop();
    return limit;
}

} // namespace zep::block
