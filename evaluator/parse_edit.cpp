// The rules that edit the input while it is parsed: remove, insert and
// change, at the parse position or at a position word. The series actions do
// the work with the parse stacks' heads at their tails, since an owner's
// change handler may run another parse.
#include <algorithm>
#include <cstdlib>

#include "datatypes/triple.h"
#include "datatypes/word.h"
#include "evaluator/actions.h"
#include "evaluator/parse_internal.h"
#include "evaluator/stack.h"
#include "runtime/value_make.h"

namespace zep::parse {

void Engine::read_edit_value(int32_t index) {
    const Cell* cell = rule_at(index);
    switch (cell_type(cell)) {
    case type_id::path:
        fire_with_rule("parse-rule", index);
    case type_id::paren:
        eval_paren(index, scratch(0));
        return;
    case type_id::word: {
        const Cell* target = reference_value(index);
        if (!target || cell_type(target) == type_id::unset) fire_with_rule("no-value", index);
        *scratch(0) = *target;
        return;
    }
    default:
        *scratch(0) = *cell;
        return;
    }
}

void Engine::remove_input(int32_t start, int32_t count) {
    Cell* series = stack::push(input());
    series->data1 = static_cast<uint32_t>(start);
    Cell* part = stack::push_slot();
    value::set_integer(part, count);
    {
        HeadsAtTails heads;
        actions::dispatch_remove(series, part, nullptr);
    }
    stack::pop(2);
}

void Engine::change_input(int32_t start, int32_t count, bool only) {
    Cell* series = stack::push(input());
    series->data1 = static_cast<uint32_t>(start);
    {
        HeadsAtTails heads;
        Cell* changed = actions::dispatch_change(series, scratch(0), count, only, 1);
        set_position(value::series_head(changed));
    }
    stack::pop(1);
}

// remove: a position word removes from it to the parse position; otherwise
// the argument's match is removed.
Step Engine::keyword_remove(int32_t index) {
    const Cell* next = rule_at(index + 1);
    if (!next) fire_keyword("parse-end", "remove");
    int32_t from = position_word(index + 1);
    if (from >= 0) {
        int32_t start = std::min(from, position());
        remove_input(start, std::abs(position() - from));
        // An owner's change handler may have shrunk the input further.
        set_position(std::min(start, input_tail(input())));
        cursor_ = index + 1;
        match_ = true;
        return Step::check;
    }
    if (cell_type(next) == type_id::path) fire_keyword("parse-rule", "remove");
    return push_counted(index, kind::remove, 0, 0, 0);
}

Step Engine::complete_remove(const RuleFrame& f) {
    if (match_ && position() > f.position) {
        remove_input(f.position, position() - f.position);
        set_position(std::min(f.position, input_tail(input())));
    }
    return finish_rule();
}

// insert [only] [position] value: matched at once.
Step Engine::keyword_insert(int32_t index) {
    int32_t i = index + 1;
    bool only = is_keyword(rule_at(i), keyword::only);
    if (only) ++i;
    if (i >= rules_tail()) fire_keyword("parse-end", "insert");
    int32_t at = position();
    int32_t from = position_word(i);
    if (from >= 0) {
        at = from;
        if (++i >= rules_tail()) fire_keyword("parse-rule", "insert");
    }
    read_edit_value(i);
    cursor_ = i;
    int32_t before = input_tail(input());
    Cell* series = stack::push(input());
    series->data1 = static_cast<uint32_t>(at);
    {
        HeadsAtTails heads;
        actions::dispatch_insert(series, scratch(0), -1, only, 1);
    }
    stack::pop(1);
    int32_t added = input_tail(input()) - before;
    // An owner's change handler may have changed the input too: the position
    // stays within it.
    if (at <= position()) set_position(std::clamp(position() + added, 0, input_tail(input())));
    match_ = true;
    return Step::check;
}

// change [only] position value changes at once; change [only] rule value
// changes what the rule matched.
Step Engine::keyword_change(int32_t index) {
    int32_t i = index + 1;
    bool only = is_keyword(rule_at(i), keyword::only);
    if (only) ++i;
    if (i >= rules_tail()) fire_keyword(only ? "parse-rule" : "parse-end", "change");
    int32_t from = position_word(i);
    if (from < 0) return push_counted(i - 1, only ? kind::change_only : kind::change, 0, 0, 0);
    if (++i >= rules_tail()) fire_keyword("parse-rule", "change");
    read_edit_value(i);
    cursor_ = i;
    change_input(std::min(from, position()), std::abs(position() - from), only);
    match_ = true;
    return Step::check;
}

Step Engine::complete_change(const RuleFrame& f) {
    if (cursor_ + 1 >= rules_tail()) fire_keyword("parse-end", "change");
    ++cursor_;
    if (match_) {
        read_edit_value(cursor_);
        change_input(f.position, std::max(0, position() - f.position), f.kind == kind::change_only);
    }
    return finish_rule();
}

} // namespace zep::parse
