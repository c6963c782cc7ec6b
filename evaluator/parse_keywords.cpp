// The parse vocabulary: keywords recognised by canonical symbol, rule
// references through words, and `into`, which descends into a nested series.
#include <algorithm>

#include "datatypes/series.h"
#include "datatypes/string_buffer.h"
#include "datatypes/triple.h"
#include "datatypes/word.h"
#include "evaluator/parse_internal.h"
#include "evaluator/stack.h"
#include "runtime/cell_ops.h"
#include "runtime/error_exit.h"
#include "runtime/memory.h"
#include "runtime/value_make.h"

namespace zep::parse {

namespace {

bool is_falsy(const Cell* value) {
    uint8_t type = cell_type(value);
    return type == type_id::none || (type == type_id::logic && value->data1 == 0);
}

// Series `into` may descend into (vector! and image! excluded).
bool is_into_item(uint8_t type) {
    return is_block_input(type) || string::is_any_string(type) || type == type_id::binary;
}

} // namespace

const Cell* Engine::reference_value(int32_t index) const {
    const Cell* word = rule_at(index);
    if (!word || value::word_context(word) == 0 || value::word_index(word) < 0) return nullptr;
    Cell copy = *word;
    return word::get(&copy);
}

int32_t Engine::position_word(int32_t index) const {
    const Cell* cell = rule_at(index);
    if (!cell) return -1;
    uint8_t type = cell_type(cell);
    if (type != type_id::word && type != type_id::get_word) return -1;
    if (type == type_id::word && keyword_of(cell) != keyword::count) return -1;
    const Cell* target = reference_value(index);
    if (!target || !is_same_series(target, input())) return -1;
    return std::clamp(value::series_head(target), 0, input_tail(input()));
}

Step Engine::keyword_or_word(int32_t index, bool as_argument) {
    keyword::Id id = keyword_of(rule_at(index));
    if (id != keyword::count) return keyword(id, index);
    // A rule reference: the word's value is the rule.
    const Cell* target = reference_value(index);
    if (!target || cell_type(target) == type_id::unset) fire_with_rule("parse-rule", index);
    Cell* rule = scratch(2);
    *rule = *target;
    switch (cell_type(rule)) {
    case type_id::block:
        *scratch(3) = *rule;
        return enter_block(scratch(3));
    case type_id::datatype:
    case type_id::typeset:
        return match_type(rule);
    case type_id::integer:
        return repetition(index, value::integer_of(rule));
    case type_id::word: {
        // Only as another rule's argument is a word value matched literally.
        int32_t k = as_argument ? read_rule_frame().kind : 0;
        if (!as_argument || k == kind::collect || k == kind::keep)
            fire_with_rule("parse-rule", index);
        break;
    }
    default:
        break;
    }
    if (as_argument) return argument_literal(read_rule_frame(), rule);
    return match_literal(rule);
}

Step Engine::keyword(keyword::Id id, int32_t index) {
    int32_t tail = rules_tail();
    switch (id) {
    case keyword::bar:
        // Reached after a successful alternative: the block succeeds.
        cursor_ = tail;
        match_ = true;
        return Step::check;
    case keyword::skip:
        match_ = !at_end();
        if (match_) set_position(position() + 1);
        event(Event::match);
        return Step::check;
    case keyword::any:
    case keyword::some:
    case keyword::opt:
        if (index + 1 >= tail)
            fire_keyword("parse-end", id == keyword::any    ? "any"
                                      : id == keyword::some ? "some"
                                                            : "opt");
        return push_counted(index, kind::repeat, id == keyword::some ? 1 : 0,
                            id == keyword::opt ? 1 : -1, 0);
    case keyword::to:
    case keyword::thru:
        if (is_keyword(rule_at(index + 1), keyword::end)) {
            set_position(input_end());
            cursor_ = index + 1;
            match_ = true;
            return Step::check;
        }
        return push_counted(index, id == keyword::to ? kind::to : kind::thru, 0, 0, 0);
    case keyword::remove:
        return keyword_remove(index);
    case keyword::break_:
    case keyword::reject:
        // The rest of the block is skipped; the innermost loop ends.
        break_innermost_loop();
        match_ = id == keyword::break_;
        cursor_ = tail;
        return Step::check;
    case keyword::keep:
        return keyword_keep(index);
    case keyword::fail:
        match_ = false;
        return Step::check;
    case keyword::ahead:
        return push_counted(index, kind::ahead, 0, 0, 0);
    case keyword::while_:
        return push_counted(index, kind::while_, 0, -1, 0);
    case keyword::into:
        return keyword_into(index);
    case keyword::insert:
        return keyword_insert(index);
    case keyword::change:
        return keyword_change(index);
    case keyword::end:
        match_ = at_end();
        return Step::check;
    case keyword::if_: {
        const Cell* next = rule_at(index + 1);
        if (!next || cell_type(next) != type_id::paren) fire_keyword("parse-end", "if");
        cursor_ = index + 1;
        eval_paren(cursor_, scratch(0));
        match_ = !is_falsy(scratch(0));
        event(Event::match);
        return Step::check;
    }
    case keyword::not_:
        return push_counted(index, kind::not_, 0, 0, 0);
    case keyword::quote:
        if (index + 1 >= tail) fire_keyword("parse-end", "quote");
        cursor_ = index + 1;
        *scratch(2) = *rule_at(cursor_);
        return match_literal(scratch(2));
    case keyword::collect:
        return keyword_collect(index);
    case keyword::case_: {
        const Cell* next = rule_at(index + 1);
        if (!next || cell_type(next) != type_id::word) fire_keyword("parse-end", "case");
        const Cell* flag = reference_value(index + 1);
        if (!flag || cell_type(flag) == type_id::unset) fire_with_rule("no-value", index + 1);
        int new_code = is_falsy(flag) ? 0 : 2;
        int old_code = code_;
        Cell counts;
        triple::make_at(&counts, 0, old_code, 1);
        push_frame(&counts, index + 1, kind::case_, 0);
        code_ = new_code;
        cursor_ = index + 2;
        return Step::fetch_argument;
    }
    case keyword::set:
    case keyword::copy: {
        const char* name = id == keyword::set ? "set" : "copy";
        const Cell* word = rule_at(index + 1);
        if (!word || cell_type(word) != type_id::word || index + 2 >= tail)
            fire_keyword("parse-end", name);
        *scratch(6) = *word;
        return push_rule(scratch(6), index + 1, id == keyword::set ? kind::set : kind::copy, 0);
    }
    case keyword::none:
        match_ = true;
        return Step::check;
    default:
        runtime::error_exit(101, 0);
    }
}

// into: the rules (a block, directly or through a word) run over the
// series at the input position, which they must match whole.
Step Engine::keyword_into(int32_t index) {
    if (!is_block_input(cell_type(input()))) fire_with("parse-block", input());
    const Cell* argument = rule_at(index + 1);
    if (!argument) fire_keyword("parse-end", "into");
    const Cell* rules_value = argument;
    if (cell_type(argument) == type_id::word) rules_value = reference_value(index + 1);
    if (!rules_value || cell_type(rules_value) != type_id::block) fire_keyword("parse-end", "into");
    *scratch(3) = *rules_value;
    cursor_ = index + 1;
    match_ = false;
    if (at_end()) return Step::check;
    const Cell* item = node_cells(value::series_node(input())) + position();
    if (!is_into_item(cell_type(item))) return Step::check;
    *scratch(7) = *item;
    Cell counts;
    triple::make_at(&counts, 0, 0, 1);
    push_frame(&counts, index, kind::into, 0);
    // The outer input keeps its position on the input stack.
    *stack_cell(input_stack(), 1) = *input();
    push_cells(input_stack(), scratch(7), 1);
    *input() = *scratch(7);
    value::clear_line_flag(&input()->header);
    ++input_depth_;
    cursor_ = index + 1;
    return enter_block(scratch(3));
}

Step Engine::complete_into(const RuleFrame&) {
    bool whole = match_ && position() >= input_tail(input());
    drop_cells(input_stack(), 1);
    --input_depth_;
    *input() = *stack_cell(input_stack(), 1);
    match_ = whole;
    if (whole) set_position(position() + 1);
    return finish_rule();
}

// The last cell of the rule at index, for a count of 0 that skips it.
int32_t Engine::span_end(int32_t index) const {
    int32_t last = rules_tail() - 1;
    if (index >= last) return last;
    const Cell* cell = rule_at(index);
    auto is_count = [&](int32_t i) {
        const Cell* c = rule_at(i);
        if (!c) return false;
        if (cell_type(c) == type_id::integer) return true;
        if (cell_type(c) != type_id::word || keyword_of(c) != keyword::count) return false;
        const Cell* v = reference_value(i);
        return v && cell_type(v) == type_id::integer;
    };
    if (is_count(index)) return span_end(is_count(index + 1) ? index + 2 : index + 1);
    switch (keyword_of(cell)) {
    case keyword::any:
    case keyword::some:
    case keyword::opt:
    case keyword::while_:
    case keyword::not_:
    case keyword::ahead:
    case keyword::to:
    case keyword::thru:
        return span_end(index + 1);
    case keyword::into:
    case keyword::quote:
    case keyword::if_:
        return std::min(index + 1, last);
    case keyword::remove:
        return position_word(index + 1) >= 0 ? index + 1 : span_end(index + 1);
    case keyword::copy:
    case keyword::set:
    case keyword::case_:
        return span_end(index + 2);
    case keyword::collect: {
        const Cell* next = rule_at(index + 1);
        bool modified = is_keyword(next, keyword::set) || is_keyword(next, keyword::into) ||
                        is_keyword(next, keyword::after);
        return span_end(modified ? index + 3 : index + 1);
    }
    case keyword::keep: {
        int32_t i = is_keyword(rule_at(index + 1), keyword::pick) ? index + 1 : index;
        const Cell* next = rule_at(i + 1);
        return next && cell_type(next) == type_id::paren ? i + 1 : span_end(i + 1);
    }
    case keyword::insert: {
        int32_t i = is_keyword(rule_at(index + 1), keyword::only) ? index + 1 : index;
        if (position_word(i + 1) >= 0) ++i;
        return std::min(i + 1, last);
    }
    case keyword::change: {
        int32_t i = is_keyword(rule_at(index + 1), keyword::only) ? index + 1 : index;
        if (position_word(i + 1) >= 0) return std::min(i + 2, last);
        return std::min(span_end(i + 1) + 1, last);
    }
    default:
        return index;
    }
}

} // namespace zep::parse
