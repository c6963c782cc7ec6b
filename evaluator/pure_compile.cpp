// Compiling a function that only computes with integers: its body read as
// the evaluator reads it (calls take their arguments as whole expressions,
// operators combine left to right, an operator's right operand is a single
// value), into the nodes of pure_internal.h. Anything outside that subset
// refuses the function.
#include <algorithm>
#include <cstddef>
#include <optional>
#include <utility>

#include "datatypes/context.h"
#include "datatypes/function.h"
#include "datatypes/native.h"
#include "datatypes/op.h"
#include "datatypes/registry.h"
#include "evaluator/call.h"
#include "evaluator/call_integer_test.h"
#include "evaluator/call_internal.h"
#include "evaluator/interp_internal.h"
#include "evaluator/native_specs.h"
#include "evaluator/natives.h"
#include "evaluator/pure_internal.h"

namespace zep::interp::pure {

using detail::accepts;
using detail::bound_value;

namespace {

// Limits that keep compiling and checking cheap.
constexpr size_t max_nodes = 512;
constexpr size_t max_functions = 16;
constexpr size_t max_cells = 256;
constexpr int32_t max_arity = 8;
// Blocks and parens nested deeper are refused (the compiler and the runner
// recurse once per level).
constexpr int32_t max_compiled_nesting = 64;

// Whether the operator combines two integers in place (integer_infix).
bool is_integer_operator(const Cell* op_value) {
    int32_t index = native::index_of(op_value);
    switch (op::wrapped_type(op_value)) {
    case type_id::action:
        return index == action_slot::add || index == action_slot::subtract ||
               index == action_slot::multiply;
    case type_id::native:
        return index == natives::index::is_equal || index == natives::index::is_strict_equal ||
               index == natives::index::is_not_equal || index == natives::index::is_lesser ||
               index == natives::index::is_greater || index == natives::index::is_lesser_or_equal ||
               index == natives::index::is_greater_or_equal;
    default:
        return false;
    }
}

// The cached call spec of a function-like value when it is plain, with its
// cells and summary; false when it is not built yet or not plain.
bool plain_spec(const Cell* function, const Cell** specs, uint32_t* shape) {
    const Cell* cached = call_spec_cache_cell(function);
    if (cell_type(cached) != type_id::block || !(cached->data3 & call_shape::plain)) return false;
    *specs = node_cells(value::series_node(cached));
    *shape = cached->data3;
    return true;
}

class Compiler {
  public:
    explicit Compiler(Program* program) : p_(*program) {}

    // The function's number in the program, compiling it first; -1 when it
    // does not qualify (verdict_ says why).
    int32_t function(const Cell* fn) {
        for (size_t i = 0; i < p_.functions.size(); ++i) {
            const Cell& known = p_.functions[i].value;
            if (known.data1 == fn->data1 && known.data2 == fn->data2 && known.data3 == fn->data3)
                return static_cast<int32_t>(i);
        }
        if (cell_type(fn) != type_id::function || (fn->header & function::flag::attributes) ||
            p_.functions.size() >= max_functions)
            return refuse();
        const Cell* more = node_cells(function::more_of(fn));
        const Cell* body = more + function::more::body;
        if (cell_type(body) != type_id::block) return refuse();
        const Cell* specs = nullptr;
        uint32_t shape = 0;
        // A callee not called yet has no call spec: it may qualify later.
        if (cell_type(more + function::more::call_spec) != type_id::block) return spec_wanted(fn);
        if (!plain_spec(fn, &specs, &shape)) return refuse();
        int32_t arity = call_shape::arguments(shape);
        if ((shape & call_shape::literal_bits) || call_shape::locals(shape) != 0 ||
            arity > max_arity || static_cast<int32_t>(node_cell_count(call_spec_of(fn))) != arity)
            return refuse();
        auto number = static_cast<int32_t>(p_.functions.size());
        Function f;
        f.value = *fn;
        f.body = *body;
        f.arity = arity;
        f.types = static_cast<uint32_t>(p_.types.size());
        for (int32_t i = 0; i < arity; ++i) p_.types.push_back(specs[i]);
        p_.functions.push_back(f);
        Ref context = function::context_of(fn);
        size_t nodes_before = p_.nodes.size();
        uint32_t outer_count = std::exchange(calls_and_conditionals_, 0);
        Cell body_copy = *body;
        // A break or continue leaves only a loop of the same function.
        int32_t outer_loops = std::exchange(loops_, 0);
        int32_t node = sequence(&body_copy, context, arity);
        loops_ = outer_loops;
        uint32_t own_count = std::exchange(calls_and_conditionals_, outer_count);
        if (node < 0) return -1;
        p_.functions[static_cast<size_t>(number)].node = static_cast<uint32_t>(node);
        account_level(nodes_before, own_count, arity);
        return number;
    }

