// The function-like datatypes: spec checking, local collection, op! specs,
// and make, mold, form, reflect and compare of the five types.
#include "datatypes/function.h"
#include "datatypes/op.h"
#include "datatypes/routine.h"
#include "tests/evaluator/call_fixture.h"

namespace zep::testing {
namespace {

class FunctionTest : public CallTest {
  protected:
    void SetUp() override {
        CallTest::SetUp();
        define_action("reflect", "[value field]", action_slot::reflect);
        define_action("form", "[value]", action_slot::form);
        define_action("next", "[series]", action_slot::next);
    }
    // The first value of the loaded text, pushed on the stack.
    static Cell* first_of(const std::string& text) {
        return stack::push(block::cell_at(load(text), 0));
    }
};

TEST_F(FunctionTest, SpecGrammar) {
    struct Case {
        const char* spec;
        const char* error; // null: accepted
        uint32_t flags;
    } cases[] = {
        {"[a \"doc\" [integer!]]", "bad-func-def", 0},
        {"[a [integer!] \"doc\" b]", nullptr, 0},
        {"[a [integer!] return: [integer!] b]", "bad-func-def", 0},
        {"[a return: [integer!] /local b]", nullptr, 0},
        {"[return: [integer!] \"doc\"]", nullptr, 0},
        {"[return: [integer!] 'b]", "bad-func-def", 0},
        {"[return: integer!]", "bad-func-def", 0},
        {"[x: [integer!]]", "bad-func-def", 0},
        {"[return: [integer!] return: [integer!]]", "bad-func-def", 0},
        {"[/local a /r]", "bad-func-def", 0},
        {"[/local 'a]", "bad-func-def", 0},
        {"[/r [integer!]]", "bad-func-def", 0},
        {"[a 1]", "bad-func-def", 0},
        {"[[trace 1] a]", "bad-func-def", 0},
        {"[a A]", "dup-vars", 0},
        {"[a /r :a]", "dup-vars", 0},
        {"[/r /R]", "dup-vars", 0},
        {"[a [1]]", "invalid-type-spec", 0},
        {"[a [undefined-type!]]", "no-value", 0},
        {"[a [integer! any-type!] /r b [block!]]", nullptr, 0},
        {"[[trace other] a]", nullptr, function::flag::trace},
        {"[[no-trace trace]]", nullptr, function::flag::trace | function::flag::no_trace},
    };
    for (const Case& c : cases) {
        Cell* spec = first_of(c.spec);
        uint32_t flags = 0;
        int32_t code = raised_code([&] { flags = function::check_spec(spec); });
        EXPECT_EQ(code, c.error ? script(c.error) : -1) << c.spec;
        if (!c.error) {
            EXPECT_EQ(flags, c.flags) << c.spec;
        }
    }
}

TEST_F(FunctionTest, CollectLocalsEditsTheSpec) {
    struct Case {
        const char* spec;
        const char* body;
        const char* edited;
    } cases[] = {
        {"[a]", "[x: 1 (y: 2) [z: 3] a: 4]", "[a /local x y z]"},
        {"[]", "[foreach [p :q] [] [] foreach k [] [] repeat i 3 [] remove-each r [] []]",
         "[/local p q k i r]"},
        {"[]", "[x: 1 local: 2 x: 3]", "[/local x]"},
        {"[a /local b]", "[b: 1 c: 2]", "[a /local b c]"},
        {"[a /extern x /local z]", "[x: 1 y: 2]", "[a /local z y]"},
        {"[/extern x]", "[x: 1]", "[]"},
    };
    for (const Case& c : cases) {
        Cell* spec = first_of(c.spec);
        Cell* body = first_of(c.body);
        Cell locals;
        function::collect_locals(spec, body, &locals);
        EXPECT_EQ(mold(spec), c.edited) << c.spec << " " << c.body;
    }
    Cell* bad = first_of("[/extern x 1]");
    Cell* body = first_of("[]");
    Cell locals;
    EXPECT_EQ(raised_code([&] { function::collect_locals(bad, body, &locals); }),
              script("bad-func-extern"));
}

TEST_F(FunctionTest, CollectLocalsEndsOnACyclicBody) {
    Cell body = run("b: [x: 1 [y: 2]] append/only b/3 b b");
    Cell* body_cell = stack::push(&body);
    Cell* spec = first_of("[]");
    Cell locals;
    function::collect_locals(spec, body_cell, &locals);
    EXPECT_EQ(mold(spec), "[/local x y]");
    // Making the function still refuses the cycle when it copies the body.
    EXPECT_EQ(error_of("function [] b"),
              error::catalog::code_of(error::Category::internal, "no-cycle"));
}

TEST_F(FunctionTest, LocalCountsAndStackSlots) {
    Cell* spec = first_of("[a /r b /local x y \"doc\" z]");
    Ref node = value::series_node(spec);
    EXPECT_EQ(function::count_locals(node, 0, false), 4);
    Cell* plain = first_of("[a b]");
    EXPECT_EQ(function::count_locals(value::series_node(plain), 0, true), -1);
    EXPECT_EQ(function::count_locals(value::series_node(plain), 0, false), 0);
    Cell* top = stack::arguments.top;
    function::init_locals(3);
    EXPECT_EQ(stack::arguments.top - top, 3);
    EXPECT_EQ(cell_type(top), type_id::logic);
    EXPECT_EQ(cell_type(top + 2), type_id::none);
}

TEST_F(FunctionTest, OpSpecs) {
    struct Case {
        const char* spec;
        bool usable;
    } cases[] = {
        {"[a b]", true},
        {"[a b c]", false},
        {"['a b]", false},
        {"[a 'b]", true},
        {"[a :b /local c]", true},
        {"[a b /r]", false},
        {"[a b return: [integer!]]", true},
        {"[a /extern b]", false},
        {"[\"doc\" a [integer!] b]", true},
    };
    for (const Case& c : cases) EXPECT_EQ(op::check_spec(first_of(c.spec)), c.usable) << c.spec;
    EXPECT_EQ(error_of("make op! func [a b c] []"), script("bad-op-spec"));
    EXPECT_EQ(error_of("make op! func ['a b] []"), script("bad-op-spec"));
    EXPECT_EQ(error_of("make op! 1"), script("invalid-type"));
    EXPECT_EQ(integer_of("p: make op! func [a 'b] [a * 10] 4 p x"), 40);
}

TEST_F(FunctionTest, MakeAndErrors) {
    EXPECT_EQ(integer_of("f: make function! [[a] [a + 1]] f 1"), 2);
    EXPECT_EQ(error_of("make function! [[a]]"), script("bad-func-def"));
    EXPECT_EQ(error_of("make function! [[a] 1]"), script("bad-func-def"));
    EXPECT_EQ(error_of("make function! [a [a]]"), script("bad-func-def"));
    EXPECT_EQ(error_of("make native! [[a] 121]"), script("bad-make-arg"));
    EXPECT_EQ(error_of("make native! [[a] 0]"), script("bad-make-arg"));
    EXPECT_EQ(error_of("make native! [[a] 1 2]"), script("bad-make-arg"));
    EXPECT_EQ(error_of("make action! [[a] 63]"), script("bad-make-arg"));
    EXPECT_EQ(integer_of("sum: make action! [[a b] 11] sum 2 3"), 5);
    // The stored spec starts at its head; the body is a deep copy.
    EXPECT_EQ(integer_of("s: next [x a] b: [a * 2] f: func s b b/1: 100 f 4"), 8);
}

TEST_F(FunctionTest, MoldFormReflect) {
    struct Case {
        const char* code;
        const char* molded;
    } cases[] = {
        {"func [a] [a + 1]", "func [a][a + 1]"},
        {"make native! [[a /b] 14]", "make native! [[a /b]]"},
        {"make action! [[v] 5]", "make action! [[v]]"},
        {"make op! :add", "make op! [[a b]]"},
        {"make op! func [a b] [a]", "make op! func [a b][a]"},
        {"reflect :add 'body", "11"},
        {"reflect make op! :add 'body", "11"},
        {"reflect make native! [[a] 14] 'spec", "[a]"},
        {"reflect func [a /r b] [a] 'words", "[a r b]"},
        {"reflect func [a] [a + 1] 'body", "[a + 1]"},
        {"reflect make op! func [a b] [b] 'body", "[b]"},
        {"form func [] []", "\"?function?\""},
        {"form :add", "\"?action?\""},
        {"form :func", "\"?native?\""},
        {"form :+", "\"?op?\""},
    };
    for (const Case& c : cases) EXPECT_EQ(mold_of(c.code), c.molded) << c.code;
    int32_t not_done = error::catalog::code_of(error::Category::internal, "not-done");
    EXPECT_EQ(error_of("reflect :add 'words"), not_done);
    EXPECT_EQ(error_of("reflect func [] [] 'other"), not_done);
    // The words reflection is bound to the function's context.
    EXPECT_EQ(integer_of("f: func [a] [w: reflect :f 'words 0] f 1 0"), 0);
}

TEST_F(FunctionTest, CompareByIdentity) {
    Cell f = run("f: func [] [] :f");
    Cell g = run("func [] []");
    Cell add = run(":add");
    Cell sum = run("make action! [[x y] 11]");
    EXPECT_EQ(actions::compare_values(&f, &f, compare_code::equal), 0);
    EXPECT_NE(actions::compare_values(&f, &g, compare_code::equal), 0);
    EXPECT_EQ(actions::compare_values(&add, &sum, compare_code::same), 0);
    EXPECT_EQ(actions::compare_values(&f, &add, compare_code::equal), compare_code::not_comparable);
    EXPECT_EQ(actions::compare_values(&f, &g, compare_code::lesser), compare_code::not_comparable);
}

// Routines: a machine routine adding two integers and a cell routine.
routine::MachineValue add_machine(const routine::MachineValue* args, int32_t count) {
    routine::MachineValue r{};
    r.i32 = count == 2 ? args[0].i32 + args[1].i32 : -1;
    return r;
}
routine::MachineValue half_machine(const routine::MachineValue* args, int32_t) {
    routine::MachineValue r{};
    r.f64 = args[0].f64 / 2;
    return r;
}
routine::MachineValue is_block_machine(const routine::MachineValue* args, int32_t) {
    routine::MachineValue r{};
    r.i32 = cell_type(args[0].cell) == type_id::block;
    return r;
}
const Cell* second_cell(Cell* const* args, int32_t count) {
    return count >= 2 ? args[1] : nullptr;
}

TEST_F(FunctionTest, RoutinesConvertArgumentsAndResults) {
    struct Def {
        const char* name;
        const char* spec;
        int32_t code;
        int32_t returns;
        bool cells;
    } defs[] = {
        {"r-add", "[a [integer!] b [integer!]]",
         routine::register_machine_code("test-add", &add_machine), type_id::integer, false},
        {"r-half", "[a [float!]]", routine::register_machine_code("test-half", &half_machine),
         type_id::float_, false},
        {"r-block?", "[a [any-type!]]",
         routine::register_machine_code("test-block?", &is_block_machine), type_id::logic, false},
        {"r-second", "[a b]", routine::register_cell_code("test-second", &second_cell), -1, true},
        {"r-bad", "[a \"doc\"]", routine::find_code("test-add"), type_id::integer, false},
    };
    for (const Def& d : defs) {
        Cell* spec = first_of(d.spec);
        Cell made = *routine::push(spec, nullptr, d.code, d.returns, d.cells);
        define(d.name, &made);
    }
    EXPECT_EQ(routine::find_code("test-half"), defs[1].code);
    EXPECT_EQ(integer_of("r-add 2 3"), 5);
    EXPECT_EQ(mold_of("r-half 3.0"), "1.5");
    EXPECT_EQ(mold_of("r-block? [1]"), "true");
    EXPECT_EQ(mold_of("r-block? \"x\""), "false");
    EXPECT_EQ(mold_of("r-second 1 \"two\""), "\"two\"");
    EXPECT_EQ(error_of("r-add 2 3.5"), script("expect-arg"));
    EXPECT_EQ(error_of("r-bad 1"), script("invalid-type-spec"));
    EXPECT_EQ(mold_of("form :r-add"), "\"?routine?\"");
    EXPECT_EQ(mold_of(":r-add"), "routine [a [integer!] b [integer!]] none");
    Cell r = run(":r-add");
    EXPECT_EQ(routine::get_arity(&r), 2);
}

} // namespace
} // namespace zep::testing

namespace zep::testing {
namespace {

Cell named_argument;
void name_second_argument(bool, const int32_t*) {
    function::arg_word_at(1, &named_argument);
    function::arg_word_at(9, stack::base());
}

TEST_F(FunctionTest, ArgWordAtNamesTheCallersArgument) {
    natives::set_entry(natives::index::stats, &name_second_argument);
    define_native("probe-args", "[first /flag second]", natives::index::stats);
    Cell missing = run("probe-args 1");
    EXPECT_EQ(mold(&named_argument), "flag");
    EXPECT_EQ(mold(&missing), "<anon>");
}

} // namespace
} // namespace zep::testing
