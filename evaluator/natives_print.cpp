// print, prin, stats and recycle.
#include "datatypes/block.h"
#include "datatypes/string_buffer.h"
#include "evaluator/actions.h"
#include "evaluator/call.h"
#include "evaluator/interp.h"
#include "evaluator/natives.h"
#include "evaluator/natives_control.h"
#include "evaluator/natives_system.h"
#include "evaluator/natives_system_support.h"
#include "evaluator/stack.h"
#include "runtime/gc_state.h"
#include "runtime/memory.h"
#include "runtime/memory_stats.h"
#include "runtime/output_hooks.h"
#include "runtime/value_make.h"

namespace zep::natives {

int32_t last_new_line = 0;

using namespace system;

namespace {

// While a block argument is reduced into the print scratch block, its head
// sits at the tail the block had; on the way out (normally or by an exit)
// the block is cut back there and its head restored, so that a print nested
// in the reduction appends after the outer one's values and leaves them
// whole. The scratch cell lives in the root block, whose buffer moves when
// it grows: it is found again each time.
class ScratchUse {
  public:
    ScratchUse()
        : saved_head_(value::series_head(print_scratch())),
          start_(control::tail_index(print_scratch())) {
        print_scratch()->data1 = static_cast<uint32_t>(start_);
    }
    ~ScratchUse() {
        Cell* scratch = print_scratch();
        block::set_tail_index(scratch, start_);
        scratch->data1 = static_cast<uint32_t>(saved_head_);
    }
    ScratchUse(const ScratchUse&) = delete;
    ScratchUse& operator=(const ScratchUse&) = delete;

  private:
    int32_t saved_head_;
    int32_t start_;
};

// reduce/into the block at the scratch block, in a native frame of its own.
void reduce_into(const Cell* block) {
    Cell name = control::global_word("reduce");
    stack::mark_native(&name);
    stack::push(block);
    stack::push(print_scratch());
    const int32_t into_position[1] = {1};
    reduce(false, into_position);
    stack::unwind_drop();
    // Only print's own argument stays above its frame's base.
    stack::keep_first();
}

// The text of a string value from its position (clamped) to its tail.
output::TextView text_view(const Cell* text) {
    SeriesBuffer* buffer = node_buffer(value::series_node(text));
    uint32_t unit = buffer_unit(buffer);
    uint32_t units = (buffer->tail - buffer->head) / unit;
    int32_t head = value::series_head(text);
    uint32_t from = head < 0 ? 0 : static_cast<uint32_t>(head) > units ? units : head;
    return {buffer_head(buffer) + from * unit, static_cast<size_t>(units - from) * unit, unit};
}

// Forms the value (a string! is taken as it is) and hands the text to the
// value-level output hooks.
void emit(const Cell* value, bool new_line) {
    const Cell* text = value;
    if (cell_type(value) != type_id::string) {
        Cell* formed = stack::push_slot();
        value::set_none(formed);
        string::make_at(formed, 64);
        actions::dispatch_form(value, formed, INT32_MAX);
        text = formed;
    }
    output::fire_value_hooks(text_view(text), new_line);
}

void print_value(bool check, bool new_line) {
    Cell* value = arg(0);
    if (cell_type(value) == type_id::block) {
        ScratchUse use;
        if (!check) interp::set_polls_exit();
        reduce_into(value);
        if (interp::is_exit_pending()) return;
        *value = *print_scratch();
        emit(value, new_line);
    } else {
        emit(value, new_line);
    }
    last_new_line = new_line ? 1 : 0;
    value::set_unset(stack::base());
    stack::keep_first();
}

// The memory in use as the result: an integer! up to 2147483647, a float!
// beyond.
void set_memory_in_use() {
    double bytes = stats::memory_stats(0, 1);
    if (bytes <= 2147483647.0) {
        value::set_integer(stack::base(), static_cast<int32_t>(bytes));
    } else {
        value::set_float(stack::base(), bytes);
    }
    stack::keep_first();
}

} // namespace

void print(bool check, const int32_t*) {
    print_value(check, true);
}

void prin(bool check, const int32_t*) {
    print_value(check, false);
}

void stats(bool, const int32_t* refinements) {
    bool show = has_refinement(refinements, 0);
    bool info = has_refinement(refinements, 1);
    if (!show && !info) return set_memory_in_use();
    Cell* figures = block::push_new(16);
    stats::memory_stats(value::series_node(figures), 2);
    if (!show) {
        stack::set_result_only(figures);
        return;
    }
    // The library prints the figures: show-memory-stats figures.
    Cell* code = block::push_new(2);
    Cell printer = control::global_word("show-memory-stats");
    block::append_value(code, &printer);
    block::append_value(code, figures);
    interp::eval_block(code, false);
    value::set_unset(stack::base());
    stack::keep_first();
}

void recycle(bool, const int32_t* refinements) {
    if (has_refinement(refinements, 0) || has_refinement(refinements, 1)) {
        memory::collector_enabled = has_refinement(refinements, 0);
        value::set_unset(stack::base());
        stack::keep_first();
        return;
    }
    // A requested collection runs whether or not the switch is on.
    if (memory::start_collection && !gc::running) {
        bool enabled = memory::collector_enabled;
        memory::collector_enabled = true;
        memory::start_collection();
        memory::collector_enabled = enabled;
    }
    set_memory_in_use();
}

} // namespace zep::natives