    // A loop run from general code: its root node, or -1. The words of
    // general code are global: the loop has no arguments of its own.
    int32_t loop_root(const Loop& loop) {
        size_t nodes_before = p_.nodes.size();
        uint32_t outer_count = std::exchange(calls_and_conditionals_, 0);
        Node n;
        n.kind = loop.kind;
        std::vector<uint32_t> children;
        if (loop.kind == Kind::while_) {
            Cell condition = *loop.condition;
            int32_t node = sequence(&condition, 0, 0);
            if (node < 0) return -1;
            if (exits(node)) return refuse();
            children.push_back(static_cast<uint32_t>(node));
        } else {
            // The count, given on each run.
            Node count;
            count.kind = Kind::constant;
            p_.count_node = add_node(count, {});
            if (p_.count_node < 0) return -1;
            children.push_back(static_cast<uint32_t>(p_.count_node));
            if (loop.kind == Kind::repeat && !counter_target(loop.word, 0, 0, &n)) return refuse();
        }
        int32_t node = loop_body(loop.body, 0, 0);
        if (node < 0) return -1;
        children.push_back(static_cast<uint32_t>(node));
        // A return would leave a function of the general code.
        if (returns(node)) return refuse();
        int32_t root = add_node(n, children);
        if (root < 0) return -1;
        uint32_t own_count = std::exchange(calls_and_conditionals_, outer_count);
        account_level(nodes_before, own_count + 1, 0);
        worth_it_ = true;
        return root;
    }

    Verdict verdict() const { return verdict_; }
    // Whether the code calls, branches, loops or guards a block: straight
    // code (operators, assignments, a return) is as quick the general way,
    // whose plain expressions take it in one step.
    bool worth_it() const { return worth_it_; }
    // The first function-like value whose call spec was wanted.
    const std::optional<Cell>& wanted() const { return wanted_; }

  private:
    // What one activation may hold of the general evaluator's stacks while
    // a call in it runs: a frame per call, conditional and loop, a handful
    // of argument cells and a few native frames per node (the nodes made
    // since nodes_before).
    void account_level(size_t nodes_before, uint32_t own_count, int32_t arity) {
        auto nodes = static_cast<uint32_t>(p_.nodes.size() - nodes_before);
        p_.frames_per_level = std::max(p_.frames_per_level, 1 + own_count);
        p_.cells_per_level =
            std::max(p_.cells_per_level, 4 + static_cast<uint32_t>(arity) + 8 * nodes);
        p_.native_per_level = std::max(p_.native_per_level, 4096 + 1536 * nodes);
    }

    int32_t refuse() {
        if (verdict_ == Verdict::compiled) verdict_ = Verdict::refused;
        return -1;
    }
    // Later, once the function-like value's call spec is built (its first
    // call builds it).
    int32_t spec_wanted(const Cell* value) {
        if (!wanted_) wanted_ = *value;
        return later();
    }
    int32_t later() {
        verdict_ = Verdict::later;
        return -1;
    }

    int32_t add_node(Node node, const std::vector<uint32_t>& children) {
        if (p_.nodes.size() >= max_nodes) return refuse();
        node.first = static_cast<uint32_t>(p_.children.size());
        node.count = static_cast<uint32_t>(children.size());
        p_.children.insert(p_.children.end(), children.begin(), children.end());
        p_.nodes.push_back(node);
        return static_cast<int32_t>(p_.nodes.size() - 1);
    }

    // The code of a block or paren value, recorded as a source.
    struct Code {
        const Cell* cells;
        int32_t count;
    };
    bool record(const Cell* block, Code* code) {
        detail::CodeCells all = detail::code_cells(block);
        int32_t head = detail::clamped_index(block);
        Source source;
        source.node = value::series_node(block);
        source.head = head;
        source.first = static_cast<uint32_t>(p_.cells.size());
        source.count = static_cast<uint32_t>(all.count - head);
        if (p_.cells.size() + source.count > max_cells) return false;
        p_.cells.insert(p_.cells.end(), all.cells + head, all.cells + all.count);
        p_.sources.push_back(source);
        *code = {all.cells + head, all.count - head};
        return true;
    }

