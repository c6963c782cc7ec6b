// The shortcuts of compiled code and the interpreter: integer and float
// arithmetic, integer comparison, block picks and block position queries
// computed on the cells; everything else through the action entries inside
// a native frame named by the operation's word.
#include "evaluator/fast_paths.h"

#include "evaluator/actions.h"
#include "evaluator/natives.h"
#include "evaluator/stack.h"
#include "runtime/cell_ops.h"
#include "runtime/error_exit.h"
#include "runtime/memory.h"
#include "runtime/value_make.h"

namespace zep::actions {

namespace {

[[noreturn]] void no_such_code() {
    runtime::error_exit(101, reinterpret_cast<uintptr_t>(__builtin_return_address(0)));
}

Entry math_entry(int code) {
    switch (code) {
    case fast_math::add:
        return add;
    case fast_math::subtract:
        return subtract;
    case fast_math::multiply:
        return multiply;
    case fast_math::or_:
        return or_;
    case fast_math::and_:
        return and_;
    case fast_math::xor_:
        return xor_;
    default:
        no_such_code();
    }
}

void check_compare_code(int code) {
    if (code < compare_code::equal || code > compare_code::greater_or_equal) no_such_code();
}

Cell integer_cell(int32_t n) {
    Cell cell;
    value::set_integer(&cell, n);
    return cell;
}

// The integer and float shortcuts of arithmetic: writes the result over
// `left` (as the actions do: an integer result keeps the left cell's flags,
// an overflowing one becomes a fresh float!) and answers true; false when
// the operands need the action.
bool math_shortcut(int code, Cell* left, const Cell* right) {
    uint8_t type = cell_type(left);
    if (type != cell_type(right)) return false;
    if (type == type_id::integer) {
        int32_t a = value::integer_of(left);
        int32_t b = value::integer_of(right);
        int32_t result = 0;
        bool overflow = false;
        double exact = 0.0;
        switch (code) {
        case fast_math::add:
            overflow = __builtin_add_overflow(a, b, &result);
            exact = double(a) + double(b);
            break;
        case fast_math::subtract:
            overflow = __builtin_sub_overflow(a, b, &result);
            exact = double(a) - double(b);
            break;
        case fast_math::multiply:
            overflow = __builtin_mul_overflow(a, b, &result);
            exact = double(a) * double(b);
            break;
        case fast_math::or_:
            result = a | b;
            break;
        case fast_math::and_:
            result = a & b;
            break;
        case fast_math::xor_:
            result = a ^ b;
            break;
        default:
            no_such_code();
        }
        if (overflow)
            value::set_float(left, exact);
        else
            left->data2 = static_cast<uint32_t>(result);
        return true;
    }
    if (type == type_id::float_) {
        double a = value::double_of(left);
        double b = value::double_of(right);
        double result;
        switch (code) {
        case fast_math::add:
            result = a + b;
            break;
        case fast_math::subtract:
            result = a - b;
            break;
        case fast_math::multiply:
            result = a * b;
            break;
        case fast_math::or_:
        case fast_math::and_:
        case fast_math::xor_:
            return false;
        default:
            no_such_code();
        }
        Cell fresh;
        value::set_float(&fresh, result);
        left->data1 = 0;
        left->data2 = fresh.data2;
        left->data3 = fresh.data3;
        return true;
    }
    return false;
}

// Runs the entry on copies of the operands inside a native frame named by
// `name`; the result is left as the last pushed cell and answered.
Cell* run_in_frame(const Cell* name, const Cell* left, const Cell* right, Entry entry) {
    Cell word = *name;
    Cell a = *left;
    Cell b = *right;
    stack::mark_native(&word);
    stack::push(&a);
    stack::push(&b);
    entry(false, nullptr);
    stack::unwind();
    return stack::top();
}

// Runs compare_to_logic with the code inside a native frame; answers the
// outcome and leaves the logic! as the last pushed cell.
bool compare_in_frame(int code, const Cell* name, const Cell* left, const Cell* right) {
    Cell word = *name;
    Cell a = *left;
    Cell b = *right;
    stack::mark_native(&word);
    stack::push(&a);
    stack::push(&b);
    compare_to_logic(code);
    stack::unwind();
    return stack::top()->data1 != 0;
}

bool compare_integers(int code, int32_t a, int32_t b) {
    switch (code) {
    case compare_code::equal:
    case compare_code::strict_equal:
        return a == b;
    case compare_code::not_equal:
        return a != b;
    case compare_code::lesser:
        return a < b;
    case compare_code::lesser_or_equal:
        return a <= b;
    case compare_code::greater:
        return a > b;
    case compare_code::greater_or_equal:
        return a >= b;
    default:
        no_such_code();
    }
}

// The outcome of the comparison; a fallback leaves its logic! pushed when
// keep is set and drops it otherwise.
bool compare_outcome(int code, const Cell* name, const Cell* left, const Cell* right, bool keep,
                     bool* pushed) {
    check_compare_code(code);
    *pushed = false;
    if (cell_type(left) == type_id::integer && cell_type(right) == type_id::integer)
        return compare_integers(code, value::integer_of(left), value::integer_of(right));
    bool outcome = compare_in_frame(code, name, left, right);
    if (keep)
        *pushed = true;
    else
        stack::pop(1);
    return outcome;
}

// A block's cells from its index to its tail (negative past the tail).
int64_t block_length(const Cell* block) {
    return int64_t{node_cell_count(value::series_node(block))} - value::series_head(block);
}

} // namespace

// ---- Arithmetic ------------------------------------------------------------------------

Cell* math_op_fast(int code, const Cell* name, const Cell* left, const Cell* right) {
    Cell result = *left;
    if (math_shortcut(code, &result, right)) return stack::push(&result);
    return run_in_frame(name, left, right, math_entry(code));
}

Cell* math_op_int_fast(int code, const Cell* name, const Cell* left, int32_t right) {
    Cell operand = integer_cell(right);
    return math_op_fast(code, name, left, &operand);
}

Cell* math_op_on_top(int code, const Cell* name, const Cell* right) {
    Cell* left = stack::top();
    if (math_shortcut(code, left, right)) return left;
    Cell operand = *right;
    Cell* result = run_in_frame(name, left, &operand, math_entry(code));
    *(result - 1) = *result;
    stack::pop(1);
    return stack::top();
}

Cell* math_op_int_on_top(int code, const Cell* name, int32_t right) {
    Cell operand = integer_cell(right);
    return math_op_on_top(code, name, &operand);
}

// ---- Comparison ------------------------------------------------------------------------

Cell* compare_op_fast(int code, const Cell* name, const Cell* left, const Cell* right) {
    bool pushed;
    bool outcome = compare_outcome(code, name, left, right, true, &pushed);
    if (pushed) return stack::top();
    Cell result;
    value::set_logic(&result, outcome);
    return stack::push(&result);
}

Cell* compare_op_int_fast(int code, const Cell* name, const Cell* left, int32_t right) {
    Cell operand = integer_cell(right);
    return compare_op_fast(code, name, left, &operand);
}

bool compare_op_flag(int code, const Cell* name, const Cell* left, const Cell* right) {
    bool pushed;
    return compare_outcome(code, name, left, right, false, &pushed);
}

bool compare_op_int_flag(int code, const Cell* name, const Cell* left, int32_t right) {
    Cell operand = integer_cell(right);
    return compare_op_flag(code, name, left, &operand);
}

bool compare_op_branch(int code, const Cell* name, const Cell* left, const Cell* right,
                       bool invert) {
    return compare_op_flag(code, name, left, right) != invert;
}

bool compare_op_int_branch(int code, const Cell* name, const Cell* left, int32_t right,
                           bool invert) {
    return compare_op_int_flag(code, name, left, right) != invert;
}

Cell* compare_op_on_top(int code, const Cell* name, const Cell* right) {
    Cell operand = *right;
    bool outcome = compare_op_flag(code, name, stack::top(), &operand);
    Cell* left = stack::top();
    value::set_logic(left, outcome);
    return left;
}

Cell* compare_op_int_on_top(int code, const Cell* name, int32_t right) {
    Cell operand = integer_cell(right);
    return compare_op_on_top(code, name, &operand);
}

// ---- Path step ---------------------------------------------------------------------------

Cell* eval_path_fast(const Cell* value, int32_t index, const Cell* name) {
    // Indexes below 1 go to the action: it picks backwards from the block's
    // position, which a shortcut answering none would contradict.
    if (cell_type(value) == type_id::block && index >= 1) {
        Cell result;
        if (index <= block_length(value)) {
            result = node_cells(value::series_node(value))[value::series_head(value) + index - 1];
        } else {
            value::set_none(&result);
        }
        return stack::push(&result);
    }
    Cell word = *name;
    Cell copy = *value;
    Cell selector = integer_cell(index);
    stack::mark_native(&word);
    Cell* base = stack::push(&copy);
    stack::push(&selector);
    Cell* picked = dispatch_eval_path(base, base + 1, nullptr, nullptr, -1, false, nullptr, true);
    stack::set_last(picked);
    stack::unwind();
    return stack::top();
}

// ---- Series queries ------------------------------------------------------------------------

namespace {

Entry query_entry(int code) {
    switch (code) {
    case fast_query::length:
        return is_length;
    case fast_query::index:
        return is_index;
    case fast_query::is_head:
        return is_head;
    case fast_query::is_tail:
        return is_tail;
    case fast_query::next:
        return next;
    case fast_query::back:
        return back;
    case fast_query::head:
        return head;
    case fast_query::tail:
        return tail;
    default:
        no_such_code();
    }
}

} // namespace

Cell* series_query_fast(const Cell* value, int code, const Cell* name) {
    Entry entry = query_entry(code);
    if (cell_type(value) != type_id::block) {
        Cell word = *name;
        Cell copy = *value;
        stack::mark_native(&word);
        stack::push(&copy);
        entry(false, nullptr);
        stack::unwind();
        return stack::top();
    }
    Cell result = *value;
    int64_t length = block_length(value);
    int32_t head = value::series_head(value);
    switch (code) {
    case fast_query::length:
        value::set_integer(&result, static_cast<int32_t>(length < 0 ? 0 : length));
        break;
    case fast_query::index:
        value::set_integer(&result, head + 1);
        break;
    case fast_query::is_head:
        value::set_logic(&result, head == 0);
        break;
    case fast_query::is_tail:
        value::set_logic(&result, length < 1);
        break;
    case fast_query::next:
        if (length > 0) result.data1 = static_cast<uint32_t>(head + 1);
        break;
    case fast_query::back:
        result.data1 = static_cast<uint32_t>(head > 0 ? head - 1 : 0);
        break;
    case fast_query::head:
        result.data1 = 0;
        break;
    case fast_query::tail:
        result.data1 = static_cast<uint32_t>(head + length);
        break;
    }
    return stack::push(&result);
}

} // namespace zep::actions
