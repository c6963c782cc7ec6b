// Running a called function: the interpreted body of a function!, and the
// compiled code of a routine!.
#include <vector>

#include "datatypes/context.h"
#include "datatypes/function.h"
#include "datatypes/function_internal.h"
#include "datatypes/op.h"
#include "datatypes/routine.h"
#include "datatypes/symbol.h"
#include "datatypes/typeset.h"
#include "datatypes/word.h"
#include "evaluator/actions.h"
#include "evaluator/call.h"
#include "evaluator/call_integer_test.h"
#include "evaluator/call_internal.h"
#include "evaluator/compiled_support.h"
#include "evaluator/interp.h"
#include "evaluator/interp_internal.h"
#include "evaluator/natives.h"
#include "evaluator/pure_functions.h"
#include "evaluator/runtime_words.h"
#include "evaluator/stack.h"
#include "runtime/catch.h"
#include "runtime/gc_roots.h"

namespace zep::interp {

using namespace detail;

namespace {

// system/state/callbacks/bits, or 0 when any step is missing.
uint32_t callback_bits() {
    const char* steps[] = {"system", "state", "callbacks", "bits"};
    Ref context = context::global;
    const Cell* value = nullptr;
    for (const char* name : steps) {
        if (!context) return 0;
        value = context::value_of_symbol(context, symbol::make(name));
        if (!value) return 0;
        context = cell_type(value) == type_id::object ? value->data1 : 0;
    }
    return cell_type(value) == type_id::integer ? static_cast<uint32_t>(value->data2) : 0;
}

// Puts the tracing flag back however the call ends.
struct TracingGuard {
    bool saved = tracing;
    ~TracingGuard() { tracing = saved; }
};

// Points a function context's values at the current arguments base for one
// activation and puts the previous pointer back however the body ends (the
// previous activation of a recursive function sees its own arguments again).
class ActivationGuard {
  public:
    explicit ActivationGuard(const Cell* function) : function_(function) {
        Ref context = function::context_of(function_);
        saved_ = context::header(context)->data2;
        context::set_stack_values(context, stack::index_of(stack::base()));
    }
    ~ActivationGuard() { context::header(function::context_of(function_))->data2 = saved_; }
    ActivationGuard(const ActivationGuard&) = delete;
    ActivationGuard& operator=(const ActivationGuard&) = delete;

