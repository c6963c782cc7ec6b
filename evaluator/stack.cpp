#include "evaluator/stack.h"

#include "datatypes/context.h"
#include "evaluator/compiled_support.h"
#include "evaluator/error_value.h"
#include "evaluator/interp.h"
#include "evaluator/runtime_words.h"
#include "runtime/cell_ops.h"
#include "runtime/collector.h"
#include "runtime/memory.h"
#include "runtime/raise.h"
#include "runtime/value_make.h"

namespace zep::stack {

ArgumentStack arguments;
FrameStack frames;
Ref argument_block = 0;
Ref frame_block = 0;
Frame* throw_origin = nullptr;
uint32_t body_symbol = 0;
uint32_t anon_symbol = 0;

namespace {

// A context's values word (data2 of its header cell): the node of its values
// series, or, for a function context that keeps its values on this stack,
// the stack cell index + 1 of its first value while the function runs.
Cell* context_header(Ref context) {
    return arena::at<Cell>(node_buffer(context)->head);
}
uint32_t& values_word(Ref context) {
    return context_header(context)->data2;
}

void restore_context(const Frame* f) {
    if (f->function_context) values_word(f->function_context) = f->saved_values;
}

// A frame's own arguments base, for a frame below the top record: the record
// directly above it was marked while it was the top, so that record's saved
// base is this frame's base.
Cell* own_base_below_top(const Frame* f) {
    return cell_at(f[1].saved_base);
}

Frame* series_begin_as_frames(Ref node) {
    return reinterpret_cast<Frame*>(buffer_data(node_buffer(node)));
}

bool is_anonymous(const Frame* f) {
    uint32_t symbol = symbol_of(f);
    return symbol == (body_symbol & 0xFFFF) || symbol == (anon_symbol & 0xFFFF);
}

// The stacks' roots: both blocks as nodes only (their cells past the tops
// are stale), the argument cells up to the top and what the frame records
// name.
void mark_roots() {
    gc::mark_node(&argument_block);
    gc::mark_node(&frame_block);
    if (arguments.begin) gc::mark_cells(arguments.begin, arguments.top);
    if (frames.begin) mark_gc(gc::mark_block, gc::mark_context);
}

} // namespace

void make_blocks() {
    argument_block = series::alloc_static(argument_cells, sizeof(Cell), 0);
    frame_block = series::alloc_static(frame_block_cells, sizeof(Cell), 0);
    gc::add_mark_callback(mark_roots);
}

void init() {
    if (!argument_block || !frame_block) make_blocks();
    SeriesBuffer* a = node_buffer(argument_block);
    arguments.begin = reinterpret_cast<Cell*>(buffer_data(a));
    arguments.end = arguments.begin + a->size / sizeof(Cell);
    arguments.top = arguments.base = arguments.begin;
    SeriesBuffer* f = node_buffer(frame_block);
    frames.begin = frames.top = series_begin_as_frames(frame_block);
    frames.end = frames.begin + f->size / sizeof(Frame);
    throw_origin = nullptr;
    forget_thrown();
    body_symbol = words::symbol_of_global(words::global::body);
    anon_symbol = words::symbol_of_global(words::global::anon);
}

void forget_blocks() {
    argument_block = frame_block = 0;
    arguments = ArgumentStack{};
    frames = FrameStack{};
    throw_origin = nullptr;
}

void overflow() {
    // A full frame stack leaves the argument stack as it is.
    if (arguments.top + overflow_slack >= arguments.end) {
        Cell* lowered = static_cast<uint32_t>(arguments.top - arguments.begin) > overflow_slack
                            ? arguments.top - overflow_slack
                            : arguments.begin;
        arguments.top = lowered > arguments.base ? lowered : arguments.base;
    }
    cycles::reset();
    error::fire_named(error::Category::internal, "stack-overflow");
}

void reset_keep_error() {
    if (arguments.top > arguments.begin && cell_type(arguments.top - 1) == type_id::error)
        value::copy_cell(arguments.top - 1, arguments.base);
    arguments.top = arguments.base + 1;
}

// --- Marking ---------------------------------------------------------------------

void mark_func(const Cell* word, Ref function_context) {
    mark_frame(word, frame_header::function);
    Frame* f = frames.top - 1;
    f->function_context = function_context;
    f->saved_values = function_context ? values_word(function_context) : 0;
}

void mark_try(const Cell* word) {
    mark_frame(word, frame_header::try_);
}
void mark_barrier(const Cell* word) {
    mark_frame(word, frame_header::barrier);
}
void mark_catch(const Cell* word) {
    mark_frame(word, frame_header::catch_);
}

void set_flag(uint32_t flag) {
    if (Frame* f = top_frame()) {
        if (flag)
            f->header |= frame_header::return_target;
        else
            f->header &= ~frame_header::return_target;
    }
}

void set_top_bit() {
    if (Frame* f = top_frame()) f->header |= frame_header::interpreted;
}

Frame* mark_return_target() {
    if (frames.top - frames.begin < 2) return nullptr;
    Frame* f = frames.top - 2;
    if (is_return_target(f)) return nullptr;
    f->header |= frame_header::return_target;
    return f;
}

void clear_return_target(Frame* frame) {
    if (frame) frame->header &= ~frame_header::return_target;
}

void set_frame_top(Frame* frame) {
    frames.top = frame;
}

bool is_interpreted(const Frame* start, bool only_one) {
    const Frame* f = start ? start : top_frame();
    if (!f) return false;
    while (f > frames.begin) {
        --f;
        if (f->header & frame_header::interpreted) return true;
        if (only_one) return false;
    }
    return false;
}

// --- Popping ---------------------------------------------------------------------

namespace {

using detail::keep_result;
using detail::pop_record;

void keep_result_last(Frame* f) {
    Cell* result = arguments.base;
    keep_result(f);
    value::copy_cell(result, arguments.base);
}

void drop_all(Frame* f) {
    arguments.base = arguments.top = cell_at(f->saved_base);
}

} // namespace

void unwind_drop() {
    if (Frame* f = pop_record()) drop_all(f);
}
void unwind_func() {
    if (Frame* f = pop_record()) {
        restore_context(f);
        keep_result(f);
    }
}
void unwind_func_last() {
    if (Frame* f = pop_record()) {
        restore_context(f);
        keep_result_last(f);
    }
}
void unwind_func_drop() {
    if (Frame* f = pop_record()) {
        restore_context(f);
        drop_all(f);
    }
}

void unwind_to() {
    Frame* f = pop_record();
    if (!f) return;
    if (type_of(f) == frame_type::function) restore_context(f);
    arguments.top = arguments.base;
    arguments.base = cell_at(f->saved_base);
    if (frames.top == frames.begin) arguments.base = arguments.top = arguments.begin;
}

// --- Unrolling -------------------------------------------------------------------

Frame* unroll(uint8_t type, bool keep) {
    Frame* const start_top = frames.top;
    Frame* f = nullptr;
    while (frames.top > frames.begin) {
        f = --frames.top;
        uint8_t t = type_of(f);
        if (t == frame_type::function) restore_context(f);
        if (t == type || t == frame_type::barrier) break;
    }
    if (keep && f) ++frames.top;
    if (frames.top == start_top) {
        arguments.top = arguments.base + 1;
    } else if (frames.top == frames.begin) {
        arguments.base = arguments.top = arguments.begin;
    } else {
        arguments.top = arguments.base + 1;
        arguments.base = cell_at(frames.top->saved_base);
    }
    if (!keep && f) ++frames.top;
    return f;
}

Frame* unroll_last(uint8_t type) {
    Frame* const start_top = frames.top;
    Cell* result = arguments.base;
    Frame* f = unroll(type, false);
    if (!f) return nullptr;
    // F's own base: the innermost base when F was the top record, else the
    // saved base of the record above it.
    Cell* own = f + 1 == start_top ? result : own_base_below_top(f);
    value::copy_cell(result, own);
    arguments.base = arguments.top = own;
    return f;
}

Frame* unroll_loop(bool keep) {
    return unroll(frame_type::loop, keep);
}

// --- Non-local exits -------------------------------------------------------------

void throw_error(const Cell* error_value) {
    Cell error = *error_value;
    Frame* received = nullptr;
    if (frames.top > frames.begin) {
        if (cell_type(&error) == type_id::error) {
            Cell caller;
            get_caller(&caller);
            error::set_where(&error, &caller);
            // The code near the failure: the expression the interpreter was
            // evaluating when the error was raised.
            Cell* near = error::field_of(&error, error::field::near);
            Cell code;
            if (cell_type(near) == type_id::none && interp::current_code(&code)) *near = code;
            error::set_stack_frame(&error, static_cast<int32_t>(frames.top - frames.begin));
            record_thrown(&error);
        }
        Cell* saved_top = arguments.top;
        Frame* f = unroll(frame_type::try_, false);
        --frames.top; // F goes as well
        arguments.top = saved_top;
        uint8_t t = type_of(f);
        if (t == frame_type::try_ || t == frame_type::barrier) received = f;
    }
    if (!received) {
        // Nothing receives it: the stacks are done with, and reporting it
        // needs room (the argument stack may be the one that overflowed).
        arguments.top = arguments.base + 1;
        value::copy_cell(&error, arguments.base);
        error::report_uncaught(arguments.base);
    }
    *push_slot() = error;
    catch_::throw_code(catch_::code_error);
}

void throw_break(bool keep_value, bool is_continue) {
    const char* id = is_continue ? "continue" : "break";
    Frame* f = top_frame();
    for (;;) {
        if (!f) error::fire_named(error::Category::throw_, id);
        if (type_of(f) == frame_type::barrier) error::fire_named(error::Category::throw_, id);
        if (f == frames.begin) error::fire_named(error::Category::throw_, id);
        --f;
        if (type_of(f) == frame_type::loop) break;
    }
    Cell value = *arguments.base;
    frames.top = f + 1;
    Cell* own = own_base_below_top(f);
    arguments.base = arguments.top = own;
    if (keep_value && !is_continue)
        *own = value;
    else
        value::set_unset(own);
    catch_::throw_code(is_continue ? catch_::code_continue : catch_::code_break);
}

void throw_exit(bool is_return) {
    Frame* f = top_frame();
    for (;;) {
        if (!f || type_of(f) == frame_type::barrier || f == frames.begin)
            error::fire_named(error::Category::throw_, "return");
        --f;
        if (is_return_target(f)) break;
    }
    Cell value = *arguments.base;
    frames.top = f + 1;
    Cell* own = own_base_below_top(f);
    arguments.base = arguments.top = own;
    if (is_return)
        *own = value;
    else
        value::set_unset(own);
    catch_::throw_code(is_return ? catch_::code_return : catch_::code_exit);
}

void throw_(uint32_t code) {
    Cell thrown = arguments.base[0];
    Cell name = arguments.base[1];
    Frame* f = top_frame();
    if (!throw_origin) throw_origin = f;
    for (;;) {
        if (!f || type_of(f) == frame_type::barrier || f == frames.begin)
            error::fire(error::Category::throw_, "throw", &thrown);
        --f;
        if (type_of(f) == frame_type::catch_) break;
    }
    // The origin only names the caller of an error raised on the way; a
    // delivered throw must not leave it behind for a later error.
    throw_origin = nullptr;
    frames.top = f + 1;
    arguments.base = arguments.top = own_base_below_top(f);
    *push_slot() = thrown;
    *push_slot() = name;
    catch_::throw_code(code);
}

// --- Queries ---------------------------------------------------------------------

void get_caller(Cell* out) {
    const Frame* start = throw_origin && throw_origin < frames.top ? throw_origin : top_frame();
    throw_origin = nullptr;
    if (start) {
        for (const Frame* f = start;; --f) {
            if (!is_anonymous(f)) {
                words::word_for_frame(out, symbol_of(f), f->word_context);
                return;
            }
            if (f == frames.begin) break;
        }
    }
    value::copy_cell(words::global_word(words::global::not_found), out);
}

void mark_gc(MarkFn mark_block, MarkFn mark_context) {
    uint32_t self = words::symbol_of(words::symbol::self) & 0xFFFF;
    for (Frame* f = frames.begin; f < frames.top; ++f) {
        if (f->word_context) {
            if (symbol_of(f) == self)
                mark_block(&f->word_context);
            else
                mark_context(&f->word_context);
        }
        if (f->function_context) {
            mark_context(&f->function_context);
            if (f->saved_values &&
                !(context_header(f->function_context)->header & context::flag::values_on_stack))
                mark_block(&f->saved_values);
        }
    }
    mark_thrown(mark_block, mark_context);
}

} // namespace zep::stack
