// The conditionals: if unless either any all switch case, and the
// registration of every native of the control group.
#include "evaluator/natives_control.h"

#include "datatypes/registry.h"
#include "evaluator/compiled_support.h"
#include "evaluator/interp.h"
#include "evaluator/natives.h"
#include "evaluator/natives_control_support.h"
#include "evaluator/natives_loops.h"
#include "evaluator/runtime_words.h"
#include "runtime/memory.h"
#include "runtime/value_make.h"

namespace zep::natives {

using namespace control;

namespace {

constexpr TypeMask block_only = mask_of({type_id::block});

void set_none_result() {
    Cell none;
    value::set_none(&none);
    stack::set_result_only(&none);
}

// Evaluates the block held in a stable cell into the current result slot,
// in the native's frame.
void eval_into_result(const Cell* block) {
    interp::eval_block_in_frame(block);
}

// The last cell index to evaluate up to: the end taken at the start, pulled
// back when the block shrank meanwhile.
int32_t current_end(const Cell* code, int32_t end) {
    int32_t tail = tail_index(code);
    return end < tail ? end : tail;
}

} // namespace

void if_(bool check, const int32_t*) {
    if (check) expect("if", arg(1), block_only, "then-blk");
    poll_exits(check);
    if (!is_truthy(arg(0))) {
        set_none_result();
        return;
    }
    eval_into_result(arg(1));
}

void unless(bool check, const int32_t*) {
    if (check) expect("unless", arg(1), block_only, "then-blk");
    poll_exits(check);
    if (is_truthy(arg(0))) {
        set_none_result();
        return;
    }
    eval_into_result(arg(1));
}

void either(bool check, const int32_t*) {
    if (check) {
        expect("either", arg(1), block_only, "true-blk");
        expect("either", arg(2), block_only, "false-blk");
    }
    poll_exits(check);
    eval_into_result(is_true_checked(arg(0)) ? arg(1) : arg(2));
}

void any(bool check, const int32_t*) {
    if (check) expect("any", arg(0), block_only, "conds");
    poll_exits(check);
    // The block stays in a stack cell of its own: the result slot is reused.
    Cell* code = stack::push(arg(0));
    int32_t position = head_index(code);
    int32_t end = tail_index(code);
    while (position < current_end(code, end)) {
        position = interp::eval_next(code, position, current_end(code, end), false);
        if (interp::is_exit_pending()) return;
        if (is_truthy(stack::base())) {
            stack::keep_first();
            return;
        }
    }
    set_none_result();
}

void all(bool check, const int32_t*) {
    if (check) expect("all", arg(0), block_only, "conds");
    poll_exits(check);
    Cell* code = stack::push(arg(0));
    int32_t position = head_index(code);
    int32_t end = tail_index(code);
    if (position >= end) {
        set_none_result();
        return;
    }
    while (position < current_end(code, end)) {
        position = interp::eval_next(code, position, current_end(code, end), false);
        if (interp::is_exit_pending()) return;
        if (!is_truthy(stack::base())) {
            set_none_result();
            return;
        }
    }
    stack::keep_first();
}

void switch_(bool check, const int32_t* refinements) {
    Cell* default_case = refinement_arg(refinements, 0);
    if (check) {
        expect("switch", arg(1), block_only, "cases");
        expect("switch", default_case, block_only, "case");
    }
    poll_exits(check);
    const Cell* searched = arg(0);
    const Cell* cases = arg(1);
    int32_t end = tail_index(cases);
    int32_t found = -1;
    if (cell_type(searched) != type_id::block) {
        for (int32_t i = head_index(cases); i < end && i < tail_index(cases); ++i) {
            const Cell* candidate = node_cells(value::series_node(cases)) + i;
            if (cell_type(candidate) == cell_type(searched) &&
                actions::compare_values(searched, candidate, compare_code::equal) == 0) {
                found = i;
                break;
            }
        }
    }
    Cell chosen;
    if (found < 0) {
        if (!default_case) {
            set_none_result();
            return;
        }
        chosen = *default_case;
    } else {
        // Values that share a block fall through to the first block after them.
        int32_t tail = tail_index(cases);
        const Cell* cells = node_cells(value::series_node(cases));
        int32_t i = found + 1;
        while (i < tail && cell_type(cells + i) != type_id::block) ++i;
        if (i >= tail) {
            set_none_result();
            return;
        }
        chosen = cells[i];
    }
    stack::keep_first();
    eval_into_result(stack::push(&chosen));
}

void case_(bool check, const int32_t* refinements) {
    if (check) expect("case", arg(0), block_only, "cases");
    poll_exits(check);
    bool all_cases = has_refinement(refinements, 0);
    Cell* code = arg(0);
    int32_t position = head_index(code);
    int32_t end = tail_index(code);
    if (position >= end) {
        set_none_result();
        return;
    }
    Cell name = words::symbol_words[words::symbol_word::case_];
    stack::mark_native(&name);
    interp::set_polls_exit();
    bool matched = false;
    while (position < current_end(code, end)) {
        matched = false;
        position = interp::eval_next(code, position, current_end(code, end), false);
        if (interp::is_exit_pending()) {
            stack::unwind();
            return;
        }
        if (position >= current_end(code, end))
            error::fire(error::Category::script, "need-value", &name);
        if (!is_true_checked(stack::base())) {
            ++position; // the action after a false condition is skipped unevaluated
            continue;
        }
        const Cell* action = node_cells(value::series_node(code)) + position;
        if (cell_type(action) == type_id::block) {
            Cell block = *action;
            stack::keep_first();
            eval_into_result(stack::push(&block));
            ++position;
        } else {
            position = interp::eval_next(code, position, current_end(code, end), false);
        }
        if (interp::is_exit_pending()) {
            stack::unwind();
            return;
        }
        if (!all_cases) {
            stack::unwind_last();
            return;
        }
        matched = true;
    }
    stack::unwind_last();
    if (!matched) set_none_result();
}

void register_control() {
    set_entry(index::if_, if_);
    set_entry(index::unless, unless);
    set_entry(index::either, either);
    set_entry(index::any, any);
    set_entry(index::all, all);
    set_entry(index::while_, while_);
    set_entry(index::until, until);
    set_entry(index::loop, loop);
    set_entry(index::repeat, repeat);
    set_entry(index::forever, forever);
    set_entry(index::foreach, foreach);
    set_entry(index::forall, forall);
    set_entry(index::remove_each, remove_each);
    set_entry(index::switch_, switch_);
    set_entry(index::case_, case_);
    set_entry(index::do_, do_);
    set_entry(index::reduce, reduce);
    set_entry(index::compose, compose);
    set_entry(index::try_, try_);
    set_entry(index::break_, break_);
    set_entry(index::continue_, continue_);
    set_entry(index::exit_, exit_);
    set_entry(index::return_, return_);
    set_entry(index::throw_, throw_);
    set_entry(index::catch_, catch_);
    set_entry(index::apply, apply);
}

} // namespace zep::natives
