// The looping natives: while until loop repeat forever foreach forall
// remove-each. Each marks a loop frame that receives break and continue;
// every other exit goes on outward, and errors pass through untouched.
#include "evaluator/natives_loops.h"

#include "datatypes/context.h"
#include "datatypes/word.h"
#include "evaluator/compiled_support.h"
#include "evaluator/interp.h"
#include "evaluator/natives_control_support.h"
#include "evaluator/pure_loops.h"
#include "runtime/memory.h"
#include "runtime/value_make.h"

namespace zep::natives {

using namespace control;

namespace {

constexpr TypeMask block_only = mask_of({type_id::block});
constexpr TypeMask count_types = mask_of({type_id::integer, type_id::float_});

// Marks the loop frame, named like the call, and promises to poll it.
void mark_loop_frame() {
    if (const stack::Frame* named = stack::top_frame()) {
        stack::mark_frame_named_as(named, stack::frame_header::loop);
    } else {
        Cell name = current_name();
        stack::mark_loop(&name);
    }
    interp::set_polls_exit();
}

void set_result(uint8_t type) {
    Cell result;
    value::set_cell(&result, type);
    stack::set_result_only(&result);
}

enum class Step {
    done,      // the body ran to its end
    continued, // continue: the body ended early
    broken,    // break: the loop ends, its value in the loop's result slot
    leaving,   // a pending exit for a receiver further out: unwind and return
};

// The step after an evaluation that did not simply end: `thrown` is the
// code of a thrown exit, or 0 for a pending one. A thrown exit that is not
// break or continue goes on outward from here.
[[gnu::noinline]] Step step_after_exit(uint32_t thrown) {
    Exit exit = thrown ? Exit{thrown, true} : Exit{interp::pending_exit, false};
    if (thrown) interp::clear_pending_exit();
    switch (exit.code) {
    case catch_::code_continue:
        take_exit(exit);
        return Step::continued;
    case catch_::code_break:
        take_exit(exit);
        return Step::broken;
    default:
        if (exit.thrown) pass_on(exit.code);
        return Step::leaving;
    }
}

// Evaluates the body (a stable cell) into the loop frame's result slot. The
// common case, a body that simply ends, costs one test.
inline Step run_body(const Cell* body) {
    uint32_t thrown =
        catch_::receive(catch_::threshold_loop, [&] { interp::eval_block_in_frame(body); });
    if (!thrown && !interp::is_exit_pending()) return Step::done;
    return step_after_exit(thrown);
}

// Sets repeat's counter word to the counter. A word whose index is not yet
// resolved takes the general path once, which resolves it; after it, a
// word of a context that is not an object's is written in place: contexts
// never lose words, so the index stays valid, and only an object's fields
// run change handling. Values kept in a buffer are found through a pointer
// kept while no buffer moves (memory::buffer_moves); values on the stack (a
// function's, which calls move) are looked up again each time.
class CounterWord {
  public:
    explicit CounterWord(Cell* word) : word_(word) {
        // A word already resolved to a slot of a context that is not an
        // object's is written in place from the first pass.
        Ref context = value::word_context(word_);
        int32_t index = value::word_index(word_);
        if (context && index >= 0 && static_cast<uint32_t>(index) < context::word_count(context) &&
            context::kind_of(context) != context::kind::object) {
            index_ = index;
            in_place_ = true;
        }
    }

    void set(const Cell* counter) {
        if (values_ && moves_ == memory::buffer_moves) {
            values_[index_] = *counter;
            return;
        }
        if (in_place_) {
            // The context is read from the word each time: a collection
            // moves nodes and rewrites the word's reference, not a copy.
            Ref context = value::word_context(word_);
            if (Cell* values = context::values(context)) {
                values[index_] = *counter;
                keep_values(context, values);
                return;
            }
        }
        word::set(word_, counter);
        Ref context = value::word_context(word_);
        index_ = value::word_index(word_);
        in_place_ = context && index_ >= 0 && context::kind_of(context) != context::kind::object;
    }

