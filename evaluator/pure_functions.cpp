// Running functions that only compute with integers on their compiled form
// (evaluator/pure_functions.h): the table of compiled forms by function,
// the check of what a form assumed, and the runner.
#include "evaluator/pure_functions.h"

#include <algorithm>
#include <cstring>
#include <memory>

#include "datatypes/context.h"
#include "datatypes/function.h"
#include "evaluator/call_internal.h"
#include "evaluator/interp_internal.h"
#include "evaluator/interp_plain.h"
#include "evaluator/pure_internal.h"
#include "evaluator/stack.h"

namespace zep::interp::pure {

namespace {

// A function's compiled form, found by the function's payload.
struct Entry : Form {
    uint32_t data1 = 0;
    uint32_t data2 = 0;
    uint32_t data3 = 0; // 0: no function
};

constexpr uint32_t table_slots = 256;
constexpr uint32_t max_retry_wait = 1024;
// A form that gives up more often than it runs (and more than this many
// times) is dropped: its code's runs are not worth the attempt.
constexpr uint32_t give_up_limit = 16;

// Two entries per set, so that two functions that fall in one set and are
// called in turn keep their forms; a third replaces the one used less
// recently.
Entry table[table_slots];
uint8_t recent[table_slots / 2]; // the set's entry used last (0 or 1)

bool holds(const Entry& e, const Cell* function) {
    return e.data3 == function->data3 && e.data2 == function->data2 && e.data1 == function->data1;
}

// The function's entry, or the one its form is to replace.
Entry& entry_for(const Cell* function) {
    // Node refs step by 4: consecutive more blocks take consecutive sets.
    uint32_t set = (function->data3 >> 2) & (table_slots / 2 - 1);
    Entry* pair = table + 2 * set;
    uint32_t way = holds(pair[0], function) ? 0 : holds(pair[1], function) ? 1 : recent[set] ^ 1u;
    recent[set] = static_cast<uint8_t>(way);
    return pair[way];
}

// Compared inline: the blocks are short, and a call to memcmp costs more
// than the comparison.
bool same_cells(const Cell* a, const Cell* b, size_t count) {
    uint64_t differ = 0;
    for (size_t i = 0; i < count; ++i) {
        uint64_t a_words[2];
        uint64_t b_words[2];
        std::memcpy(a_words, a + i, sizeof a_words);
        std::memcpy(b_words, b + i, sizeof b_words);
        differ |= (a_words[0] ^ b_words[0]) | (a_words[1] ^ b_words[1]);
    }
    return differ == 0;
}

struct Runner {
    const Node* nodes;
    const uint32_t* children;
    const Function* functions;
    const Cell* types;
    Cell* const* slots; // of the written global words, by number
    const Program* program;
    // Further calls the general evaluator surely has room for; counted at
    // the first call (unknown_levels until then: most runs make none).
    uint32_t levels_left;
    const char* native_floor;
    // An exit under way: a return leaving the current function (its value
    // in the *out of each node it passes through), or a break or continue
    // leaving the body of the loop it is in.
    uint8_t exit = 0;
};

constexpr uint8_t exit_return = 1;
constexpr uint8_t exit_break = 2;
constexpr uint8_t exit_continue = 3;

// Each kind of node but the leaves runs in a function of its own, reached
// through a table: a small function saves few registers, where one switch
// over every kind saved all of them on each node.
using Handler = bool (*)(Runner& r, const Node& n, Cell* args, Cell* out);

constexpr uint32_t unknown_levels = UINT32_MAX;
uint32_t levels_with_room(const Program& p, const char* native_floor);
extern const Handler handlers[];

// A node's value into *out, leaves taken in place; false to give up.
[[gnu::always_inline]] inline bool value_of(Runner& r, uint32_t index, Cell* args, Cell* out) {
    const Node& n = r.nodes[index];
    switch (n.kind) {
    case Kind::constant:
        *out = n.value;
        return true;
    case Kind::argument:
        // Any other value would need the general evaluation (a function is
        // called, unset! raises an error).
        if (!is_plain_value(cell_type(args + n.index))) return false;
        *out = args[n.index];
        return true;
    case Kind::word: {
        const Cell* slot = r.slots[n.index];
        if (!is_plain_value(cell_type(slot))) return false;
        *out = *slot;
        return true;
    }
    default:
        return handlers[static_cast<size_t>(n.kind)](r, n, args, out);
    }
}

bool leaf(Runner& r, const Node& n, Cell* args, Cell* out) {
    return value_of(r, static_cast<uint32_t>(&n - r.nodes), args, out);
}

// The cell a leaf node reads.
[[gnu::always_inline]] inline const Cell* leaf_cell(Runner& r, const Node& n, const Cell* args) {
    if (n.kind == Kind::constant) return &n.value;
    if (n.kind == Kind::argument) return args + n.index;
    return r.slots[n.index];
}

[[gnu::always_inline]] inline bool operate_in_place(Runner& r, const Node& n, Cell* args,
                                                    Cell* out) {
    const uint32_t* children = r.children + n.first;
    if (n.leaf_operands) {
        const Cell* a = leaf_cell(r, r.nodes[children[0]], args);
        const Cell* b = leaf_cell(r, r.nodes[children[1]], args);
        return cell_type(a) == type_id::integer && cell_type(b) == type_id::integer &&
               detail::integer_infix(n.wrapped, n.index, value::integer_of(a), value::integer_of(b),
                                     out);
    }
    Cell left;
    Cell right;
    if (!value_of(r, children[0], args, &left) || !value_of(r, children[1], args, &right) ||
        cell_type(&left) != type_id::integer || cell_type(&right) != type_id::integer)
        return false;
    return detail::integer_infix(n.wrapped, n.index, value::integer_of(&left),
                                 value::integer_of(&right), out);
}

bool operate(Runner& r, const Node& n, Cell* args, Cell* out) {
    return operate_in_place(r, n, args, out);
}

bool conditional(Runner& r, const Node& n, Cell* args, Cell* out) {
    const uint32_t* children = r.children + n.first;
    Cell condition;
    // Most conditions are comparisons: made here, without a call.
    const Node& test = r.nodes[children[0]];
    if (test.kind == Kind::operate) {
        if (!operate_in_place(r, test, args, &condition)) return false;
    } else if (!value_of(r, children[0], args, &condition) ||
               !is_plain_value(cell_type(&condition))) {
        return false;
    }
    bool truth = detail::is_true(&condition);
    if (n.kind == Kind::either) return value_of(r, children[truth ? 1 : 2], args, out);
    if (truth == (n.kind == Kind::if_)) return value_of(r, children[1], args, out);
    value::set_none(out);
    return true;
}

// A call: the arguments, each checked as the call's spec checks it, then
// the function's body.
bool call(Runner& r, const Node& n, Cell* args, Cell* out) {
    char here;
    if (r.levels_left == unknown_levels) {
        // Counted from the first level, which this call's caller holds.
        uint32_t levels = levels_with_room(*r.program, r.native_floor);
        r.levels_left = levels ? levels - 1 : 0;
    }
    if (r.levels_left == 0 || &here < r.native_floor) return false;
    const Function& f = r.functions[n.index];
    const uint32_t* children = r.children + n.first;
    Cell arguments[8];
    for (uint32_t i = 0; i < n.count; ++i) {
        if (!value_of(r, children[i], args, &arguments[i]) ||
            !detail::accepts(r.types + f.types + i, cell_type(&arguments[i])))
            return false;
    }
    --r.levels_left;
    bool done = value_of(r, f.node, arguments, out);
    ++r.levels_left;
    // Only a return leaves a function: a break or continue stays in its loop.
    r.exit = 0;
    return done;
}

bool sequence(Runner& r, const Node& n, Cell* args, Cell* out) {
    if (n.count == 0) {
        value::set_unset(out);
        return true;
    }
    const uint32_t* children = r.children + n.first;
    for (uint32_t i = 0; i < n.count; ++i) {
        if (!value_of(r, children[i], args, out)) return false;
        if (r.exit) return true;
    }
    return true;
}

// Writes the value (plain: set-words refuse unset!) to an assignment's or a
// counter's target.
[[gnu::always_inline]] inline void write_target(Runner& r, const Node& n, Cell* args,
                                                const Cell* value) {
    if (n.to_argument)
        args[n.index] = *value;
    else
        *r.slots[n.index] = *value;
}

bool assign(Runner& r, const Node& n, Cell* args, Cell* out) {
    // A set-word raises an error for unset!.
    if (!value_of(r, r.children[n.first], args, out) || !is_plain_value(cell_type(out)))
        return false;
    write_target(r, n, args, out);
    return true;
}

// After a loop's body ended with an exit: whether the loop goes on (a
// continue). A break or continue leaves unset! as the pass's value; a
// return goes on outward.
[[gnu::always_inline]] inline bool end_of_pass(Runner& r, Cell* out) {
    if (r.exit == exit_return) return false;
    bool goes_on = r.exit == exit_continue;
    r.exit = 0;
    value::set_unset(out);
    return goes_on;
}

// loop and repeat: the count, then the body that many times; the value is
// the last body's, none when it never runs.
bool counted_loop(Runner& r, const Node& n, Cell* args, Cell* out) {
    const uint32_t* children = r.children + n.first;
    Cell count;
    if (!value_of(r, children[0], args, &count) || cell_type(&count) != type_id::integer)
        return false;
    int32_t times = value::integer_of(&count);
    if (times < 1) {
        value::set_none(out);
        return true;
    }
    Cell counter;
    for (int32_t i = 1;; ++i) {
        if (n.kind == Kind::repeat) {
            value::set_integer(&counter, i);
            write_target(r, n, args, &counter);
        }
        if (!value_of(r, children[1], args, out)) return false;
        if (r.exit && !end_of_pass(r, out)) return true;
        if (i == times) return true;
    }
}

// while: the condition, then the body while it is true; the value is
// unset!.
bool while_loop(Runner& r, const Node& n, Cell* args, Cell* out) {
    const uint32_t* children = r.children + n.first;
    for (;;) {
        Cell condition;
        // An unset! condition raises an error.
        if (!value_of(r, children[0], args, &condition) || !is_plain_value(cell_type(&condition)))
            return false;
        if (!detail::is_true(&condition)) break;
        if (!value_of(r, children[1], args, out)) return false;
        if (r.exit && !end_of_pass(r, out)) {
            if (r.exit == exit_return) return true;
            break;
        }
    }
    value::set_unset(out);
    return true;
}

bool return_(Runner& r, const Node& n, Cell* args, Cell* out) {
    if (!value_of(r, r.children[n.first], args, out)) return false;
    r.exit = exit_return;
    return true;
}

bool loop_exit(Runner& r, const Node& n, Cell*, Cell* out) {
    r.exit = n.kind == Kind::break_ ? exit_break : exit_continue;
    value::set_unset(out);
    return true;
}

// even?, odd?, zero?, positive? and negative? of an integer.
bool integer_test(Runner& r, const Node& n, Cell* args, Cell* out) {
    Cell argument;
    if (!value_of(r, r.children[n.first], args, &argument) ||
        cell_type(&argument) != type_id::integer)
        return false;
    int32_t v = value::integer_of(&argument);
    bool outcome;
    if (n.wrapped == type_id::action)
        outcome = n.index == action_slot::is_even ? (v & 1) == 0 : (v & 1) != 0;
    else if (n.index == natives::index::is_zero)
        outcome = v == 0;
    else if (n.index == natives::index::is_positive)
        outcome = v > 0;
    else
        outcome = v < 0;
    value::set_logic(out, outcome);
    return true;
}

// By Kind.
const Handler handlers[] = {
    leaf,         // constant
    leaf,         // argument
    operate,      // operate
    conditional,  // either
    conditional,  // if_
    conditional,  // unless
    call,         // call
    sequence,     // sequence
    leaf,         // word
    assign,       // assign
    counted_loop, // loop
    counted_loop, // repeat
    return_,      // return_
    while_loop,   // while_
    integer_test, // integer_test
    loop_exit,    // break_
    loop_exit,    // continue_
};
static_assert(sizeof handlers / sizeof handlers[0] == static_cast<size_t>(Kind::continue_) + 1);

// Compiles the function into its entry. When it may qualify later, the
// entry waits a call before the next attempt, then twice as many after
// each one that fails again.
void learn(const Cell* function, Entry* e) {
    bool same = holds(*e, function);
    std::unique_ptr<Program> program;
    Verdict verdict = compile(function, &program);
    e->data1 = function->data1;
    e->data2 = function->data2;
    e->data3 = function->data3;
    learn_form(e, same, verdict, std::move(program));
}

// How many levels of calls the general evaluator surely has room for from
// here, one level being what an activation of any of the program's
// functions holds while a call in it runs.
uint32_t levels_with_room(const Program& p, const char* native_floor) {
    char here;
    if (&here <= native_floor) return 0;
    auto frames = static_cast<uint64_t>(stack::frames.end - stack::frames.top);
    auto cells = static_cast<uint64_t>(stack::arguments.end - stack::arguments.top);
    auto native = static_cast<uint64_t>(&here - native_floor);
    return static_cast<uint32_t>(std::min(
        {frames / p.frames_per_level, cells / p.cells_per_level, native / p.native_per_level}));
}

// Whether there is room for one level (levels_with_room is not 0), without
// its divisions.
bool room_for_a_level(const Program& p, const char* native_floor) {
    char here;
    return &here > native_floor &&
           static_cast<uint64_t>(stack::frames.end - stack::frames.top) >= p.frames_per_level &&
           static_cast<uint64_t>(stack::arguments.end - stack::arguments.top) >=
               p.cells_per_level &&
           static_cast<uint64_t>(&here - native_floor) >= p.native_per_level;
}

} // namespace

namespace {

// Marks the function as not qualifying (its code cell is unset!: it has
// no compiled code).
void mark_not_qualified(const Cell* function) {
    Cell* code = function::more_cell(function, function::more::code);
    if (cell_type(code) == type_id::unset) code->data1 = not_qualified;
}

// run past the quick refusal.
[[gnu::noinline]] bool run_entry(Entry& e, const Cell* function, const Cell* args, Cell* out) {
    if (!detail::native_stack_limit) return false;
    bool learned = false;
    if (!holds(e, function)) {
        learned = true;
    } else if (!e.program) {
        if (e.retry == 0 || --e.retry != 0) return false;
        learned = true;
    } else if (!still_valid(*e.program)) {
        learned = true;
    }
    if (learned) {
        learn(function, &e);
        // A new form holds; the check finds the written words' slots.
        if (e.program && !still_valid(*e.program)) e.program.reset();
    }
    if (!e.program) {
        if (e.retry == 0) mark_not_qualified(function);
        return false;
    }
    if (!run_program(*e.program, args, e.program->functions[0].arity, out)) {
        if (gives_up_too_often(&e)) mark_not_qualified(function);
        return false;
    }
    ++e.runs;
    return true;
}

} // namespace

// Whether everything the program was made from still stands. The global
// words come first: they make sure the functions named are the ones
// compiled (so their blocks are live), then the body cells, then the
// blocks in the order they were read, each one reached from one already
// found unchanged.
// The slots of the written words are found again on the way.
bool still_valid(Program& p) {
    // Every word is the global context's, with a resolved index.
    Cell* globals = detail::cached_global_values(context::global);
    if (!globals) return false;
    for (size_t i = 0; i < p.words.size(); ++i) {
        Cell* found = globals + value::word_index(&p.words[i]);
        if (p.written[i])
            // The global context's values, which nothing moves while the
            // form runs.
            p.slots[i] = found;
        else if (!same_cells(found, &p.values[i], 1))
            return false;
    }
    for (const Function& f : p.functions)
        if (!same_cells(function::more_cell(&f.value, function::more::body), &f.body, 1))
            return false;
    for (const Source& s : p.sources) {
        SeriesBuffer* buffer = node_buffer(s.node);
        const Cell* cells = reinterpret_cast<const Cell*>(buffer_head(buffer));
        auto count =
            static_cast<int32_t>(reinterpret_cast<const Cell*>(buffer_tail(buffer)) - cells);
        if (count - s.head != static_cast<int32_t>(s.count) ||
            !same_cells(cells + s.head, p.cells.data() + s.first, s.count))
            return false;
    }
    return true;
}

bool run_program(Program& p, const Cell* args, int32_t arity, Cell* out) {
    const char* native_floor = detail::native_stack_limit + native_reserve;
    // The caller's own level is taken: its frame is marked.
    if (!room_for_a_level(p, native_floor)) return false;
    Runner runner{p.nodes.data(), p.children.data(), p.functions.data(),
                  p.types.data(), p.slots.data(),    &p,
                  unknown_levels, native_floor};
    // Its own copy of the arguments when it writes them: the general
    // evaluation may have to start again from the ones given.
    Cell own_args[8];
    // Only read unless the program writes arguments.
    Cell* arguments = const_cast<Cell*>(args);
    if (p.writes_arguments) {
        std::copy_n(args, arity, own_args);
        arguments = own_args;
    }
    // What the written words held, put back if it gives up.
    Cell saved[max_written_words];
    for (size_t i = 0; i < p.written_words.size(); ++i) saved[i] = *p.slots[p.written_words[i]];
    Cell value;
    if (!value_of(runner, p.root, arguments, &value)) {
        for (size_t i = 0; i < p.written_words.size(); ++i) *p.slots[p.written_words[i]] = saved[i];
        return false;
    }
    *out = value;
    return true;
}

void learn_form(Form* f, bool same, Verdict verdict, std::unique_ptr<Program> program) {
    f->program = std::move(program);
    if (verdict == Verdict::later) {
        f->retry_wait = same && f->retry_wait ? std::min(f->retry_wait * 2, max_retry_wait) : 1;
        f->retry = f->retry_wait;
    } else {
        f->retry = f->retry_wait = 0;
    }
    f->runs = 0;
    f->gave_up = 0;
}

bool gives_up_too_often(Form* f) {
    if (++f->gave_up <= give_up_limit || f->gave_up <= f->runs) return false;
    f->program.reset();
    f->retry = 0;
    return true;
}

bool run(const Cell* function, const Cell* args, Cell* out) {
    Entry& e = entry_for(function);
    // Most functions do not qualify: their refusal is answered at once.
    if (!e.program && e.retry == 0 && holds(e, function)) return false;
    return run_entry(e, function, args, out);
}

} // namespace zep::interp::pure
