// The natives that make functions, read and write words, paths and objects,
// bind words, build objects and maps and mark new lines in lists.
#include "datatypes/block.h"
#include "datatypes/context.h"
#include "datatypes/function.h"
#include "datatypes/map.h"
#include "datatypes/object.h"
#include "datatypes/op.h"
#include "datatypes/series.h"
#include "datatypes/word.h"
#include "evaluator/actions.h"
#include "evaluator/compiled_support.h"
#include "evaluator/interp.h"
#include "evaluator/natives.h"
#include "evaluator/runtime_words.h"
#include "evaluator/stack.h"
#include "runtime/gc_roots.h"
#include "runtime/value_make.h"

namespace zep::natives {

namespace {

inline Cell* arg(int32_t n) {
    return stack::base() + n;
}
inline Cell* refinement_arg(const int32_t* refinements, int n) {
    return is_given(refinements, n) ? arg(refinements[n]) : nullptr;
}

[[noreturn]] void fire_script(const char* id, const Cell* arg1, const Cell* arg2 = nullptr) {
    Cell first = *arg1;
    Cell second = arg2 ? *arg2 : Cell{};
    error::fire(error::Category::script, id, &first, arg2 ? &second : nullptr);
}

bool is_word_type(uint8_t type) {
    return type == type_id::word || type == type_id::set_word || type == type_id::get_word ||
           type == type_id::lit_word;
}

bool is_path_type(uint8_t type) {
    return type == type_id::path || type == type_id::lit_path || type == type_id::set_path ||
           type == type_id::get_path;
}

bool is_list_type(uint8_t type) {
    return type == type_id::block || type == type_id::paren || type == type_id::hash ||
           type == type_id::map || is_path_type(type);
}

// The value's index clamped to its tail (written back).
void clamp_to_tail(Cell* series) {
    int32_t tail = series::total_length(series);
    if (value::series_head(series) > tail) series->data1 = static_cast<uint32_t>(tail);
}

// func's body: spec and body are the frame's first two cells.
void make_function() {
    clamp_to_tail(arg(0));
    clamp_to_tail(arg(1));
    uint32_t flags = function::check_spec(arg(0));
    Cell* made = function::push(arg(0), arg(1), 0, nullptr, flags);
    stack::set_last(made);
}

// A new block! holding the cells of the value from its index, into out.
void copy_from_index(const Cell* source, Cell* out) {
    Cell from = *source;
    int32_t start = series::clamped_head(&from);
    int32_t count = series::total_length(&from) - start;
    Ref node =
        series::copy_range(&from, static_cast<uint32_t>(start), static_cast<uint32_t>(count));
    value::set_series(out, type_id::block, node);
}

// The context a bind target names: a word's, an object's or a function's.
Ref context_of_target(const Cell* target) {
    uint8_t type = cell_type(target);
    if (word::is_any_word_type(type)) return value::word_context(target);
    return target->data1; // object!, error!, port!, function!, routine!
}

// The value a word names for value?: null when it has none.
const Cell* lookup_quietly(const Cell* word) {
    Ref ctx = value::word_context(word);
    if (!ctx) return nullptr;
    int32_t index = value::word_index(word);
    if (index < 0) index = context::find_symbol(ctx, value::word_symbol(word), false);
    if (index < 0 || static_cast<uint32_t>(index) >= context::word_count(ctx)) return nullptr;
    const Cell* values = context::values(ctx);
    return values ? values + index : nullptr;
}

// A word cell's value set from a copy (the word may lie in a block).
void set_word_value(const Cell* word, const Cell* value) {
    Cell locals[2] = {*word, *value};
    gc::Root root(locals, 2);
    locals[0].header = type_id::word;
    word::set(&locals[0], &locals[1]);
}

} // namespace

// --- Function makers -------------------------------------------------------------------

void func(bool, const int32_t*) {
    make_function();
}

void function(bool, const int32_t*) {
    clamp_to_tail(arg(0));
    Cell copy;
    copy_from_index(arg(0), &copy);
    *arg(0) = copy;
    Cell* locals = stack::push_slot();
    value::set_none(locals);
    function::collect_locals(arg(0), arg(1), locals);
    stack::arguments.top = arg(2);
    make_function();
}

void does(bool, const int32_t*) {
    // func [] body
    Cell body = *arg(0);
    stack::push(&body);
    Cell empty;
    block::make_at(&empty, 1);
    *arg(0) = empty;
    make_function();
}

void has(bool, const int32_t*) {
    clamp_to_tail(arg(0));
    Cell copy;
    copy_from_index(arg(0), &copy);
    *arg(0) = copy;
    Cell local = words::refinements[words::refinement::local];
    block::insert_value(arg(0), &local, false);
    arg(0)->data1 = 0;
    make_function();
}

// --- Words and values --------------------------------------------------------------------

void get(bool, const int32_t* refinements) {
    bool any = is_given(refinements, 0);
    bool case_ = is_given(refinements, 1);
    Cell* target = arg(0);
    uint8_t type = cell_type(target);
    if (is_path_type(type)) {
        Cell path = *target;
        gc::Root root(&path);
        path.header = type_id::path;
        interp::eval_path(&path, nullptr, 0, 0, false, true, false, any, case_);
        return;
    }
    if (type == type_id::object) {
        Cell field;
        word::make_at_result(words::symbol_of(words::symbol::values), &field);
        gc::Root root(&field);
        Cell* result = actions::dispatch_reflect(target, &field);
        if (result != stack::base()) stack::set_last(result);
        return;
    }
    const Cell* found = word::get(target);
    if (!any && cell_type(found) == type_id::unset) fire_script("no-value", target);
    stack::set_last(found);
}

void set(bool, const int32_t* refinements) {
    bool any = is_given(refinements, 0);
    bool case_ = is_given(refinements, 1);
    bool only = is_given(refinements, 2);
    bool some = is_given(refinements, 3);
    Cell* target = arg(0);
    Cell* value = arg(1);
    if (!any && cell_type(value) == type_id::unset) fire_script("need-value", target);
    uint8_t type = cell_type(target);
    if (is_path_type(type)) {
        // The path walk takes the new value from the result slot.
        Cell locals[2] = {*target, *value};
        gc::Root root(locals, 2);
        locals[0].header = type_id::path;
        *stack::base() = locals[1];
        interp::eval_path(&locals[0], nullptr, 0, 0, true, false, false, any, case_);
        stack::set_result_only(&locals[1]);
        return;
    }
    if (type == type_id::object) {
        object::set_many(target, value, any, only, some);
        stack::set_last(arg(1));
        return;
    }
    if (type == type_id::block) {
        stack::mark_native(words::global_word(words::global::anon));
        Cell* words_cell = stack::push(target);
        Cell* value_cell = stack::push(value);
        int32_t count = series::total_length(words_cell) - series::clamped_head(words_cell);
        foreach_set_words(words_cell, value_cell, count, any, only, some);
        stack::unwind_drop();
        stack::set_last(arg(1));
        return;
    }
    set_word_value(target, value);
    stack::set_last(arg(1));
}

void foreach_set_words(const Cell* words, const Cell* value, int32_t count, bool any, bool only,
                       bool some) {
    // words and value lie on the argument stack: they never move.
    bool spread = is_list_type(cell_type(value)) && !only;
    int32_t head = series::clamped_head(words);
    Cell index;
    auto pick = [&](int32_t i) {
        value::set_integer(&index, i);
        Cell subject = *value;
        Cell* found = actions::dispatch_pick(&subject, i, &index);
        return *found;
    };
    if (spread) {
        for (int32_t i = 0; i < count; ++i) {
            const Cell* word = block::cell_at(words, head + i);
            if (!is_word_type(cell_type(word))) fire_script("invalid-arg", word);
            if (!any) {
                Cell picked = pick(i + 1);
                if (cell_type(&picked) == type_id::unset)
                    fire_script("need-value", block::cell_at(words, head + i));
            }
        }
    }
    for (int32_t i = 0; i < count; ++i) {
        Cell given = spread ? pick(i + 1) : *value;
        gc::Root root(&given);
        if (some && cell_type(&given) == type_id::none) continue;
        const Cell* word = block::cell_at(words, head + i);
        if (!is_word_type(cell_type(word))) fire_script("invalid-arg", word);
        set_word_value(word, &given);
    }
}

void unset(bool, const int32_t*) {
    Cell unset_value;
    value::set_unset(&unset_value);
    Cell* target = arg(0);
    if (cell_type(target) == type_id::block) {
        int32_t head = series::clamped_head(target);
        int32_t tail = series::total_length(target);
        for (int32_t i = head; i < tail; ++i) {
            const Cell* word = block::cell_at(target, i);
            if (cell_type(word) == type_id::word) set_word_value(word, &unset_value);
        }
    } else {
        set_word_value(target, &unset_value);
    }
    stack::set_last(&unset_value);
}

void is_value(bool, const int32_t*) {
    const Cell* target = arg(0);
    const Cell* found = is_word_type(cell_type(target)) ? lookup_quietly(target) : target;
    Cell result;
    value::set_logic(&result, found && cell_type(found) != type_id::unset);
    stack::set_last(&result);
}

// --- Binding -----------------------------------------------------------------------------

void bind(bool, const int32_t* refinements) {
    Cell* words = arg(0);
    const Cell* target = arg(1);
    Ref ctx = context_of_target(target);
    if (!ctx) fire_script("not-defined", target);
    bool object_context = context::kind_of(ctx) == context::kind::object;
    if (cell_type(words) == type_id::block) {
        if (is_given(refinements, 0)) {
            Cell* copy = block::copy_to_stack(words, true, true);
            context::bind_deep(copy, context_of_target(arg(1)), object_context);
            stack::set_last(copy);
        } else {
            context::bind_deep(words, ctx, object_context);
        }
        return;
    }
    int32_t index = context::find_symbol(ctx, value::word_symbol(words), true);
    if (index >= 0) {
        words->data1 = ctx;
        words->data3 = static_cast<uint32_t>(index);
    }
}

namespace {

// The context in names: an object's, an error's or a function's (also when an
// op! wraps it). Natives and actions have none of their own: null.
Ref context_for_in(const Cell* target) {
    uint8_t type = cell_type(target);
    if (type == type_id::op) type = op::wrapped_type(target);
    if (type == type_id::native || type == type_id::action) return 0;
    return target->data1;
}

} // namespace

void in(bool, const int32_t*) {
    Ref ctx = context_for_in(arg(0));
    Cell word = *arg(1);
    if (cell_type(&word) == type_id::refinement) word.header = type_id::word;
    if (!ctx || context::bind_word(ctx, &word) < 0) {
        value::set_none(stack::base());
        return;
    }
    stack::set_last(&word);
}

void is_context(bool, const int32_t*) {
    Ref ctx = value::word_context(arg(0));
    if (!ctx) {
        value::set_none(stack::base());
        return;
    }
    stack::set_last(context::owner(ctx));
}

// --- Objects and maps ----------------------------------------------------------------------

void construct(bool, const int32_t* refinements) {
    Cell* out = stack::push_slot();
    value::set_none(out);
    const Cell* prototype = refinement_arg(refinements, 0);
    object::construct(out, arg(0), prototype, is_given(refinements, 1));
    stack::set_last(out);
}

void extend(bool, const int32_t* refinements) {
    if (cell_type(arg(0)) != type_id::map) error::fire(error::Category::internal, "not-done");
    map::extend(arg(0), arg(1), is_given(refinements, 0));
}

// --- New-line markers ----------------------------------------------------------------------

void new_line(bool, const int32_t* refinements) {
    Cell* position = arg(0);
    bool mark = arg(1)->data1 != 0;
    int32_t head = series::clamped_head(position);
    int32_t tail = series::total_length(position);
    bool all = is_given(refinements, 0);
    const Cell* skip = refinement_arg(refinements, 1);
    if (!all && !skip) {
        if (head < tail) {
            Cell* cell = block::cell_at(position, head);
            if (mark)
                cell->header |= cell_flag_new_line;
            else
                cell->header &= ~cell_flag_new_line;
        }
        return;
    }
    int32_t step = 1;
    if (skip) {
        step = value::integer_of(skip);
        if (step < 1) fire_script("out-of-range", skip);
    }
    for (int32_t i = 0; head + i < tail; ++i) {
        bool flag = step == 1 || i % step == 0;
        Cell* cell = block::cell_at(position, head + i);
        if (flag == mark)
            cell->header |= cell_flag_new_line;
        else
            cell->header &= ~cell_flag_new_line;
    }
}

void is_new_line(bool, const int32_t*) {
    const Cell* position = arg(0);
    int32_t head = series::clamped_head(position);
    bool marked = head < series::total_length(position) &&
                  (block::cell_at(position, head)->header & cell_flag_new_line) != 0;
    Cell result;
    value::set_logic(&result, marked);
    stack::set_last(&result);
}

void register_words() {
    set_entry(index::func, &func);
    set_entry(index::function, &function);
    set_entry(index::does, &does);
    set_entry(index::has, &has);
    set_entry(index::get, &get);
    set_entry(index::set, &set);
    set_entry(index::bind, &bind);
    set_entry(index::in, &in);
    set_entry(index::construct, &construct);
    set_entry(index::is_value, &is_value);
    set_entry(index::extend, &extend);
    set_entry(index::unset, &unset);
    set_entry(index::new_line, &new_line);
    set_entry(index::is_new_line, &is_new_line);
    set_entry(index::is_context, &is_context);
}

} // namespace zep::natives
