#include "datatypes/unset.h"

#include "datatypes/registry.h"
#include "datatypes/unit_text.h"
#include "evaluator/stack.h"
#include "runtime/memory.h"
#include "runtime/value_make.h"

namespace zep::unset {

void init() {
    datatype::SlotList slots;
    slots.set<action_slot::make>(&make);
    slots.set<action_slot::to>(&to);
    slots.set<action_slot::form>(&form);
    slots.set<action_slot::mold>(&mold);
    slots.set<action_slot::compare>(&compare);
    datatype::register_type(type_id::unset, 0, "unset!", slots);
}

Cell* box() {
    Cell* cell = stack::base();
    value::set_unset(cell);
    return cell;
}

Cell* push() {
    Cell* cell = stack::push_slot();
    value::set_unset(cell);
    return cell;
}

Cell* make_in(Cell* block) {
    Cell* cell = series::alloc_tail_cell(node_buffer(value::series_node(block)));
    value::set_unset(cell);
    return cell;
}

Cell* make(Cell* result, const Cell*, uint8_t) {
    value::set_unset(result);
    return result;
}

Cell* to(Cell* result, const Cell*, uint8_t) {
    value::set_unset(result);
    return result;
}

int32_t form(const Cell*, Cell*, int32_t part_limit) {
    return part_limit;
}

int32_t mold(const Cell*, Cell* out_string, bool, bool all, bool, int32_t part_limit, int32_t) {
    if (all) return unit_text::write_construct(out_string, "unset", part_limit);
    return unit_text::write(out_string, "unset", part_limit);
}

int compare(const Cell*, const Cell* other, int code) {
    return unit_text::compare_payloadless(type_id::unset, other, code);
}

} // namespace zep::unset
