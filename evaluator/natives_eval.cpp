// The natives that evaluate on request: do (with its block branch and the
// do/trace set-up), reduce, compose and apply.
#include <unordered_set>
#include <vector>

#include "datatypes/block.h"
#include "datatypes/context.h"
#include "datatypes/function.h"
#include "datatypes/op.h"
#include "datatypes/series.h"
#include "datatypes/symbol.h"
#include "datatypes/word.h"
#include "evaluator/actions.h"
#include "evaluator/compiled_support.h"
#include "evaluator/interp.h"
#include "evaluator/natives_control.h"
#include "evaluator/natives_control_support.h"
#include "evaluator/runtime_words.h"
#include "runtime/gc_roots.h"
#include "runtime/memory.h"
#include "runtime/value_make.h"
#include "services/lexer.h"

namespace zep::natives {

using namespace control;

namespace {

constexpr uint32_t new_line_flag = 1u << 30;

// Evaluates one value alone as an expression (a word gives its value, a
// function it names is called with nothing to take arguments from), into
// the result slot or pushed.
void eval_single(const Cell* value, bool push) {
    Cell* code = block::push_new(1);
    block::append_value(code, value);
    interp::eval_expression(code, 0, 1, false, push);
}

// The value of a library function named by a word of the global context,
// or of a field of a global object; script no-value naming the word when it
// is not a function!.
Cell library_function(const char* object_name, const char* name) {
    Cell word = global_word(object_name ? object_name : name);
    Cell field = global_word(name);
    gc::Root roots(&word);
    const Cell* found = context::value_of_symbol(context::global, value::word_symbol(&word));
    if (found && object_name) {
        if (cell_type(found) == type_id::object) {
            found = context::value_of_symbol(found->data1, value::word_symbol(&field));
            word = field;
        } else {
            found = nullptr;
        }
    }
    if (!found || cell_type(found) != type_id::function)
        error::fire(error::Category::script, "no-value", &word);
    return *found;
}

// Calls a library function with positional arguments (it has no
// refinements) inside a native frame and a function frame named like it;
// the result goes into the current result slot.
void call_library(const Cell* function, const char* name, const Cell* const* arguments,
                  int32_t count) {
    Cell* held = stack::push(function);
    Cell* word = stack::push_slot();
    *word = global_word(name);
    stack::mark_native(word);
    stack::mark_func(word, function::context_of(held));
    for (int32_t i = 0; i < count; ++i) stack::push(arguments[i]);
    function::init_locals(function::count_locals(function::spec_of(held), 0, false));
    interp::call_function(held, 0, word, 0);
    stack::unwind_func_last();
    stack::unwind_last();
}

// do/trace: the trace this call started and the frame it marked.
struct TraceSetUp {
    bool started = false;
    stack::Frame* marked = nullptr;
};

TraceSetUp start_trace(const Cell* callback) {
    TraceSetUp set_up;
    if (!callback || interp::tracing || cell_type(interp::tracer()) == type_id::function)
        return set_up;
    set_up.marked = stack::mark_return_target();
    interp::set_tracer(callback);
    interp::tracing = true;
    set_up.started = true;
    interp::trace_init();
    return set_up;
}

// Ends a trace this call started: the end event runs with any exit set aside.
void end_trace(const TraceSetUp& set_up) {
    if (!set_up.started) return;
    uint32_t slot = catch_::exception_slot;
    uint32_t pending = interp::pending_exit;
    Cell pending_value = interp::pending_value;
    gc::Root root(&pending_value);
    catch_::exception_slot = 0;
    interp::clear_pending_exit();
    interp::trace_end();
    catch_::exception_slot = slot;
    interp::pending_exit = pending;
    interp::pending_value = pending_value;
    interp::clear_tracer();
    stack::clear_return_target(set_up.marked);
}

// The dispatch of `do` on its value's type.
void do_value(Cell* value, bool expand, const Cell* args, Cell* next_word) {
    switch (cell_type(value)) {
    case type_id::block:
    case type_id::paren:
    case type_id::hash:
        do_block(value, expand, next_word);
        break;
    case type_id::path: {
        int32_t tail = tail_index(value);
        interp::eval_path(value, value, tail, tail, false, false, false, false);
        break;
    }
    case type_id::string: {
        Cell* code = stack::push_slot();
        value::set_none(code);
        lexer::scan_string_value(value, code, lexer::Options{});
        do_block(code, expand, next_word);
        break;
    }
    case type_id::file:
    case type_id::url: {
        Cell fn = library_function(nullptr, "do-file");
        Cell none;
        value::set_none(&none);
        const Cell* arguments[] = {value, &none, args ? args : &none};
        call_library(&fn, "do-file", arguments, 3);
        break;
    }
    case type_id::error:
        break; // raised by the caller after clean-up
    default:
        eval_single(value, false);
        break;
    }
}

// Adds one value to a reduce or compose target: inserted at its position
// (which moves past it) or appended.
void add_value(Cell* target, const Cell* value, bool insert_mode) {
    if (insert_mode) {
        Cell item = *value;
        gc::Root root(&item);
        *target = *actions::dispatch_insert(target, &item, -1, true, 1);
    } else {
        block::append_value(target, value);
    }
}

// True when the block, or with `deep` a block! nested in it at any depth,
// is the series `node`: composing it into that series would read what it
// writes.
bool reaches_node(const Cell* block, Ref node, bool deep) {
    Ref first = value::series_node(block);
    if (first == node || !deep) return first == node;
    std::vector<Ref> pending{first};
    std::unordered_set<Ref> seen{first};
    while (!pending.empty()) {
        SeriesBuffer* b = node_buffer(pending.back());
        pending.pop_back();
        uint64_t count = (b->tail - b->head) / sizeof(Cell);
        for (uint64_t i = 0; i < count; ++i) {
            const Cell* item = &arena::at<Cell>(b->head)[i];
            if (cell_type(item) != type_id::block) continue;
            Ref nested = value::series_node(item);
            if (nested == node) return true;
            if (seen.insert(nested).second) pending.push_back(nested);
        }
    }
    return false;
}

// Composes the source (a stable cell) into the target (a stable cell).
void compose_into(const Cell* source, bool deep, bool only, Cell* target, bool insert_mode) {
    for (int32_t i = head_index(source); i < tail_index(source); ++i) {
        Cell item = node_cells(value::series_node(source))[i];
        Cell* mark = stack::arguments.top;
        switch (cell_type(&item)) {
        case type_id::block:
            if (deep) {
                Cell* nested_source = stack::push(&item);
                Cell* nested = block::push_new(tail_index(&item) - head_index(&item));
                compose_into(nested_source, true, only, nested, false);
                if (interp::is_exit_pending()) return;
                add_value(target, nested, insert_mode);
            } else {
                add_value(target, &item, insert_mode);
            }
            break;
        case type_id::paren: {
            if (head_index(&item) >= tail_index(&item)) break;
            Cell* code = stack::push(&item);
            interp::eval_block(code, false);
            if (interp::is_exit_pending()) return;
            Cell* result = stack::top();
            uint8_t type = cell_type(result);
            if (type == type_id::unset) break;
            if (type == type_id::block && !only) {
                // The target's own values are spliced from a copy.
                if (value::series_node(result) == value::series_node(target))
                    result = block::copy_to_stack(result, false, false);
                for (int32_t j = head_index(result); j < tail_index(result); ++j) {
                    Cell spliced = node_cells(value::series_node(result))[j];
                    add_value(target, &spliced, insert_mode);
                }
            } else {
                add_value(target, result, insert_mode);
            }
            break;
        }
        default:
            add_value(target, &item, insert_mode);
            break;
        }
        stack::arguments.top = mark;
    }
}

// apply's call: as the interpreter calls a function met in code, with the
// arguments fetched from the block in the given fetch mode.
void apply_call(const Cell* function, const Cell* name, const Cell* args, int32_t mode) {
    Cell locals[2] = {*function, *name};
    gc::Root root(locals, 2);
    stack::push(&locals[0]); // the result takes its place
    int32_t position = head_index(args);
    int32_t end = tail_index(args);
    switch (cell_type(&locals[0])) {
    case type_id::native:
    case type_id::action:
        stack::mark_interp_native(&locals[1]);
        interp::set_polls_exit();
        interp::fetch_args(&locals[0], args, position, end, nullptr, -1, mode, false);
        break;
    case type_id::routine:
        stack::mark_interp_native(&locals[1]);
        interp::set_polls_exit();
        interp::fetch_args(&locals[0], args, position, end, nullptr, -1, mode, false);
        if (!interp::is_exit_pending()) interp::call_routine(&locals[0], &locals[1]);
        break;
    default: { // function!
        const Cell* second = function::more_cell(&locals[0], function::more::second);
        Ref object_context = cell_type(second) == type_id::integer
                                 ? static_cast<Ref>(value::integer_of(second))
                                 : value::word_context(&locals[1]);
        if (object_context == context::global) object_context = 0;
        stack::mark_interp_func(&locals[1]);
        interp::set_polls_exit();
        interp::fetch_args(&locals[0], args, position, end, nullptr, -1, mode, false);
        if (!interp::is_exit_pending())
            interp::call_function(&locals[0], object_context, &locals[1], 0);
        break;
    }
    }
    stack::unwind();
    if (interp::is_exit_pending()) return;
    if (interp::traces(interp::trace_bit::return_))
        interp::trace_event(interp::trace_bit::return_, args, end, &locals[1], stack::top());
}

} // namespace

void do_block(Cell* block, bool expand, Cell* next_word) {
    Cell* code = stack::push(block);
    code->data1 = static_cast<uint32_t>(head_index(code));
    if (expand) {
        Cell fn = library_function("preprocessor", "expand");
        Cell none;
        value::set_none(&none);
        Cell no;
        value::set_logic(&no, false);
        const Cell* arguments[] = {code, &none, &no};
        Cell* mark = stack::arguments.top;
        call_library(&fn, "expand", arguments, 3);
        stack::arguments.top = mark;
    }
    if (!next_word) {
        interp::eval_block(code, true);
        return;
    }
    int32_t after = interp::do_next(code);
    if (interp::is_exit_pending()) return;
    Cell kept[2] = {*code, *stack::base()}; // the block at the new position, the result
    gc::Root root(kept, 2);
    Cell& position = kept[0];
    Cell& result = kept[1];
    position.data1 = static_cast<uint32_t>(after);
    word::set(next_word, &position);
    *stack::base() = result;
}

void do_(bool check, const int32_t* refinements) {
    Cell* args = refinement_arg(refinements, 1);
    Cell* next_word = refinement_arg(refinements, 2);
    Cell* callback = refinement_arg(refinements, 3);
    if (check) {
        expect("do", next_word, mask_of({type_id::word}), "position");
        expect("do", callback, mask_of({type_id::function}), "callback");
    }
    poll_exits(check);
    bool expand = has_refinement(refinements, 0);
    Cell* value = arg(0);
    // Doing an error raises it (after the clean-up of a trace).
    bool is_error = cell_type(value) == type_id::error;
    TraceSetUp trace = start_trace(callback);
    if (!trace.started) {
        if (is_error) stack::throw_error(value);
        do_value(value, expand, args, next_word);
        return;
    }
    Exit exit = receive(catch_::threshold_call, [&] { do_value(value, expand, args, next_word); });
    end_trace(trace);
    switch (exit.code) {
    case 0:
        if (is_error) stack::throw_error(value);
        return;
    case catch_::code_return:
    case catch_::code_exit:
        if (!trace.marked) { // the frame below was a return target already
            if (exit.thrown) pass_on(exit.code);
            return;
        }
        // The frame this call marked received it; it goes on to the real
        // return target from here.
        if (!exit.thrown) {
            *stack::base() = interp::pending_value;
            interp::clear_pending_exit();
        }
        catch_::exception_slot = 0;
        stack::throw_exit(exit.code == catch_::code_return);
    default:
        if (exit.thrown) pass_on(exit.code);
        return; // a pending break or continue goes on to its loop
    }
}

void reduce(bool check, const int32_t* refinements) {
    Cell* out = refinement_arg(refinements, 0);
    if (check) expect("reduce", out, block_types, "out");
    poll_exits(check);
    Cell* value = arg(0);
    bool insert_mode = out && !series::is_at_tail(out);
    if (cell_type(value) != type_id::block) {
        if (!in_mask(function_types, cell_type(value))) {
            eval_single(value, true);
            if (interp::is_exit_pending()) return;
            *value = *stack::top();
        }
        if (out) {
            Cell* target = stack::push(out);
            int32_t old_length = series::total_length(target);
            add_value(target, value, insert_mode);
            if (!insert_mode) series::notify(target, "insert", nullptr, old_length, 1);
            stack::set_result_only(target);
        } else {
            stack::keep_first();
        }
        return;
    }
    // Reducing into the block itself works from a copy of it.
    Cell* code = out && value::series_node(out) == value::series_node(value)
                     ? block::copy_to_stack(value, false, false)
                     : stack::push(value);
    Cell name = current_name();
    stack::mark_native(&name);
    interp::set_polls_exit();
    Cell* target = out ? stack::push(out) : block::push_new(tail_index(code) - head_index(code));
    int32_t old_length = out ? series::total_length(target) : 0;
    int32_t added = 0;
    int32_t position = head_index(code);
    int32_t end = tail_index(code);
    while (position < end && position < tail_index(code)) {
        position = interp::eval_next(code, position,
                                     end < tail_index(code) ? end : tail_index(code), true);
        if (interp::is_exit_pending()) {
            stack::unwind();
            return;
        }
        Cell* result = stack::top();
        result->header &= ~new_line_flag;
        add_value(target, result, insert_mode);
        ++added;
        stack::keep_first();
    }
    if (out && !insert_mode && added > 0)
        series::notify(target, "insert", nullptr, old_length, added);
    stack::unwind_last();
}

void compose_block(const Cell* source, bool deep, bool only, Cell* target, bool into) {
    if (cell_type(source) != type_id::block) {
        Cell expected;
        value::set_datatype(&expected, type_id::block);
        Cell got;
        value::set_datatype(&got, cell_type(source));
        error::fire(error::Category::script, "expect-val", &expected, &got);
    }
    // Composing into the source (or with /deep a block within it) works from
    // a copy of it.
    bool overlaps = into && reaches_node(source, value::series_node(target), deep);
    Cell* code = overlaps ? block::copy_to_stack(source, deep, false) : stack::push(source);
    Cell* out = into ? stack::push(target) : block::push_new(tail_index(code) - head_index(code));
    compose_into(code, deep, only, out, into && !series::is_at_tail(out));
    if (interp::is_exit_pending()) return;
    stack::set_result_only(out);
}

void compose(bool check, const int32_t* refinements) {
    Cell* out = refinement_arg(refinements, 2);
    if (check) {
        expect("compose", arg(0), mask_of({type_id::block}), "value");
        expect("compose", out, block_types, "out");
    }
    poll_exits(check);
    compose_block(arg(0), has_refinement(refinements, 0), has_refinement(refinements, 1), out,
                  out != nullptr);
}

void apply(bool check, const int32_t* refinements) {
    if (check) {
        expect("apply", arg(0), function_types | mask_of({type_id::word, type_id::path}), "func");
        expect("apply", arg(1), mask_of({type_id::block}), "args");
    }
    poll_exits(check);
    Cell* func = arg(0);
    Cell name = *words::global_word(words::global::applied);
    Cell function = *func;
    uint8_t type = cell_type(func);
    if (type == type_id::path || word::is_any_word_type(type)) {
        Cell word =
            type == type_id::path ? node_cells(value::series_node(func))[head_index(func)] : *func;
        if (!word::is_any_word_type(cell_type(&word)) || cell_type(&word) == type_id::refinement)
            error::fire(error::Category::script, "invalid-arg", func);
        word.header = type_id::word;
        name = word;
        function = *word::get(&word);
    }
    if (!in_mask(function_types, cell_type(&function)))
        error::fire(error::Category::script, "invalid-arg", &function);
    if (cell_type(&function) == type_id::op) function = op::unwrap(&function);
    int32_t mode =
        has_refinement(refinements, 0) ? interp::fetch_mode::path : interp::fetch_mode::apply;
    if (has_refinement(refinements, 1)) mode += interp::fetch_mode::safer_bit;
    stack::set_top_bit();
    Cell* args = arg(1);
    apply_call(&function, &name, args, mode);
    if (interp::is_exit_pending()) return;
    Cell result = *stack::top();
    stack::set_result_only(&result);
}

} // namespace zep::natives
