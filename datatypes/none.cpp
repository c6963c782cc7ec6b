#include "datatypes/none.h"

#include "datatypes/registry.h"
#include "datatypes/unit_text.h"
#include "evaluator/stack.h"
#include "runtime/memory.h"
#include "runtime/value_make.h"

namespace zep::none {

namespace {

Cell* become_none(Cell* cell) {
    value::set_none(cell);
    return cell;
}

} // namespace

void init() {
    datatype::SlotList slots;
    slots.set<action_slot::make>(&make);
    slots.set<action_slot::to>(&to);
    slots.set<action_slot::form>(&form);
    slots.set<action_slot::mold>(&mold);
    slots.set<action_slot::compare>(&compare);
    slots.set<action_slot::clear>(&clear);
    slots.set<action_slot::find>(&find);
    slots.set<action_slot::is_length>(&length);
    slots.set<action_slot::remove>(&remove);
    slots.set<action_slot::select>(&select);
    slots.set<action_slot::take>(&take);
    datatype::register_type(type_id::none, 0, "none!", slots);
}

Cell* box() {
    return become_none(stack::base());
}

Cell* push() {
    return become_none(stack::push_slot());
}

Cell* make_in(Cell* block) {
    return become_none(series::alloc_tail_cell(node_buffer(value::series_node(block))));
}

Cell* make(Cell* result, const Cell*, uint8_t) {
    return become_none(result);
}

Cell* to(Cell* result, const Cell*, uint8_t) {
    return become_none(result);
}

int32_t form(const Cell*, Cell* out_string, int32_t part_limit) {
    return unit_text::write(out_string, "none", part_limit);
}

int32_t mold(const Cell*, Cell* out_string, bool, bool all, bool, int32_t part_limit, int32_t) {
    if (all) return unit_text::write_construct(out_string, "none", part_limit);
    return unit_text::write(out_string, "none", part_limit);
}

int compare(const Cell*, const Cell* other, int code) {
    return unit_text::compare_payloadless(type_id::none, other, code);
}

Cell* clear(Cell* series) {
    return become_none(series);
}

Cell* find(Cell* series, Cell*, Cell*, bool, bool, bool, bool, Cell*, Cell*, bool, bool, bool,
           bool) {
    return become_none(series);
}

Cell* remove(Cell* series, Cell*, Cell*) {
    return become_none(series);
}

Cell* select(Cell* series, Cell*, Cell*, bool, bool, bool, bool, Cell*, Cell*, bool, bool) {
    return become_none(series);
}

Cell* take(Cell* series, Cell*, bool, bool) {
    return become_none(series);
}

int32_t length(Cell*) {
    return -1;
}

} // namespace zep::none
