// do/trace: the tracer function, its event mask and the call protocol that
// reports one event to it.
#include "datatypes/function.h"
#include "datatypes/pair.h"
#include "datatypes/symbol.h"
#include "evaluator/call.h"
#include "evaluator/interp.h"
#include "evaluator/interp_internal.h"
#include "evaluator/runtime_words.h"
#include "evaluator/stack.h"
#include "runtime/gc_roots.h"

namespace zep::interp {

using namespace detail;

bool tracing = false;
uint32_t trace_mask = trace_bit::all_events;
int32_t tracer_locals = 0;

namespace {

// Events whose ref argument is passed on (the others pass none).
constexpr uint32_t events_with_ref =
    trace_bit::set | trace_bit::epilog | trace_bit::prolog | trace_bit::return_ | trace_bit::call;

int event_number(uint32_t event) {
    int n = 0;
    while (n < 16 && (1u << n) != event) ++n;
    return n;
}

// The offset of a position in the code: -1 outside its head..tail.
int32_t offset_in(const Cell* code, int32_t position) {
    int32_t head = value::series_head(code);
    if (position < 0 || position < head || position > cell_count(code)) return -1;
    return position;
}

bool is_code_type(uint8_t type) {
    return type == type_id::block || type == type_id::paren || type == type_id::path ||
           type == type_id::lit_path || type == type_id::set_path || type == type_id::get_path;
}

} // namespace

Cell* tracer() {
    return &state_cells[state::tracer];
}

void trace_event(uint32_t event, const Cell* code, int32_t position, const Cell* ref,
                 const Cell* value) {
    if (!traces(event) || !state_cells) return;
    stack::Frame* const saved_frames = stack::frames.top;
    Cell* const saved_top = stack::arguments.top;
    int32_t base_count = static_cast<int32_t>(stack::arguments.base - stack::arguments.begin);
    int32_t top_count = static_cast<int32_t>(saved_top - stack::arguments.begin);
    // Keep the current top cell: the value reported may be that cell.
    stack::cover_slot();
    const Cell* name = words::global_word(words::global::interp_callback);
    const Cell* function = tracer();
    stack::mark_func(name, function::context_of(function));
    // Pushing copies cells without allocating, so the given pointers stay
    // valid while the arguments are stacked.
    stack::push(&state_cells[state::event_words + event_number(event)]);
    if (code && is_code_type(cell_type(code))) {
        stack::push(code);
        value::set_integer(stack::push_slot(), offset_in(code, position));
    } else {
        value::set_none(stack::push_slot());
        value::set_integer(stack::push_slot(), -1);
    }
    if (value && value->header != 0)
        stack::push(value);
    else
        value::set_none(stack::push_slot());
    if (ref && (event & events_with_ref))
        stack::push(ref);
    else
        value::set_none(stack::push_slot());
    pair::push(base_count, top_count);
    if (tracer_locals > 0) function::init_locals(tracer_locals);
    tracing = false;
    Cell tracer_copy = *function;
    gc::Root root(&tracer_copy);
    // A non-local exit out of the tracer passes on with tracing left off.
    call_function(&tracer_copy, 0, name, 0);
    tracing = true;
    stack::unwind_func_drop();
    stack::frames.top = saved_frames;
    stack::arguments.top = saved_top;
}

uint32_t trace_events_mask(const Cell* function) {
    if (cell_type(function) != type_id::function) return trace_bit::all_events;
    const Cell* body = function::more_cell(function, function::more::body);
    if (cell_type(body) != type_id::block) return trace_bit::all_events;
    int32_t head = clamped_index(body);
    if (head >= cell_count(body)) return trace_bit::all_events;
    const Cell* first = cell_at(body, head);
    if (cell_type(first) != type_id::block) return trace_bit::all_events;
    uint32_t mask = 0;
    int32_t count = cell_count(first);
    for (int32_t i = clamped_index(first); i < count; ++i) {
        const Cell* item = cell_at(first, i);
        if (cell_type(item) != type_id::word) continue;
        uint32_t symbol = symbol::resolve(value::word_symbol(item));
        for (int n = 0; n < 16; ++n) {
            const Cell* event_word = &state_cells[state::event_words + n];
            if (symbol::resolve(value::word_symbol(event_word)) == symbol) mask |= 1u << n;
        }
    }
    return mask;
}

void set_tracer(const Cell* function) {
    *tracer() = *function;
    trace_mask = trace_events_mask(function);
    tracer_locals = cell_type(function) == type_id::function
                        ? function::count_locals(function::spec_of(function), 0, false)
                        : 0;
    if (tracer_locals < 0) tracer_locals = 0;
}

void clear_tracer() {
    tracing = false;
    if (state_cells) value::set_unset(tracer());
    trace_mask = trace_bit::all_events;
    tracer_locals = 0;
}

void trace_init() {
    trace_event(trace_bit::init, nullptr, -1, nullptr, nullptr);
}
void trace_end() {
    trace_event(trace_bit::end, nullptr, -1, nullptr, nullptr);
}
void trace_throw(const Cell* value) {
    trace_event(trace_bit::throw_, nullptr, -1, nullptr, value);
}
void trace_catch(const Cell* value) {
    trace_event(trace_bit::catch_, nullptr, -1, nullptr, value);
}
void trace_call(const Cell* ref, const Cell* function) {
    trace_event(trace_bit::call, nullptr, -1, ref, function);
}
void trace_return(const Cell* ref, const Cell* result) {
    trace_event(trace_bit::return_, nullptr, -1, ref, result ? result : stack::base());
}

} // namespace zep::interp
