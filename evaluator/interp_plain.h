// Plain expressions: a value that evaluates to itself or a word with a
// plain value, followed by operators that combine two plain integers,
// optionally assigned by a set-word to a slot that may be written directly.
// They need no call and nothing in them can fail, so the interpreter and
// the argument fetch evaluate them in one step, with nothing done when an
// expression turns out not to be plain.
#pragma once
#include <cstdint>

#include "datatypes/native.h"
#include "datatypes/op.h"
#include "datatypes/registry.h"
#include "evaluator/interp_internal.h"
#include "evaluator/natives.h"
#include "runtime/cell.h"
#include "runtime/value_make.h"

namespace zep::interp::detail {

// Both operands integer!: the result of the common operators, computed in
// place. Answers false (nothing done) for other operators and on overflow,
// which the fast paths turn into a float!.
[[gnu::always_inline]] inline bool integer_infix(uint8_t wrapped, int32_t index, int32_t a,
                                                 int32_t b, Cell* result) {
    if (wrapped == type_id::action) {
        int32_t r = 0;
        bool overflow;
        switch (index) {
        case action_slot::add:
            overflow = __builtin_add_overflow(a, b, &r);
            break;
        case action_slot::subtract:
            overflow = __builtin_sub_overflow(a, b, &r);
            break;
        case action_slot::multiply:
            overflow = __builtin_mul_overflow(a, b, &r);
            break;
        default:
            return false;
        }
        if (overflow) return false;
        value::set_integer(result, r);
        return true;
    }
    if (wrapped != type_id::native) return false;
    bool outcome;
    switch (index) {
    case natives::index::is_equal:
    case natives::index::is_strict_equal:
        outcome = a == b;
        break;
    case natives::index::is_not_equal:
        outcome = a != b;
        break;
    case natives::index::is_lesser:
        outcome = a < b;
        break;
    case natives::index::is_greater:
        outcome = a > b;
        break;
    case natives::index::is_lesser_or_equal:
        outcome = a <= b;
        break;
    case natives::index::is_greater_or_equal:
        outcome = a >= b;
        break;
    default:
        return false;
    }
    value::set_logic(result, outcome);
    return true;
}

// The value a code cell stands for without evaluating anything: the cell
// itself when it evaluates to itself, a word's value when that is plain;
// null otherwise.
[[gnu::always_inline]] inline const Cell* plain_value(const Cell* cell) {
    uint8_t type = cell_type(cell);
    if (is_self_evaluating(type)) return cell;
    if (type != type_id::word) return nullptr;
    const Cell* found = bound_value(cell);
    return found && is_plain_word_value(cell_type(found)) ? found : nullptr;
}

// How a plain expression got its value, which decides where the general
// evaluation would have left it on the stack.
enum class PlainShape : uint8_t { value, word_value, combined, assigned };

struct PlainOutcome {
    Cell value;
    PlainShape shape;
};

// Applies the operators that follow a plain value while each combines two
// plain integers (integer_infix). Answers the position after the last
// operand, or -1 when an operator follows that needs the general path.
// limit is the end of the expression's code (its end or the code's tail).
[[gnu::always_inline]] inline int32_t combine_plain_operators(const Cell* cells, int32_t limit,
                                                              int32_t position, PlainOutcome* out) {
    while (position < limit) {
        const Cell* word = cells + position;
        if (cell_type(word) != type_id::word) break;
        const Cell* op_value = bound_value(word);
        if (!op_value || cell_type(op_value) != type_id::op) break;
        if (position + 1 >= limit || cell_type(&out->value) != type_id::integer) return -1;
        const Cell* right = plain_value(word + 1);
        if (!right || cell_type(right) != type_id::integer) return -1;
        if (!integer_infix(op::wrapped_type(op_value), native::index_of(op_value),
                           value::integer_of(&out->value), value::integer_of(right), &out->value))
            return -1;
        out->shape = PlainShape::combined;
        position += 2;
    }
    return position;
}

// Completes a plain expression whose first value (found, standing for the
// cell at position) is known: operators combining plain integers follow
// (unless no_infix), and target, when not null, is the set-word that
// assigns the whole to a slot that may be written directly. Answers the
// position after it with its value in *out, or -1 having done nothing.
[[gnu::always_inline]] inline int32_t finish_plain(const Cell* cells, int32_t limit,
                                                   int32_t position, const Cell* found,
                                                   const Cell* target, bool no_infix,
                                                   PlainOutcome* out) {
    out->value = *found;
    out->shape = found == cells + position ? PlainShape::value : PlainShape::word_value;
    ++position;
    if (!no_infix) {
        position = combine_plain_operators(cells, limit, position, out);
        if (position < 0) return -1;
    }
    if (target) {
        if (cell_type(&out->value) == type_id::unset) return -1;
        Cell* slot = plain_slot(target);
        if (!slot) return -1;
        *slot = out->value;
        out->shape = PlainShape::assigned;
    }
    return position;
}

// A set-word (at position, below limit) followed by a plain expression.
[[gnu::always_inline]] inline int32_t assign_plain(const Cell* cells, int32_t limit,
                                                   int32_t position, PlainOutcome* out) {
    if (position + 1 >= limit) return -1;
    const Cell* found = plain_value(cells + position + 1);
    if (!found) return -1;
    return finish_plain(cells, limit, position + 1, found, cells + position, false, out);
}

// The expression at position (below limit) when it needs no call and
// nothing in it can fail: a plain value, then operators combining plain
// integers, the whole optionally assigned by a set-word to a slot that may
// be written directly. Answers the position after it with its value in
// *out, or -1 having done nothing.
// no_infix leaves operators after a first value alone (an operator's right
// operand); an assignment's value always takes them.
[[gnu::always_inline]] inline int32_t eval_plain(const Cell* cells, int32_t limit, int32_t position,
                                                 PlainOutcome* out, bool no_infix = false) {
    const Cell* cell = cells + position;
    if (cell_type(cell) == type_id::set_word) return assign_plain(cells, limit, position, out);
    const Cell* found = plain_value(cell);
    if (!found) return -1;
    return finish_plain(cells, limit, position, found, nullptr, no_infix, out);
}

} // namespace zep::interp::detail
