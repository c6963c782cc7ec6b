// Action lookup (with the native port actor route), the dispatchers that
// callers holding explicit cells use, and comparison.
#include "datatypes/context.h"
#include "datatypes/function.h"
#include "evaluator/actions.h"
#include "evaluator/compiled_support.h"
#include "evaluator/runtime_words.h"
#include "evaluator/stack.h"
#include "runtime/error_exit.h"
#include "runtime/handles.h"
#include "runtime/memory.h"
#include "runtime/value_make.h"

namespace zep::actions {

PathMode path_mode = {nullptr, false, false};

namespace {

// The datatype of a type id as an error argument: its word when the type
// words exist, else a datatype! value.
Cell datatype_cell(uint8_t type) {
    Cell out{};
    if (type < type_rows && datatype::type_table[type].word.header != 0)
        out = datatype::type_table[type].word;
    else
        value::set_datatype(&out, type);
    return out;
}

// The native actor table of a port! whose actor field holds a handle!
// (the handle's entry object), or null.
const PortActor* port_actor_of(const Cell* port) {
    Ref ctx = port->data1;
    if (!ctx || context::word_count(ctx) < 3) return nullptr;
    const Cell* values = context::values(ctx);
    if (!values || cell_type(values + 2) != type_id::handle) return nullptr;
    int32_t index = static_cast<int32_t>(values[2].data2);
    if (index < 0 || static_cast<uint32_t>(index) >= handles::capacity()) return nullptr;
    return static_cast<const PortActor*>(handles::entry(index).object);
}

[[noreturn]] void fire_expect_arg(uint8_t type) {
    Cell caller, datatype = datatype_cell(type), argument;
    stack::get_caller(&caller);
    function::arg_word_at(0, &argument);
    error::fire(error::Category::script, "expect-arg", &caller, &datatype, &argument);
}

// The type a make or to slot is chosen by: the type a datatype! names, else
// the value's own.
uint8_t target_type(const Cell* type) {
    return cell_type(type) == type_id::datatype ? static_cast<uint8_t>(type->data1)
                                                : cell_type(type);
}

template <class Fn> Fn slot(const Cell* value, int action) {
    return reinterpret_cast<Fn>(get_action_of(value, action));
}

// Runs a frame-reading slot on one value in a frame of its own; answers
// the result's truth (even?, odd?).
bool run_frame_truth(Cell* value, int action) {
    FrameFn fn = slot<FrameFn>(value, action);
    Cell copy = *value;
    stack::mark_native(words::global_word(words::global::anon));
    stack::push(&copy);
    fn();
    const Cell* result = stack::base();
    bool truth = !(cell_type(result) == type_id::none ||
                   (cell_type(result) == type_id::logic && result->data1 == 0));
    stack::unwind_drop();
    return truth;
}

} // namespace

ActionSlot get_action(uint8_t type, const Cell* value, int action) {
    if (type == type_id::port && action >= port_actor_first && value &&
        cell_type(value) == type_id::port) {
        if (const PortActor* actor = port_actor_of(value)) {
            ActionSlot entry = (*actor)[action - port_actor_first];
            if (!entry) error::fire(error::Category::access, "no-port-action");
            return entry;
        }
    }
    ActionSlot found = slot_of(type, static_cast<uint32_t>(action));
    if (!found) fire_expect_arg(type);
    return found;
}

ActionSlot get_action_of_arg1(int action) {
    const Cell* first = stack::base();
    return get_action(cell_type(first), first, action);
}

ActionSlot get_action_of(const Cell* value, int action) {
    return get_action(cell_type(value), value, action);
}

EvalPathFn get_path_action(const Cell* value, const Cell* path, const Cell* element,
                           int32_t element_index) {
    (void)element_index;
    ActionSlot found = slot_of(cell_type(value), action_slot::eval_path);
    if (found) return reinterpret_cast<EvalPathFn>(found);
    Cell datatype = datatype_cell(cell_type(value));
    if (path && element) {
        Cell element_copy = *element;
        error::fire(error::Category::script, "bad-path-type", &element_copy, &datatype);
    }
    error::fire(error::Category::script, "bad-path-type2", &datatype);
}

int32_t index_arg() {
    const Cell* index = stack::base() + 1;
    switch (cell_type(index)) {
    case type_id::integer:
        return value::integer_of(index);
    case type_id::char_:
        return static_cast<int32_t>(index->data2);
    case type_id::logic:
        return index->data1 ? 1 : 2;
    default:
        return 0;
    }
}

// --- Dispatchers -----------------------------------------------------------------------

Cell* dispatch_make(Cell* type, const Cell* spec) {
    uint8_t target = target_type(type);
    auto fn = reinterpret_cast<MakeFn>(get_action(target, type, action_slot::make));
    return fn(type, spec, target);
}
Cell* dispatch_to(Cell* type, const Cell* spec) {
    uint8_t target = target_type(type);
    auto fn = reinterpret_cast<ToFn>(get_action(target, type, action_slot::to));
    return fn(type, spec, target);
}
Cell* dispatch_random(Cell* value, bool seed, bool secure, bool only) {
    return slot<RandomFn>(value, action_slot::random)(value, seed, secure, only);
}
Cell* dispatch_reflect(Cell* value, const Cell* field) {
    return slot<ReflectFn>(value, action_slot::reflect)(value, field);
}
int32_t dispatch_form(const Cell* value, Cell* out_string, int32_t part_limit) {
    return slot<FormFn>(value, action_slot::form)(value, out_string, part_limit);
}
int32_t dispatch_mold(const Cell* value, Cell* out_string, bool only, bool all, bool flat,
                      int32_t part_limit, int32_t indent) {
    return slot<MoldFn>(value, action_slot::mold)(value, out_string, only, all, flat, part_limit,
                                                  indent);
}
Cell* dispatch_eval_path(Cell* value, const Cell* selector, const Cell* new_value, const Cell* path,
                         int32_t element_index, bool case_, const Cell* parent, bool get,
                         bool get_any) {
    const Cell* element = nullptr;
    if (path && element_index >= 0 &&
        static_cast<uint32_t>(element_index) < node_cell_count(value::series_node(path)))
        element = node_cells(value::series_node(path)) + element_index;
    EvalPathFn fn = get_path_action(value, path, element ? element : selector, element_index);
    path_mode = {parent, get, get_any};
    return fn(value, selector, new_value, path, case_);
}
Cell* dispatch_negate(Cell* value) {
    return slot<NegateFn>(value, action_slot::negate)(value);
}
Cell* dispatch_round(Cell* value, const Cell* scale, uint32_t flags) {
    return slot<RoundFn>(value, action_slot::round)(value, scale, flags);
}
bool dispatch_is_even(Cell* value) {
    return run_frame_truth(value, action_slot::is_even);
}
bool dispatch_is_odd(Cell* value) {
    return run_frame_truth(value, action_slot::is_odd);
}
Cell* dispatch_complement(Cell* value) {
    return slot<ComplementFn>(value, action_slot::complement)(value);
}
Cell* dispatch_append(Cell* series, const Cell* value, int32_t part, bool only, int32_t dup) {
    return slot<AppendFn>(series, action_slot::append)(series, value, part, only, dup, true);
}
Cell* dispatch_change(Cell* series, const Cell* value, int32_t part, bool only, int32_t dup) {
    return slot<AppendFn>(series, action_slot::change)(series, value, part, only, dup, true);
}
Cell* dispatch_clear(Cell* series) {
    return slot<ClearFn>(series, action_slot::clear)(series);
}
Cell* dispatch_copy(Cell* series, Cell* destination, const Cell* part, bool deep,
                    const Cell* types) {
    return slot<CopyFn>(series, action_slot::copy)(series, destination, part, deep, types);
}
Cell* dispatch_find(Cell* series, Cell* value, Cell* part, bool only, bool case_, bool same,
                    bool any, Cell* with, Cell* skip, bool last, bool reverse, bool tail,
                    bool match) {
    return slot<FindFn>(series, action_slot::find)(series, value, part, only, case_, same, any,
                                                   with, skip, last, reverse, tail, match);
}
Cell* dispatch_insert(Cell* series, const Cell* value, int32_t part, bool only, int32_t dup) {
    return slot<AppendFn>(series, action_slot::insert)(series, value, part, only, dup, false);
}
int32_t dispatch_length(Cell* series) {
    return slot<LengthFn>(series, action_slot::is_length)(series);
}
Cell* dispatch_move(Cell* origin, Cell* target, const Cell* part) {
    return slot<MoveFn>(origin, action_slot::move)(origin, target, part);
}
Cell* dispatch_pick(Cell* series, int32_t index, const Cell* index_cell) {
    return slot<PickFn>(series, action_slot::pick)(series, index, index_cell);
}
Cell* dispatch_poke(Cell* series, int32_t index, Cell* value, const Cell* index_cell) {
    return slot<PokeFn>(series, action_slot::poke)(series, index, value, index_cell);
}
Cell* dispatch_put(Cell* series, Cell* key, Cell* value, bool case_) {
    return slot<PutFn>(series, action_slot::put)(series, key, value, case_);
}
Cell* dispatch_remove(Cell* series, Cell* part, Cell* key) {
    return slot<RemoveFn>(series, action_slot::remove)(series, part, key);
}
Cell* dispatch_reverse(Cell* series, Cell* part, Cell* skip) {
    return slot<ReverseFn>(series, action_slot::reverse)(series, part, skip);
}
Cell* dispatch_select(Cell* series, Cell* value, Cell* part, bool only, bool case_, bool same,
                      bool any, Cell* with, Cell* skip, bool last, bool reverse) {
    return slot<SelectFn>(series, action_slot::select)(series, value, part, only, case_, same, any,
                                                       with, skip, last, reverse);
}
Cell* dispatch_sort(Cell* series, bool case_, const Cell* skip, const Cell* comparator,
                    const Cell* part, bool all, bool reverse, bool stable) {
    return slot<SortFn>(series, action_slot::sort)(series, case_, skip, comparator, part, all,
                                                   reverse, stable);
}
Cell* dispatch_swap(Cell* series, Cell* other) {
    return slot<SwapFn>(series, action_slot::swap)(series, other);
}
Cell* dispatch_take(Cell* series, Cell* part, bool deep, bool last) {
    return slot<TakeFn>(series, action_slot::take)(series, part, deep, last);
}
Cell* dispatch_trim(Cell* series, bool head, bool tail, bool auto_, bool lines, bool all,
                    const Cell* with) {
    return slot<TrimFn>(series, action_slot::trim)(series, head, tail, auto_, lines, all, with);
}
Cell* dispatch_create(Cell* port) {
    return slot<PortFn>(port, action_slot::create)(port);
}
Cell* dispatch_close(Cell* port) {
    return slot<PortFn>(port, action_slot::close)(port);
}
Cell* dispatch_delete(Cell* target) {
    return slot<PortFn>(target, action_slot::delete_)(target);
}
Cell* dispatch_modify(Cell* target, const Cell* field, Cell* value, bool case_) {
    return slot<ModifyFn>(target, action_slot::modify)(target, field, value, case_);
}
Cell* dispatch_open(Cell* spec, bool new_, bool read, bool write, bool seek, const Cell* allow) {
    return slot<OpenFn>(spec, action_slot::open)(spec, new_, read, write, seek, allow);
}
Cell* dispatch_is_open(Cell* port) {
    return slot<PortFn>(port, action_slot::is_open)(port);
}
Cell* dispatch_query(Cell* target) {
    return slot<PortFn>(target, action_slot::query)(target);
}
Cell* dispatch_read(Cell* source, const Cell* part, const Cell* seek, bool binary, bool lines,
                    bool info, const Cell* as) {
    return slot<ReadFn>(source, action_slot::read)(source, part, seek, binary, lines, info, as);
}
Cell* dispatch_rename(Cell* from, const Cell* to) {
    return slot<RenameFn>(from, action_slot::rename)(from, to);
}
Cell* dispatch_update(Cell* port) {
    return slot<PortFn>(port, action_slot::update)(port);
}
Cell* dispatch_write(Cell* destination, const Cell* data, bool binary, bool lines, bool info,
                     bool append, const Cell* part, const Cell* seek, const Cell* allow,
                     const Cell* as) {
    return slot<WriteFn>(destination, action_slot::write)(destination, data, binary, lines, info,
                                                          append, part, seek, allow, as);
}

// --- Comparison --------------------------------------------------------------------

namespace {

bool is_equality_code(int code) {
    return code == compare_code::equal || code == compare_code::not_equal ||
           code == compare_code::strict_equal || (code >= compare_code::same && code <= 12);
}

// The outcome of a comparison result for the code.
bool outcome(int result, int code) {
    switch (code) {
    case compare_code::not_equal:
        return result != 0;
    case compare_code::lesser:
        return result < 0;
    case compare_code::lesser_or_equal:
        return result < 1;
    case compare_code::greater:
        return result > 0;
    case compare_code::greater_or_equal:
        return result > -1;
    case compare_code::equal:
    case compare_code::strict_equal:
    case compare_code::same:
    case compare_code::word_equal:
    case compare_code::word_not_equal:
    case compare_code::find:
        return result == 0;
    default:
        runtime::error_exit(101, 0);
    }
}

int sign_of(int64_t difference) {
    return difference < 0 ? -1 : difference > 0 ? 1 : 0;
}

} // namespace

bool compare(const Cell* a, const Cell* b, int code) {
    auto fn = reinterpret_cast<CompareFn>(get_action_of(a, action_slot::compare));
    int result = fn(a, b, code);
    if (result == compare_code::not_comparable && !is_equality_code(code)) {
        Cell first = *a, second = *b;
        error::fire(error::Category::script, "invalid-compare", &first, &second);
    }
    return outcome(result, code);
}

bool compare_direct(const Cell* a, const Cell* b, int code) {
    if (cell_type(a) != cell_type(b)) return compare(a, b, code);
    int result;
    switch (cell_type(a)) {
    case type_id::logic:
        result = sign_of(int64_t{a->data1 != 0} - int64_t{b->data1 != 0});
        break;
    case type_id::native:
    case type_id::action:
    case type_id::op:
        result = sign_of(int64_t{a->data1} - int64_t{b->data1});
        break;
    case type_id::function:
    case type_id::routine:
        result = sign_of(int64_t{function::more_of(a)} - int64_t{function::more_of(b)});
        break;
    default:
        return compare(a, b, code);
    }
    return outcome(result, code);
}

void compare_to_logic(int code) {
    bool truth = compare(stack::base(), stack::base() + 1, code);
    Cell result;
    value::set_logic(&result, truth);
    stack::set_last(&result);
}

} // namespace zep::actions
