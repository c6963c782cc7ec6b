// Checking natives and actions made with a spec other than the one their
// entry was written for (evaluator/native_specs.h).
#include "evaluator/native_specs.h"

#include <cstdint>

#include "datatypes/block.h"
#include "datatypes/function.h"
#include "datatypes/native.h"
#include "evaluator/call.h"
#include "evaluator/call_internal.h"
#include "evaluator/compiled_support.h"
#include "evaluator/stack.h"
#include "runtime/gc_roots.h"
#include "runtime/memory.h"
#include "runtime/root_block.h"
#include "runtime/value_make.h"

namespace zep::interp {

namespace {

constexpr int32_t first_cells = native::table_slots + 1 + native::action_table_slots + 1;

// The first value made with each index, natives then actions, in a block
// the root block holds (none until made); 0 until the first make.
Ref first_values = 0;

Cell* first_value_cell(const Cell* value) {
    if (!first_values) {
        Cell block;
        block::make_at(&block, first_cells);
        gc::Root root(&block);
        Cell none;
        value::set_none(&none);
        for (int32_t i = 0; i < first_cells; ++i) block::append_value(&block, &none);
        roots::hold(value::series_node(&block));
        first_values = value::series_node(&block);
    }
    int32_t index = native::index_of(value);
    if (cell_type(value) == type_id::action) index += native::table_slots + 1;
    return node_cells(first_values) + index;
}

bool is_argument(const Cell* c) {
    return cell_type(c) == type_id::typeset &&
           ((c->header & arg_mode::mask) >> arg_mode::shift) != arg_mode::return_type;
}

int32_t leading_arguments(const Cell* cells, int32_t count) {
    int32_t n = 0;
    while (n < count && is_argument(cells + n)) ++n;
    return n;
}

uint32_t mode_of(const Cell* c) {
    return c->header & arg_mode::mask;
}

// Whether the later cell gives the entry nothing the first one would not:
// the same kind and mode, no type more, the same refinement number.
bool within(const Cell* later, const Cell* first) {
    if (cell_type(later) != cell_type(first) || mode_of(later) != mode_of(first)) return false;
    if (cell_type(first) == type_id::typeset)
        return (later->data1 & ~first->data1) == 0 && (later->data2 & ~first->data2) == 0 &&
               (later->data3 & ~first->data3) == 0;
    return later->data1 == first->data1 && later->data2 == first->data2 &&
           later->data3 == first->data3;
}

// Two call specs side by side (valid until the next allocation).
struct Specs {
    const Cell* later;
    int32_t later_count;
    const Cell* first;
    int32_t first_count;
};

// The call specs of the value and of the first value made with its index
// (built and cached when not yet).
Specs specs_of(const Cell* value, const Cell* first_value) {
    Cell values[2] = {*value, *first_value};
    gc::Root root(values, 2);
    Ref later = call_spec_of(&values[0]);
    gc::RootRef later_root(later);
    Ref first = call_spec_of(&values[1]);
    return {node_cells(later), static_cast<int32_t>(node_cell_count(later)), node_cells(first),
            static_cast<int32_t>(node_cell_count(first))};
}

// Whether the later spec's arguments and refinements line up with the
// first's: at least its leading arguments in the same modes and, when the
// first has refinements (which the entry reads by position), exactly its
// arguments and the same refinements.
bool lines_up(const Specs& s) {
    int32_t first_args = leading_arguments(s.first, s.first_count);
    int32_t later_args = leading_arguments(s.later, s.later_count);
    if (later_args < first_args) return false;
    for (int32_t i = 0; i < first_args; ++i)
        if (mode_of(s.later + i) != mode_of(s.first + i)) return false;
    if (s.first_count == first_args) return true;
    if (later_args != first_args || s.later_count != s.first_count) return false;
    for (int32_t i = first_args; i < s.first_count; ++i)
        if (!within(s.later + i, s.first + i)) return false;
    return true;
}

} // namespace

void note_native_made(Cell* made) {
    Cell* first = first_value_cell(made);
    if (cell_type(first) != cell_type(made)) {
        *first = *made;
        return;
    }
    Cell first_value = *first;
    Specs s = specs_of(made, &first_value);
    bool within_spec = lines_up(s);
    for (int32_t i = 0; within_spec && i < leading_arguments(s.first, s.first_count); ++i)
        within_spec = within(s.later + i, s.first + i);
    if (!within_spec) made->header |= native::flag::unlike_entry;
}

bool is_first_made(const Cell* value) {
    if (!first_values) return false;
    const Cell* first = first_value_cell(value);
    return cell_type(first) == cell_type(value) && first->data1 == value->data1 &&
           first->data2 == value->data2 && first->data3 == value->data3;
}

void check_unlike_entry_call(const Cell* function) {
    Cell first_value = *first_value_cell(function);
    Specs s = specs_of(function, &first_value);
    if (!lines_up(s)) {
        Cell spec;
        value::set_series(&spec, type_id::block, function::spec_of(function));
        error::fire(error::Category::script, "bad-func-def", &spec);
    }
    for (int32_t i = 0; i < leading_arguments(s.first, s.first_count); ++i) {
        const Cell* argument = stack::base() + i;
        if (!detail::accepts(s.first + i, cell_type(argument)))
            detail::fire_expect_arg(function, i, argument);
    }
}

void forget_native_specs() {
    first_values = 0;
}

} // namespace zep::interp
