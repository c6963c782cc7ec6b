// Checked word and field access for compiled code.
#include "datatypes/context.h"
#include "datatypes/word.h"
#include "evaluator/compiled_support.h"
#include "evaluator/stack.h"

namespace zep::word {

Cell* get_checked(Cell* word) {
    Cell* value = get(word);
    if (cell_type(value) == type_id::unset) error::fire(error::Category::script, "no-value", word);
    return value;
}

void set_from_top(Cell* word) {
    const Cell* top = stack::top();
    if (cell_type(top) == type_id::unset) error::fire(error::Category::script, "need-value", word);
    set(word, top);
}

void set_from_stack(Cell* word) {
    set_from_top(word);
    stack::reset();
}

Cell* get_field_cell(Ref ctx, int32_t index) {
    Cell* values = context::values(ctx);
    if (!values) {
        Cell word = *context::word_at(ctx, index);
        error::fire(error::Category::script, "not-defined", &word);
    }
    return values + index;
}

} // namespace zep::word

namespace zep::context {

void set_from_top(Ref ctx, int32_t index) {
    const Cell* top = stack::top();
    if (cell_type(top) == type_id::unset) {
        Cell word = *word_at(ctx, index);
        error::fire(error::Category::script, "need-value", &word);
    }
    *word::get_field_cell(ctx, index) = *top;
}

void set_from_top_drop(Ref ctx, int32_t index) {
    set_from_top(ctx, index);
    stack::reset();
}

} // namespace zep::context

namespace zep::object {

void set_field_from_stack(const Cell* object, int32_t index) {
    Ref ctx = object->data1;
    *word::get_field_cell(ctx, index) = *stack::top();
    if (context::kind_of(ctx) == context::kind::object)
        context::word_at(ctx, index)->header |= context::field_assigned;
    stack::reset();
}

} // namespace zep::object
