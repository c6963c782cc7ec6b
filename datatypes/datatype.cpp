#include "datatypes/datatype.h"

#include <cstring>

#include "datatypes/registry.h"
#include "datatypes/unit_text.h"
#include "evaluator/stack.h"
#include "runtime/memory.h"
#include "runtime/value_make.h"

namespace zep::datatype {

namespace {

// The full name of the named type ("integer!"); empty for a type id without
// a registered row, so that a damaged value still forms safely.
const char* name_of(const Cell* value) {
    uint32_t type = value->data1;
    if (type >= type_rows || !type_table[type].name) return "";
    return type_table[type].name;
}

} // namespace

void init() {
    SlotList slots;
    slots.set<action_slot::form>(&form);
    slots.set<action_slot::mold>(&mold);
    slots.set<action_slot::compare>(&compare);
    register_type(type_id::datatype, 0, "datatype!", slots);
}

Cell* push(uint8_t type) {
    Cell* cell = stack::push_slot();
    value::set_datatype(cell, type);
    return cell;
}

Cell* append_to_block(Cell* block, uint8_t type) {
    Cell* cell = series::alloc_tail_cell(node_buffer(value::series_node(block)));
    value::set_datatype(cell, type);
    return cell;
}

int32_t form(const Cell* value, Cell* out_string, int32_t part_limit) {
    // The name without its "!".
    const char* name = name_of(value);
    uint32_t length = *name ? static_cast<uint32_t>(std::strlen(name)) - 1 : 0;
    string::append_bytes(out_string, reinterpret_cast<const unsigned char*>(name), length);
    return part_limit - static_cast<int32_t>(length);
}

int32_t mold(const Cell* value, Cell* out_string, bool, bool all, bool, int32_t part_limit,
             int32_t) {
    if (all) return unit_text::write_construct(out_string, name_of(value), part_limit);
    return unit_text::write(out_string, name_of(value), part_limit);
}

int compare(const Cell* value, const Cell* other, int code) {
    switch (code) {
    case compare_code::equal:
    case compare_code::not_equal:
    case compare_code::strict_equal:
    case compare_code::same:
    case compare_code::find:
        return cell_type(other) == type_id::datatype && other->data1 == value->data1 ? 0 : 1;
    default:
        return compare_code::not_comparable;
    }
}

} // namespace zep::datatype
