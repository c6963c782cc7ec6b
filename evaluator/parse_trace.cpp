// Evaluation from inside the rules (parens) and the /trace callback. Both run
// with the parse stacks' heads at their tails, so that a parse they start
// works above the frames of this one.
#include <algorithm>

#include "evaluator/call.h"
#include "evaluator/interp.h"
#include "evaluator/parse_internal.h"
#include "evaluator/stack.h"
#include "runtime/value_make.h"

namespace zep::parse {

namespace {

bool is_truthy(const Cell* value) {
    uint8_t type = cell_type(value);
    return type != type_id::none && !(type == type_id::logic && value->data1 == 0);
}

} // namespace

void Engine::event(Event e) {
    if (!tracing_) return;
    Cell* top = stack::arguments.top;
    Cell* args = stack::push(event_word(e));
    value::set_logic(stack::push_slot(), match_);
    Cell* rule = stack::push(rules());
    rule->data1 = static_cast<uint32_t>(std::clamp(cursor_, 0, rules_tail()));
    stack::push(input());
    stack::push(rule_stack());
    const Cell* list[5] = {args, args + 1, args + 2, args + 3, args + 4};
    {
        HeadsAtTails heads;
        interp::call_with(callback(), list, 5, nullptr);
    }
    bool go = is_truthy(stack::top());
    stack::arguments.top = top;
    if (!go) throw Stop{};
}

void Engine::eval_paren(int32_t index, Cell* out) {
    Cell* top = stack::arguments.top;
    Cell* code = stack::push(rule_at(index));
    {
        HeadsAtTails heads;
        interp::eval_block(code, false);
    }
    *out = *stack::top();
    stack::arguments.top = top;
    event(Event::paren);
}

} // namespace zep::parse
