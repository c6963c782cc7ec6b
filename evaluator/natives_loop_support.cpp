// The loop support functions: the steps of the series loops on the loop
// state kept below the loop frame's base, shared by the natives and by
// compiled code.
#include "datatypes/context.h"
#include "datatypes/map.h"
#include "datatypes/series.h"
#include "datatypes/word.h"
#include "evaluator/actions.h"
#include "evaluator/compiled_support.h"
#include "evaluator/natives_control_support.h"
#include "evaluator/natives_loops.h"
#include "runtime/gc_roots.h"
#include "runtime/memory.h"
#include "runtime/value_make.h"

namespace zep::natives {

using namespace control;

int32_t (*image_pixel_count)(const Cell* image) = nullptr;
void (*image_set_loop_pixels)(const Cell* words, const Cell* image, int32_t n) = nullptr;

namespace {

// The loop state relative to the loop frame's base.
Cell* loop_words() {
    return stack::base() - 1;
}
Cell* loop_series() {
    return stack::base() - 2;
}

bool is_loop_word_type(uint8_t type) {
    return type == type_id::word || type == type_id::set_word || type == type_id::get_word ||
           type == type_id::lit_word;
}

bool is_block_like(uint8_t type) {
    return in_mask(block_types, type);
}

// True when no value is left at the series' position.
bool is_exhausted(const Cell* series) {
    if (cell_type(series) == type_id::image) {
        if (!image_pixel_count) error::fire(error::Category::internal, "not-done");
        return value::series_head(series) >= image_pixel_count(series);
    }
    return series::is_at_tail(series);
}

// `pick series i` (i from 1) from the series' position.
Cell pick_at(const Cell* series, int32_t i) {
    Cell result;
    if (is_block_like(cell_type(series))) {
        int64_t index = int64_t{value::series_head(series)} + i - 1;
        if (index >= 0 && index < tail_index(series))
            result = node_cells(value::series_node(series))[index];
        else
            value::set_none(&result);
        return result;
    }
    Cell* top = stack::arguments.top;
    Cell* subject = stack::push(series);
    Cell index;
    value::set_integer(&index, i);
    result = *actions::dispatch_pick(subject, i, &index);
    stack::arguments.top = top;
    return result;
}

// The i-th word of a words block (from its position), checked. A block the
// body cut short has no word there: script invalid-arg with the block.
Cell word_at(const Cell* words, int32_t i) {
    int32_t index = head_index(words) + i;
    if (index >= tail_index(words)) error::fire(error::Category::script, "invalid-arg", words);
    Cell word = node_cells(value::series_node(words))[index];
    if (!is_loop_word_type(cell_type(&word)))
        error::fire(error::Category::script, "invalid-arg", &word);
    return word;
}

// Sets the word to the value; both stay rooted while the setting runs (an
// object's change handler may evaluate).
void set_loop_word(Cell word, Cell value) {
    Cell pair[2] = {word, value};
    gc::Root root(pair, 2);
    word::set(&pair[0], &pair[1]);
}

void advance(Cell* series, int32_t n) {
    series->data1 = static_cast<uint32_t>(value::series_head(series) + n);
}

} // namespace

bool foreach_init(int32_t n) {
    Cell* series = loop_series();
    const Cell* words = loop_words();
    if (n < 1) return false;
    uint8_t type = cell_type(series);
    if (type == type_id::map) return map::foreach_step(words, series, n);
    if (is_exhausted(series)) return false;
    if (type == type_id::image) {
        image_set_loop_pixels(words, series, n);
    } else {
        for (int32_t i = 0; i < n; ++i) set_loop_word(word_at(words, i), pick_at(series, i + 1));
    }
    advance(series, n);
    return true;
}

bool foreach_next() {
    Cell* series = loop_series();
    if (cell_type(series) == type_id::map)
        error::fire(error::Category::script, "invalid-arg", loop_words());
    if (is_exhausted(series)) return false;
    if (cell_type(series) == type_id::image) {
        image_set_loop_pixels(loop_words(), series, 1);
    } else {
        set_loop_word(*loop_words(), pick_at(series, 1));
    }
    advance(series, 1);
    return true;
}

bool forall_next(bool advance_it) {
    Cell* value = word::get(loop_words());
    if (advance_it) advance(value, 1);
    return is_exhausted(value);
}

void forall_set() {
    Cell series = *loop_series();
    word::set(loop_words(), &series);
}

void remove_each_step(int32_t n) {
    if (!is_truthy(stack::top())) return;
    Cell* series = loop_series();
    advance(series, -n);
    Cell part;
    value::set_integer(&part, n);
    Cell* result = actions::dispatch_remove(series, n > 1 ? &part : nullptr, nullptr);
    series->data1 = result->data1;
}

void loop_count_arg() {
    truncate_count(stack::base());
}

void float_to_integer(Cell* cell) {
    truncate_count(cell);
}

void loop_counter_inc(Cell* word) {
    Cell* value = word::get(word);
    // Wraps instead of overflowing: the loops stop before the counter could.
    value->data2 += 1;
    Ref context = value::word_context(word);
    if (context && context::kind_of(context) == context::kind::object) {
        Cell copy = *value;
        word::set(word, &copy);
    }
}

void set_words_from_block(const Cell* words, const Cell* values, int32_t n) {
    for (int32_t i = 0; i < n; ++i) set_loop_word(word_at(words, i), pick_at(values, i + 1));
}

} // namespace zep::natives
