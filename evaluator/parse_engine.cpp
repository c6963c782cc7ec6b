// The parse state machine: entering and leaving rule blocks, alternatives
// with backtracking, rule values, rule frames and their completion, loops
// that stop when a round makes no progress, and the end result.
#include <algorithm>

#include "datatypes/pair.h"
#include "datatypes/series.h"
#include "datatypes/triple.h"
#include "datatypes/word.h"
#include "evaluator/actions.h"
#include "evaluator/compiled_support.h"
#include "evaluator/parse.h"
#include "evaluator/parse_internal.h"
#include "evaluator/stack.h"
#include "runtime/error_exit.h"
#include "runtime/memory.h"
#include "runtime/value_make.h"

namespace zep::parse {

namespace {

constexpr int scratch_cells = 8;

int32_t triple_a(const Cell* c) {
    return static_cast<int32_t>(c->data1);
}
int32_t triple_b(const Cell* c) {
    return static_cast<int32_t>(c->data2);
}
int32_t triple_c(const Cell* c) {
    return static_cast<int32_t>(c->data3);
}

} // namespace

Engine::Engine(const Cell* input, const Cell* rules, int code, int32_t limit, const Cell* callback)
    : code_(code), limit_(limit) {
    cells_ = stack::push(rules);
    stack::push(input);
    if (callback) {
        stack::push(callback);
        tracing_ = true;
    } else {
        value::set_none(stack::push_slot());
    }
    value::set_none(stack::push_slot());
    for (int i = 0; i < scratch_cells; ++i) value::set_none(stack::push_slot());
}

// ---- Access ------------------------------------------------------------------------

int32_t Engine::rules_tail() const {
    return static_cast<int32_t>(node_cell_count(value::series_node(rules())));
}

Cell* Engine::rule_at(int32_t index) const {
    if (index < 0 || index >= rules_tail()) return nullptr;
    return node_cells(value::series_node(rules())) + index;
}

int32_t Engine::input_end() const {
    int32_t tail = input_tail(input());
    return input_depth_ == 1 && limit_ >= 1 ? std::min(tail, limit_) : tail;
}

void Engine::fire_with_rule(const char* id, int32_t index) const {
    const Cell* cell = rule_at(index);
    Cell* arg = stack::push_slot();
    if (cell)
        *arg = *cell;
    else
        value::set_none(arg);
    error::fire(error::Category::script, id, arg);
}

void Engine::fire_with(const char* id, const Cell* arg) const {
    error::fire(error::Category::script, id, stack::push(arg));
}

void Engine::fire_keyword(const char* id, const char* name) const {
    Cell* word = stack::push_slot();
    value::set_none(word);
    series::word_named(name, word);
    error::fire(error::Category::script, id, word);
}

// ---- Frames ------------------------------------------------------------------------

bool Engine::top_is_rule_frame() const {
    Cell* stack = rule_stack();
    return used_cells(stack) >= frame_cells && cell_type(stack_cell(stack, 1)) == type_id::pair;
}

RuleFrame Engine::read_rule_frame() const {
    Cell* stack = rule_stack();
    const Cell* counts = stack_cell(stack, 3);
    const Cell* start = stack_cell(stack, 2);
    const Cell* kind = stack_cell(stack, 1);
    RuleFrame f;
    if (cell_type(counts) == type_id::triple) {
        f.minimum = triple_a(counts);
        f.maximum = triple_b(counts);
        f.counter = triple_c(counts);
    }
    f.keyword = triple_a(start);
    f.position = triple_b(start);
    f.length = triple_c(start);
    f.kind = pair::x_of(kind);
    f.flag = pair::y_of(kind);
    return f;
}

void Engine::write_rule_counts(int32_t minimum, int32_t maximum, int32_t counter) {
    triple::make_at(stack_cell(rule_stack(), 3), minimum, maximum, counter);
}

void Engine::write_rule_start(int32_t position, int32_t length) {
    Cell* start = stack_cell(rule_stack(), 2);
    start->data2 = static_cast<uint32_t>(position);
    start->data3 = static_cast<uint32_t>(length);
}

void Engine::break_innermost_loop() {
    Cell* stack = rule_stack();
    for (int32_t back = 1; back <= used_cells(stack); back += frame_cells) {
        Cell* kind = stack_cell(stack, back);
        if (cell_type(kind) != type_id::pair) continue;
        int32_t k = pair::x_of(kind);
        if (k == kind::repeat || k == kind::while_) {
            kind->data3 = 1;
            return;
        }
    }
}

void Engine::pop_frame() {
    drop_cells(rule_stack(), frame_cells);
}

void Engine::push_frame(const Cell* first, int32_t keyword_index, int32_t rule_kind, int32_t flag) {
    Cell frame[frame_cells];
    frame[0] = *first;
    triple::make_at(&frame[1], keyword_index, position(), remaining_length());
    pair::make_in(&frame[2], rule_kind, flag);
    push_cells(rule_stack(), frame, frame_cells);
    event(Event::push);
}

Step Engine::push_rule(const Cell* first, int32_t keyword_index, int32_t rule_kind, int32_t flag) {
    push_frame(first, keyword_index, rule_kind, flag);
    cursor_ = keyword_index + 1;
    return Step::fetch_argument;
}

Step Engine::push_counted(int32_t keyword_index, int32_t rule_kind, int32_t minimum,
                          int32_t maximum, int32_t flag) {
    Cell counts;
    triple::make_at(&counts, minimum, maximum, 1);
    return push_rule(&counts, keyword_index, rule_kind, flag);
}

Step Engine::finish_rule() {
    event(Event::match);
    event(Event::pop);
    pop_frame();
    return Step::check;
}

// ---- Blocks --------------------------------------------------------------------------

Step Engine::enter_block(const Cell* block) {
    Cell frame[frame_cells];
    value::set_none(&frame[0]);
    triple::make_at(&frame[1], cursor_, position(), remaining_length());
    frame[2] = *rules();
    push_cells(rule_stack(), frame, frame_cells);
    *rules() = *block;
    cursor_ = value::series_head(rules()) - 1;
    match_ = true;
    event(Event::push);
    return Step::next;
}

Step Engine::step_next() {
    int32_t tail = rules_tail();
    if (cursor_ < tail) ++cursor_;
    if (cursor_ < tail) {
        event(Event::fetch);
        return value(cursor_, false);
    }
    return top_is_rule_frame() ? Step::complete : Step::leave;
}

Step Engine::step_check() {
    if (top_is_rule_frame()) return Step::complete;
    return match_ ? Step::next : Step::alternative;
}

Step Engine::step_alternative() {
    set_position(triple_b(stack_cell(rule_stack(), 2)));
    int32_t distance = skip_to_alternative(rules(), cursor_, rules_tail());
    if (distance < 0) {
        match_ = false;
        return Step::leave;
    }
    cursor_ += distance;
    match_ = true;
    return Step::next;
}

Step Engine::step_leave() {
    event(Event::pop);
    if (used_cells(rule_stack()) <= frame_cells) return Step::end;
    Cell* stack = rule_stack();
    cursor_ = triple_a(stack_cell(stack, 2));
    *rules() = *stack_cell(stack, 1);
    pop_frame();
    return Step::check;
}

// ---- Values --------------------------------------------------------------------------

Step Engine::value(int32_t index, bool as_argument) {
    Cell* cell = rule_at(index);
    switch (cell_type(cell)) {
    case type_id::word:
        return keyword_or_word(index, as_argument);
    case type_id::block:
        *scratch(3) = *cell;
        return enter_block(scratch(3));
    case type_id::datatype:
    case type_id::typeset:
        *scratch(2) = *cell;
        return match_type(scratch(2));
    case type_id::set_word: {
        Cell* word = scratch(6);
        *word = *cell;
        word::set(word, input());
        return Step::next;
    }
    case type_id::get_word: {
        Cell* word = scratch(6);
        *word = *cell;
        const Cell* target = word::get(word);
        if (!is_same_series(target, input())) fire_with("parse-invalid-ref", word);
        set_position(std::max(0, value::series_head(target)));
        match_ = true;
        return Step::check;
    }
    case type_id::integer:
        return repetition(index, value::integer_of(cell));
    case type_id::paren:
        return paren(index);
    case type_id::path:
        fire_with_rule("parse-rule", index);
    default:
        *scratch(2) = *cell;
        return match_literal(scratch(2));
    }
}

Step Engine::match_literal(const Cell* rule) {
    int32_t length = literal_length(input(), input_end(), rule, code_);
    match_ = length >= 0;
    if (match_) set_position(position() + length);
    event(Event::match);
    return Step::check;
}

Step Engine::match_type(const Cell* type) {
    int32_t length = type_match_length(input(), input_end(), type);
    match_ = length >= 0;
    if (match_) set_position(position() + length);
    event(Event::match);
    return Step::check;
}

Step Engine::paren(int32_t index) {
    eval_paren(index, scratch(0));
    // The paren may have changed the rules or the input.
    cursor_ = std::min(cursor_, rules_tail() - 1);
    set_position(std::min(position(), input_tail(input())));
    match_ = true;
    return Step::check;
}

// An integer count, optionally a range, then the argument.
Step Engine::repetition(int32_t index, int32_t minimum) {
    if (minimum < 0) fire_with_rule("out-of-range", index);
    int32_t last = index;
    int32_t maximum = minimum;
    if (Cell* next = rule_at(index + 1)) {
        const Cell* count = next;
        if (cell_type(next) == type_id::word && keyword_of(next) == keyword::count)
            count = reference_value(index + 1);
        if (count && cell_type(count) == type_id::integer) {
            maximum = value::integer_of(count);
            if (maximum < 0) fire_with("out-of-range", count);
            if (maximum < minimum) fire_with_rule("parse-rule", index);
            last = index + 1;
        }
    }
    if (last + 1 >= rules_tail()) fire_with_rule("parse-rule", index);
    if (maximum == 0) {
        cursor_ = span_end(last + 1);
        match_ = true;
        return Step::check;
    }
    return push_counted(last, kind::repeat, minimum, maximum, 0);
}

// ---- Rule arguments ------------------------------------------------------------------

Step Engine::fetch_argument() {
    RuleFrame f = read_rule_frame();
    Cell* cell = rule_at(cursor_);
    if (!cell) {
        switch (f.kind) {
        case kind::to:
        case kind::thru:
        case kind::not_:
        case kind::remove:
        case kind::while_:
        case kind::collect:
        case kind::keep:
        case kind::ahead:
            fire_keyword("parse-end", kind_name(f.kind));
        default:
            match_ = true;
            return Step::complete;
        }
    }
    switch (cell_type(cell)) {
    case type_id::block:
        *scratch(3) = *cell;
        return enter_block(scratch(3));
    case type_id::word:
        return keyword_or_word(cursor_, true);
    case type_id::integer:
    case type_id::paren:
    case type_id::typeset:
    case type_id::datatype:
    case type_id::path:
    case type_id::set_word:
    case type_id::get_word:
        return value(cursor_, true);
    default:
        *scratch(2) = *cell;
        return argument_literal(f, scratch(2));
    }
}

// A literal argument: repetitions and searches run directly; any other
// rule matches it as a value and completes.
Step Engine::argument_literal(const RuleFrame& f, const Cell* rule) {
    if (f.kind == kind::repeat) {
        match_ = repeat_literal(input(), input_end(), rule, f.minimum, f.maximum, code_);
    } else if (f.kind == kind::to || f.kind == kind::thru) {
        int32_t after = 0;
        int32_t start = find_literal(input(), input_end(), rule, code_, &after);
        match_ = start >= 0;
        if (match_) {
            write_rule_start(start, input_tail(input()) - start);
            set_position(f.kind == kind::to ? start : after);
        }
    } else {
        return match_literal(rule);
    }
    return finish_rule();
}

// ---- Completion ----------------------------------------------------------------------

Step Engine::complete() {
    RuleFrame f = read_rule_frame();
    switch (f.kind) {
    case kind::repeat:
    case kind::while_:
        return complete_loop(f);
    case kind::to:
    case kind::thru:
        return complete_search(f);
    case kind::copy:
    case kind::set:
        return complete_capture(f);
    case kind::not_:
        // A predicate: it never consumes input.
        match_ = !match_;
        set_position(f.position);
        return finish_rule();
    case kind::ahead:
        set_position(f.position);
        return finish_rule();
    case kind::case_:
        code_ = f.maximum;
        return finish_rule();
    case kind::into:
        return complete_into(f);
    case kind::remove:
        return complete_remove(f);
    case kind::change:
    case kind::change_only:
        return complete_change(f);
    case kind::collect:
        return complete_collect(f);
    case kind::keep:
        return complete_keep(f);
    default:
        runtime::error_exit(101, 0);
    }
}

Step Engine::complete_loop(const RuleFrame& f) {
    if (!match_) {
        match_ = f.minimum == 0 || f.counter - 1 >= f.minimum;
        set_position(f.position);
        return finish_rule();
    }
    bool progress = position() != f.position || remaining_length() < f.length;
    bool done = false;
    if (f.flag) {
        done = true;
    } else if (f.maximum >= 0 && f.counter >= f.maximum) {
        done = true;
    } else if (f.kind == kind::repeat && !progress) {
        done = true;
    }
    if (done) {
        match_ = f.counter >= f.minimum;
        return finish_rule();
    }
    write_rule_counts(f.minimum, f.maximum, f.counter + 1);
    write_rule_start(position(), remaining_length());
    cursor_ = f.keyword + 1;
    event(Event::iterate);
    return Step::fetch_argument;
}

// to and thru with a sub-rule: tried at each position until it matches.
Step Engine::complete_search(const RuleFrame& f) {
    if (match_) {
        if (f.kind == kind::to) set_position(f.position);
        return finish_rule();
    }
    if (f.position >= input_end()) {
        match_ = is_keyword(rule_at(f.keyword + 1), keyword::end);
        if (match_) set_position(input_end());
        return finish_rule();
    }
    set_position(f.position + 1);
    write_rule_start(position(), remaining_length());
    cursor_ = f.keyword + 1;
    event(Event::pop);
    event(Event::iterate);
    return Step::fetch_argument;
}

// copy and set: the word (the frame's first cell) receives the match.
Step Engine::complete_capture(const RuleFrame& f) {
    if (match_) {
        Cell* word = scratch(6);
        *word = *stack_cell(rule_stack(), 3);
        Cell* captured = scratch(7);
        if (f.kind == kind::copy) {
            copy_input(f.position, position(), captured);
        } else if (position() > f.position) {
            item_at(input(), f.position, captured);
        } else {
            value::set_none(captured);
        }
        word::set(word, captured);
    }
    return finish_rule();
}

void Engine::copy_input(int32_t from, int32_t to, Cell* out) {
    int32_t start = std::max(0, std::min(from, to));
    Cell* series = stack::push(input());
    series->data1 = static_cast<uint32_t>(start);
    Cell* part = stack::push_slot();
    value::set_integer(part, std::abs(to - from));
    actions::dispatch_copy(series, series, part, false, nullptr);
    *out = *series;
    stack::pop(2);
}

// ---- The run -------------------------------------------------------------------------

void Engine::run(Cell* result) {
    push_cells(input_stack(), input(), 1);
    cursor_ = value::series_head(rules()) - 1;
    Step step = enter_block(rules());
    for (;;) {
        switch (step) {
        case Step::next:
            step = step_next();
            break;
        case Step::check:
            step = step_check();
            break;
        case Step::alternative:
            step = step_alternative();
            break;
        case Step::leave:
            step = step_leave();
            break;
        case Step::fetch_argument:
            step = fetch_argument();
            break;
        case Step::complete:
            step = complete();
            break;
        case Step::end:
            finish(result);
            return;
        }
    }
}

void Engine::finish(Cell* result) {
    if (cursor_ < rules_tail()) match_ = false;
    int32_t left = remaining_length();
    if (left >= 1 && limit_ >= 1) left = limit_ - position();
    if (left >= 1) match_ = false;
    event(Event::end);
    if (cell_type(collected()) == type_id::block)
        *result = *collected();
    else
        value::set_logic(result, match_);
}

void run_rules(const Cell* input, const Cell* rules, int code, int32_t limit, const Cell* callback,
               Cell* result) {
    StackSession session;
    Cell* top = stack::arguments.top;
    Engine engine(input, rules, code, limit, callback);
    try {
        engine.run(result);
    } catch (const Stop&) {
        value::set_logic(result, engine.match_);
    }
    stack::arguments.top = top;
}

} // namespace zep::parse
