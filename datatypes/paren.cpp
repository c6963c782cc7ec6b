// paren! actions: everything is the block's but the notation.
#include "datatypes/paren.h"
#include "datatypes/block.h"
#include "datatypes/registry.h"
#include "datatypes/string_buffer.h"
#include "evaluator/compiled_support.h"
#include "evaluator/stack.h"
#include "runtime/cell_ops.h"

namespace zep::paren {

Cell* push(const Cell* block) {
    Cell* cell = stack::push(block);
    value::set_type(cell, type_id::paren);
    return cell;
}

int32_t mold(const Cell* value, Cell* out_string, bool only, bool all, bool flat,
             int32_t part_limit, int32_t indent) {
    if (cycles::detect(value, out_string, &part_limit, true)) return part_limit;
    if (!only) {
        string::append_text(out_string, "(");
        --part_limit;
    }
    cycles::push(value->data2);
    part_limit = block::mold_each(value, out_string, only, all, flat, part_limit, indent);
    cycles::pop();
    if (!only) {
        string::append_text(out_string, ")");
        --part_limit;
    }
    return part_limit;
}

void init() {
    datatype::SlotList slots(datatype::inherit);
    slots.set<action_slot::mold>(&paren::mold);
    datatype::register_type(type_id::paren, type_id::block, "paren!", slots);
}

} // namespace zep::paren
