#include "datatypes/op.h"

#include "datatypes/function.h"
#include "datatypes/function_internal.h"
#include "datatypes/native.h"
#include "datatypes/registry.h"
#include "evaluator/compiled_support.h"
#include "runtime/gc_roots.h"

namespace zep::op {

using namespace function::detail;

bool check_spec(const Cell* spec) {
    Ref node = value::series_node(spec);
    int32_t arguments = 0;
    bool plain_word_seen = false;
    for (int32_t i = head_of(spec); i < tail_of(node); ++i) {
        const Cell* c = cell_at(node, i);
        switch (cell_type(c)) {
        case type_id::word:
            ++arguments;
            plain_word_seen = true;
            break;
        case type_id::lit_word:
        case type_id::get_word:
            if (!plain_word_seen) return false;
            ++arguments;
            break;
        case type_id::set_word:
            return arguments == 2;
        case type_id::refinement:
            if (is_local(c) || is_extern(c)) return arguments == 2;
            return false;
        default:
            break;
        }
    }
    return arguments == 2;
}

Cell* make(Cell* result, const Cell* spec, uint8_t) {
    Cell source = *spec;
    uint8_t type = cell_type(&source);
    if (type != type_id::native && type != type_id::action && type != type_id::function &&
        type != type_id::routine) {
        Cell named;
        value::set_datatype(&named, type);
        error::fire(error::Category::script, "invalid-type", &named);
    }
    Cell spec_block;
    value::set_series(&spec_block, type_id::block, function::spec_of(&source));
    // An op! drops the flag that checks such a native's arguments.
    if (!check_spec(&spec_block) || ((type == type_id::native || type == type_id::action) &&
                                     (source.header & native::flag::unlike_entry)))
        error::fire(error::Category::script, "bad-op-spec");
    if (type == type_id::function || type == type_id::routine)
        *function::more_cell(&source, function::more::wrapped) = source;
    Cell made = source;
    made.header = type_id::op | (static_cast<uint32_t>(type) << wrapped_shift);
    *result = made;
    return result;
}

Cell* reflect(Cell* value, const Cell* field) {
    return native::reflect(value, field);
}

int32_t form(const Cell*, Cell* out_string, int32_t part_limit) {
    return write(out_string, "?op?", part_limit);
}

int32_t mold(const Cell* value, Cell* out_string, bool, bool, bool, int32_t part_limit, int32_t) {
    Cell op = *value;
    gc::Root root(&op);
    uint8_t wrapped = wrapped_type(&op);
    part_limit = write(out_string, "make op! ", part_limit);
    Cell spec;
    value::set_series(&spec, type_id::block, function::spec_of(&op));
    gc::Root spec_root(&spec);
    if (wrapped == type_id::function || wrapped == type_id::routine) {
        part_limit = write(out_string, "func ", part_limit);
        part_limit = mold_block(&spec, out_string, part_limit);
        Cell body = *function::more_cell(&op, function::more::body);
        if (cell_type(&body) == type_id::block) return mold_block(&body, out_string, part_limit);
        return write(out_string, " none", part_limit);
    }
    part_limit = write(out_string, "[", part_limit);
    part_limit = mold_block(&spec, out_string, part_limit);
    return write(out_string, "]", part_limit);
}

void init() {
    datatype::SlotList slots;
    slots.set<action_slot::make>(&make);
    slots.set<action_slot::reflect>(&reflect);
    slots.set<action_slot::form>(&form);
    slots.set<action_slot::mold>(&mold);
    slots.set<action_slot::compare>(&native::compare);
    datatype::register_type(type_id::op, 0, "op!", slots);
}

} // namespace zep::op
