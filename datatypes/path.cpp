// Path family actions: making and converting (block copies retyped), and
// the "/" notation of form and mold.
#include <cmath>

#include "datatypes/block.h"
#include "datatypes/path.h"
#include "datatypes/registry.h"
#include "datatypes/series.h"
#include "datatypes/string_buffer.h"
#include "evaluator/compiled_support.h"
#include "evaluator/stack.h"
#include "runtime/cell_ops.h"
#include "runtime/value_make.h"

namespace zep::path {

namespace {

using error::Category;

// Writes each element from the head through its form or mold slot, with "/"
// between them; stops when the budget is spent.
int32_t write_steps(const Cell* value, Cell* out, bool mold, bool all, bool flat, int32_t limit) {
    Cell path = *value;
    int32_t n = block::length(&path);
    for (int32_t i = 0; i < n && limit > 0; ++i) {
        if (i > 0) {
            string::append_text(out, "/");
            --limit;
        }
        Cell step = *(block::head_cell(&path) + i);
        if (mold) {
            auto slot = actions::slot_as<MoldFn>(cell_type(&step), action_slot::mold);
            if (!slot) error::fire(Category::script, "invalid-arg", &step);
            limit = slot(&step, out, false, all, flat, limit, 0);
        } else {
            auto slot = actions::slot_as<FormFn>(cell_type(&step), action_slot::form);
            if (!slot) error::fire(Category::script, "invalid-arg", &step);
            limit = slot(&step, out, limit);
        }
    }
    return limit;
}

int32_t mold_with(const Cell* value, Cell* out, bool all, bool flat, int32_t limit,
                  const char* before, const char* after) {
    if (cycles::detect(value, out, &limit, true)) return limit;
    if (*before) {
        string::append_text(out, before);
        --limit;
    }
    cycles::push(value->data2);
    limit = write_steps(value, out, true, all, flat, limit);
    cycles::pop();
    if (*after) {
        string::append_text(out, after);
        --limit;
    }
    return limit;
}

Cell* retyped(Cell* result, const Cell* made, uint8_t type) {
    *result = *made;
    value::set_type(result, type);
    result->data3 = 0;
    return result;
}

} // namespace

Cell* push(const Cell* block, uint8_t type) {
    Cell* cell = stack::push(block);
    value::set_type(cell, type);
    return cell;
}

Cell* make_at(Cell* cell, int32_t n) {
    return block::make_at_with(cell, n, type_id::path);
}

Cell* make(Cell* result, const Cell* spec, uint8_t type) {
    uint8_t spec_type = cell_type(spec);
    if (series::is_block_type(spec_type)) {
        Cell made;
        block::to(&made, spec, type_id::block);
        return retyped(result, &made, type);
    }
    if (spec_type == type_id::integer || spec_type == type_id::float_ ||
        spec_type == type_id::percent) {
        double room =
            spec_type == type_id::integer ? value::integer_of(spec) : value::double_of(spec);
        if (std::isnan(room) || room >= 2147483648.0) error::fire(Category::math, "overflow");
        // A negative count gives an empty path, as a count of 0 does.
        int32_t n = room < 1 ? 1 : static_cast<int32_t>(room);
        Cell made;
        block::make_at_with(&made, n, type);
        return retyped(result, &made, type);
    }
    Cell datatype;
    value::set_datatype(&datatype, type);
    error::fire_make_error(&datatype, spec);
}

Cell* to(Cell* result, const Cell* spec, uint8_t type) {
    uint8_t spec_type = cell_type(spec);
    Cell made;
    if (spec_type == type_id::object || spec_type == type_id::typeset ||
        spec_type == type_id::map) {
        Cell element = *spec;
        block::make_at(&made, 1);
        block::append_value(&made, &element);
    } else {
        block::to(&made, spec, type_id::block);
    }
    return retyped(result, &made, type);
}

int32_t form(const Cell* value, Cell* out_string, int32_t part_limit) {
    if (cycles::detect(value, out_string, &part_limit, false)) return part_limit;
    cycles::push(value->data2);
    part_limit = write_steps(value, out_string, false, false, false, part_limit);
    cycles::pop();
    return part_limit;
}

int32_t mold(const Cell* value, Cell* out_string, bool, bool all, bool flat, int32_t part_limit,
             int32_t) {
    return mold_with(value, out_string, all, flat, part_limit, "", "");
}

void init() {
    datatype::SlotList slots(datatype::inherit);
    slots.set<action_slot::make>(&path::make)
        .set<action_slot::to>(&path::to)
        .set<action_slot::form>(&path::form)
        .set<action_slot::mold>(&path::mold)
        .set<action_slot::random>(datatype::unsupported)
        .set<action_slot::sort>(datatype::unsupported)
        .set<action_slot::trim>(datatype::unsupported);
    datatype::register_type(type_id::path, type_id::block, "path!", slots);
}

} // namespace zep::path

namespace zep {

namespace {
void register_path_child(uint8_t type, const char* name, MoldFn mold) {
    datatype::SlotList slots(datatype::inherit);
    slots.set<action_slot::mold>(mold);
    datatype::register_type(type, type_id::path, name, slots);
}
} // namespace

namespace lit_path {
Cell* push(const Cell* block) {
    return path::push(block, type_id::lit_path);
}
int32_t mold(const Cell* value, Cell* out_string, bool, bool all, bool flat, int32_t part_limit,
             int32_t) {
    return path::mold_with(value, out_string, all, flat, part_limit, "'", "");
}
void init() {
    register_path_child(type_id::lit_path, "lit-path!", &lit_path::mold);
}
} // namespace lit_path

namespace set_path {
Cell* push(const Cell* block) {
    return path::push(block, type_id::set_path);
}
int32_t mold(const Cell* value, Cell* out_string, bool, bool all, bool flat, int32_t part_limit,
             int32_t) {
    return path::mold_with(value, out_string, all, flat, part_limit, "", ":");
}
void init() {
    register_path_child(type_id::set_path, "set-path!", &set_path::mold);
}
} // namespace set_path

namespace get_path {
Cell* push(const Cell* block) {
    return path::push(block, type_id::get_path);
}
int32_t mold(const Cell* value, Cell* out_string, bool, bool all, bool flat, int32_t part_limit,
             int32_t) {
    return path::mold_with(value, out_string, all, flat, part_limit, ":", "");
}
void init() {
    register_path_child(type_id::get_path, "get-path!", &get_path::mold);
}
} // namespace get_path

} // namespace zep