    // A block or paren: its expressions in order.
    int32_t sequence(const Cell* block, Ref context, int32_t arity) {
        Code code;
        if (nesting_ >= max_compiled_nesting || !record(block, &code)) return refuse();
        ++nesting_;
        std::vector<uint32_t> children;
        int32_t position = 0;
        while (position < code.count) {
            int32_t node = expression(code, &position, context, arity);
            if (node < 0) {
                --nesting_;
                return -1;
            }
            children.push_back(static_cast<uint32_t>(node));
        }
        --nesting_;
        // One expression is the block's value as it stands.
        if (children.size() == 1) return static_cast<int32_t>(children[0]);
        Node n;
        n.kind = Kind::sequence;
        for (uint32_t child : children) take_exits(&n, static_cast<int32_t>(child));
        return add_node(n, children);
    }

    // The number of a global word bound to the global context with a
    // resolved index, recorded as a dependency with its value; -1 otherwise.
    int32_t word_number(const Cell* word) {
        if (value::word_context(word) != context::global || value::word_index(word) < 0) return -1;
        const Cell* found = bound_value(word);
        if (!found) return -1;
        // Each word is checked once per call however often the code names it.
        for (size_t i = 0; i < p_.words.size(); ++i)
            if (p_.words[i].data1 == word->data1 && p_.words[i].data3 == word->data3)
                return static_cast<int32_t>(i);
        p_.words.push_back(*word);
        p_.values.push_back(*found);
        p_.written.push_back(0);
        return static_cast<int32_t>(p_.words.size() - 1);
    }

    // The value of a global word (word_number), or null.
    const Cell* global_value(const Cell* word) {
        return word_number(word) < 0 ? nullptr : bound_value(word);
    }

    // A global word the code writes: its number, -1 to refuse.
    int32_t written_word(const Cell* word) {
        int32_t number = word_number(word);
        if (number < 0) return -1;
        auto n = static_cast<size_t>(number);
        if (!p_.written[n]) {
            if (p_.written_words.size() >= max_written_words) return -1;
            p_.written[n] = 1;
            p_.written_words.push_back(static_cast<uint32_t>(number));
        }
        return number;
    }

    // Whether a return in the node may leave the function: allowed only
    // where the value goes nowhere else (a block's expression, a branch or
    // loop body, a function body).
    bool returns(int32_t node) const {
        return node >= 0 && p_.nodes[static_cast<size_t>(node)].returns;
    }
    // Whether a return, break or continue in the node may leave it: such a
    // node stands only where its value goes nowhere else.
    bool exits(int32_t node) const {
        return node >= 0 && (p_.nodes[static_cast<size_t>(node)].returns ||
                             p_.nodes[static_cast<size_t>(node)].breaks);
    }
    // Both flags of the children, for a node whose children's exits leave
    // it too.
    void take_exits(Node* n, int32_t child) const {
        if (child < 0) return;
        n->returns = n->returns || p_.nodes[static_cast<size_t>(child)].returns;
        n->breaks = n->breaks || p_.nodes[static_cast<size_t>(child)].breaks;
    }

    // An expression: an operand, then operators combining it with single
    // values.
    int32_t expression(const Code& code, int32_t* position, Ref context, int32_t arity) {
        int32_t left = operand(code, position, context, arity, false);
        while (left >= 0 && *position < code.count &&
               cell_type(code.cells + *position) == type_id::word) {
            const Cell* word = code.cells + *position;
            // An argument's or a constant's word starts the next expression.
            if (value::word_context(word) != context::global) break;
            const Cell* found = global_value(word);
            if (!found) return refuse();
            if (cell_type(found) != type_id::op) break;
            if (!is_integer_operator(found) || exits(left)) return refuse();
            ++*position;
            if (*position >= code.count) return refuse();
            int32_t right = operand(code, position, context, arity, true);
            if (right < 0) return -1;
            if (exits(right)) return refuse();
            Node n;
            n.kind = Kind::operate;
            n.wrapped = op::wrapped_type(found);
            n.index = native::index_of(found);
            left = add_node(n, {static_cast<uint32_t>(left), static_cast<uint32_t>(right)});
        }
        return left;
    }

