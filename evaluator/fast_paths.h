// Shortcuts for the commonest operations: infix arithmetic and comparison,
// picking from a block by an integer, and the block position queries. Each
// computes directly on the cells when the operands have the expected types
// (integer! arithmetic and comparison, float! add/subtract/multiply, block!
// picks and queries) and otherwise falls back to the regular action entry
// inside a native frame named by `name`, so that errors the action raises
// report that word. The results are exactly those of the actions.
//
// Where the interpreter calls them (evaluator/interp.cpp):
// - Infix operators. After the right operand of an op! has been evaluated,
//   with the left operand the last pushed cell, and no trace is active: when
//   the op wraps the action add, subtract, multiply, or~, and~ or xor~
//   (math_code_of_action answers its code) call math_op_on_top(code, op word,
//   right); when it wraps a comparison native equal? ... greater-or-equal?
//   (compare_code_of_native answers its code) call compare_op_on_top. The
//   left cell then holds the result, exactly as the op call would leave it.
// - Prefix calls of the same actions and natives with two evaluated
//   arguments on the stack may use math_op_fast / compare_op_fast instead.
// - Conditions (if, either, while ... with a comparison as condition) may
//   use compare_op_flag, or compare_op_branch with the invert flag.
// - Path steps: a block! followed by an integer! selector in get mode may
//   use eval_path_fast(value, index, path word).
// - length? index? head? tail? next back head tail of one argument: when
//   the argument is a block!, series_query_fast with the query code.
// The `int` members take the right operand as an immediate integer (a
// literal in compiled code). Every member may raise what the action raises,
// and only then (never from the integer, float and block shortcuts).
//
// Collector safety: operands are copied before anything can allocate; the
// cells answered are on the argument stack.
#pragma once
#include <cstdint>

#include "datatypes/registry.h"
#include "evaluator/natives.h"
#include "runtime/cell.h"

namespace zep::actions {

// Arithmetic codes (the fallbacks run add, subtract, multiply, or~, and~,
// xor~).
namespace fast_math {
enum : int { add = 0, subtract = 1, multiply = 2, or_ = 5, and_ = 6, xor_ = 7 };
} // namespace fast_math

// Query codes of series_query_fast (the fallbacks run length?, index?,
// head?, tail?, next, back, head, tail).
namespace fast_query {
enum : int {
    length = 1,
    index = 2,
    is_head = 3,
    is_tail = 4,
    next = 5,
    back = 6,
    head = 7,
    tail = 8
};
} // namespace fast_query

// The arithmetic code of an action number (action_slot::add ...), or -1 when
// the action has no fast path.
inline int math_code_of_action(int action) {
    switch (action) {
    case action_slot::add:
        return fast_math::add;
    case action_slot::subtract:
        return fast_math::subtract;
    case action_slot::multiply:
        return fast_math::multiply;
    case action_slot::or_:
        return fast_math::or_;
    case action_slot::and_:
        return fast_math::and_;
    case action_slot::xor_:
        return fast_math::xor_;
    default:
        return -1;
    }
}

// The comparison code of a native index (natives::index::is_equal ...
// is_greater_or_equal), or -1.
inline int compare_code_of_native(int32_t index) {
    switch (index) {
    case natives::index::is_equal:
        return compare_code::equal;
    case natives::index::is_not_equal:
        return compare_code::not_equal;
    case natives::index::is_strict_equal:
        return compare_code::strict_equal;
    case natives::index::is_lesser:
        return compare_code::lesser;
    case natives::index::is_greater:
        return compare_code::greater;
    case natives::index::is_lesser_or_equal:
        return compare_code::lesser_or_equal;
    case natives::index::is_greater_or_equal:
        return compare_code::greater_or_equal;
    default:
        return -1;
    }
}

// Pushes left <code> right and answers the new cell. An unknown code ends
// the process with runtime error 101.
Cell* math_op_fast(int code, const Cell* name, const Cell* left, const Cell* right);
Cell* math_op_int_fast(int code, const Cell* name, const Cell* left, int32_t right);
// Pushes the logic! outcome of the comparison (codes 0-6, compare_code).
Cell* compare_op_fast(int code, const Cell* name, const Cell* left, const Cell* right);
Cell* compare_op_int_fast(int code, const Cell* name, const Cell* left, int32_t right);
// The outcome exclusive-or invert; the stack is left as it was.
bool compare_op_branch(int code, const Cell* name, const Cell* left, const Cell* right,
                       bool invert);
bool compare_op_int_branch(int code, const Cell* name, const Cell* left, int32_t right,
                           bool invert);
// The outcome; the stack is left as it was.
bool compare_op_flag(int code, const Cell* name, const Cell* left, const Cell* right);
bool compare_op_int_flag(int code, const Cell* name, const Cell* left, int32_t right);
// The left operand is the last pushed cell; it is replaced by the result and
// stays the last pushed cell. Answers it.
Cell* math_op_on_top(int code, const Cell* name, const Cell* right);
Cell* math_op_int_on_top(int code, const Cell* name, int32_t right);
Cell* compare_op_on_top(int code, const Cell* name, const Cell* right);
Cell* compare_op_int_on_top(int code, const Cell* name, int32_t right);
// Pushes value/index (a block!'s value at index 1..length, none beyond it;
// an index below 1, and any other type, through the path access) and
// answers the new cell.
Cell* eval_path_fast(const Cell* value, int32_t index, const Cell* name);
// Pushes the query's result (fast_query code) and answers the new cell.
Cell* series_query_fast(const Cell* value, int code, const Cell* name);

} // namespace zep::actions
