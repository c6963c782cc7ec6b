// The interpreter driven by blocks loaded with the lexer: expressions,
// infix order, words, paths, calls, errors and trace events.
#include "evaluator/call.h"
#include "tests/evaluator/interp_fixture.h"

namespace zep::testing {
namespace {

using error::Category;

TEST_F(InterpTest, EvaluatesExpressionsToMoldedResults) {
    struct Case {
        const char* code;
        const char* molded;
    } cases[] = {
        {"1 + 2 * 3", "9"},   // strictly left to right
        {"1 + (2 * 3)", "7"}, // a paren is one operand
        {"10 - 2 - 3", "5"},
        {"1 + 2.5", "3.5"},                      // mixed numbers take the action's route
        {"a: 2147483647 a + 1", "2147483648.0"}, // as add gives it
        {"a: 2147483647 add a 1", "2147483648.0"},
        {"a: 5 a", "5"},
        {"b: c: 3 b + c", "6"}, // chained set-words
        {"a: 5 :a", "5"},
        {"'foo", "foo"},                           // lit-word gives the plain word
        {"'a/b", "a/b"},                           // lit-path gives a path
        {"f: func [x] [x * 2] f 1 + 2", "6"},      // an argument takes the operator chain
        {"f: func [x] [x * 2] 1 + f 2 * 3", "13"}, // the right operand is the whole call
        {"1 2 3", "3"},
        {"[]", "[]"},
        {"blk: [10 20 30] blk/2", "20"},
        {"blk: [10 20 30] blk/(1 + 2)", "30"},
        {"blk: [10 20 30] i: 1 blk/:i", "10"},
        {"blk: [10 20 30] blk/2: 99 blk", "[10 99 30]"},
        {"blk: [[1 2] [3 4]] blk/2/1", "3"},
        {"append/only [1] [2]", "[1 [2]]"},
        {"append/dup [] 'x 3", "[x x x]"},
        {"append/dup [1] 'x 0", "[1]"},                // a count below 1 adds nothing
        {"append/part [] at [a b c d] 3 -2", "[a b]"}, // negative: values before the position
        {"append/part [] [a b c] 0", "[]"},
        {"append/part [] [a b c] 2", "[a b]"},
        {"form/part [1 2 3] 0", "\"\""},
        {"form/part [1 2 3] 3", "\"1 2\""},
        {"pick [a b] true", "a"},
        {"pick [a b] false", "b"},
        {"make integer! 7", "7"},
        {"make 1 7", "7"},
        {"length? []", "0"},
    };
    for (const Case& c : cases) EXPECT_EQ(eval_mold(c.code), c.molded) << c.code;
}

TEST_F(InterpTest, EmptyBlockIsUnsetAndLeavesTheStackAsItWas) {
    Cell* top = stack::arguments.top;
    EXPECT_EQ(cell_type(&static_cast<const Cell&>(run(""))), type_id::unset);
    EXPECT_EQ(stack::arguments.top, top);
    Cell* block = load("1 2 3");
    interp::eval_block(block, false);
    EXPECT_EQ(stack::arguments.top, block + 2); // only the result was added
}

TEST_F(InterpTest, RaisesTheDocumentedErrors) {
    struct Case {
        const char* code;
        Category category;
        const char* id;
    } cases[] = {
        {"a:", Category::script, "need-value"},
        {"1 a:", Category::script, "need-value"},
        {"blk: [1] blk/1:", Category::script, "need-value"},
        {"+ 1", Category::script, "no-op-arg"},
        {"never-set-word", Category::script, "no-value"},
        {"never-set-word/x", Category::script, "unset-path"},
        {"f: func [x] [x] f/x: 1", Category::script, "invalid-path-set"},
        {"f: func [x] [x] :f/x", Category::script, "invalid-path-get"},
        {"append/nowhere [] 1", Category::script, "no-refine"},
        {"append/only/only [] 1", Category::script, "dup-refine"},
        {"f: func [x y] [x] f 1", Category::script, "no-arg"},
        {"append 1 2", Category::script, "expect-arg"},
        {"append/part [] [1] \"a\"", Category::script, "invalid-refine-arg"},
        {"append/part [] 1 1", Category::script, "invalid-part"},
        {"blk: [1] blk/(never-set-word)", Category::script, "no-value"},
        {"#system [x]", Category::internal, "zep-system"},
    };
    for (const Case& c : cases) EXPECT_EQ(raised_by(c.code), code(c.category, c.id)) << c.code;
}

TEST_F(InterpTest, ExpectArgNamesCallerTypeAndArgument) {
    Cell error = raised_error("append 1 2");
    ASSERT_EQ(cell_type(&error), type_id::error);
    EXPECT_EQ(mold(*error::field_of(&error, error::field::arg1)), "append");
    EXPECT_EQ(mold(*error::field_of(&error, error::field::arg2)), "integer!");
    EXPECT_EQ(mold(*error::field_of(&error, error::field::arg3)), "series");
}

TEST_F(InterpTest, TracerReceivesOnlyTheEventsOfItsMask) {
    struct Case {
        const char* mask;
        const char* code;
        const char* events;
    } cases[] = {
        {"[fetch push]", "1 + 2", "[fetch push fetch fetch push]"},
        // expr is reported for whole expressions only, not for operands.
        {"[expr]", "1 + 2 3", "[expr expr]"},
        {"[set]", "a: 1 + 2", "[set]"},
        {"[enter exit]", "(1)", "[enter enter exit exit]"},
    };
    for (const Case& c : cases) {
        run(std::string("log: copy [] tracer: func [event code offset value ref frame] [") +
            c.mask + " append log event]");
        Cell tracer = global("tracer");
        gc::Root root(&tracer);
        interp::set_tracer(&tracer);
        Cell* block = load(c.code);
        interp::tracing = true;
        interp::eval_block(block, false);
        interp::clear_tracer();
        EXPECT_EQ(mold(global("log")), c.events) << c.mask << " " << c.code;
    }
}

TEST_F(InterpTest, ComparisonOfValuesThatAreNotComparable) {
    Cell a, b;
    value::set_integer(&a, 1);
    string::make_at(&b, 1);
    Cell* one = stack::push(&a);
    Cell* text = stack::push(&b);
    EXPECT_FALSE(actions::compare(one, text, compare_code::equal));
    EXPECT_TRUE(actions::compare(one, text, compare_code::not_equal));
    EXPECT_EQ(raised_code([&] { actions::compare(one, text, compare_code::lesser); }),
              code(Category::script, "invalid-compare"));
}

TEST_F(InterpTest, WordNatives) {
    struct Case {
        const char* code;
        const char* molded;
    } cases[] = {
        {"set [a b] [1] a", "1"},
        {"set [a b] [1] b", "none"},
        {"set [a b] 5 b", "5"},
        {"set/only [a b] [1 2] b", "[1 2]"},
        {"a: 7 set/some [a] none a", "7"},
        {"set 'a 3 get 'a", "3"},
        {"a: 1 unset 'a value? 'a", "false"},
        {"a: 1 value? 'a", "true"},
        {"value? 1", "true"},
        {"blk: [1 2] set 'blk/1 9 blk", "[9 2]"},
        {"blk: [1 2] get 'blk/2", "2"},
        {"f: does [1] f", "1"},
        {"x: 0 f: has [x] [x: 1] f x", "0"},
        {"x: 0 f: function [] [x: 1] f x", "0"},
        {"x: 0 f: function [/extern x] [x: 1] f x", "1"},
        {"f: func [x] [in context? 'x 'x] f 1", "x"},
        {"new-line? tail [1]", "false"},
    };
    for (const Case& c : cases) EXPECT_EQ(eval_mold(c.code), c.molded) << c.code;
    EXPECT_EQ(cell_type(&static_cast<const Cell&>(run("get/any 'never-set-word"))), type_id::unset);
    EXPECT_EQ(raised_by("get 'never-set-word"), code(Category::script, "no-value"));
    // The whole words block is checked before anything is set.
    EXPECT_EQ(raised_by("a: 0 set [a 1] [2 3]"), code(Category::script, "invalid-arg"));
    EXPECT_EQ(eval_mold("a"), "0");
    EXPECT_EQ(raised_by("new-line/skip [1 2] true 0"), code(Category::script, "out-of-range"));
}

TEST_F(InterpTest, PathsThroughObjects) {
    struct Case {
        const char* code;
        const char* molded;
    } cases[] = {
        {"o: make object! [a: 1] o/a", "1"},
        {"o: make object! [a: 1] o/a: 5 o/a", "5"},
        {"o: make object! [v: 2 f: func [x] [x * v]] o/f 3", "6"},
        // The elements after the function are its refinements.
        {"o: make object! [f: func [/r] [r]] o/f/r", "true"},
        {"o: make object! [f: func [/r] [r]] o/f", "false"},
        {"o: make object! [f: func [/r] [r]] :o/f", "func [/r][r]"},
        {"o: make object! [i: make object! [j: 3]] o/i/j", "3"},
        {"o: make object! [a: 1] in o 'missing", "none"},
        {"o: make object! [a: 1] in o /a", "a"},
        {"o: make object! [a: 1 b: 2] get o", "[1 2]"},
        {"o: construct [a: b] o/a", "b"},
    };
    for (const Case& c : cases) EXPECT_EQ(eval_mold(c.code), c.molded) << c.code;
    EXPECT_EQ(raised_by("o: make object! [f: func [/r] [r]] o/f/q"),
              code(Category::script, "no-refine"));
}

TEST_F(InterpTest, NewLineMarksFromThePosition) {
    auto marks = [](const Cell& block) {
        std::string out;
        int32_t tail = series::total_length(&block);
        for (int32_t i = 0; i < tail; ++i)
            out += (block::cell_at(&block, i)->header & cell_flag_new_line) ? '1' : '0';
        return out;
    };
    EXPECT_EQ(marks(run("blk: [a b c d e] new-line/skip blk true 2")), "10101");
    EXPECT_EQ(marks(run("blk: [a b c d e] new-line/skip at blk 2 false 2")), "00101");
    EXPECT_EQ(marks(run("blk: [a b c] new-line/all blk true new-line/all next blk false blk")),
              "100");
    EXPECT_EQ(eval_mold("blk: [a b] new-line next blk true new-line? next blk"), "true");
}

} // namespace
} // namespace zep::testing