    // A single value (single: as an operator's right operand, which takes
    // no call or conditional) or a call or conditional with its arguments.
    int32_t operand(const Code& code, int32_t* position, Ref context, int32_t arity, bool single) {
        // Calls nested as arguments recurse here: keep clear of the native
        // stack's limit.
        char here;
        if (&here < detail::native_stack_limit + native_reserve) return refuse();
        const Cell* cell = code.cells + *position;
        ++*position;
        Node n;
        switch (cell_type(cell)) {
        case type_id::integer:
        case type_id::logic:
        case type_id::none:
            n.kind = Kind::constant;
            n.value = *cell;
            return add_node(n, {});
        case type_id::paren: {
            Cell paren = *cell;
            return sequence(&paren, context, arity);
        }
        case type_id::set_word:
            if (single) return refuse();
            return assignment(cell, code, position, context, arity);
        case type_id::word:
            break;
        default:
            return refuse();
        }
        if (value::word_context(cell) == context && value::word_index(cell) >= 0) {
            if (value::word_index(cell) >= arity) return refuse();
            n.kind = Kind::argument;
            n.index = value::word_index(cell);
            return add_node(n, {});
        }
        const Cell* found = global_value(cell);
        if (!found) {
            // An unresolved global word may be resolved by the general
            // evaluation: try again later.
            if (value::word_context(cell) == context::global) return later();
            return refuse();
        }
        // A word not set yet may name a qualifying function later, unless
        // the code itself writes it (a counter set before its body runs):
        // it is read live, and a value that is not plain gives up there.
        bool written = cell_type(found) == type_id::unset &&
                       p_.written[static_cast<size_t>(word_number(cell))];
        if (cell_type(found) == type_id::unset && !written) return later();
        if (is_plain_value(cell_type(found)) || written) {
            n.kind = Kind::constant;
            n.value = *found;
            n.word = word_number(cell);
            return add_node(n, {});
        }
        if (single) return refuse();
        if (cell_type(found) == type_id::native) {
            int32_t index = native::index_of(found);
            if (index == natives::index::either)
                return conditional(Kind::either, found, code, position, context, arity);
            if (index == natives::index::if_)
                return conditional(Kind::if_, found, code, position, context, arity);
            if (index == natives::index::unless)
                return conditional(Kind::unless, found, code, position, context, arity);
            if (index == natives::index::loop || index == natives::index::repeat)
                return counted_loop(index == natives::index::repeat, found, code, position, context,
                                    arity);
            if (index == natives::index::return_)
                return return_of(found, code, position, context, arity);
            if (index == natives::index::try_ || index == natives::index::catch_)
                return guarded_block(found, code, position, context, arity);
            if (index == natives::index::while_)
                return while_of(found, code, position, context, arity);
            if (index == natives::index::break_)
                return loop_exit(found, Kind::break_, code, *position, context);
            if (index == natives::index::continue_)
                return loop_exit(found, Kind::continue_, code, *position, context);
            if (detail::is_integer_test(found))
                return integer_test_of(found, code, position, context, arity);
            return refuse();
        }
        if (cell_type(found) == type_id::action && detail::is_integer_test(found))
            return integer_test_of(found, code, position, context, arity);
        if (cell_type(found) != type_id::function) return refuse();
        Cell callee = *found;
        int32_t number = function(&callee);
        if (number < 0) return -1;
        int32_t callee_arity = p_.functions[static_cast<size_t>(number)].arity;
        std::vector<uint32_t> arguments;
        for (int32_t i = 0; i < callee_arity; ++i) {
            int32_t argument = value_argument(code, position, context, arity);
            if (argument < 0) return -1;
            arguments.push_back(static_cast<uint32_t>(argument));
        }
        ++calls_and_conditionals_;
        worth_it_ = true;
        n.kind = Kind::call;
        n.index = number;
        return add_node(n, arguments);
    }

