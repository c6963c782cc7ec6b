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

// The selector for an element: the element itself, a get-word's value, or
// a paren's result. Written into the selector slot.
void select_element(const Cell* path, int32_t index, Cell* walk) {
    const Cell* element = cell_at(path, index);
    switch (cell_type(element)) {
    case type_id::get_word:
        walk[selector_slot] = *word::get(const_cast<Cell*>(element));
        break;
    case type_id::paren: {
        Cell paren = *element;
        eval_block(&paren, false);
        walk[selector_slot] = *stack::top();
        stack::arguments.top = walk + slot_count;
        break;
    }
    default:
        walk[selector_slot] = *element;
        break;
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
    if (traces(trace_bit::push)) trace_event(trace_bit::push, path, head, nullptr, walk);
    for (int32_t index = head + 1; index < tail; ++index) {
        if (traces(trace_bit::fetch))
            trace_event(trace_bit::fetch, path, index, nullptr, cell_at(path, index));
        select_element(path, index, walk);
        if (traces(trace_bit::push))
            trace_event(trace_bit::push, path, index, nullptr, &walk[selector_slot]);
        if (cell_type(&walk[selector_slot]) == type_id::unset)
            fire_script("invalid-path", path, cell_at(path, index));
        const Cell* new_value = set && index + 1 == tail ? stack::base() : nullptr;
        Cell* result =
            actions::dispatch_eval_path(walk, &walk[selector_slot], new_value, path, index, case_,
                                        has_parent ? &walk[parent_slot] : nullptr, get, get_any);
        Cell next = *result;
        walk[parent_slot] = walk[current_slot];
        walk[current_slot] = next;
        has_parent = true;
        stack::arguments.top = walk + slot_count;
        if (!set && !get && is_function_type(cell_type(&next))) {
            position = eval_call(&next, code, position, end, true, nullptr,
                                 has_parent ? &walk[parent_slot] : nullptr, path, index, false);
            walk[current_slot] = *stack::top();
            break;
        }
    }
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
