// collect and keep: each open collect has a level of two argument-stack
// cells above the engine's cells: a mode cell (none: a new block; word!:
// `collect set`; get-word!: `collect into`; refinement!: `collect after`)
// and the target series, whose position moves as values are kept into it.
#include <algorithm>

#include "datatypes/block.h"
#include "datatypes/series.h"
#include "datatypes/string_buffer.h"
#include "datatypes/triple.h"
#include "datatypes/word.h"
#include "evaluator/actions.h"
#include "evaluator/parse_internal.h"
#include "evaluator/stack.h"
#include "runtime/cell_ops.h"
#include "runtime/memory.h"
#include "runtime/value_make.h"

namespace zep::parse {

namespace {

constexpr uint32_t collect_block_cells = 8;

bool is_collect_target(uint8_t type) {
    return is_block_input(type) || string::is_any_string(type) || type == type_id::binary;
}

} // namespace

Cell* Engine::collect_level() const {
    return cells_ + engine_cells + 2 * (collect_depth_ - 1);
}

// collect [set word | into word | after word] rule
Step Engine::keyword_collect(int32_t index) {
    int32_t last = index;
    Cell* mode = stack::push_slot();
    value::set_none(mode);
    Cell* target = stack::push_slot();
    value::set_none(target);
    int32_t start = 0;
    const Cell* modifier = rule_at(index + 1);
    bool set = is_keyword(modifier, keyword::set);
    bool into = is_keyword(modifier, keyword::into);
    bool after = is_keyword(modifier, keyword::after);
    if (set || into || after) {
        const Cell* word = rule_at(index + 2);
        if (!word || cell_type(word) != type_id::word) fire_keyword("parse-end", "collect");
        *mode = *word;
        last = index + 2;
    }
    if (into || after) {
        const Cell* series = reference_value(last);
        if (!series || !is_collect_target(cell_type(series)))
            fire_with_rule("parse-into-type", last);
        uint8_t type = cell_type(series);
        uint8_t input_type = cell_type(input());
        if (type != input_type && (type == type_id::binary ||
                                   (string::is_any_string(type) && is_block_input(input_type))))
            fire_with_rule("parse-into-type", last);
        if (value::series_node(series) == value::series_node(input()))
            fire_with_rule("parse-into-bad", last);
        *target = *series;
        start = value::series_head(target);
        value::set_type(mode, into ? type_id::get_word : type_id::refinement);
    } else {
        value::set_series(target, type_id::block, series::alloc_cells(collect_block_cells));
    }
    ++collect_depth_;
    return push_counted(last, kind::collect, 0, start, 0);
}

Step Engine::complete_collect(const RuleFrame& f) {
    Cell* level = collect_level();
    Cell* mode = scratch(4);
    Cell* target = scratch(5);
    *mode = level[0];
    *target = level[1];
    stack::pop(2);
    --collect_depth_;
    switch (cell_type(mode)) {
    case type_id::none:
        // The block goes to the enclosing collect, or becomes the result.
        if (collect_depth_ > 0)
            keep_value(target);
        else
            *collected() = *target;
        break;
    case type_id::word:
        word::set(mode, target);
        break;
    default:
        // into and after: the word's series is back where it was.
        value::set_type(mode, type_id::word);
        target->data1 = static_cast<uint32_t>(f.maximum);
        word::set(mode, target);
        break;
    }
    return finish_rule();
}

// keep [pick] (paren) | keep [pick] rule
Step Engine::keyword_keep(int32_t index) {
    if (collect_depth_ == 0) fire_keyword("parse-keep", "keep");
    bool pick = is_keyword(rule_at(index + 1), keyword::pick);
    int32_t last = pick ? index + 1 : index;
    const Cell* next = rule_at(last + 1);
    if (!next) fire_keyword("parse-end", "keep");
    if (cell_type(next) != type_id::paren) return push_counted(last, kind::keep, 0, 0, pick);
    cursor_ = last + 1;
    Cell* kept = scratch(1);
    eval_paren(cursor_, kept);
    if (pick && cell_type(kept) == type_id::block) {
        // Each item of the block, one by one; the collect target's own items
        // from a copy, since keeping them moves them.
        if (value::series_node(kept) == value::series_node(collect_level() + 1)) {
            *kept = *block::copy_to_stack(kept, false, false);
            stack::pop(1);
        }
        int32_t tail = static_cast<int32_t>(node_cell_count(value::series_node(kept)));
        for (int32_t i = std::max(0, value::series_head(kept)); i < tail; ++i) {
            *scratch(7) = node_cells(value::series_node(kept))[i];
            keep_value(scratch(7));
            tail = std::min(tail, static_cast<int32_t>(node_cell_count(value::series_node(kept))));
        }
    } else {
        keep_value(kept);
    }
    match_ = true;
    return Step::check;
}

Step Engine::complete_keep(const RuleFrame& f) {
    if (!match_) return finish_rule();
    const Cell* argument = rule_at(f.keyword + 1);
    if (f.flag) {
        keep_items(f.position);
    } else if (is_keyword(argument, keyword::copy)) {
        const Cell* copied = reference_value(f.keyword + 2);
        if (copied) {
            *scratch(1) = *copied;
            keep_value(scratch(1));
        }
    } else if (position() - f.position == 1) {
        item_at(input(), f.position, scratch(1));
        keep_value(scratch(1));
    } else if (position() - f.position > 1) {
        copy_input(f.position, position(), scratch(1));
        keep_value(scratch(1));
    }
    return finish_rule();
}

void Engine::keep_items(int32_t start) {
    const Cell* from = input();
    int32_t end = position();
    if (value::series_node(from) == value::series_node(collect_level() + 1)) {
        // Keeping into the input itself (entered with into): the items are
        // taken from a copy, since keeping them moves them.
        copy_input(start, end, scratch(6));
        from = scratch(6);
        end -= start;
        start = 0;
    }
    for (int32_t i = start; i < end; ++i) {
        item_at(from, i, scratch(1));
        keep_value(scratch(1));
    }
}

void Engine::keep_value(const Cell* value) {
    Cell* level = collect_level();
    Cell* target = level + 1;
    HeadsAtTails heads;
    switch (cell_type(level)) {
    case type_id::get_word: {
        Cell* moved = actions::dispatch_insert(target, value, -1, true, 1);
        collect_level()[1].data1 = moved->data1;
        break;
    }
    default:
        actions::dispatch_append(target, value, -1, true, 1);
        break;
    }
}

} // namespace zep::parse
