#include "datatypes/routine.h"

#include <cstring>
#include <vector>

#include "datatypes/block.h"
#include "datatypes/context.h"
#include "datatypes/function.h"
#include "datatypes/function_internal.h"
#include "datatypes/registry.h"
#include "evaluator/stack.h"
#include "runtime/gc_roots.h"

namespace zep::routine {

using namespace function::detail;

namespace {

struct NamedCode {
    const char* name;
    CodeEntry entry;
};
std::vector<NamedCode>& code_table() {
    static std::vector<NamedCode> table;
    return table;
}

int32_t add_code(const char* name, CodeEntry entry) {
    code_table().push_back({name, entry});
    return static_cast<int32_t>(code_table().size());
}

} // namespace

int32_t register_cell_code(const char* name, CellCode code) {
    return add_code(name, {code, nullptr});
}

int32_t register_machine_code(const char* name, MachineCode code) {
    return add_code(name, {nullptr, code});
}

int32_t find_code(const char* name) {
    auto& table = code_table();
    for (size_t i = 0; i < table.size(); ++i)
        if (std::strcmp(table[i].name, name) == 0) return static_cast<int32_t>(i + 1);
    return 0;
}

const CodeEntry* code_at(int32_t index) {
    auto& table = code_table();
    if (index < 1 || static_cast<size_t>(index) > table.size()) return nullptr;
    return &table[static_cast<size_t>(index) - 1].entry;
}

Cell* push(const Cell* spec, const Cell* body, int32_t code, int32_t second, bool cell_args) {
    Cell spec_copy = copy_from_head(spec);
    gc::Root spec_root(&spec_copy);
    Cell body_copy;
    value::set_none(&body_copy);
    if (body && cell_type(body) == type_id::block) body_copy = *body;
    gc::Root body_root(&body_copy);
    Ref context = context::make_from_words(&spec_copy, true, false, context::kind::function);
    gc::RootRef context_root(context);
    Cell more;
    block::make_at(&more, function::more::cells);
    gc::Root more_root(&more);
    Cell cells[function::more::cells];
    cells[function::more::body] = body_copy;
    value::set_unset(&cells[function::more::call_spec]);
    value::set_integer(&cells[function::more::code], code);
    value::set_unset(&cells[function::more::wrapped]);
    value::set_integer(&cells[function::more::second], second);
    for (const Cell& c : cells) block::append_value(&more, &c);
    Cell* made = stack::push_slot();
    value::set_cell(made, type_id::routine, context, value::series_node(&spec_copy),
                    value::series_node(&more));
    if (cell_args) made->header |= cell_arguments;
    set_arity(made);
    *context::owner(context) = *made;
    return made;
}

void set_arity(Cell* value) {
    Ref spec = function::spec_of(value);
    uint32_t n = 0;
    for (int32_t i = 0; i < tail_of(spec); ++i)
        if (cell_type(cell_at(spec, i)) == type_id::word) ++n;
    if (n > 31) n = 31;
    value->header = (value->header & ~arity_mask) | (n << arity_shift);
}

Cell* reflect(Cell* value, const Cell* field) {
    return function::reflect(value, field);
}

int32_t form(const Cell*, Cell* out_string, int32_t part_limit) {
    return write(out_string, "?routine?", part_limit);
}

int32_t mold(const Cell* value, Cell* out_string, bool only, bool all, bool flat,
             int32_t part_limit, int32_t indent) {
    Cell routine = *value;
    gc::Root root(&routine);
    part_limit = write(out_string, "routine ", part_limit);
    Cell spec;
    value::set_series(&spec, type_id::block, function::spec_of(&routine));
    part_limit = mold_block(&spec, out_string, part_limit);
    Cell body = *function::more_cell(&routine, function::more::body);
    gc::Root body_root(&body);
    if (cell_type(&body) == type_id::block) return mold_block(&body, out_string, part_limit);
    part_limit = write(out_string, " ", part_limit);
    auto mold_slot = actions::slot_as<MoldFn>(cell_type(&body), action_slot::mold);
    if (!mold_slot) return part_limit;
    return mold_slot(&body, out_string, only, all, flat, part_limit, indent);
}

void init() {
    datatype::SlotList slots(datatype::inherit);
    slots.set<action_slot::make>(datatype::unsupported);
    slots.set<action_slot::reflect>(&reflect);
    slots.set<action_slot::form>(&form);
    slots.set<action_slot::mold>(&mold);
    datatype::register_type(type_id::routine, type_id::function, "routine!", slots);
}

} // namespace zep::routine
