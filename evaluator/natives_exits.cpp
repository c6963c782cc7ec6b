// The natives that leave a loop, a function or a block early (break
// continue exit return throw) and those that receive such exits (catch try).
//
// break, continue, exit and return first ask the interpreter to carry the
// exit as a pending flag (evaluator/call.h): that succeeds when every frame
// between them and their receiver is owned by code that polls for it, which
// is the common case of interpreted loops and function bodies. Otherwise
// they throw through the frame stack's throwers.
#include "datatypes/error.h"
#include "datatypes/symbol.h"
#include "evaluator/compiled_support.h"
#include "evaluator/interp.h"
#include "evaluator/natives_control_support.h"
#include "evaluator/natives_loops.h"
#include "evaluator/runtime_words.h"
#include "runtime/memory.h"
#include "runtime/value_make.h"

namespace zep::natives {

using namespace control;

namespace {

constexpr TypeMask block_only = mask_of({type_id::block});

// True when the thrown name (a word!) is the /name word or one of the words
// of a /name block; an element of such a block that is not a word! raises
// script invalid-refine-arg.
bool name_matches(const Cell* thrown_name, const Cell* wanted) {
    if (cell_type(thrown_name) != type_id::word) return false;
    uint32_t symbol = symbol::resolve(value::word_symbol(thrown_name));
    if (cell_type(wanted) != type_id::block)
        return symbol::resolve(value::word_symbol(wanted)) == symbol;
    int32_t end = tail_index(wanted);
    for (int32_t i = head_index(wanted); i < end; ++i) {
        Cell word = node_cells(value::series_node(wanted))[i];
        if (cell_type(&word) != type_id::word) {
            Cell refinement = global_word("name");
            error::fire(error::Category::script, "invalid-refine-arg", &refinement, &word);
        }
        if (symbol::resolve(value::word_symbol(&word)) == symbol) return true;
    }
    return false;
}

bool is_throw_word(uint32_t symbol) {
    return symbol != 0 && symbol::resolve(symbol) ==
                              symbol::resolve(words::symbol_of_global(words::global::throw_));
}

} // namespace

void break_(bool, const int32_t* refinements) {
    const Cell* value = refinement_arg(refinements, 0);
    if (interp::request_exit(catch_::code_break, value)) return;
    // The thrower takes /return's value from the base cell, where it sits.
    stack::throw_break(value != nullptr, false);
}

void continue_(bool, const int32_t*) {
    if (interp::request_exit(catch_::code_continue, nullptr)) return;
    stack::throw_break(false, true);
}

void exit_(bool, const int32_t*) {
    if (interp::request_exit(catch_::code_exit, nullptr)) return;
    stack::throw_exit(false);
}

void return_(bool, const int32_t*) {
    if (interp::request_exit(catch_::code_return, arg(0))) return;
    stack::throw_exit(true);
}

void throw_(bool check, const int32_t* refinements) {
    const Cell* name = refinement_arg(refinements, 0);
    if (check) expect("throw", name, mask_of({type_id::word}), "word");
    if (interp::tracing) interp::trace_throw(arg(0));
    if (!name) {
        // The name travels in the cell after the value: unset for none.
        stack::keep_first();
        Cell unset;
        value::set_unset(&unset);
        stack::push(&unset);
    }
    stack::throw_(catch_::code_throw);
}

void catch_(bool check, const int32_t* refinements) {
    if (check) {
        expect("catch", arg(0), block_only, "block");
        expect("catch", refinement_arg(refinements, 0), mask_of({type_id::word, type_id::block}),
               "word");
    }
    const Cell* block = arg(0);
    const Cell* wanted = refinement_arg(refinements, 0);
    poll_exits(check);
    Cell name = *words::global_word(words::global::catch_);
    stack::mark_catch(&name);
    // A pending exit is never a throw: it passes the catch frame untouched.
    interp::set_polls_exit();
    uint32_t code =
        catch_::receive(catch_::threshold_catch, [&] { interp::eval_block_in_frame(block); });
    if (!code && interp::is_exit_pending()) {
        stack::unwind();
        return;
    }
    if (!code) {
        stack::unwind_last();
        return;
    }
    // A throw arrived: the catch frame is the top frame, the value at its
    // base and the name after it.
    Cell thrown = stack::base()[0];
    Cell thrown_name = stack::base()[1];
    if (wanted && !name_matches(&thrown_name, wanted)) {
        stack::unwind_drop();
        stack::push(&thrown);
        stack::push(&thrown_name);
        stack::throw_(catch_::code_throw);
    }
    catch_::exception_slot = 0;
    stack::unwind();
    stack::set_result_only(&thrown);
    if (interp::tracing) interp::trace_catch(stack::base());
}

void try_(bool check, const int32_t* refinements) {
    if (check) expect("try", arg(0), block_only, "block");
    bool all = has_refinement(refinements, 0);
    bool keep = has_refinement(refinements, 1);
    const Cell* block = arg(0);
    Cell name = *words::global_word(words::global::try_);
    if (all) {
        // A barrier never polls: every exit must meet it and become an error.
        stack::mark_barrier(&name);
    } else {
        // break, continue, return and exit pass a try frame: pending ones may
        // cross it without a throw.
        poll_exits(check);
        stack::mark_try(&name);
        interp::set_polls_exit();
    }
    uint32_t code =
        catch_::receive(catch_::threshold_call, [&] { interp::eval_block_in_frame(block); });
    if (!code && interp::is_exit_pending()) {
        stack::unwind();
        return;
    }
    if (!code) {
        stack::unwind_last();
    } else if (code == catch_::code_error) {
        // The error's thrower removed the try (or barrier) frame and pushed
        // the error: it becomes the result.
        catch_::exception_slot = 0;
        stack::reset_keep_error();
    } else {
        // break, continue, return, exit and throw are not for a try frame
        // (under /all the barrier turned them into errors on the way).
        catch_::throw_code(code);
    }
    if (keep && cell_type(stack::base()) == type_id::error) error::capture_stack(stack::base());
}

void try_result(bool keep) {
    Cell* top = stack::top();
    if (cell_type(top) == type_id::error) {
        if (keep) error::capture_stack(top);
        if (is_throw_word(error::get_type(top)) && is_throw_word(error::get_id(top))) {
            Cell error = *top;
            stack::throw_error(&error);
        }
    }
    stack::reset_keep_error();
}

} // namespace zep::natives