  private:
    const Cell* function_; // a stable cell: its context node is kept up to date
    uint32_t saved_;
};

bool is_return_or_exit(uint32_t code) {
    return code == catch_::code_return || code == catch_::code_exit;
}

} // namespace

namespace {

// The body runner on stable function and name cells; body is a stable cell
// holding the body, or null to read it from the function (a copy taken just
// before each use: the more block may move while the body runs). Inlined
// into each caller, as every call of a function runs it.
[[gnu::always_inline]] inline void run_body(const Cell* function, const Cell* body_cell,
                                            const Cell* name) {
    auto body_of = [&] {
        return body_cell ? *body_cell : *function::more_cell(function, function::more::body);
    };
    stack::Frame* frame = stack::top_frame();
    TracingGuard tracing_guard;
    uint32_t code = 0;
    {
        ActivationGuard activation(function);
        // The frame record stays in place (the frame stack never moves);
        // the bits are cleared again however the body ends.
        struct FrameBits {
            stack::Frame* frame;
            ~FrameBits() {
                if (frame)
                    frame->header &= ~(stack::frame_header::return_target | frame_polls_exit);
            }
        } bits{frame};
        if (frame) frame->header |= stack::frame_header::return_target | frame_polls_exit;
        if (function->header & function::flag::trace)
            tracing = cell_type(tracer()) == type_id::function;
        if (function->header & function::flag::no_trace) tracing = false;
        if (traces(trace_bit::prolog)) {
            Cell body = body_of();
            gc::Root root(&body);
            trace_event(trace_bit::prolog, &body, -1, name, function);
        }
        // The body is evaluated in the function's frame (which polls for
        // exits and receives returns); it is copied before anything
        // allocates.
        Cell body = body_of();
        if (cell_type(&body) == type_id::block) {
            code = catch_::receive(catch_::threshold_call, [&] { eval_block_in_frame(&body); });
        } else {
            value::set_none(stack::base());
            stack::keep_first();
        }
        if (traces(trace_bit::epilog)) {
            // The tracer runs with the pending exit set aside.
            uint32_t pending = pending_exit;
            Cell value[2] = {pending_value, body_of()};
            gc::Root value_root(value, 2);
            pending_exit = 0;
            trace_event(trace_bit::epilog, &value[1], -1, name, function);
            pending_exit = pending;
            pending_value = value[0];
        }
    }
    if (code != 0) {
        clear_pending_exit();
        if (!is_return_or_exit(code)) catch_::throw_code(code);
        return;
    }
    if (is_return_or_exit(pending_exit)) {
        *stack::base() = pending_value;
        stack::keep_first();
        pending_exit = 0;
    }
}

} // namespace

void call_function_stable(const Cell* function, Ref /*object_context*/, const Cell* name,
                          uint32_t trace_filter) {
    TracingGuard tracing_guard;
    if (tracing && trace_filter != 0 && (callback_bits() & trace_filter) == 0) tracing = false;
    if (traces(trace_bit::call)) trace_event(trace_bit::call, nullptr, -1, name, function);
    run_body(function, nullptr, name);
    if (traces(trace_bit::return_)) trace_return(name);
}

int32_t call_interpreted_from_code(const Cell* function, const Cell* word, const Cell* code,
                                   int32_t position, int32_t end, bool push) {
    // The more block's cells stay put until something allocates.
    const Cell* more = node_cells(function::more_of(function));
    if ((function->header & function::flag::attributes) != 0) return -1;
    bool may_run_pure = !pure::is_marked_not_qualified(more + function::more::code);
    check_native_depth();
    // The name's cell receives the result; the function sits just below the
    // call's frame, where errors look for it. Both are copied before
    // anything allocates.
    Cell* result_slot = stack::push(word);
    const Cell* fn = stack::push(function);
    mark_polling_frame(result_slot, stack::frame_header::interp_function);
    const Cell* cached = more + function::more::call_spec;
    if (!tracing && cell_type(cached) == type_id::block && (cached->data3 & call_shape::plain))
        position = fetch_plain_args(fn, false, code, position, end, false,
                                    node_cells(value::series_node(cached)), cached->data3);
    else
        position = fetch_code_args(fn, code, position, end, false);
    if (!is_exit_pending()) {
        Cell value;
        if (may_run_pure && !tracing && pure::run(fn, stack::base(), &value)) {
            // Where the body's evaluation leaves its value.
            *stack::base() = value;
            stack::keep_first();
        } else {
            if (traces(trace_bit::call)) trace_event(trace_bit::call, nullptr, -1, result_slot, fn);
            run_body(fn, nullptr, result_slot);
            if (traces(trace_bit::return_)) trace_return(result_slot);
        }
    }
    return end_call(code, position, push, result_slot, result_slot);
}

int32_t call_native_from_code(const Cell* function, const Cell* word, const Cell* code,
                              int32_t position, int32_t end, bool push) {
    check_native_depth();
    if (is_integer_test(function)) {
        // Nothing in it could fail or be traced: no frame is marked.
        CodeCells cells = code_cells(code);
        Cell* result = stack::arguments.top;
        int32_t next = eval_integer_test(function, cells, position,
                                         end < cells.count ? end : cells.count, result);
        if (next >= 0) {
            // Where the call leaves its result.
            stack::arguments.top = result + 1;
            if (!push) *stack::base() = *result;
            return next;
        }
    }
    Cell* result_slot = stack::push(word);
    const Cell* fn = stack::push(function);
    mark_polling_frame(result_slot, stack::frame_header::interp_native);
    // Either fetch runs the entry too.
    const Cell* cached = call_spec_cache_cell(fn);
    if (!tracing && cell_type(cached) == type_id::block && (cached->data3 & call_shape::plain))
        position = fetch_plain_args(fn, true, code, position, end, false,
                                    node_cells(value::series_node(cached)), cached->data3);
    else
        position = fetch_code_args(fn, code, position, end, false);
    return end_call(code, position, push, result_slot, result_slot);
}

void call_function(const Cell* function, Ref object_context, const Cell* name,
                   uint32_t trace_filter) {
    Cell locals[2] = {*function, name ? *name : *words::global_word(words::global::anon)};
    gc::Root root(locals, 2);
    call_function_stable(&locals[0], object_context, &locals[1], trace_filter);
}

void run_function_body(const Cell* function, const Cell* body, const Cell* name) {
    Cell locals[3] = {*function, *body, *name};
    gc::Root root(locals, 3);
    run_body(&locals[0], &locals[1], &locals[2]);
}

void call_with(const Cell* function, const Cell* const* arguments, int32_t count, const Cell* name,
               int32_t read_index, Cell* read_back) {
    Cell locals[2] = {*function, name ? *name : *words::global_word(words::global::anon)};
    gc::Root root(locals, 2);
    if (cell_type(&locals[0]) == type_id::op) locals[0] = op::unwrap(&locals[0]);
    uint8_t type = cell_type(&locals[0]);
    bool native = is_native_like(type);
    if (!native && type != type_id::function && type != type_id::routine)
        error::fire(error::Category::script, "invalid-arg", &locals[0]);
    Ref spec = call_spec_of(&locals[0]);
    gc::RootRef spec_root(spec);
    if (type == type_id::function)
        stack::mark_interp_func(&locals[1]);
    else
        stack::mark_interp_native(&locals[1]);
    // The stack never moves: the call's argument slots stay at this address.
    Cell* frame_base = stack::base();
    int32_t given = 0;
    int32_t ordinal = 0;
    int32_t local_count = 0;
    int32_t refinement_count = 0;
    bool in_refinement = false;
    int32_t entries = static_cast<int32_t>(node_cell_count(spec));
    for (int32_t i = 0; i < entries; ++i) {
        Cell e = *spec_cell(spec, i);
        switch (cell_type(&e)) {
        case type_id::typeset:
            if (((e.header & arg_mode::mask) >> arg_mode::shift) == arg_mode::return_type) break;
            if (in_refinement) {
                if (!native) value::set_none(stack::push_slot());
                break;
            }
            if (given < count)
                stack::push(arguments[given++]);
            else
                value::set_none(stack::push_slot());
            if (!typeset::has_type(&e, stack::top_type()))
                fire_expect_arg(&locals[0], ordinal, stack::top());
            ++ordinal;
            break;
        case type_id::refinement:
            in_refinement = true;
            if (!native) value::set_logic(stack::push_slot(), false);
            break;
        case type_id::integer:
            if (native)
                refinement_count = value::integer_of(&e);
            else
                local_count = value::integer_of(&e);
            break;
        default:
            break;
        }
    }
    if (type == type_id::function) {
        function::init_locals(local_count);
        call_function(&locals[0], 0, &locals[1], 0);
    } else if (type == type_id::routine) {
        call_routine(&locals[0], &locals[1]);
    } else {
        std::vector<int32_t> positions(static_cast<size_t>(refinement_count), -1);
        int32_t index = static_cast<int32_t>(locals[0].data1);
        natives::Entry entry =
            type == type_id::action ? actions::entry_at(index) : natives::entry_at(index);
        if (!entry) error::fire(error::Category::internal, "not-done");
        if (locals[0].header & native::flag::unlike_entry) check_unlike_entry_call(&locals[0]);
        entry(false, positions.empty() ? nullptr : positions.data());
    }
    if (read_back && read_index > 0 && read_index < given) *read_back = frame_base[read_index];
    stack::unwind();
}

void call_routine(const Cell* routine, const Cell* name) {
    Cell locals[2] = {*routine, name ? *name : *words::global_word(words::global::anon)};
    gc::Root root(locals, 2);
    const Cell* code_cell = function::more_cell(&locals[0], function::more::code);
    const routine::CodeEntry* entry = cell_type(code_cell) == type_id::integer
                                          ? routine::code_at(value::integer_of(code_cell))
                                          : nullptr;
    if (!entry) error::fire(error::Category::internal, "not-done");
    Cell* base = stack::base();
    if (locals[0].header & routine::cell_arguments) {
        std::vector<Cell*> arguments;
        for (Cell* c = base; c < stack::arguments.top; ++c) arguments.push_back(c);
        stack::mark_native(words::global_word(words::global::body));
        const Cell* result =
            entry->cell_code
                ? entry->cell_code(arguments.data(), static_cast<int32_t>(arguments.size()))
                : nullptr;
        Cell copy = result ? *result : *base;
        stack::unwind_drop();
        *stack::base() = copy;
        stack::keep_first();
        return;
    }
    if (!entry->machine_code) error::fire(error::Category::internal, "not-done");
    int32_t arity = routine::get_arity(&locals[0]);
    std::vector<routine::MachineValue> arguments(static_cast<size_t>(arity));
    // The spec index and stack slot of each word! argument, in spec order.
    std::vector<int32_t> spec_index;
    std::vector<int32_t> slot;
    {
        Ref spec = function::spec_of(&locals[0]);
        int32_t n = 0;
        for (int32_t i = 0; i < function::detail::tail_of(spec); ++i) {
            uint8_t t = cell_type(function::detail::cell_at(spec, i));
            if (t == type_id::word) {
                spec_index.push_back(i);
                slot.push_back(n);
            }
            if (function::detail::is_argument_type(t) || t == type_id::refinement) ++n;
        }
    }
    for (int32_t k = arity - 1; k >= 0; --k) {
        Ref spec = function::spec_of(&locals[0]);
        int32_t at = spec_index[static_cast<size_t>(k)];
        Cell* argument = stack::base() + slot[static_cast<size_t>(k)];
        Cell types;
        value::set_none(&types);
        if (at + 1 < function::detail::tail_of(spec))
            types = *function::detail::cell_at(spec, at + 1);
        Cell first;
        value::set_none(&first);
        if (cell_type(&types) == type_id::block &&
            value::series_head(&types) < function::detail::tail_of(value::series_node(&types)))
            first =
                *function::detail::cell_at(value::series_node(&types), value::series_head(&types));
        if (cell_type(&first) != type_id::word)
            error::fire(error::Category::script, "invalid-type-spec", &types);
        if (!symbol::is_any_type_word(&first)) {
            const Cell* named = word::get(&first);
            bool fits =
                cell_type(named) == type_id::typeset
                    ? typeset::has_type(named, cell_type(argument))
                    : cell_type(named) == type_id::datatype && named->data1 == cell_type(argument);
            if (!fits) {
                Cell args[3] = {locals[1], {}, {}};
                value::set_datatype(&args[1], cell_type(argument));
                value::set_word(&args[2], type_id::word, 0,
                                value::word_symbol(function::detail::cell_at(spec, at)));
                error::fire(error::Category::script, "expect-arg", &args[0], &args[1], &args[2]);
            }
        }
        routine::MachineValue& v = arguments[static_cast<size_t>(k)];
        switch (cell_type(argument)) {
        case type_id::logic:
            v.i32 = argument->data1 != 0 ? 1 : 0;
            break;
        case type_id::integer:
            v.i32 = value::integer_of(argument);
            break;
        case type_id::float_:
            v.f64 = value::double_of(argument);
            break;
        default:
            v.cell = argument;
            break;
        }
    }
    routine::MachineValue result = entry->machine_code(arguments.data(), arity);
    const Cell* return_cell = function::more_cell(&locals[0], function::more::second);
    int32_t return_type =
        cell_type(return_cell) == type_id::integer ? value::integer_of(return_cell) : 0;
    Cell* slot0 = stack::base();
    switch (return_type) {
    case type_id::logic:
        value::set_logic(slot0, result.i32 != 0);
        break;
    case type_id::integer:
        value::set_integer(slot0, result.i32);
        break;
    case type_id::float_:
        value::set_float(slot0, result.f64);
        break;
    default:
        return;
    }
    stack::keep_first();
}

} // namespace zep::interp
