// Reading the frame stack for errors and tools: the call trace of an error
// and the call list the library collects.
#include <vector>

#include "datatypes/context.h"
#include "datatypes/string_buffer.h"
#include "datatypes/word.h"
#include "evaluator/compiled_support.h"
#include "evaluator/runtime_words.h"
#include "evaluator/stack.h"
#include "runtime/gc_roots.h"
#include "runtime/memory.h"
#include "runtime/value_make.h"

namespace zep::stack {

namespace {

bool is_anonymous(const Frame* f) {
    uint32_t symbol = symbol_of(f);
    return symbol == (body_symbol & 0xFFFF) || symbol == (anon_symbol & 0xFFFF);
}

bool is_self_frame(const Frame* f) {
    return symbol_of(f) == (words::symbol_of(words::symbol::self) & 0xFFFF);
}

// The value of the frame's name in its word context (null when none).
const Cell* name_value(const Frame* f) {
    Ref ctx = f->word_context && !is_self_frame(f) ? f->word_context : context::global;
    int32_t index = context::find_symbol(ctx, symbol_of(f), false);
    return index < 0 ? nullptr : context::value_at(ctx, index);
}

bool is_traced(const Frame* f, int32_t level) {
    if (is_anonymous(f)) return false;
    if (level > 1) return true;
    const Cell* value = name_value(f);
    return value && cell_type(value) == type_id::function;
}

// The records the error thrown last left on the frame stack, and that
// error's context node (0 when none).
std::vector<Frame> thrown_frames;
Ref thrown_error = 0;

} // namespace

TraceSpan live_span() {
    return {frames.begin, frames.top};
}

TraceSpan trace_span(const Cell* error) {
    if (thrown_error && cell_type(error) == type_id::error && error->data1 == thrown_error)
        return {thrown_frames.data(), thrown_frames.data() + thrown_frames.size()};
    return live_span();
}

void record_thrown(const Cell* error) {
    thrown_frames.assign(frames.begin, frames.top);
    thrown_error = error->data1;
}

void forget_thrown() {
    thrown_frames.clear();
    thrown_error = 0;
}

void mark_thrown(MarkFn mark_block, MarkFn mark_context) {
    if (!thrown_error) return;
    mark_context(&thrown_error);
    uint32_t self = words::symbol_of(words::symbol::self) & 0xFFFF;
    for (Frame& f : thrown_frames) {
        if (!f.word_context) continue;
        if (symbol_of(&f) == self)
            mark_block(&f.word_context);
        else
            mark_context(&f.word_context);
    }
}

void trace_words(int32_t level, Cell* block, TraceSpan span) {
    for (const Frame* f = span.begin; f < span.end; ++f) {
        if (!is_traced(f, level)) continue;
        // Rooted: growing the block may move the word's context node.
        gc::RootedCell word;
        words::word_for_frame(word.get(), symbol_of(f), f->word_context);
        Cell* tail = block::alloc_tail_cell(block);
        *tail = *word;
    }
}

int32_t trace_positions(int32_t level, const Cell* stack_field, Cell* output, int32_t limit,
                        TraceSpan span) {
    int32_t position = value::integer_of(stack_field);
    int32_t count = static_cast<int32_t>(span.end - span.begin);
    if (position > count) position = count;
    for (int32_t i = 0; i < position; ++i) {
        const Frame* f = span.begin + i;
        if (!is_traced(f, level)) continue;
        Cell word;
        value::set_word(&word, type_id::word, 0, symbol_of(f));
        limit = word::form(&word, output, limit);
        string::append_text(output, " ");
        --limit;
    }
    return limit;
}

void collect_trace(Cell* block) {
    if (frames.top - frames.begin < 2) return;
    for (const Frame* f = frames.top - 1; f > frames.begin; --f) {
        if (is_anonymous(f)) continue;
        Ref ctx = f->function_context ? f->function_context : context::global;
        gc::RootedCell word;
        Cell position;
        context::get_word_or_global(ctx, symbol_of(f), word.get());
        value::set_integer(&position, static_cast<int32_t>(f->saved_base));
        Cell* tail = block::alloc_tail_cell(block);
        *tail = *word;
        tail = block::alloc_tail_cell(block);
        *tail = position;
    }
}

} // namespace zep::stack
