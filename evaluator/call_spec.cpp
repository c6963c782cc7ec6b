// The call spec: a compact block derived once from a function-like value's
// spec and cached with the value.
#include "datatypes/block.h"
#include "datatypes/function.h"
#include "datatypes/function_internal.h"
#include "datatypes/typeset.h"
#include "evaluator/call.h"
#include "evaluator/call_internal.h"
#include "evaluator/compiled_support.h"
#include "runtime/gc_roots.h"

namespace zep::interp {

using function::detail::cell_at;
using function::detail::is_local;
using function::detail::tail_of;

namespace {

// A typeset! from the block after the spec word at index, or the default.
Cell argument_typeset(Ref spec, int32_t index, uint32_t mode) {
    Cell types;
    Cell next;
    value::set_none(&next);
    if (index + 1 < tail_of(spec)) next = *cell_at(spec, index + 1);
    if (cell_type(&next) == type_id::block &&
        value::series_head(&next) < tail_of(value::series_node(&next))) {
        gc::Root root(&next);
        typeset::from_block(&types, &next);
    } else {
        typeset::make_default(&types);
    }
    types.header = (types.header & ~arg_mode::mask) | (mode << arg_mode::shift);
    return types;
}

} // namespace

Ref build_call_spec(const Cell* function_in) {
    Cell fn = *function_in;
    Cell out;
    block::make_at(&out, 8);
    gc::Root roots[] = {gc::Root(&fn), gc::Root(&out)};
    bool native = detail::is_native_like(cell_type(&fn));
    int32_t refinements = 0;
    int32_t local_count = 0;
    for (int32_t i = 0; i < tail_of(function::spec_of(&fn)); ++i) {
        Ref spec = function::spec_of(&fn);
        Cell c = *cell_at(spec, i);
        switch (cell_type(&c)) {
        case type_id::word:
        case type_id::get_word:
        case type_id::lit_word: {
            uint32_t mode = cell_type(&c) == type_id::word       ? arg_mode::evaluated
                            : cell_type(&c) == type_id::get_word ? arg_mode::get
                                                                 : arg_mode::literal;
            Cell types = argument_typeset(spec, i, mode);
            block::append_value(&out, &types);
            break;
        }
        case type_id::refinement:
            if (is_local(&c)) {
                int32_t j = i + 1;
                while (j < tail_of(spec) && cell_type(cell_at(spec, j)) != type_id::set_word) ++j;
                local_count = j - i;
                i = j - 1;
            } else {
                if (native) c.data3 = static_cast<uint32_t>(++refinements);
                block::append_value(&out, &c);
            }
            break;
        case type_id::set_word: {
            if (!function::detail::is_symbol(&c, words::symbol::return_))
                error::fire(error::Category::script, "bad-func-def", &c);
            Cell types = argument_typeset(spec, i, arg_mode::return_type);
            block::append_value(&out, &types);
            break;
        }
        default:
            break;
        }
    }
    Cell count;
    if (local_count > 0) {
        value::set_integer(&count, local_count);
        block::append_value(&out, &count);
    }
    if (native && refinements > 0) {
        value::set_integer(&count, refinements);
        block::append_value(&out, &count);
    }
    return value::series_node(&out);
}

uint32_t call_shape_of(Ref call_spec, bool native) {
    int32_t count = tail_of(call_spec);
    const Cell* cells = cell_at(call_spec, 0);
    auto mode_of = [](const Cell* e) { return (e->header & arg_mode::mask) >> arg_mode::shift; };
    int32_t arguments = 0;
    uint32_t literal = 0;
    while (arguments < count && cell_type(cells + arguments) == type_id::typeset) {
        uint32_t mode = mode_of(cells + arguments);
        if (mode == arg_mode::literal && arguments < call_shape::literal_positions)
            literal |= 1u << arguments;
        else if (mode != arg_mode::evaluated)
            break;
        ++arguments;
    }
    bool after_refinement = false;
    bool refinements = false;
    int32_t locals = 0;
    for (int32_t i = arguments; i < count; ++i) {
        const Cell* e = cells + i;
        switch (cell_type(e)) {
        case type_id::typeset:
            // Only a native's argument of a refinement (off in an ordinary
            // call) may follow; any other needs the general loop.
            if (mode_of(e) != arg_mode::return_type && !(native && after_refinement)) return 0;
            break;
        case type_id::refinement:
            if (!native) return 0;
            after_refinement = true;
            break;
        case type_id::integer:
            // A native's last integer is its refinement count.
            if (native && i == count - 1) {
                if (value::integer_of(e) > call_shape::max_refinements) return 0;
                refinements = value::integer_of(e) > 0;
            }
            if (!native) locals = value::integer_of(e);
            break;
        default:
            break;
        }
    }
    if (arguments > static_cast<int32_t>(call_shape::argument_mask) || locals < 0 ||
        locals > static_cast<int32_t>(call_shape::local_mask))
        return 0;
    return call_shape::plain | (refinements ? call_shape::refinements : 0) |
           static_cast<uint32_t>(arguments) |
           (static_cast<uint32_t>(locals) << call_shape::local_shift) |
           (literal << call_shape::literal_shift);
}

Ref build_and_cache_call_spec(const Cell* function) {
    Cell fn = *function;
    gc::Root root(&fn);
    Ref built = build_call_spec(&fn);
    uint32_t shape = call_shape_of(built, detail::is_native_like(cell_type(&fn)));
    value::set_series(call_spec_cache_cell(&fn), type_id::block, built, 0, shape);
    return value::series_node(call_spec_cache_cell(&fn));
}

} // namespace zep::interp