  private:
    void keep_values(Ref context, Cell* values) {
        if (context::header(context)->header & context::flag::values_on_stack) return;
        values_ = values;
        moves_ = memory::buffer_moves;
    }

    Cell* word_; // a stack cell: the collector keeps its context up to date
    int32_t index_ = -1;
    bool in_place_ = false;
    Cell* values_ = nullptr; // the context's values while moves_ holds
    uint32_t moves_ = 0;
};

// The loop words of foreach and remove-each: a word! or a non-empty block.
int32_t loop_word_count(const Cell* words) {
    if (cell_type(words) != type_id::block) return 1;
    int32_t n = tail_index(words) - head_index(words);
    if (n < 1) error::fire(error::Category::script, "invalid-arg", words);
    return n;
}

} // namespace

void while_(bool check, const int32_t*) {
    if (check) {
        expect("while", arg(0), block_only, "cond");
        expect("while", arg(1), block_only, "body");
    }
    poll_exits(check);
    const Cell* cond = arg(0);
    const Cell* body = arg(1);
    if (Cell value; interp::pure::run_while_loop(cond, body, &value)) {
        stack::set_result_only(&value);
        return;
    }
    mark_loop_frame();
    for (;;) {
        stack::reset();
        Step tested = run_body(cond);
        if (tested == Step::continued || tested == Step::broken)
            error::fire(error::Category::throw_, "while-cond");
        if (tested == Step::leaving) {
            stack::unwind();
            return;
        }
        if (!is_true_checked(stack::base())) break;
        stack::reset();
        Step step = run_body(body);
        if (step == Step::broken) break;
        if (step == Step::leaving) {
            stack::unwind();
            return;
        }
    }
    stack::unwind();
    stack::reset();
    set_result(type_id::unset);
}

void until(bool check, const int32_t*) {
    if (check) expect("until", arg(0), block_only, "body");
    poll_exits(check);
    const Cell* body = arg(0);
    mark_loop_frame();
    for (;;) {
        stack::reset();
        Step step = run_body(body);
        if (step == Step::broken) break;
        if (step == Step::leaving) {
            stack::unwind();
            return;
        }
        if (step == Step::continued) continue;
        if (is_true_checked(stack::base())) break;
    }
    stack::unwind_last();
}

void loop(bool check, const int32_t*) {
    if (check) {
        expect("loop", arg(0), count_types, "count");
        expect("loop", arg(1), block_only, "body");
    }
    poll_exits(check);
    truncate_count(arg(0));
    int32_t count = value::integer_of(arg(0));
    if (count < 1) {
        set_result(type_id::none);
        return;
    }
    const Cell* body = arg(1);
    if (Cell value; interp::pure::run_counted_loop(nullptr, arg(0), body, &value)) {
        stack::set_result_only(&value);
        return;
    }
    mark_loop_frame();
    for (int32_t i = 0; i < count; ++i) {
        stack::reset();
        Step step = run_body(body);
        if (step == Step::broken) break;
        if (step == Step::leaving) {
            stack::unwind();
            return;
        }
    }
    stack::unwind_last();
}

void repeat(bool check, const int32_t*) {
    if (check) {
        expect("repeat", arg(0), mask_of({type_id::word}), "word");
        expect("repeat", arg(1), count_types, "value");
        expect("repeat", arg(2), block_only, "body");
    }
    poll_exits(check);
    truncate_count(arg(1));
    int32_t remaining = value::integer_of(arg(1));
    if (remaining < 1) {
        set_result(type_id::none);
        return;
    }
    Cell* counter = arg(1);
    const Cell* body = arg(2);
    if (Cell value; interp::pure::run_counted_loop(arg(0), counter, body, &value)) {
        stack::set_result_only(&value);
        return;
    }
    value::set_integer(counter, 1);
    CounterWord counter_word(arg(0));
    mark_loop_frame();
    for (;;) {
        stack::reset();
        counter_word.set(counter);
        Step step = run_body(body);
        if (step == Step::broken) break;
        if (step == Step::leaving) {
            stack::unwind();
            return;
        }
        // The counter never passes the count, so it cannot overflow.
        if (--remaining == 0) break;
        value::set_integer(counter, value::integer_of(counter) + 1);
    }
    stack::unwind_last();
}

void forever(bool check, const int32_t*) {
    if (check) expect("forever", arg(0), block_only, "body");
    poll_exits(check);
    const Cell* body = arg(0);
    mark_loop_frame();
    for (;;) {
        stack::reset();
        Step step = run_body(body);
        if (step == Step::broken) break;
        if (step == Step::leaving) {
            stack::unwind();
            return;
        }
    }
    stack::unwind_last();
}

void foreach (bool check, const int32_t*) {
    if (check) {
        expect("foreach", arg(0), mask_of({type_id::word, type_id::block}), "word");
        expect("foreach", arg(1), series_types | mask_of({type_id::map}), "series");
        expect("foreach", arg(2), block_only, "body");
    }
    poll_exits(check);
    const Cell* words = arg(0);
    const Cell* body = arg(2);
    bool several = cell_type(words) == type_id::block;
    int32_t n = loop_word_count(words);
    if (cell_type(arg(1)) == type_id::map && n != 2)
        error::fire(error::Category::script, "invalid-arg", words);
    stack::push(arg(1));
    stack::push(words);
    mark_loop_frame();
    set_result(type_id::unset);
    for (;;) {
        if (!(several ? foreach_init(n) : foreach_next())) break;
        stack::reset();
        Step step = run_body(body);
        if (step == Step::broken) break;
        if (step == Step::leaving) {
            stack::unwind();
            return;
        }
    }
    stack::unwind_last();
}

void forall(bool check, const int32_t*) {
    if (check) {
        expect("forall", arg(0), mask_of({type_id::word}), "word");
        expect("forall", arg(1), block_only, "body");
    }
    poll_exits(check);
    Cell* word = arg(0);
    const Cell* body = arg(1);
    Cell* start = word::push_value(word); // the loop state keeps it: the word's start
    expect("forall", start, series_types, "word");
    stack::push(word);
    mark_loop_frame();
    set_result(type_id::unset);
    bool broken = false;
    bool at_tail = forall_next(false);
    while (!at_tail) {
        stack::reset();
        Step step = run_body(body);
        if (step == Step::broken) {
            broken = true;
            break;
        }
        if (step == Step::leaving) {
            stack::unwind();
            return;
        }
        const Cell* current = word::get(stack::base() - 1);
        const Cell* started = stack::base() - 2;
        if (!in_mask(series_types, cell_type(current)) ||
            value::series_node(current) != value::series_node(started)) {
            Cell changed = *current;
            error::fire(error::Category::script, "bad-loop-series", &changed);
        }
        at_tail = forall_next(true);
    }
    if (!broken) forall_set();
    stack::unwind_last();
}

void remove_each(bool check, const int32_t*) {
    if (check) {
        expect("remove-each", arg(0), mask_of({type_id::word, type_id::block}), "word");
        expect("remove-each", arg(1), series_types, "data");
        expect("remove-each", arg(2), block_only, "body");
    }
    poll_exits(check);
    const Cell* words = arg(0);
    const Cell* body = arg(2);
    bool several = cell_type(words) == type_id::block;
    int32_t n = several ? tail_index(words) - head_index(words) : 1;
    Cell count;
    value::set_integer(&count, n);
    stack::push(&count);
    stack::push(arg(1));
    stack::push(words);
    mark_loop_frame();
    set_result(type_id::unset);
    for (;;) {
        if (!(several ? foreach_init(n) : foreach_next())) break;
        stack::reset();
        Step step = run_body(body);
        if (step == Step::broken) break;
        if (step == Step::leaving) {
            stack::unwind();
            return;
        }
        if (step == Step::continued) continue;
        remove_each_step(n);
    }
    stack::unwind();
    stack::set_result_only(arg(1)); // the data, at the position it was given
}

} // namespace zep::natives
