// Argument fetching: from the code after a function, from a path's
// refinements or from apply's block; refinement switching; running a
// native's or action's entry with the refinement positions.
#include <array>
#include <vector>

#include "datatypes/function.h"
#include "datatypes/function_internal.h"
#include "datatypes/typeset.h"
#include "datatypes/word.h"
#include "evaluator/actions.h"
#include "evaluator/call.h"
#include "evaluator/call_internal.h"
#include "evaluator/compiled_support.h"
#include "evaluator/interp.h"
#include "evaluator/interp_internal.h"
#include "evaluator/natives.h"
#include "evaluator/runtime_words.h"
#include "evaluator/stack.h"
#include "runtime/gc_roots.h"

namespace zep::interp {

namespace detail {

void frame_name(Cell* out) {
    const stack::Frame* frame = stack::top_frame();
    if (!frame) {
        *out = *words::global_word(words::global::anon);
        return;
    }
    words::word_for_frame(out, stack::symbol_of(frame), frame->word_context);
}

void argument_word(const Cell* function, int32_t ordinal, Cell* out) {
    Ref spec = function::spec_of(function);
    for (int32_t i = 0; i < function::detail::tail_of(spec); ++i) {
        const Cell* c = function::detail::cell_at(spec, i);
        if (function::detail::is_local(c)) break;
        if (function::detail::is_argument_type(cell_type(c)) && ordinal-- == 0) {
            value::set_word(out, type_id::word, 0, value::word_symbol(c));
            return;
        }
    }
    *out = *words::global_word(words::global::anon);
}

void fire_expect_arg(const Cell* function, int32_t ordinal, const Cell* value) {
    Cell args[3];
    frame_name(&args[0]);
    value::set_datatype(&args[1], cell_type(value));
    argument_word(function, ordinal, &args[2]);
    error::fire(error::Category::script, "expect-arg", &args[0], &args[1], &args[2]);
}

void fire_no_arg_of(const Cell* function, int32_t ordinal) {
    Cell args[2];
    frame_name(&args[0]);
    argument_word(function, ordinal, &args[1]);
    error::fire(error::Category::script, "no-arg", &args[0], &args[1]);
}

void fire_no_entry() {
    error::fire(error::Category::internal, "not-done");
}

const int32_t* all_off() {
    static const auto table = [] {
        std::array<int32_t, call_shape::max_refinements> t{};
        t.fill(-1);
        return t;
    }();
    return table.data();
}

void trace_native_call(const Cell* code, int32_t position, const Cell* function) {
    Cell name;
    frame_name(&name);
    gc::Root root(&name);
    trace_event(trace_bit::call, code, position, &name, function);
}

} // namespace detail

using namespace detail;

namespace {

// One call's fetching state. The function, code and path cells are copies
// held as roots; positions are indexes; spec cells are read again from the
// node after anything that may allocate.
struct Fetch {
    Cell cells[3]; // the function, the code, the path (none when absent)
    Ref spec = 0;
    bool native = false;
    int32_t mode = 0; // without the safer bit
    bool safer = false;
    bool from_block = false; // apply: the code is apply's block, no path
    bool infix = false;
    int32_t end = 0;
    int32_t argument_ordinal = 0;
    int32_t pushed = 0; // natives: arguments pushed so far
    int32_t local_count = 0;
    int32_t refinement_count = 0;
    bool has_refinements = false;
    // natives: the position of each refinement; a native with more
    // refinements than the inline room spills to the heap.
    int32_t inline_positions[32];
    std::vector<int32_t> spilled_positions;
    int32_t* positions = nullptr;
    uint32_t base_index = 0; // the frame's base as a stack index