    // either, if or unless in its common shape: a condition, then literal
    // blocks that no operator follows.
    int32_t conditional(Kind kind, const Cell* native, const Code& code, int32_t* position,
                        Ref context, int32_t arity) {
        int32_t blocks = kind == Kind::either ? 2 : 1;
        const Cell* specs = nullptr;
        uint32_t shape = 0;
        // Not called yet: its call spec is built by its first call.
        if (cell_type(call_spec_cache_cell(native)) != type_id::block) return spec_wanted(native);
        if (!plain_spec(native, &specs, &shape) ||
            shape != (call_shape::plain | static_cast<uint32_t>(1 + blocks)))
            return refuse();
        for (uint8_t type : {type_id::integer, type_id::logic, type_id::none})
            if (!accepts(specs, type)) return refuse();
        for (int32_t i = 1; i <= blocks; ++i)
            if (!accepts(specs + i, type_id::block)) return refuse();
        int32_t condition = value_argument(code, position, context, arity);
        if (condition < 0) return -1;
        std::vector<uint32_t> children{static_cast<uint32_t>(condition)};
        for (int32_t i = 0; i < blocks; ++i) {
            int32_t node = block_argument(code, position, context, arity);
            if (node < 0) return -1;
            children.push_back(static_cast<uint32_t>(node));
        }
        if (!block_call_ends(code, *position, context)) return refuse();
        Node n;
        n.kind = kind;
        for (size_t i = 1; i < children.size(); ++i)
            take_exits(&n, static_cast<int32_t>(children[i]));
        return add_node(n, children);
    }

    // An argument evaluated as an expression at *position, whose value goes
    // on to its call: no exit may leave from it. -1 otherwise.
    int32_t value_argument(const Code& code, int32_t* position, Ref context, int32_t arity) {
        if (*position >= code.count) return refuse();
        int32_t node = expression(code, position, context, arity);
        if (node >= 0 && exits(node)) return refuse();
        return node;
    }

    // A literal block argument at *position, compiled (as a loop's body
    // when in_loop, where break and continue may stand); -1 otherwise.
    int32_t block_argument(const Code& code, int32_t* position, Ref context, int32_t arity,
                           bool in_loop = false) {
        if (*position >= code.count || cell_type(code.cells + *position) != type_id::block)
            return refuse();
        Cell block = code.cells[*position];
        ++*position;
        return in_loop ? loop_body(&block, context, arity) : sequence(&block, context, arity);
    }

    // The end of a native's call whose last argument is a block: no
    // operator may follow it. The call is one more frame the general way
    // marks, and it makes the code worth compiling.
    bool block_call_ends(const Code& code, int32_t position, Ref context) {
        if (!no_operator_after(code, position, context)) return false;
        ++calls_and_conditionals_;
        worth_it_ = true;
        return true;
    }

    // Whether no operator stands at position (after a block argument, which
    // an operator would take as its left operand).
    bool no_operator_after(const Code& code, int32_t position, Ref context) {
        if (position >= code.count || cell_type(code.cells + position) != type_id::word)
            return true;
        const Cell* word = code.cells + position;
        if (value::word_context(word) == context) return true;
        const Cell* next = global_value(word);
        return next && cell_type(next) != type_id::op;
    }

    // The native's call spec when it is plain with the given arguments, the
    // first taken literally when literal_first; null otherwise (later()
    // when it has not been called yet).
    const Cell* native_spec(const Cell* native, int32_t arguments, bool literal_first,
                            bool refinements = false) {
        const Cell* specs = nullptr;
        uint32_t shape = 0;
        if (native->header & native::flag::unlike_entry) {
            refuse();
            return nullptr;
        }
        if (cell_type(call_spec_cache_cell(native)) != type_id::block) {
            spec_wanted(native);
            return nullptr;
        }
        uint32_t expected = call_shape::plain | static_cast<uint32_t>(arguments);
        if (literal_first) expected |= 1u << call_shape::literal_shift;
        // Refinements, where allowed, are off: the code names the native
        // by a word.
        uint32_t ignored = refinements ? call_shape::refinements : 0;
        if (!plain_spec(native, &specs, &shape) || (shape & ~ignored) != expected) {
            refuse();
            return nullptr;
        }
        return specs;
    }

    // A set-word and the expression it assigns: to an argument of the
    // function, or to a global word, which is then read live everywhere.
    int32_t assignment(const Cell* target, const Code& code, int32_t* position, Ref context,
                       int32_t arity) {
        Node n;
        n.kind = Kind::assign;
        if (!counter_target(target, context, arity, &n)) return refuse();
        int32_t value = value_argument(code, position, context, arity);
        if (value < 0) return -1;
        return add_node(n, {static_cast<uint32_t>(value)});
    }

    // The slot a set-word or repeat's word writes: the function's argument
    // or a global word.
    bool counter_target(const Cell* word, Ref context, int32_t arity, Node* n) {
        if (value::word_context(word) == context && value::word_index(word) >= 0) {
            if (value::word_index(word) >= arity) return false;
            n->to_argument = true;
            n->index = value::word_index(word);
            p_.writes_arguments = true;
            return true;
        }
        n->index = written_word(word);
        return n->index >= 0;
    }

