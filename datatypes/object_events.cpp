// Firing an object's on-change* and on-deep-change* handlers: the handler is
// called as a function frame named after the handler field, with its
// arguments and its /local slots pushed.
#include "datatypes/context.h"
#include "datatypes/function.h"
#include "datatypes/object.h"
#include "datatypes/object_internal.h"
#include "datatypes/symbol.h"
#include "evaluator/call.h"
#include "evaluator/compiled_support.h"
#include "evaluator/runtime_words.h"
#include "evaluator/stack.h"
#include "runtime/memory.h"
#include "runtime/value_make.h"

namespace zep::object {

namespace {

// Callback kinds for the trace filter (the bits of system/state/callbacks).
constexpr uint32_t callback_change = 8;
constexpr uint32_t callback_deep = 16;

// The handler of record cell k: its field index, or -1 for none.
int32_t handler_index(Ref record, uint32_t k) {
    uint32_t word1 = node_cells(record)[k].data1;
    return word1 >= no_handler ? -1 : static_cast<int32_t>(word1 >> 16);
}

// The /local slots of handler k; recounted (and stored) when the function in
// the field is no longer the one the record was computed from.
int32_t handler_slots(Ref record, uint32_t k, const Cell* function) {
    Cell* cell = &node_cells(record)[k];
    if (cell->data2 != function->data2) {
        Ref spec = function->data2;
        int32_t slots = detail::local_slots(spec);
        cell = &node_cells(record)[k];
        cell->data1 = (cell->data1 & 0xFFFF0000u) | (static_cast<uint32_t>(slots) & 0xFFFFu);
        cell->data2 = spec;
    }
    return static_cast<int32_t>(cell->data1 & 0xFFFFu);
}

// Runs the function held on the stack at `function` with the arguments
// already pushed after the frame mark, then the locals; drops the result.
void run_handler(Cell* function, const Cell* object, int32_t slots, uint32_t callback_kind,
                 const Cell* name) {
    if (slots > 0) {
        value::set_logic(stack::push_slot(), false);
        for (int32_t i = 1; i < slots; ++i) value::set_none(stack::push_slot());
    }
    interp::call_function(function, object->data1, name, callback_kind);
    stack::unwind_func_drop();
}

} // namespace

namespace detail {

int32_t local_slots(Ref spec) {
    return function::count_locals(spec, 0, false);
}

bool hook_has_on_change(const Cell* owner) {
    return has_on_change(owner);
}

void hook_call_on_change(const Cell* owner, const Cell* word, const Cell* old_value,
                         const Cell* new_value) {
    fire_on_change(owner, word, old_value, new_value);
}

} // namespace detail

void fire_on_change(const Cell* object, const Cell* word, const Cell* old_value,
                    const Cell* new_value) {
    Ref record = object->data3;
    if (!record) return;
    int32_t index = handler_index(record, record_cell::on_change);
    if (index < 0) return;
    // Everything the handler gets lives on the stack from here on.
    Cell* saved_top = stack::arguments.top;
    Cell* held_object = stack::push(object);
    Cell* held_word = stack::push(word);
    Cell* held_old = stack::push(old_value);
    Cell* held_new = stack::push(new_value);
    Cell* function = stack::push(context::value_at(held_object->data1, index));
    if (cell_type(function) != type_id::function)
        error::fire(error::Category::script, "invalid-obj-evt", function);
    int32_t slots = handler_slots(held_object->data3, record_cell::on_change, function);
    if (value::word_context(held_word) != held_object->data1) {
        int32_t at = context::find_symbol(held_object->data1, value::word_symbol(held_word), true);
        if (at >= 0) {
            held_word->data1 = held_object->data1;
            held_word->data3 = static_cast<uint32_t>(at);
        }
    }
    const Cell* name = words::global_word(words::global::on_change);
    stack::mark_func(name, function->data1);
    stack::push(held_word);
    stack::push(held_old);
    stack::push(held_new);
    run_handler(function, held_object, slots, callback_change, name);
    stack::arguments.top = saved_top;
}

void fire_on_deep_change(const Cell* owner, const Cell* word, const Cell* target,
                         const Cell* action, const Cell* new_value, int32_t index, int32_t part) {
    Ref record = owner->data3;
    if (!record) {
        Cell held = *owner;
        error::fire(error::Category::script, "invalid-obj-evt", &held);
    }
    int32_t field = handler_index(record, record_cell::on_deep_change);
    if (field < 0) return;
    Cell* saved_top = stack::arguments.top;
    Cell* held[5] = {stack::push(owner), stack::push(word), stack::push(target),
                     stack::push(action), stack::push(new_value)};
    Cell* function = stack::push(context::value_at(held[0]->data1, field));
    if (cell_type(function) != type_id::function) {
        stack::arguments.top = saved_top;
        return;
    }
    int32_t slots = handler_slots(held[0]->data3, record_cell::on_deep_change, function);
    const Cell* name = words::global_word(words::global::on_deep_change);
    stack::mark_func(name, function->data1);
    for (Cell* h : held) stack::push(h);
    value::set_integer(stack::push_slot(), index);
    value::set_integer(stack::push_slot(), part);
    run_handler(function, held[0], slots, callback_deep, name);
    stack::arguments.top = saved_top;
}

} // namespace zep::object
