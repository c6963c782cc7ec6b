// Path evaluation: the first word's value, then one eval-path action per
// further element; a function reached on the way is called with the rest
// of the path as its refinements.
#include "datatypes/context.h"
#include "datatypes/word.h"
#include "evaluator/actions.h"
#include "evaluator/call.h"
#include "evaluator/compiled_support.h"
#include "evaluator/interp.h"
#include "evaluator/interp_internal.h"
#include "evaluator/stack.h"
#include "runtime/gc_roots.h"

namespace zep::interp {

using namespace detail;

namespace {

[[noreturn]] void fire_script(const char* id, const Cell* arg1, const Cell* arg2 = nullptr) {
    Cell first = *arg1;
    Cell second = arg2 ? *arg2 : Cell{};
    error::fire(error::Category::script, id, &first, arg2 ? &second : nullptr);
}

// Stack cells of a path walk, as offsets from the argument top at the start.
enum : int32_t { current_slot = 0, parent_slot, selector_slot, slot_count };

// Types whose whole value lives in the cell. A set through a path changes
// the walk's copy of such a value, so the changed copy has to be stored
// back into whatever holds it.
bool held_by_value(const Cell* value) {
    switch (cell_type(value)) {
    case type_id::date:
    case type_id::time:
    case type_id::pair:
    case type_id::tuple:
    case type_id::point2d:
    case type_id::point3d:
        return true;
    default:
        return false;
    }
}

// The selector for an element: the element itself, a get-word's value, or
// a paren's result. Written into the selector slot; the stack is cut back
// to walk_top.
void select_element(const Cell* path, int32_t index, Cell* walk, Cell* walk_top) {
    const Cell* element = cell_at(path, index);
    switch (cell_type(element)) {
    case type_id::get_word:
        walk[selector_slot] = *word::get(const_cast<Cell*>(element));
        break;
    case type_id::paren: {
        Cell paren = *element;
        eval_block(&paren, false);
        walk[selector_slot] = *stack::top();
        stack::arguments.top = walk_top;
        break;
    }
    default:
        walk[selector_slot] = *element;
        break;
    }
}

// Stores a value changed by a set back into its holders, innermost first:
// `changed` was selected by step `step` of the walk (the first word's value
// is step 0). A holder that is itself held by value is stored in turn; the
// first word is set as a set-word would set it, and every other holder is
// set through its own path action, so an object fires on-change* and a
// block notifies its owner.
void store_back(Cell* changed, int32_t step, Cell* first_word, Cell* history,
                const Cell* first_parent, const Cell* path, int32_t head, bool case_) {
    Cell* const top = stack::arguments.top;
    for (; held_by_value(changed); --step) {
        if (step == 0) {
            word::set(first_word, changed);
            return;
        }
        Cell* holder = &history[2 * (step - 1)];
        const Cell* parent = step >= 2 ? &history[2 * (step - 2)] : first_parent;
        actions::dispatch_eval_path(holder, holder + 1, changed, path, head + step, case_, parent);
        stack::arguments.top = top;
        changed = holder;
    }
}

} // namespace

int32_t eval_path(const Cell* path, const Cell* code, int32_t position, int32_t end, bool set,
                  bool get, bool push, bool get_any, bool case_) {
    Cell* const saved_top = stack::arguments.top;
    int32_t head = clamped_index(path);
    int32_t tail = cell_count(path);
    if (head >= tail) fire_script("empty-path", path);
    if (traces(trace_bit::enter)) trace_event(trace_bit::enter, path, head, nullptr, nullptr);
    if (traces(trace_bit::fetch))
        trace_event(trace_bit::fetch, path, head, nullptr, cell_at(path, head));
    Cell* first = cell_at(path, head);
    if (cell_type(first) != type_id::word) fire_script("word-first", path);
    Cell first_word = *first;
    gc::Root first_root(&first_word);
    const Cell* found = word::get(&first_word);
    if (is_function_type(cell_type(found))) {
        if (set) fire_script("invalid-path-set", path);
        if (get) fire_script("invalid-path-get", path);
        position =
            eval_call(found, code, position, end, push, &first_word, nullptr, path, head, false);
        if (traces(trace_bit::exit))
            trace_event(trace_bit::exit, path, tail, nullptr, push ? stack::top() : stack::base());
        return position;
    }
    if (cell_type(found) == type_id::unset) fire_script("unset-path", path, &first_word);
    // The walk's cells live on the argument stack: they never move.
    Cell* walk = stack::push(found);
    Cell* parent_cell = stack::push_slot();
    value::set_none(parent_cell);
    bool has_parent = false;
    Ref first_context = value::word_context(&first_word);
    if (first_context && first_context != context::global &&
        cell_type(context::owner(first_context)) != type_id::object) {
        *parent_cell = *context::owner(first_context);
        has_parent = true;
    }
    value::set_none(stack::push_slot());
    // A set through more than one step also keeps the first parent and, for
    // every step but the last, the value the step selected from and its
    // selector (see store_back).
    const Cell* first_parent = nullptr;
    Cell* history = nullptr;
    if (set && tail - head > 2) {
        Cell* kept = stack::push(parent_cell);
        if (has_parent) first_parent = kept;
        history = stack::arguments.top;
        for (int32_t index = head + 2; index < tail; ++index) {
            stack::push_slot();
            stack::push_slot();
        }
    }
    Cell* const walk_top = stack::arguments.top;
    if (traces(trace_bit::push)) trace_event(trace_bit::push, path, head, nullptr, walk);
    for (int32_t index = head + 1; index < tail; ++index) {
        if (traces(trace_bit::fetch))
            trace_event(trace_bit::fetch, path, index, nullptr, cell_at(path, index));
        select_element(path, index, walk, walk_top);
        if (traces(trace_bit::push))
            trace_event(trace_bit::push, path, index, nullptr, &walk[selector_slot]);
        if (cell_type(&walk[selector_slot]) == type_id::unset)
            fire_script("invalid-path", path, cell_at(path, index));
        bool last = index + 1 == tail;
        if (set && !last) {
            Cell* step = &history[2 * (index - head - 1)];
            step[0] = walk[current_slot];
            step[1] = walk[selector_slot];
        }
        const Cell* new_value = set && last ? stack::base() : nullptr;
        Cell* result =
            actions::dispatch_eval_path(walk, &walk[selector_slot], new_value, path, index, case_,
                                        has_parent ? &walk[parent_slot] : nullptr, get, get_any);
        Cell next = *result;
        walk[parent_slot] = walk[current_slot];
        walk[current_slot] = next;
        has_parent = true;
        stack::arguments.top = walk_top;
        if (!set && !get && is_function_type(cell_type(&next))) {
            position = eval_call(&next, code, position, end, true, nullptr,
                                 has_parent ? &walk[parent_slot] : nullptr, path, index, false);
            walk[current_slot] = *stack::top();
            break;
        }
    }
    // The last step changed the value it selected from in place: a value
    // held by value is only the walk's copy until it is stored back.
    if (set && tail - head >= 2)
        store_back(&walk[parent_slot], tail - head - 2, &first_word, history, first_parent, path,
                   head, case_);
    if (traces(trace_bit::exit)) trace_event(trace_bit::exit, path, tail, nullptr, walk);
    Cell result = walk[current_slot];
    stack::arguments.top = saved_top;
    if (push)
        stack::push(&result);
    else
        stack::set_result_only(&result);
    return position;
}

} // namespace zep::interp