    // loop count body, or repeat word count body: a count, then a literal
    // block no operator follows.
    int32_t counted_loop(bool repeat, const Cell* native, const Code& code, int32_t* position,
                         Ref context, int32_t arity) {
        int32_t count_arg = repeat ? 1 : 0;
        const Cell* specs = native_spec(native, count_arg + 2, repeat);
        if (!specs) return -1;
        if (!accepts(specs + count_arg, type_id::integer) ||
            !accepts(specs + count_arg + 1, type_id::block))
            return refuse();
        Node n;
        n.kind = repeat ? Kind::repeat : Kind::loop;
        if (repeat) {
            if (*position >= code.count || cell_type(code.cells + *position) != type_id::word ||
                !accepts(specs, type_id::word) ||
                !counter_target(code.cells + *position, context, arity, &n))
                return refuse();
            ++*position;
        }
        int32_t count = value_argument(code, position, context, arity);
        if (count < 0) return -1;
        int32_t body = block_argument(code, position, context, arity, true);
        if (body < 0) return -1;
        if (!block_call_ends(code, *position, context)) return refuse();
        // A break or continue in the body stops here; a return goes on.
        n.returns = returns(body);
        return add_node(n, {static_cast<uint32_t>(count), static_cast<uint32_t>(body)});
    }

    // A loop's body, where break and continue may stand.
    int32_t loop_body(const Cell* block, Ref context, int32_t arity) {
        Cell copy = *block;
        ++loops_;
        int32_t body = sequence(&copy, context, arity);
        --loops_;
        return body;
    }

    // while condition body, both literal blocks no operator follows.
    int32_t while_of(const Cell* native, const Code& code, int32_t* position, Ref context,
                     int32_t arity) {
        const Cell* specs = native_spec(native, 2, false);
        if (!specs) return -1;
        if (!accepts(specs, type_id::block) || !accepts(specs + 1, type_id::block)) return refuse();
        int32_t test = block_argument(code, position, context, arity);
        if (test < 0) return -1;
        // An exit in the condition raises an error or leaves the function
        // from an odd place: the general way takes it.
        if (exits(test)) return refuse();
        int32_t body = block_argument(code, position, context, arity, true);
        if (body < 0) return -1;
        if (!block_call_ends(code, *position, context)) return refuse();
        Node n;
        n.kind = Kind::while_;
        n.returns = returns(body);
        return add_node(n, {static_cast<uint32_t>(test), static_cast<uint32_t>(body)});
    }

    // Whether the native is start-up's, or one whose call spec is built
    // and has the given shape; later() when it is another one not called
    // yet. The evaluator takes the plain exits (return, break, continue)
    // without their calls, and so without their specs.
    bool usual_exit(const Cell* native, uint32_t shape_wanted, bool* later_wanted) {
        *later_wanted = false;
        if (native->header & native::flag::unlike_entry) return false;
        const Cell* cached = call_spec_cache_cell(native);
        if (cell_type(cached) == type_id::block)
            return (cached->data3 & ~call_shape::refinements) == shape_wanted;
        if (is_first_made(native)) return true;
        *later_wanted = true;
        return false;
    }

    // break or continue (by a word: no refinement), inside a loop of the
    // same function, with no operator after it.
    int32_t loop_exit(const Cell* native, Kind kind, const Code& code, int32_t position,
                      Ref context) {
        bool later_wanted = false;
        if (!usual_exit(native, call_shape::plain, &later_wanted))
            return later_wanted ? later() : refuse();
        if (loops_ == 0 || !no_operator_after(code, position, context)) return refuse();
        Node n;
        n.kind = kind;
        n.breaks = true;
        return add_node(n, {});
    }

    // even?, odd?, zero?, positive? or negative? with its usual spec, its
    // argument an expression.
    int32_t integer_test_of(const Cell* function, const Code& code, int32_t* position, Ref context,
                            int32_t arity) {
        const Cell* cached = call_spec_cache_cell(function);
        if (cell_type(cached) != type_id::block) return spec_wanted(function);
        if (cached->data3 != (call_shape::plain | 1u) ||
            !accepts(node_cells(value::series_node(cached)), type_id::integer))
            return refuse();
        int32_t argument = value_argument(code, position, context, arity);
        if (argument < 0) return -1;
        Node n;
        n.kind = Kind::integer_test;
        n.wrapped = cell_type(function);
        n.index = native::index_of(function);
        return add_node(n, {static_cast<uint32_t>(argument)});
    }

