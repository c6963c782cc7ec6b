// The conditional, evaluation, loop and exit natives, driven by source text
// through the interpreter.
#include "tests/evaluator/control_fixture.h"

namespace zep::testing {
namespace {

struct Case {
    const char* code;
    const char* expected;
};

class Control : public ControlTest {
  protected:
    void check(std::initializer_list<Case> cases) {
        for (const Case& c : cases) EXPECT_EQ(eval(c.code), c.expected) << c.code;
    }
};

TEST_F(Control, Conditionals) {
    check({
        {"if true [1]", "1"},
        {"if none [1]", "none"},
        {"if () [1]", "1"}, // unset! counts as true
        {"unless () [1]", "none"},
        {"unless false [1]", "1"},
        {"either false [1] [2]", "2"},
        {"either () [1] [2]", "raised script/no-return"},
        {"any []", "none"},
        {"all []", "none"},
        {"all [1 2]", "2"},
        {"all [1 none 2]", "none"},
        {"any [none false 3 4]", "3"},
        {"any [none false]", "none"},
    });
}

TEST_F(Control, SwitchAndCase) {
    check({
        {"switch 2 [1 2 [10] 3 [20]]", "10"}, // values sharing a block fall through
        {"switch 3 [1 [10] 3 [20]]", "20"},
        {"switch [a] [[a] [1]]", "none"}, // a block value never matches
        {"switch 1 [1]", "none"},
        {"switch/default 1 [1] [9]", "none"}, // matched, but no block follows
        {"switch/default 5 [1 [a]] [9]", "9"},
        {"switch \"B\" [\"a\" [1] \"b\" [2]]", "2"},
        {"case [false [1] true 2 + 3]", "5"},
        {"case [false [1] none [2]]", "none"},
        {"case []", "none"},
        {"case [true]", "raised script/need-value"},
        {"case [() [1]]", "raised script/no-return"},
        {"case/all [true [1] true [2]]", "2"},
        {"case/all [true [1] false [2]]", "none"},
        {"n: 0 case/all [true [n: n + 1] true [n: n + 10]] n", "11"},
        {"n: 0 case [false [n: 5] true [n: n + 1] true [n: 9]] n", "1"},
    });
}

TEST_F(Control, DoReduceCompose) {
    check({
        {"do [1 + 2]", "3"},
        {"do \"1 + 2\"", "3"},
        {"x: 5 do 'x", "5"},
        {"do 7", "7"},
        {"do/next [1 + 2 3] 'p", "3"},
        {"do/next [1 + 2 3] 'p p", "[3]"},
        {"do try [divide 1 0]", "raised math/zero-divide"},
        {"do %nowhere.zep", "raised script/no-value"},
        {"reduce [1 + 2 3]", "[3 3]"},
        {"x: 4 reduce 'x", "4"},
        {"apply reduce :add [1 2]", "3"},          // a function is not called
        {"b: [x] reduce/into [1 + 1 3] b", "[x]"}, // inserted: just past the new values
        {"b: [x] reduce/into [1 + 1 3] tail b b", "[x 2 3]"},
        {"reduce/into [1 + 1 3] copy []", "[2 3]"}, // appended: at its own position
        {"b: [x] reduce/into [1 + 1 3] b head b", "[2 3 x]"},
        {"b: [x] pick reduce/into [1 + 1 3] b 1", "x"},
        {"compose [() (1 + 1) ([]) ([a b])]", "[2 a b]"},
        {"compose/only [([a b]) ([])]", "[[a b] []]"},
        {"compose [[(1)]]", "[[(1)]]"},
        {"compose/deep [[(1)] x]", "[[1] x]"},
        {"b: [z] compose/into [(1) y] b head b", "[1 y z]"},
        {"b: [] compose/into [(1) y] b", "[1 y]"},
    });
}

TEST_F(Control, Apply) {
    check({
        {"apply :add [1 2]", "3"},
        {"apply 'append [[1] 2]", "[1 2]"},
        {"apply :append [[1] [2 3] /only true]", "[1 [2 3]]"},
        {"apply :append [[1] [2 3] /only false]", "[1 2 3]"},
        {"apply/all :append [[1] [2 3] false none true false none]", "[1 [2 3]]"},
        {"apply :+ [1 2]", "3"},
        {"x: 1 apply 'x []", "raised script/invalid-arg"},
    });
}

TEST_F(Control, CountedLoops) {
    check({
        {"loop 3 [break/return 1]", "1"},
        {"loop 0 [1]", "none"},
        {"loop -1 [1]", "none"},
        {"n: 0 loop 2.9 [n: n + 1] n", "2"},
        {"loop 3e10 [1]", "raised script/out-of-range"},
        {"loop 2 [1 break]", "unset"},
        {"n: 0 loop 5 [n: n + 1 if even? n [continue] n: n + 10] n", "35"},
        {"repeat i 0 [1]", "none"},
        {"i: 7 repeat i 0 [1] i", "7"},
        {"repeat i 3 [] i", "3"},
        {"repeat i 3 [i]", "3"},
        {"s: 0 repeat i 5 [if even? i [continue] s: s + i] s", "9"},
        {"repeat i 1e12 [break/return i]", "raised script/out-of-range"},
    });
}

TEST_F(Control, ConditionLoops) {
    check({
        {"while [true] [break/return 1]", "unset"},
        {"b: [1 2 3 4] s: 0 while [b/1] [x: b/1 b: next b if even? x [continue] s: s + x] s", "4"},
        {"while [break] []", "raised throw/while-cond"},
        {"while [continue] []", "raised throw/while-cond"},
        {"while [()] []", "raised script/no-return"},
        {"n: 1 until [n: n + 1 even? n]", "true"},
        {"n: 0 until [n: n + 1 unless even? n [continue] break/return n]", "2"},
        {"until [()]", "raised script/no-return"},
        {"n: 0 forever [n: n + 1 if even? n [break/return n]]", "2"},
        {"forever [break]", "unset"},
        // break leaves only the innermost loop
        {"n: 0 loop 2 [loop 3 [break] n: n + 1] n", "2"},
    });
}

TEST_F(Control, SeriesLoops) {
    check({
        {"r: copy [] foreach x [1 2 3] [append r x + 1] r", "[2 3 4]"},
        {"n: 0 r: none foreach [a b] [1 2 3] [n: n + 1 r: reduce [a b]] reduce [n r]",
         "[2 [3 none]]"},
        {"r: copy [] foreach x \"ab\" [append r x] r", "[#\"a\" #\"b\"]"},
        {"foreach x [] [1]", "unset"},
        {"foreach [] [1] [1]", "raised script/invalid-arg"},
        {"foreach [a 1] [1 2] [1]", "raised script/invalid-arg"},
        {"r: copy [] foreach x [1 2 3 4] [if even? x [continue] append r x] r", "[1 3]"},
        {"foreach x [1 2 3 4] [if even? x [break/return x]]", "2"},
        {"m: make map! [a 1 b 2] r: copy [] foreach [k v] m [append r reduce [k v]] r",
         "[a 1 b 2]"},
        {"foreach k make map! [a 1] []", "raised script/invalid-arg"},
        {"foreach [a b c] make map! [a 1] []", "raised script/invalid-arg"},
        {"s: [1 2 3] r: copy [] forall s [append r s/1] reduce [r index? s]", "[[1 2 3] 1]"},
        {"s: next [1 2 3 4] forall s [if even? s/1 [continue]] index? s", "2"},
        {"s: [1 3 4 5] forall s [if even? s/1 [break]] index? s", "3"},
        {"s: [1 2] forall s [s: [9]]", "raised script/bad-loop-series"},
        {"s: 5 forall s []", "raised script/expect-arg"},
        {"remove-each x b: [1 2 3 4] [even? x]", "[1 3]"},
        {"remove-each x [1 2] [()]", "[]"},
        {"b: [1 2 3 4] remove-each x next b [even? x] b", "[1 3]"},
        {"remove-each [a b] [1 2 4 5 6 8] [even? b]", "[4 5]"},
        {"remove-each x \"a1b2\" [even? x]", "\"a1\""},
        {"remove-each x [1 2 3 4] [if even? x [continue] true]", "[2 4]"},
        {"remove-each x [1 2 3 4] [if even? x [break] true]", "[2 3 4]"},
    });
}

TEST_F(Control, CatchAndThrow) {
    check({
        {"catch [throw 1 2]", "1"},
        {"catch [throw/name 1 'a]", "1"},
        {"catch [catch/name [throw/name 1 'a] 'b 2]", "1"},
        {"catch/name [throw/name 1 'A] 'a", "1"},
        {"catch/name [throw/name 1 'a] [b a]", "1"},
        {"catch [catch/name [throw 1] 'a 2]", "1"},
        {"catch/name [throw/name 1 'a] [b 1]", "raised script/invalid-refine-arg"},
        {"throw 1", "raised throw/throw"},
        {"catch [loop 3 [throw 4]]", "4"},
        {"catch [1 + 2]", "3"},
    });
}

TEST_F(Control, TryAndExits) {
    check({
        {"try [divide 1 0]", "error math/zero-divide"},
        {"try [1 + 2]", "3"},
        {"try [break]", "error throw/break"},
        {"try [continue]", "error throw/continue"},
        {"try [return 1]", "error throw/return"},
        {"try [exit]", "error throw/return"},
        {"do [return 1]", "raised throw/return"},
        {"loop 2 [try/all [break]]", "error throw/break"},
        {"try/all [throw 1]", "error throw/throw"},
        {"catch [try [throw 5]]", "5"},
        {"loop 3 [try [break/return 8]]", "8"},
        {"loop 3 [catch [break/return 7]]", "7"},
        {"loop 3 [reduce [1 break/return 2 3]]", "2"},
        {"loop 3 [compose [(break/return 6)]]", "6"},
        {"loop 3 [all [break/return 5]]", "5"},
        {"loop 3 [case [true [break/return 4]]]", "4"},
        {"loop 3 [switch 1 [1 [break/return 3]]]", "3"},
    });
}

TEST_F(Control, ReturnFromFunctions) {
    check({
        {"f: make function! [[] [loop 3 [loop 3 [return 5]] 9]] f", "5"},
        {"f: make function! [[] [foreach x [1 2] [while [true] [return x]]] 9] f", "1"},
        {"f: make function! [[] [exit 9]] f", "unset"},
        {"f: make function! [[] [try [return 1] 2]] f", "1"},
        {"f: make function! [[] [catch [return 1] 2]] f", "1"},
        {"f: make function! [[] [all [return 3] 4]] f", "3"},
        {"f: make function! [[] [do [return 2] 4]] f", "2"},
        {"f: make function! [[] [either true [return 6] [7] 8]] f", "6"},
        {"f: make function! [[x] [if even? x [return x + 100] x]] reduce [f 1 f 2]", "[1 102]"},
        // a function's return never stops the loop around its call
        {"n: 0 g: make function! [[] [return 1]] loop 3 [n: n + g] n", "3"},
        // break inside a function body travels on to the loop outside
        {"n: 0 g: make function! [[] [break]] loop 3 [n: n + 1 g] n", "1"},
    });
}

TEST_F(Control, Trace) {
    check({
        {"log: copy [] t: make function! [[e c o v r f] [[init end] append log e]] "
         "reduce [do/trace [1 + 2] :t log]",
         "[3 [init end]]"},
        {"log: copy [] t: make function! [[e c o v r f] [[init end] append log e]] "
         "do/trace [divide 1 0] :t",
         "raised math/zero-divide"},
        // the failed trace was ended and removed: a new one starts
        {"log: copy [] t: make function! [[e c o v r f] [[init end] append log e]] "
         "do/trace [4] :t log",
         "[init end]"},
    });
}

} // namespace
} // namespace zep::testing
