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
struct Entry {
    uint32_t data1 = 0;
    uint32_t data2 = 0;
    uint32_t data3 = 0;               // 0: no function
    std::unique_ptr<Program> program; // null: none (see retry)
    // Calls until compiling is tried again, for a function that may
    // qualify once something it names has been called, and the wait after
    // that attempt (doubled at each one).
    uint32_t retry = 0;
    uint32_t retry_wait = 0;
    uint32_t runs = 0;
    uint32_t gave_up = 0;
};

constexpr uint32_t table_slots = 256;
constexpr uint32_t max_retry_wait = 1024;
// A form that gives up more often than it runs (and more than this many
// times) is dropped: its function's calls are not worth the attempt.
constexpr uint32_t give_up_limit = 16;

Entry table[table_slots];

Entry& entry_for(const Cell* function) {
    // Node refs step by 4: consecutive more blocks take consecutive slots.
    return table[(function->data3 >> 2) & (table_slots - 1)];
}

bool same_cells(const Cell* a, const Cell* b, size_t count) {
    return count == 0 || std::memcmp(a, b, count * sizeof(Cell)) == 0;
}

// Whether everything the program was made from still stands. The global
// words come first: they make sure the functions named are the ones
// compiled (so their blocks are live), then the body cells, then the
// blocks in the order they were read, each one reached from one already
// found unchanged.
bool still_valid(const Program& p) {
    for (size_t i = 0; i < p.words.size(); ++i) {
        const Cell* found = detail::bound_value(&p.words[i]);
        if (!found || !same_cells(found, &p.values[i], 1)) return false;
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

struct Runner {
    const Node* nodes;
    const uint32_t* children;
    const Function* functions;
    const Cell* types;
    uint32_t levels_left; // further calls the general evaluator surely has room for
    const char* native_floor;
};

bool eval(Runner& r, uint32_t index, const Cell* args, Cell* out);

// A node's value, leaves taken in place.
[[gnu::always_inline]] inline bool value_of(Runner& r, uint32_t index, const Cell* args,
                                            Cell* out) {
    const Node& n = r.nodes[index];
    if (n.kind == Kind::constant) {
        *out = n.value;
        return true;
    }
    if (n.kind == Kind::argument) {
        // Any other value would need the general evaluation (a function is
        // called, unset! raises an error).
        if (!is_plain_value(cell_type(args + n.index))) return false;
        *out = args[n.index];
        return true;
    }
    return eval(r, index, args, out);
}

// A call: the arguments, each checked as the call's spec checks it, then
// the function's body.
[[gnu::noinline]] bool call(Runner& r, const Node& n, const Cell* args, Cell* out) {
    char here;
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
    return done;
}

// The node's value into *out; false to give up.
bool eval(Runner& r, uint32_t index, const Cell* args, Cell* out) {
    const Node& n = r.nodes[index];
    const uint32_t* children = r.children + n.first;
    switch (n.kind) {
    case Kind::constant:
    case Kind::argument:
        return value_of(r, index, args, out);
    case Kind::operate: {
        Cell left;
        Cell right;
        if (!value_of(r, children[0], args, &left) || !value_of(r, children[1], args, &right) ||
            cell_type(&left) != type_id::integer || cell_type(&right) != type_id::integer)
            return false;
        return detail::integer_infix(n.wrapped, n.index, value::integer_of(&left),
                                     value::integer_of(&right), out);
    }
    case Kind::either:
    case Kind::if_:
    case Kind::unless: {
        Cell condition;
        if (!value_of(r, children[0], args, &condition) || !is_plain_value(cell_type(&condition)))
            return false;
        bool truth = detail::is_true(&condition);
        if (n.kind == Kind::either) return value_of(r, children[truth ? 1 : 2], args, out);
        if (truth == (n.kind == Kind::if_)) return value_of(r, children[1], args, out);
        value::set_none(out);
        return true;
    }
    case Kind::call:
        return call(r, n, args, out);
    case Kind::sequence:
        if (n.count == 0) {
            value::set_unset(out);
            return true;
        }
        for (uint32_t i = 0; i < n.count; ++i)
            if (!value_of(r, children[i], args, out)) return false;
        return true;
    }
    return false;
}

// Compiles the function into its entry. When it may qualify later, the
// entry waits a call before the next attempt, then twice as many after
// each one that fails again.
void learn(const Cell* function, Entry* e) {
    bool same =
        e->data3 == function->data3 && e->data2 == function->data2 && e->data1 == function->data1;
    std::unique_ptr<Program> program;
    Verdict verdict = compile(function, &program);
    e->data1 = function->data1;
    e->data2 = function->data2;
    e->data3 = function->data3;
    e->program = std::move(program);
    if (verdict == Verdict::later) {
        e->retry_wait = same && e->retry_wait ? std::min(e->retry_wait * 2, max_retry_wait) : 1;
        e->retry = e->retry_wait;
    } else {
        e->retry = e->retry_wait = 0;
    }
    e->runs = 0;
    e->gave_up = 0;
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
    if (e.data3 != function->data3 || e.data2 != function->data2 || e.data1 != function->data1) {
        learn(function, &e);
    } else if (!e.program) {
        if (e.retry == 0 || --e.retry != 0) return false;
        learn(function, &e);
    } else if (!still_valid(*e.program)) {
        learn(function, &e);
    }
    if (!e.program) {
        if (e.retry == 0) mark_not_qualified(function);
        return false;
    }
    const Program& p = *e.program;
    const char* native_floor = detail::native_stack_limit + native_reserve;
    uint32_t levels = levels_with_room(p, native_floor);
    // This call's own level is taken: its frame is marked.
    if (levels == 0) return false;
    Runner runner{p.nodes.data(), p.children.data(), p.functions.data(),
                  p.types.data(), levels - 1,        native_floor};
    Cell value;
    if (!eval(runner, p.functions[0].node, args, &value)) {
        if (++e.gave_up > give_up_limit && e.gave_up > e.runs) {
            e.program.reset();
            mark_not_qualified(function);
        }
        return false;
    }
    ++e.runs;
    *out = value;
    return true;
}

} // namespace

bool run(const Cell* function, const Cell* args, Cell* out) {
    Entry& e = entry_for(function);
    // Most functions do not qualify: their refusal is answered at once.
    if (!e.program && e.retry == 0 && e.data3 == function->data3 && e.data2 == function->data2 &&
        e.data1 == function->data1)
        return false;
    return run_entry(e, function, args, out);
}

} // namespace zep::interp::pure
