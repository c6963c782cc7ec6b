// The fast paths answer exactly what the action entries answer: the same
// result cell, or the same error.
#include <cmath>
#include <limits>

#include "evaluator/fast_paths.h"
#include "tests/evaluator/math_fixture.h"

namespace zep::testing {
namespace {

constexpr double nan = std::numeric_limits<double>::quiet_NaN();
constexpr double inf = std::numeric_limits<double>::infinity();

using FastPaths = MathTest;

// An outcome: the result cell, or the error raised.
struct Outcome {
    std::string error;
    Cell result{};
};

bool same_outcome(const Outcome& a, const Outcome& b) {
    if (a.error != b.error) return false;
    if (a.error != "none") return true;
    return a.result.header == b.result.header && natives::is_same_value(&a.result, &b.result);
}

std::string describe(const Outcome& o) {
    if (o.error != "none") return o.error;
    return "type " + std::to_string(cell_type(&o.result)) + " " + std::to_string(o.result.data1) +
           " " + std::to_string(o.result.data2) + " " + std::to_string(o.result.data3);
}

class FastPathsTest : public MathTest {
  protected:
    template <class Body> Outcome outcome(Body&& body) {
        Outcome o;
        uint32_t depth = stack::index_of(stack::arguments.top);
        int32_t code = raised_code([&] {
            Cell* result = body();
            o.result = *result;
            // Every member leaves exactly one new cell, the result.
            EXPECT_EQ(stack::index_of(stack::arguments.top), depth + 1);
        });
        o.error = name_of_code(code);
        return o;
    }
    // The action's answer: the entry run in a native frame on the operands.
    Outcome by_action(natives::Entry entry, const Cell& a, const Cell& b) {
        return outcome([&] {
            Cell result = call_cells(entry, {a, b});
            return stack::push(&result);
        });
    }
    Outcome by_compare(int code, const Cell& a, const Cell& b) {
        return outcome([&] {
            stack::mark_native(&name_);
            stack::push(&a);
            stack::push(&b);
            actions::compare_to_logic(code);
            Cell result = *stack::base();
            stack::unwind_drop();
            return stack::push(&result);
        });
    }
    // Operand pairs: integers at the overflow edges, floats with infinities
    // and NaN, mixed and unrelated types.
    std::vector<std::pair<Cell, Cell>> operand_pairs() {
        std::vector<std::pair<Cell, Cell>> pairs;
        const char* texts[] = {
            "1 2",          "2147483647 1", "-2147483648 1", "-2147483648 -1", "65536 65536",
            "-65536 65536", "46341 46341",  "12 10",         "0 -7",           "1.5 2.25",
            "1e308 1e308",  "-0.0 0.0",     "1 1.0",         "1.0 1",          "1.5 1",
            "$1 2",         "1x2 3",        "\"a\" 1",       "1 \"a\"",        "3 0",
            "1.2.3 1",      "10% 2.0",      "0:01 1",        "1.0 0.0",
        };
        for (const char* text : texts) {
            // Kept in the root block: the copies here outlive the stack cell.
            Cell* block = load_all(text);
            Cell a = testing::kept(at(block, 0));
            pairs.emplace_back(a, testing::kept(at(block, 1)));
            stack::pop(1);
        }
        for (double x : {nan, inf, -inf}) {
            pairs.emplace_back(number(x), number(1.0));
            pairs.emplace_back(number(2.5), number(x));
            pairs.emplace_back(integer(3), number(x));
        }
        return pairs;
    }
};

TEST_F(FastPathsTest, ArithmeticMatchesTheActions) {
    struct Op {
        int code;
        natives::Entry entry;
    } ops[] = {{actions::fast_math::add, actions::add},
               {actions::fast_math::subtract, actions::subtract},
               {actions::fast_math::multiply, actions::multiply},
               {actions::fast_math::or_, actions::or_},
               {actions::fast_math::and_, actions::and_},
               {actions::fast_math::xor_, actions::xor_}};
    for (const auto& [a, b] : operand_pairs()) {
        for (const Op& op : ops) {
            Outcome expected = by_action(op.entry, a, b);
            Outcome fast = outcome([&] { return actions::math_op_fast(op.code, &name_, &a, &b); });
            EXPECT_TRUE(same_outcome(fast, expected))
                << "code " << op.code << ": " << describe(fast) << " vs " << describe(expected);
            Outcome on_top = outcome([&] {
                stack::push(&a);
                Cell* r = actions::math_op_on_top(op.code, &name_, &b);
                EXPECT_EQ(r, stack::top());
                return r;
            });
            EXPECT_TRUE(same_outcome(on_top, expected)) << "on top, code " << op.code;
            if (cell_type(&b) != type_id::integer) continue;
            int32_t n = value::integer_of(&b);
            Outcome immediate =
                outcome([&] { return actions::math_op_int_fast(op.code, &name_, &a, n); });
            EXPECT_TRUE(same_outcome(immediate, expected)) << "int, code " << op.code;
            Outcome immediate_on_top = outcome([&] {
                stack::push(&a);
                return actions::math_op_int_on_top(op.code, &name_, n);
            });
            EXPECT_TRUE(same_outcome(immediate_on_top, expected)) << "int on top " << op.code;
        }
    }
}

TEST_F(FastPathsTest, IntegerOverflowBecomesTheExactFloat) {
    Cell* r = actions::math_op_int_fast(actions::fast_math::add, &name_,
                                        &(const Cell&)integer(2147483647), 1);
    ASSERT_EQ(cell_type(r), type_id::float_);
    EXPECT_EQ(value::double_of(r), 2147483648.0);
    Cell low = integer(INT32_MIN);
    r = actions::math_op_int_fast(actions::fast_math::subtract, &name_, &low, 1);
    EXPECT_EQ(value::double_of(r), -2147483649.0);
    r = actions::math_op_int_fast(actions::fast_math::multiply, &name_, &low, -1);
    EXPECT_EQ(value::double_of(r), 2147483648.0);
}

TEST_F(FastPathsTest, ComparisonsMatchTheActions) {
    std::vector<std::pair<Cell, Cell>> pairs = operand_pairs();
    pairs.emplace_back(integer(INT32_MIN), integer(INT32_MAX));
    pairs.emplace_back(integer(5), integer(5));
    for (const auto& [a, b] : pairs) {
        for (int code = compare_code::equal; code <= compare_code::greater_or_equal; code++) {
            Outcome expected = by_compare(code, a, b);
            Outcome fast = outcome([&] { return actions::compare_op_fast(code, &name_, &a, &b); });
            EXPECT_TRUE(same_outcome(fast, expected))
                << "code " << code << ": " << describe(fast) << " vs " << describe(expected);
            Outcome on_top = outcome([&] {
                stack::push(&a);
                return actions::compare_op_on_top(code, &name_, &b);
            });
            EXPECT_TRUE(same_outcome(on_top, expected)) << "on top, code " << code;
            if (expected.error != "none") continue;
            bool truth = expected.result.data1 != 0;
            uint32_t depth = stack::index_of(stack::arguments.top);
            EXPECT_EQ(actions::compare_op_flag(code, &name_, &a, &b), truth);
            EXPECT_EQ(actions::compare_op_branch(code, &name_, &a, &b, true), !truth);
            EXPECT_EQ(actions::compare_op_branch(code, &name_, &a, &b, false), truth);
            EXPECT_EQ(stack::index_of(stack::arguments.top), depth) << "flags leave no cell";
            if (cell_type(&b) != type_id::integer) continue;
            int32_t n = value::integer_of(&b);
            EXPECT_EQ(actions::compare_op_int_flag(code, &name_, &a, n), truth);
            EXPECT_EQ(actions::compare_op_int_branch(code, &name_, &a, n, true), !truth);
            Outcome immediate =
                outcome([&] { return actions::compare_op_int_fast(code, &name_, &a, n); });
            EXPECT_TRUE(same_outcome(immediate, expected)) << "int, code " << code;
            Outcome immediate_on_top = outcome([&] {
                stack::push(&a);
                return actions::compare_op_int_on_top(code, &name_, n);
            });
            EXPECT_TRUE(same_outcome(immediate_on_top, expected)) << "int on top " << code;
        }
    }
}

TEST_F(FastPathsTest, BlockPicksAndQueries) {
    Cell* held = load_all("[a b c] \"xyz\"");
    Cell block = at(held, 0);
    Cell string = at(held, 1);
    for (Cell series : {block, string}) {
        for (int32_t head : {0, 1, 3}) {
            Cell value = series;
            value.data1 = static_cast<uint32_t>(head);
            for (int32_t index : {-1, 0, 1, 2, 3, 4}) {
                Outcome fast =
                    outcome([&] { return actions::eval_path_fast(&value, index, &name_); });
                Outcome picked = by_action(actions::eval_path, value, integer(index));
                EXPECT_TRUE(same_outcome(fast, picked))
                    << "head " << head << " index " << index << ": " << describe(fast) << " vs "
                    << describe(picked);
            }
            natives::Entry entries[] = {actions::is_length, actions::is_index, actions::is_head,
                                        actions::is_tail,   actions::next,     actions::back,
                                        actions::head,      actions::tail};
            for (int code = 1; code <= 8; code++) {
                Outcome fast =
                    outcome([&] { return actions::series_query_fast(&value, code, &name_); });
                Outcome expected = outcome([&] {
                    Cell result = call_cells(entries[code - 1], {value});
                    return stack::push(&result);
                });
                EXPECT_TRUE(same_outcome(fast, expected))
                    << "head " << head << " query " << code << ": " << describe(fast) << " vs "
                    << describe(expected);
            }
        }
    }
    // A block position past its tail: no length, and tail? is true.
    Cell past = block;
    past.data1 = 5;
    EXPECT_EQ(value::integer_of(actions::series_query_fast(&past, 1, &name_)), 0);
    EXPECT_EQ(actions::series_query_fast(&past, 4, &name_)->data1, 1u);
    EXPECT_EQ(cell_type(actions::eval_path_fast(&past, 1, &name_)), type_id::none);
    // Other types through their path access, raising what it raises.
    Cell number = integer(5);
    EXPECT_EQ(name_of_code(raised_code([&] { actions::eval_path_fast(&number, 1, &name_); })),
              "code " + std::to_string(
                            error::catalog::code_of(error::Category::script, "bad-path-type2")));
}

} // namespace
} // namespace zep::testing
