// Calls through the interpreter: argument fetching in every mode, refinement
// switching and its errors, op!, recursion, return and exit.
#include "tests/evaluator/call_fixture.h"

namespace zep::testing {
namespace {

TEST_F(CallTest, FunctionsTakeTheirArgumentsAndOperatorsChainLeftToRight) {
    struct Case {
        const char* code;
        int32_t expected;
    } cases[] = {
        {"f: func [a b] [a - b] f 10 3", 7},
        {"f: func [a] [a] f 1 + 2", 3},     // a prefix argument takes the chain
        {"f: func [a] [a] 1 + f 2 * 3", 7}, // the right operand is the whole call
        {"1 + 2 * 3", 9},                   // strictly left to right
        {"f: func ['w] [w] g: func [:v] [v] x: 4 f (x + 1)", 5},
        {"g: func [:v] [v] g 5", 5},
        {"f: func [a /twice /plus n] [either twice [a * 2] [either plus [a + n] [a]]] "
         "(f 5) + (f/twice 5) + (f/plus 5 100)",
         5 + 10 + 105},
        {"f: func [a /plus n] [either plus [a + n] [a]] plus: false f/:plus 1 2", 1},
        {"f: func [a /plus n] [either plus [a + n] [a]] plus: true f/:plus 1 2", 3},
        {"f: func [a [integer!] /local b] [b: a * a b] f 4", 16},
        {"fact: func [n] [either n < 2 [1] [n * fact n - 1]] fact 10", 3628800},
        {"f: func [a] [either a < 0 [return 0] [] a] (f -5) + f 7", 7},
        {"f: func [a] [return a + 1 99] f 1", 2},
        {"f: func [] [exit 5] g: func [] [f 42] g", 42},
        {"f: func [a] [a] g: func [a] [f a + 1 a] g 1", 1}, // each activation sees its own a
    };
    for (const Case& c : cases) EXPECT_EQ(integer_of(c.code), c.expected) << c.code;
}

TEST_F(CallTest, ReturnEndsOnlyItsOwnBody) {
    // The return ends g, not f: f goes on to its 10.
    EXPECT_EQ(integer_of("g: func [] [return 3 4] f: func [] [g 10] f"), 10);
    // A return that meets a frame which does not poll takes the throwing
    // path and still lands in the right body.
    EXPECT_EQ(integer_of("f: func [] [do [return 8] 9] f"), 8);
    EXPECT_EQ(integer_of("f: func [] [x: (return 6) 9] f"), 6);
    EXPECT_FALSE(interp::is_exit_pending());
    EXPECT_EQ(error_of("return 1"), error::catalog::code_of(error::Category::throw_, "return"));
}

TEST_F(CallTest, ExitWithoutValueGivesUnset) {
    Cell v = run("f: func [] [exit 5] f");
    EXPECT_EQ(cell_type(&v), type_id::unset);
}

TEST_F(CallTest, OptionalLiteralArgumentAtTheEndIsUnset) {
    Cell v = run("f: func ['a [any-type!]] [:a] f");
    EXPECT_EQ(cell_type(&v), type_id::unset);
}

TEST_F(CallTest, CallErrors) {
    struct Case {
        const char* code;
        const char* id;
    } cases[] = {
        {"f: func [a b] [a] f 1", "no-arg"},
        {"f: func [a [integer!]] [a] f \"x\"", "expect-arg"},
        {"f: func [a /r] [a] f/x 1", "no-refine"},
        {"f: func [a /r] [a] f/r/r 1", "dup-refine"},
        {"f: func [a /r] [a] f/1 1", "bad-refine"},
        {"append/only/only [] 1", "dup-refine"},
        {"append/part [] 1", "no-arg"},
    };
    for (const Case& c : cases) EXPECT_EQ(error_of(c.code), script(c.id)) << c.code;
}

TEST_F(CallTest, ActionsGetTheirRefinementPositions) {
    EXPECT_EQ(mold_of("append/only [1] [2 3]"), "[1 [2 3]]");
    EXPECT_EQ(mold_of("append/dup/only [] [x] 2"), "[[x] [x]]");
    EXPECT_EQ(mold_of("append/part/dup [] [a b c] 2 2"), "[a b a b]");
    EXPECT_EQ(mold_of("append/dup/part [] [a b c] 2 1"), "[a a]");
}

} // namespace
} // namespace zep::testing
