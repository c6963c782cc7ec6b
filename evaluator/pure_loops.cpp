// Running loops of general code on their compiled form
// (evaluator/pure_loops.h): the forms by loop, found by the loop's blocks
// and counter word.
#include "evaluator/pure_loops.h"

#include <memory>
#include <optional>

#include "evaluator/call.h"
#include "evaluator/interp.h"
#include "evaluator/interp_internal.h"
#include "evaluator/pure_internal.h"
#include "runtime/gc_roots.h"
#include "runtime/value_make.h"

namespace zep::interp::pure {

namespace {

// What a loop's form was made for: its kind, the nodes and heads of its
// blocks and its counter word's payload.
struct LoopKey {
    Kind kind = Kind::loop;
    Ref body = 0; // 0: no loop
    int32_t body_head = 0;
    Ref condition = 0;
    int32_t condition_head = 0;
    uint32_t word_data1 = 0;
    uint32_t word_data3 = 0;

    bool operator==(const LoopKey&) const = default;
};

struct LoopEntry : Form {
    LoopKey key;
};

// Two entries per set, the one used less recently replaced.
constexpr uint32_t loop_sets = 32;
LoopEntry loops[2 * loop_sets];
uint8_t recent[loop_sets];

LoopEntry& entry_for(const LoopKey& key) {
    // Node refs step by 4.
    uint32_t set = (key.body >> 2) & (loop_sets - 1);
    LoopEntry* pair = loops + 2 * set;
    uint32_t way = pair[0].key == key ? 0 : pair[1].key == key ? 1 : recent[set] ^ 1u;
    recent[set] = static_cast<uint8_t>(way);
    return pair[way];
}

// Calls a loop makes that have not been made yet leave their call specs
// unbuilt; unlike a function's, a loop's form is wanted on its first run.
// Building a few specs here (the native's arguments are stack cells, which
// nothing moves) spares that.
constexpr int max_specs_built = 8;

Verdict compile(const Loop& loop, std::unique_ptr<Program>* program) {
    for (int built = 0;; ++built) {
        std::optional<Cell> wanted;
        Verdict verdict = compile_loop(loop, program, &wanted);
        if (verdict != Verdict::later || !wanted || built == max_specs_built) return verdict;
        Cell value = *wanted;
        gc::Root root(&value);
        call_spec_of(&value);
    }
}

bool run_loop(const Loop& loop, const Cell* count, Cell* out) {
    if (tracing || !detail::native_stack_limit) return false;
    LoopKey key;
    key.kind = loop.kind;
    key.body = value::series_node(loop.body);
    key.body_head = value::series_head(loop.body);
    if (loop.condition) {
        key.condition = value::series_node(loop.condition);
        key.condition_head = value::series_head(loop.condition);
    }
    if (loop.word) {
        key.word_data1 = loop.word->data1;
        key.word_data3 = loop.word->data3;
    }
    LoopEntry& e = entry_for(key);
    bool same = e.key == key;
    // Most loops of general code do not qualify: answered at once.
    if (same && !e.program && e.retry == 0) return false;
    bool learned = !same;
    if (same && !e.program) {
        if (--e.retry != 0) return false;
        learned = true;
    } else if (same && !still_valid(*e.program)) {
        learned = true;
    }
    if (learned) {
        std::unique_ptr<Program> program;
        Verdict verdict = compile(loop, &program);
        e.key = key;
        learn_form(&e, same, verdict, std::move(program));
        // A new form holds; the check finds the written words' slots.
        if (e.program && !still_valid(*e.program)) e.program.reset();
        if (!e.program) return false;
    }
    Program& p = *e.program;
    if (p.count_node >= 0) p.nodes[static_cast<size_t>(p.count_node)].value = *count;
    if (!run_program(p, nullptr, 0, out)) {
        gives_up_too_often(&e);
        return false;
    }
    ++e.runs;
    return true;
}

} // namespace

bool run_counted_loop(const Cell* word, const Cell* count, const Cell* body, Cell* out) {
    if ((word && cell_type(word) != type_id::word) || cell_type(count) != type_id::integer ||
        cell_type(body) != type_id::block)
        return false;
    Loop loop;
    loop.kind = word ? Kind::repeat : Kind::loop;
    loop.word = word;
    loop.body = body;
    return run_loop(loop, count, out);
}

bool run_while_loop(const Cell* condition, const Cell* body, Cell* out) {
    if (cell_type(condition) != type_id::block || cell_type(body) != type_id::block) return false;
    Loop loop;
    loop.kind = Kind::while_;
    loop.condition = condition;
    loop.body = body;
    return run_loop(loop, nullptr, out);
}

} // namespace zep::interp::pure
