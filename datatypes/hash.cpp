// hash! actions: making a hashed block, copying it with its table, its
// notation, and re-indexing after sort and trim.
#include <cmath>

#include "datatypes/block.h"
#include "datatypes/hash.h"
#include "datatypes/registry.h"
#include "datatypes/series.h"
#include "datatypes/string_buffer.h"
#include "evaluator/compiled_support.h"
#include "evaluator/stack.h"
#include "runtime/cell_ops.h"
#include "runtime/hashtable.h"
#include "runtime/value_make.h"

namespace zep::hash {

namespace {

using error::Category;

uint32_t total_items(const Cell* block) {
    return static_cast<uint32_t>(series::total_length(block));
}

// Enters every item of the block again.
void reindex(Cell* series) {
    if (series->data3) rebuild(series->data3, total_items(series));
}

int32_t room_of(const Cell* spec) {
    if (cell_type(spec) == type_id::integer) return value::integer_of(spec);
    double d = value::double_of(spec);
    if (std::isnan(d) || d >= 2147483648.0 || d <= -2147483649.0)
        error::fire(Category::math, "overflow");
    return static_cast<int32_t>(d);
}

} // namespace

Cell* make_in_place(Cell* block) {
    Ref table = make_table(total_items(block), block, kind::hash, 0);
    value::set_type(block, type_id::hash);
    block->data3 = table;
    return block;
}

Cell* make(Cell* result, const Cell* spec, uint8_t type) {
    uint8_t spec_type = cell_type(spec);
    Cell made;
    if (spec_type == type_id::integer || spec_type == type_id::float_) {
        int32_t room = room_of(spec);
        if (room > static_cast<int32_t>(memory::max_data_size / sizeof(Cell)))
            error::fire_named(Category::internal, "no-memory");
        block::make_at(&made, room < 1 ? 1 : room);
    } else if (spec_type == type_id::block) {
        made = *block::copy_to_stack(spec, false, false);
        stack::pop(1);
        made.header = type_id::block;
    } else if (spec_type == type_id::hash) {
        Cell source = *spec;
        return copy(&source, result, nullptr, false, nullptr);
    } else {
        return to(result, spec, type);
    }
    Cell* slot = stack::push(&made);
    make_in_place(slot);
    *result = *slot;
    stack::pop(1);
    return result;
}

Cell* to(Cell* result, const Cell* spec, uint8_t) {
    if (cell_type(spec) == type_id::hash) {
        Cell source = *spec;
        return copy(&source, result, nullptr, false, nullptr);
    }
    Cell* slot = stack::push_slot();
    value::set_none(slot);
    block::to(slot, spec, type_id::block);
    slot->data3 = 0;
    make_in_place(slot);
    *result = *slot;
    stack::pop(1);
    return result;
}

int32_t mold(const Cell* value, Cell* out_string, bool only, bool all, bool flat,
             int32_t part_limit, int32_t indent) {
    if (!only) {
        string::append_text(out_string, "make hash! ");
        part_limit -= 11;
    }
    Cell items = *value;
    return block::mold(&items, out_string, only, all, flat, part_limit, indent);
}

Cell* copy(Cell* series, Cell* destination, const Cell* part, bool deep, const Cell* types) {
    Cell source = *series;
    bool whole = value::series_head(&source) == 0 && !series::is_given(part) && !deep &&
                 !series::is_given(types);
    block::copy(series, destination, part, deep, types);
    value::set_type(destination, type_id::hash);
    if (whole && source.data3) {
        destination->data3 = copy_table(source.data3, destination->data2);
        return destination;
    }
    Cell* slot = stack::push(destination);
    slot->data3 = 0;
    make_in_place(slot);
    *destination = *slot;
    stack::pop(1);
    return destination;
}

Cell* sort(Cell* series, bool case_, const Cell* skip, const Cell* compare, const Cell* part,
           bool all, bool reverse, bool stable) {
    Cell* result = block::sort(series, case_, skip, compare, part, all, reverse, stable);
    reindex(series);
    return result;
}

Cell* trim(Cell* series, bool, bool, bool, bool, bool, const Cell*) {
    Cell* result = block::trim(series);
    reindex(series);
    return result;
}

void init() {
    datatype::SlotList slots;
    const datatype::SlotWord inherit = datatype::inherit;
    slots.set<action_slot::make>(&hash::make)
        .set<action_slot::reflect>(inherit)
        .set<action_slot::to>(&hash::to)
        .set<action_slot::form>(inherit)
        .set<action_slot::mold>(&hash::mold)
        .set<action_slot::eval_path>(inherit)
        .set<action_slot::compare>(inherit)
        .set<action_slot::append>(inherit)
        .set<action_slot::at>(inherit)
        .set<action_slot::back>(inherit)
        .set<action_slot::change>(inherit)
        .set<action_slot::clear>(inherit)
        .set<action_slot::copy>(&hash::copy)
        .set<action_slot::sort>(&hash::sort)
        .set<action_slot::trim>(&hash::trim)
        .set<action_slot::modify>(inherit);
    // find ... take, but sort and trim: the block's.
    slots.set<action_slot::find>(inherit)
        .set<action_slot::head>(inherit)
        .set<action_slot::is_head>(inherit)
        .set<action_slot::is_index>(inherit)
        .set<action_slot::insert>(inherit)
        .set<action_slot::is_length>(inherit)
        .set<action_slot::move>(inherit)
        .set<action_slot::next>(inherit)
        .set<action_slot::pick>(inherit)
        .set<action_slot::poke>(inherit)
        .set<action_slot::put>(inherit)
        .set<action_slot::remove>(inherit)
        .set<action_slot::reverse>(inherit)
        .set<action_slot::select>(inherit)
        .set<action_slot::skip>(inherit)
        .set<action_slot::swap>(inherit)
        .set<action_slot::tail>(inherit)
        .set<action_slot::is_tail>(inherit)
        .set<action_slot::take>(inherit);
    datatype::register_type(type_id::hash, type_id::block, "hash!", slots);
}

} // namespace zep::hash
