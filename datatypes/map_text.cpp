// map! text forms: the pairs molded one per line (or separated by spaces
// when flat), wrapped in "#[" and "]" by mold.
#include "datatypes/map.h"
#include "datatypes/map_internal.h"
#include "datatypes/registry.h"
#include "datatypes/string_buffer.h"
#include "evaluator/compiled_support.h"

namespace zep::map {

using namespace detail;

namespace {

int32_t mold_cell(const Cell* value, Cell* out, bool all, bool flat, int32_t limit, int32_t level) {
    auto slot = actions::slot_as<MoldFn>(cell_type(value), action_slot::mold);
    if (!slot) error::fire(error::Category::script, "invalid-arg", value);
    return slot(value, out, false, all, flat, limit, level);
}

int32_t write(Cell* out, const char* text, int32_t limit) {
    string::append_text(out, text);
    return limit - 1;
}

} // namespace

int32_t serialize(const Cell* map, Cell* out, bool only, bool all, bool flat, int32_t limit,
                  bool indent, int32_t level, bool mold) {
    Cell subject = *map;
    if (count(&subject) == 0) return limit;
    const char* separator = flat ? " " : "\n";
    bool indented = !flat && indent && mold && !only;
    if (indented) limit = write(out, "\n", limit);
    bool first = true;
    for (int32_t i = 0; i + 1 < total_cells(&subject); i += 2) {
        if (is_removed(&subject, i)) continue;
        if (!indented && !first) limit = write(out, separator, limit);
        first = false;
        if (indented) limit = mold::indent(out, level, limit);
        Cell key = cells_of(&subject)[i];
        limit = mold_cell(&key, out, all, flat, limit, level);
        limit = write(out, " ", limit);
        Cell item = cells_of(&subject)[i + 1];
        limit = mold_cell(&item, out, all, flat, limit, level);
        if (indented) limit = write(out, separator, limit);
        if (limit < 1) break;
    }
    return limit;
}

int32_t form(const Cell* value, Cell* out_string, int32_t part_limit) {
    if (cycles::detect(value, out_string, &part_limit, false)) return part_limit;
    cycles::push(value->data2);
    part_limit = serialize(value, out_string, false, false, false, part_limit, false, 0, false);
    cycles::pop();
    return part_limit;
}

int32_t mold(const Cell* value, Cell* out_string, bool only, bool all, bool flat,
             int32_t part_limit, int32_t indent) {
    if (cycles::detect(value, out_string, &part_limit, true)) return part_limit;
    if (!only) part_limit = write(out_string, "#[", part_limit) - 1;
    uint32_t before = string::total_length(out_string);
    cycles::push(value->data2);
    part_limit = serialize(value, out_string, only, all, flat, part_limit, true, indent + 1, true);
    cycles::pop();
    if (!only) {
        bool wrote = string::total_length(out_string) != before;
        if (wrote && indent >= 1 && !flat)
            part_limit = mold::indent(out_string, indent, part_limit);
        part_limit = write(out_string, "]", part_limit);
    }
    return part_limit;
}

} // namespace zep::map
