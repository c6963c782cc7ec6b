#include "datatypes/native.h"

#include "datatypes/block.h"
#include "datatypes/context.h"
#include "datatypes/function.h"
#include "datatypes/function_internal.h"
#include "datatypes/registry.h"
#include "datatypes/word.h"
#include "evaluator/compiled_support.h"
#include "evaluator/native_specs.h"
#include "evaluator/stack.h"
#include "runtime/gc_roots.h"

namespace zep::native {

using namespace function::detail;

namespace {

bool is_field(const Cell* field, words::symbol::Id id) {
    return word::is_any_word_type(cell_type(field)) && is_symbol(field, id);
}

// The index a make native!/action! block gives, or 0 when the block is not
// [spec-block index] with an index in 1..slots.
int32_t index_from(const Cell* spec, int32_t slots) {
    if (cell_type(spec) != type_id::block) return 0;
    Ref node = value::series_node(spec);
    int32_t head = head_of(spec);
    if (tail_of(node) - head != 2) return 0;
    if (cell_type(cell_at(node, head)) != type_id::block) return 0;
    const Cell* index = cell_at(node, head + 1);
    if (cell_type(index) != type_id::integer) return 0;
    int32_t n = value::integer_of(index);
    return n >= 1 && n <= slots ? n : 0;
}

} // namespace

Cell* make_value(Cell* out, const Cell* spec, int32_t index, uint8_t type) {
    Cell spec_copy = copy_from_head(spec);
    gc::Root spec_root(&spec_copy);
    Ref context = context::make_from_words(&spec_copy, true, false, context::kind::function);
    gc::RootRef context_root(context);
    Cell holder;
    block::make_at(&holder, 2);
    gc::Root holder_root(&holder);
    Cell header = *context::header(context);
    block::append_value(&holder, &header);
    Cell none;
    value::set_none(&none);
    block::append_value(&holder, &none);
    value::set_cell(out, type, static_cast<uint32_t>(index), value::series_node(&spec_copy),
                    value::series_node(&holder));
    return out;
}

Cell* make(Cell* result, const Cell* spec, uint8_t type) {
    Cell argument = *spec;
    gc::Root root(&argument);
    int32_t slots = type == type_id::action ? action_table_slots : table_slots;
    int32_t index = index_from(&argument, slots);
    if (index == 0) {
        Cell named;
        value::set_datatype(&named, type);
        error::fire_make_error(&named, &argument);
    }
    Cell fn_spec = *cell_at(value::series_node(&argument), head_of(&argument));
    gc::Root spec_root(&fn_spec);
    Cell made;
    make_value(&made, &fn_spec, index, type);
    gc::Root made_root(&made);
    interp::note_native_made(&made);
    *result = made;
    return result;
}

Cell* reflect(Cell* value, const Cell* field) {
    if (is_field(field, words::symbol::spec)) {
        value::set_series(value, type_id::block, function::spec_of(value));
        return value;
    }
    if (is_field(field, words::symbol::body)) {
        uint8_t wrapped = cell_type(value) == type_id::op
                              ? static_cast<uint8_t>(value->header >> 16)
                              : cell_type(value);
        if (wrapped == type_id::function || wrapped == type_id::routine) {
            Cell body = *function::more_cell(value, function::more::body);
            if (cell_type(&body) == type_id::block)
                copy_block(&body, false, value);
            else
                *value = body;
            return value;
        }
        value::set_integer(value, index_of(value));
        return value;
    }
    fire_not_done();
}

int32_t form(const Cell*, Cell* out_string, int32_t part_limit) {
    return write(out_string, "?native?", part_limit);
}

// "make native! [" + spec molded + "]" (and the same for action!).
int32_t mold_made(const Cell* value, const char* prefix, Cell* out_string, int32_t part_limit) {
    Cell spec;
    value::set_series(&spec, type_id::block, function::spec_of(value));
    gc::Root root(&spec);
    part_limit = write(out_string, prefix, part_limit);
    part_limit = mold_block(&spec, out_string, part_limit);
    return write(out_string, "]", part_limit);
}

int32_t mold(const Cell* value, Cell* out_string, bool, bool, bool, int32_t part_limit, int32_t) {
    return mold_made(value, "make native! [", out_string, part_limit);
}

int compare(const Cell* a, const Cell* b, int code) {
    return compare_words(a, b, code, false);
}

void init() {
    datatype::SlotList slots;
    slots.set<action_slot::make>(&make);
    slots.set<action_slot::reflect>(&reflect);
    slots.set<action_slot::form>(&form);
    slots.set<action_slot::mold>(&mold);
    slots.set<action_slot::compare>(&compare);
    datatype::register_type(type_id::native, 0, "native!", slots);
    // A new start: the first values made for each index come again.
    interp::forget_native_specs();
}

} // namespace zep::native