    const Cell* function() const { return &cells[0]; }
    const Cell* code() const { return &cells[1]; }
    const Cell* path() const { return &cells[2]; }
    bool has_path() const { return cell_type(&cells[2]) != type_id::none; }
    int32_t spec_count() const { return function::detail::tail_of(spec); }
    Cell entry(int32_t i) const { return *spec_cell(spec, i); }
    Cell* slot(int32_t i) const { return stack::cell_at(base_index + static_cast<uint32_t>(i)); }
    bool code_exhausted(int32_t position) const { return position >= end; }
};

[[noreturn]] void fire_no_arg(const Fetch& f) {
    Cell args[2];
    frame_name(&args[0]);
    argument_word(f.function(), f.argument_ordinal, &args[1]);
    error::fire(error::Category::script, "no-arg", &args[0], &args[1]);
}

// Pushes the value of one expression (or, with apply/safer, of the one
// cell at the position); answers the position after it.
int32_t push_expression(const Fetch& f, int32_t position, bool no_infix) {
    int32_t end = f.safer ? position + 1 : f.end;
    return eval_expression(f.code(), position, end, no_infix || f.safer, true, false);
}

// Evaluates (or with apply/safer skips) one value of the code and drops it.
int32_t skip_argument(const Fetch& f, int32_t position) {
    if (f.code_exhausted(position)) return position;
    if (f.safer) return position + 1;
    uint32_t top = stack::index_of(stack::arguments.top);
    position = push_expression(f, position, false);
    stack::arguments.top = stack::cell_at(top);
    return position;
}

// Fetches one argument by its mode and pushes it; answers the new position.
int32_t fetch_arg(const Fetch& f, int32_t position, uint32_t mode) {
    if (f.code_exhausted(position)) fire_no_arg(f);
    const Cell* code = f.code();
    Cell value = *(node_cells(value::series_node(code)) + position);
    switch (mode) {
    case arg_mode::get:
        if (traces(trace_bit::fetch))
            trace_event(trace_bit::fetch, code, position, nullptr, &value);
        stack::push(&value);
        if (traces(trace_bit::push)) trace_event(trace_bit::push, code, position, nullptr, &value);
        return position + 1;
    case arg_mode::literal: {
        gc::Root root(&value);
        uint8_t type = cell_type(&value);
        if (type == type_id::paren) {
            stack::mark_interp_native(words::global_word(words::global::body));
            set_polls_exit();
            eval_block(&value, true);
            stack::unwind();
            ++position;
        } else if (type == type_id::get_word) {
            stack::push(word::get(&value));
            ++position;
        } else if (type == type_id::get_path) {
            position = eval_path(&value, code, position + 1, f.end, false, true, true, false);
        } else {
            stack::push(&value);
            ++position;
        }
        if (traces(trace_bit::push))
            trace_event(trace_bit::push, code, position - 1, nullptr, stack::top());
        return position;
    }
    default:
        return push_expression(f, position, f.infix);
    }
}

void check_type(const Fetch& f, const Cell* types, const Cell* value) {
    if (!typeset::has_type(types, cell_type(value)))
        fire_expect_arg(f.function(), f.argument_ordinal, value);
}

// Pushes the argument for a typeset entry of a refinement that is on (or a
// required argument), type-checked. Answers the new position; a pending exit
// ends the fetch at once (the caller tests it).
int32_t take_argument(Fetch& f, const Cell* types, int32_t position, bool left_operand) {
    uint32_t mode = (types->header & arg_mode::mask) >> arg_mode::shift;
    if (left_operand) {
        // The infix left operand already sits in the frame's base cell.
    } else if (f.from_block && f.code_exhausted(position)) {
        // apply's block ran out: the remaining arguments are none. (A path
        // call that runs out of code raises no-arg like any other call.)
        value::set_none(stack::push_slot());
    } else if (mode == arg_mode::literal && f.code_exhausted(position) &&
               typeset::has_type(types, type_id::unset)) {
        value::set_unset(stack::push_slot());
    } else {
        position = fetch_arg(f, position, mode);
        if (is_exit_pending()) return position;
    }
    check_type(f, types, stack::top());
    return position;
}

// The call spec index of the refinement with the symbol, or -1.
int32_t find_refinement(const Fetch& f, uint32_t symbol) {
    for (int32_t i = 0; i < f.spec_count(); ++i) {
        const Cell* e = spec_cell(f.spec, i);
        if (cell_type(e) == type_id::refinement &&
            function::detail::same_symbol(value::word_symbol(e), symbol))
            return i;
    }
    return -1;
}

// Functions: the stack slot of each call spec entry (-1 for the return type
// and the counts). Natives: the ordinal of each refinement.
struct Layout {
    std::vector<int32_t> slot;       // functions: slot of entry i
    std::vector<int32_t> ordinal;    // argument ordinal of typeset entry i
    std::vector<int32_t> refinement; // natives: refinement number - 1 of entry i
};

Layout layout_of(const Fetch& f) {
    Layout l;
    int32_t slot = 0;
    int32_t ordinal = 0;
    int32_t number = 0;
    for (int32_t i = 0; i < f.spec_count(); ++i) {
        const Cell* e = spec_cell(f.spec, i);
        l.slot.push_back(-1);
        l.ordinal.push_back(-1);
        l.refinement.push_back(-1);
        if (cell_type(e) == type_id::typeset) {
            if (((e->header & arg_mode::mask) >> arg_mode::shift) == arg_mode::return_type)
                continue;
            l.slot.back() = slot++;
            l.ordinal.back() = ordinal++;
        } else if (cell_type(e) == type_id::refinement) {
            l.slot.back() = slot++;
            l.refinement.back() = number++;
        }
    }
    return l;
}

bool is_argument_entry(const Cell* e) {
    return cell_type(e) == type_id::typeset &&
           ((e->header & arg_mode::mask) >> arg_mode::shift) != arg_mode::return_type;
}

// Step 4: refinements switched on by the path's elements after the
// function's own, or by apply's refinement! values after the arguments.
int32_t switch_refinements(Fetch& f, int32_t position, int32_t path_index) {
    if (!f.has_path() && f.mode != fetch_mode::apply) return position;
    Layout layout;
    bool layout_made = false;
    int32_t element = path_index + 1;
    for (;;) {
        Cell candidate;
        if (f.has_path()) {
            Ref path_node = value::series_node(f.path());
            if (element >= function::detail::tail_of(path_node)) break;
            candidate = *function::detail::cell_at(path_node, element++);
        } else {
            if (f.code_exhausted(position)) break;
            candidate = *(node_cells(value::series_node(f.code())) + position);
        }
        gc::Root candidate_root(&candidate);
        uint8_t type = cell_type(&candidate);
        uint8_t wanted = f.has_path() ? type_id::word : type_id::refinement;
        if (type != wanted && type != type_id::get_word) {
            if (!f.has_refinements && f.mode >= 1) break;
            error::fire(error::Category::script, "bad-refine", &candidate);
        }
        if (!f.has_path()) ++position;
        bool on = true;
        if (!f.has_path()) {
            if (f.code_exhausted(position)) {
                on = false;
            } else {
                position = push_expression(f, position, false);
                if (is_exit_pending()) return position;
                on = is_true(stack::top());
                stack::pop(1);
            }
        }
        if (type == type_id::get_word) on = on && is_true(word::get(&candidate));
        int32_t at = find_refinement(f, value::word_symbol(&candidate));
        if (at < 0) {
            Cell name;
            frame_name(&name);
            error::fire(error::Category::script, "no-refine", &name, &candidate);
        }
        if (!layout_made) {
            layout = layout_of(f);
            layout_made = true;
        }
        if (f.native) {
            int32_t number = layout.refinement[static_cast<size_t>(at)];
            if (f.positions[number] >= 0) {
                Cell where = f.has_path() ? *f.path() : *f.code();
                error::fire(error::Category::script, "dup-refine", &where);
            }
            if (on) f.positions[number] = f.pushed;
        } else {
            Cell* flag = f.slot(layout.slot[static_cast<size_t>(at)]);
            if (cell_type(flag) == type_id::logic && flag->data1 != 0) {
                Cell where = f.has_path() ? *f.path() : *f.code();
                error::fire(error::Category::script, "dup-refine", &where);
            }
            value::set_logic(flag, on);
        }
        for (int32_t i = at + 1; i < f.spec_count(); ++i) {
            Cell types = f.entry(i);
            if (cell_type(&types) != type_id::typeset) break;
            if (!is_argument_entry(&types)) continue;
            if (!on) {
                position = skip_argument(f, position);
                if (is_exit_pending()) return position;
                continue;
            }
            f.argument_ordinal = layout.ordinal[static_cast<size_t>(i)];
            position = take_argument(f, &types, position, false);
            if (is_exit_pending()) return position;
            if (f.native) {
                ++f.pushed;
            } else {
                *f.slot(layout.slot[static_cast<size_t>(i)]) = *stack::top();
                stack::pop(1);
            }
        }
    }
    return position;
}

void run_entry(Fetch& f, int32_t position) {
    if (traces(trace_bit::call)) {
        Cell name;
        frame_name(&name);
        gc::Root root(&name);
        const Cell* code = cell_type(f.code()) == type_id::none ? nullptr : f.code();
        trace_event(trace_bit::call, code, position, &name, f.function());
    }
    run_native_entry(f.function(), f.refinement_count > 0 ? f.positions : nullptr);
}

} // namespace

namespace {

inline uint32_t mode_of(const Cell* types) {
    return (types->header & arg_mode::mask) >> arg_mode::shift;
}

// An argument at a position the code no longer reaches (it was cut while
// an earlier argument was evaluated): unset, as an evaluated argument gets
// there, rather than a stale cell past the tail. Answers end.
int32_t push_cut_code_arg(int32_t end) {
    value::set_unset(stack::push_slot());
    return end;
}

// One argument of an ordinary call, by its mode; answers the new position.
int32_t fetch_code_arg(const Cell* code, int32_t position, int32_t end, uint32_t mode, bool infix) {
    if (mode == arg_mode::evaluated) return fetch_evaluated_arg(code, position, end, infix);
    if (mode == arg_mode::get) {
        if (position >= cell_count(code)) return push_cut_code_arg(end);
        Cell value = *(node_cells(value::series_node(code)) + position);
        stack::push(&value);
        return position + 1;
    }
    return fetch_literal_arg(code, position, end);
}

} // namespace

int32_t detail::fetch_plain_args_with_literals(const Cell* function, bool native, const Cell* code,
                                               int32_t position, int32_t end, bool infix,
                                               const Cell* specs, uint32_t shape) {
    return fetch_plain_args_loop<true>(function, native, code, position, end, infix, specs, shape);
}

int32_t detail::fetch_literal_arg(const Cell* code, int32_t position, int32_t end) {
    if (position >= cell_count(code)) return push_cut_code_arg(end);
    Cell value = *(node_cells(value::series_node(code)) + position);
    uint8_t type = cell_type(&value);
    if (type == type_id::paren) {
        gc::Root root(&value);
        stack::mark_interp_native(words::global_word(words::global::body));
        set_polls_exit();
        eval_block(&value, true);
        stack::unwind();
        return position + 1;
    }
    if (type == type_id::get_word) {
        stack::push(word::get(&value));
        return position + 1;
    }
    if (type == type_id::get_path) {
        gc::Root root(&value);
        return eval_path(&value, code, position + 1, end, false, true, true, false);
    }
    stack::push(&value);
    return position + 1;
}

namespace {

// The call spec of an operator's function: building it allocates, so the
// left operand (in the frame's base cell, at the top) is covered meanwhile.
Ref infix_call_spec(const Cell* function) {
    Cell* operand = stack::cover_slot();
    Ref spec = call_spec_of(function);
    stack::arguments.top = operand;
    return spec;
}

} // namespace

int32_t fetch_code_args(const Cell* function, const Cell* code, int32_t position, int32_t end,
                        bool infix) {
    if (tracing)
        return fetch_args(function, code, position, end, nullptr, -1, fetch_mode::code, infix);
    const Cell* cached = call_spec_cache_cell(function);
    if (cell_type(cached) == type_id::block && (cached->data3 & call_shape::plain))
        return fetch_plain_args(function, is_native_like(cell_type(function)), code, position, end,
                                infix, node_cells(value::series_node(cached)), cached->data3);
    Ref spec = infix ? infix_call_spec(function) : call_spec_of(function);
    bool native = is_native_like(cell_type(function));
    auto count = static_cast<int32_t>(node_cell_count(spec));
    // The spec's cells stay put until a collection moves them.
    const Cell* specs = node_cells(spec);
    uint32_t collections = memory::collections_done;
    int32_t refinement_count = 0;
    if (native && count > 0) {
        const Cell* last = specs + count - 1;
        if (cell_type(last) == type_id::integer) refinement_count = value::integer_of(last);
        if (refinement_count > call_shape::max_refinements)
            return fetch_args(function, code, position, end, nullptr, -1, fetch_mode::code, infix);
    }
    if (infix) stack::cover_slot();
    bool refinement_on = true;
    bool left_operand = infix;
    int32_t ordinal = 0;
    int32_t local_count = 0;
    for (int32_t i = 0; i < count; ++i) {
        const Cell* e = specs + i;
        switch (cell_type(e)) {
        case type_id::typeset: {
            uint32_t mode = mode_of(e);
            if (mode == arg_mode::return_type) break;
            if (!refinement_on) {
                if (!native) value::set_none(stack::push_slot());
                ++ordinal;
                break;
            }
            if (left_operand) {
                left_operand = false; // already in the frame's base cell
            } else if (position >= end) {
                if (mode != arg_mode::literal || !accepts(e, type_id::unset))
                    fire_no_arg_of(function, ordinal);
                value::set_unset(stack::push_slot());
            } else {
                position = fetch_code_arg(code, position, end, mode, infix);
                if (is_exit_pending()) return position;
                if (memory::collections_done != collections) {
                    specs = node_cells(call_spec_of(function));
                    collections = memory::collections_done;
                    e = specs + i;
                }
            }
            if (!accepts(e, stack::top_type())) fire_expect_arg(function, ordinal, stack::top());
            ++ordinal;
            break;
        }
        case type_id::refinement:
            refinement_on = false;
            if (!native) value::set_logic(stack::push_slot(), false);
            break;
        case type_id::integer:
            if (!native) local_count = value::integer_of(e);
            break;
        default:
            break;
        }
    }
    if (!native) {
        function::init_locals(local_count);
        return position;
    }
    if (traces(trace_bit::call)) trace_native_call(code, position, function);
    run_native_entry(function, refinement_count > 0 ? all_off() : nullptr);
    return position;
}

void run_infix_native(const Cell* function) {
    Ref spec = call_spec_of(function);
    auto count = static_cast<int32_t>(node_cell_count(spec));
    int32_t ordinal = 0;
    int32_t refinement_count = 0;
    for (int32_t i = 0; i < count; ++i) {
        const Cell* e = spec_cell(spec, i);
        uint8_t type = cell_type(e);
        if (type == type_id::integer) refinement_count = value::integer_of(e);
        if (type != type_id::typeset || mode_of(e) == arg_mode::return_type || ordinal >= 2)
            continue;
        const Cell* operand = stack::base() + ordinal;
        if (ordinal == 1 && !accepts(e, cell_type(operand)))
            fire_expect_arg(function, ordinal, operand);
        ++ordinal;
    }
    run_native_entry(function, refinement_count > 0 ? all_off() : nullptr);
}

int32_t fetch_args(const Cell* function, const Cell* code, int32_t position, int32_t end,
                   const Cell* path, int32_t path_index, int32_t mode, bool infix) {
    Fetch f;
    f.cells[0] = *function;
    if (code)
        f.cells[1] = *code;
    else
        value::set_none(&f.cells[1]);
    if (path)
        f.cells[2] = *path;
    else
        value::set_none(&f.cells[2]);
    gc::Root roots(f.cells, 3);
    f.spec = infix ? infix_call_spec(function) : call_spec_of(function);
    gc::RootRef spec_root(f.spec);
    f.native = is_native_like(cell_type(function));
    f.safer = mode >= 1 && (mode & fetch_mode::safer_bit) != 0;
    f.mode = mode >= 1 ? (mode & ~fetch_mode::safer_bit) : mode;
    f.from_block = f.mode >= 1 && !path;
    f.infix = infix;
    f.end = end;
    f.base_index = stack::index_of(stack::base());
    int32_t count = f.spec_count();
    if (f.native && count > 0) {
        const Cell* last = spec_cell(f.spec, count - 1);
        if (cell_type(last) == type_id::integer) {
            f.refinement_count = value::integer_of(last);
            if (f.refinement_count > 32) {
                f.spilled_positions.assign(static_cast<size_t>(f.refinement_count), -1);
                f.positions = f.spilled_positions.data();
            } else {
                f.positions = f.inline_positions;
            }
            for (int32_t k = 0; k < f.refinement_count; ++k) f.positions[k] = -1;
        }
    }
    if (infix) stack::cover_slot();

    bool refinement_on = true;
    bool first_argument = true;
    for (int32_t i = 0; i < count; ++i) {
        Cell e = f.entry(i);
        switch (cell_type(&e)) {
        case type_id::typeset: {
            if (!is_argument_entry(&e)) break;
            bool left_operand = infix && first_argument;
            first_argument = false;
            if (!refinement_on) {
                if (!f.native) value::set_none(stack::push_slot());
                if (f.mode == fetch_mode::path && f.from_block) {
                    position = skip_argument(f, position);
                    if (is_exit_pending()) return position;
                }
                ++f.argument_ordinal;
                break;
            }
            position = take_argument(f, &e, position, left_operand);
            if (is_exit_pending()) return position;
            ++f.argument_ordinal;
            ++f.pushed;
            break;
        }
        case type_id::refinement: {
            f.has_refinements = true;
            int32_t number = static_cast<int32_t>(e.data3) - 1;
            if (f.from_block && f.mode == fetch_mode::path && !f.code_exhausted(position)) {
                position = push_expression(f, position, false);
                if (is_exit_pending()) return position;
                Cell* flag = stack::top();
                if (cell_type(flag) != type_id::logic) {
                    Cell word;
                    value::set_word(&word, type_id::word, 0, value::word_symbol(&e));
                    Cell args[3];
                    frame_name(&args[0]);
                    value::set_datatype(&args[1], cell_type(flag));
                    error::fire(error::Category::script, "expect-arg", &args[0], &args[1], &word);
                }
                refinement_on = flag->data1 != 0;
                if (f.native) {
                    stack::pop(1);
                    if (refinement_on && number >= 0) f.positions[number] = f.pushed;
                }
            } else {
                refinement_on = false;
                if (!f.native) value::set_logic(stack::push_slot(), false);
            }
            break;
        }
        case type_id::integer:
            if (!f.native) f.local_count = value::integer_of(&e);
            break;
        default:
            break;
        }
    }
    if (f.native) f.has_refinements = f.refinement_count > 0;
    position = switch_refinements(f, position, path_index);
    if (is_exit_pending()) return position;
    if (f.native)
        run_entry(f, position);
    else
        function::init_locals(f.local_count);
    return position;
}

} // namespace zep::interp
