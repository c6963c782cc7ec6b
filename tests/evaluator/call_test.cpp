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

namespace zep::testing {
namespace {

// apply's fetch modes, driven as the apply native drives them: the block
// supplies the arguments of f [a /r b /s c], which answers [a r b s c].
class ApplyTest : public CallTest {
  protected:
    std::string applied(const char* block_text, int32_t mode) {
        Cell fn = run("func [a /r b /s c] [append/only append/only append/only append/only "
                      "append/only copy-of [] a r b s c]");
        Cell* saved = stack::arguments.top;
        Cell* block = stack::push(block::cell_at(load(std::string("[") + block_text + "]"), 0));
        int32_t end = static_cast<int32_t>(node_cell_count(value::series_node(block)));
        stack::push(&fn);
        const Cell* name = words::global_word(words::global::anon);
        stack::mark_interp_func(name);
        interp::set_polls_exit();
        interp::fetch_args(&fn, block, 0, end, nullptr, -1, mode, false);
        interp::call_function(&fn, 0, name, 0);
        stack::unwind();
        Cell result = *stack::top();
        stack::arguments.top = saved;
        return mold(&result);
    }
    void SetUp() override {
        CallTest::SetUp();
        define_action("copy-of", "[value]", action_slot::copy);
    }
};

TEST_F(ApplyTest, BlockSuppliesArgumentsAndRefinements) {
    using interp::fetch_mode::apply;
    using interp::fetch_mode::path;
    using interp::fetch_mode::safer_bit;
    struct Case {
        const char* block;
        int32_t mode;
        const char* expected;
    } cases[] = {
        {"1", apply, "[1 false none false none]"},
        {"1 /s true 3", apply, "[1 false none true 3]"},
        {"1 /s 1 < 0 3", apply, "[1 false none false none]"},
        {"1 + 1 /r true 2 * 2", apply, "[2 true 4 false none]"},
        {"1 true 2 false 3", path, "[1 true 2 false none]"},
        {"1 true", path, "[1 true none false none]"},
        {"1", path, "[1 false none false none]"},
        {"(1 + 1) /r true (2 * 5)", apply | safer_bit, "[2 true 10 false none]"},
        {"1 /s false undefined-word", apply | safer_bit, "[1 false none false none]"},
    };
    for (const Case& c : cases) EXPECT_EQ(applied(c.block, c.mode), c.expected) << c.block;
    EXPECT_EQ(raised_code([&] { applied("1 2", path); }), script("expect-arg"));
    EXPECT_EQ(raised_code([&] { applied("1 2", apply); }), script("bad-refine"));
    EXPECT_EQ(raised_code([&] { applied("1 /x true", apply); }), script("no-refine"));
    EXPECT_EQ(raised_code([&] { applied("1 /r true 2 /r true 3", apply); }), script("dup-refine"));
}

} // namespace
} // namespace zep::testing