    // try block or catch block, called by a word (no refinement): nothing
    // in the block can raise an error or throw, as the compiled form gives
    // up instead, so the value is the block's, and a return in it leaves
    // the function through them.
    int32_t guarded_block(const Cell* native, const Code& code, int32_t* position, Ref context,
                          int32_t arity) {
        const Cell* specs = native_spec(native, 1, false, true);
        if (!specs) return -1;
        if (!accepts(specs, type_id::block)) return refuse();
        int32_t body = block_argument(code, position, context, arity);
        if (body < 0) return -1;
        if (!block_call_ends(code, *position, context)) return refuse();
        return body;
    }

    // return value. The evaluator takes a return of a plain value without
    // its call (and so without its call spec, which may not be built yet).
    int32_t return_of(const Cell* native, const Code& code, int32_t* position, Ref context,
                      int32_t arity) {
        bool later_wanted = false;
        if (!usual_exit(native, call_shape::plain | 1u, &later_wanted))
            return later_wanted ? later() : refuse();
        // Start-up's return takes any value; a built spec says what it takes.
        const Cell* cached = call_spec_cache_cell(native);
        if (cell_type(cached) == type_id::block)
            for (uint8_t type : {type_id::integer, type_id::logic, type_id::none})
                if (!accepts(node_cells(value::series_node(cached)), type)) return refuse();
        int32_t value = value_argument(code, position, context, arity);
        if (value < 0) return -1;
        ++calls_and_conditionals_;
        Node n;
        n.kind = Kind::return_;
        n.returns = true;
        return add_node(n, {static_cast<uint32_t>(value)});
    }

    Program& p_;
    Verdict verdict_ = Verdict::compiled;
    bool worth_it_ = false;
    std::optional<Cell> wanted_;
    int32_t loops_ = 0; // loops of the current function the code is in
    uint32_t calls_and_conditionals_ = 0;
    int32_t nesting_ = 0;
};

} // namespace

namespace {

// A written word is read live wherever the code names it. Its value when
// compiled decided how the code reads (whether it is an operator, a
// function to call): that must be a value it can also be given, or none yet.
bool read_written_words_live(Program* p) {
    for (uint32_t number : p->written_words) {
        uint8_t type = cell_type(&p->values[number]);
        if (!is_plain_value(type) && type != type_id::unset) return false;
    }
    for (Node& n : p->nodes)
        if (n.kind == Kind::constant && n.word >= 0 && p->written[static_cast<size_t>(n.word)]) {
            n.kind = Kind::word;
            n.index = n.word;
        }
    p->slots.assign(p->words.size(), nullptr);
    return true;
}

// Operators whose operands are both leaves read them in place.
void mark_leaf_operands(Program* p) {
    for (Node& n : p->nodes)
        if (n.kind == Kind::operate)
            n.leaf_operands = is_leaf(p->nodes[p->children[n.first]].kind) &&
                              is_leaf(p->nodes[p->children[n.first + 1]].kind);
}

// The program's last steps, once its nodes are made.
Verdict finish(Compiler& compiler, std::unique_ptr<Program> program,
               std::unique_ptr<Program>* out) {
    if (!compiler.worth_it() || !read_written_words_live(program.get())) return Verdict::refused;
    mark_leaf_operands(program.get());
    *out = std::move(program);
    return Verdict::compiled;
}

} // namespace

Verdict compile(const Cell* function, std::unique_ptr<Program>* out) {
    auto program = std::make_unique<Program>();
    Compiler compiler(program.get());
    int32_t number = compiler.function(function);
    if (number < 0) return compiler.verdict();
    program->root = program->functions[static_cast<size_t>(number)].node;
    return finish(compiler, std::move(program), out);
}

Verdict compile_loop(const Loop& loop, std::unique_ptr<Program>* out, std::optional<Cell>* wanted) {
    auto program = std::make_unique<Program>();
    Compiler compiler(program.get());
    int32_t root = compiler.loop_root(loop);
    *wanted = compiler.wanted();
    if (root < 0) return compiler.verdict();
    program->root = static_cast<uint32_t>(root);
    return finish(compiler, std::move(program), out);
}

} // namespace zep::interp::pure
