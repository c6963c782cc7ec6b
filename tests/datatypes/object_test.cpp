#include <gtest/gtest.h>

#include <functional>

#include "datatypes/context.h"
#include "datatypes/function.h"
#include "datatypes/object.h"
#include "datatypes/symbol.h"
#include "datatypes/word.h"
#include "runtime/error_catalog.h"
#include "tests/datatypes/object_fixture.h"

namespace zep {
namespace {

using testing::raised_code;

class ObjectTest : public testing::ObjectTest {
  protected:
    // The object made from the spec, kept alive until the test ends.
    static Cell make(const std::string& spec, const Cell* prototype = nullptr) {
        Cell* block = load(spec);
        gc::RootedCell made;
        object::make_from(made.get(), prototype, block);
        Cell result = testing::kept(*made);
        stack::pop(1);
        return result;
    }
    static Cell word_named(const char* name) {
        Cell w;
        word::make_at(symbol::make(name), &w);
        return w;
    }
    static const Cell* field(const Cell& object, const char* name) {
        Cell w = word_named(name);
        return object::select_word(&object, &w);
    }
    static int32_t code(error::Category category, const char* id) {
        return error::catalog::code_of(category, id);
    }
};

TEST_F(ObjectTest, MakeGivesFieldsClassIdsAndText) {
    Cell* o = push_none();
    *o = make("a: 1 b: \"x\" c: 'w");
    EXPECT_EQ(static_cast<int32_t>(o->data2), object::first_class_id + 1);
    EXPECT_EQ(molded(o), "make object! [\n    a: 1\n    b: \"x\"\n    c: 'w\n]");
    EXPECT_EQ(molded(o, false, true), "make object! [a: 1 b: \"x\" c: 'w]");
    EXPECT_EQ(formed(o), "a: 1\nb: \"x\"\nc: 'w");
    EXPECT_EQ(molded(o, true, true), "a: 1 b: \"x\" c: 'w");

    // A prototype with a spec that only sets existing fields keeps its class;
    // adding a field gives a new one. Fields are copies, not shared.
    Cell same = make("a: 2", o);
    EXPECT_EQ(same.data2, o->data2);
    EXPECT_EQ(value::integer_of(field(same, "a")), 2);
    EXPECT_EQ(value::integer_of(field(*o, "a")), 1);
    EXPECT_NE(field(same, "b")->data2, field(*o, "b")->data2);
    Cell grown = make("d: 4", o);
    EXPECT_EQ(grown.data2, static_cast<uint32_t>(object::first_class_id + 2));
    EXPECT_EQ(object::count_words(&grown), 4u);
}

TEST_F(ObjectTest, ChangedListsOnlyAssignmentsAfterMake) {
    Cell* o = push_none();
    *o = make("a: 1 b: 2");
    Cell changed = word_named("changed");
    Cell reflected = *o;
    EXPECT_EQ(molded(object::reflect(&reflected, &changed)), "[]");
    Cell b = *context::word_at(o->data1, 1);
    Cell three;
    value::set_integer(&three, 3);
    context::set_value(&b, &three, o->data1, true);
    reflected = *o;
    EXPECT_EQ(molded(object::reflect(&reflected, &changed)), "[b]");
    Cell none;
    value::set_none(&none);
    object::modify(o, &changed, &none, false);
    reflected = *o;
    EXPECT_EQ(molded(object::reflect(&reflected, &changed)), "[]");
    Cell body = word_named("body");
    reflected = *o;
    EXPECT_EQ(molded(object::reflect(&reflected, &body)), "[\n    a: 1\n    b: 3\n]");
}

TEST_F(ObjectTest, CompareOrdersByFieldsThenValues) {
    Cell* a = push_none();
    *a = make("x: 1 y: \"s\"");
    Cell* b = push_none();
    *b = make("x: 1 y: \"S\"");
    Cell* c = push_none();
    *c = make("x: 1 y: \"s\" z: 0");
    Cell* d = push_none();
    *d = make("x: 2 y: \"s\"");
    EXPECT_EQ(object::compare(a, b, compare_code::equal), 0);
    EXPECT_EQ(object::compare(a, a, compare_code::same), 0);
    EXPECT_EQ(object::compare(a, b, compare_code::same), -1);
    EXPECT_EQ(object::compare(c, a, compare_code::equal), 1);
    EXPECT_EQ(object::compare(a, d, compare_code::lesser), -1);
    Cell n;
    value::set_integer(&n, 1);
    EXPECT_EQ(object::compare(a, &n, compare_code::equal), compare_code::not_comparable);
}

TEST_F(ObjectTest, SelfReferenceMoldsWithTheCycleMarkerAndRefusesTypedCopy) {
    Cell* o = push_none();
    *o = make("a: 1 me: none");
    Cell me = word_named("me");
    Cell self = *o;
    context::put(o->data1, &me, &self);
    EXPECT_EQ(molded(o, false, true), "make object! [a: 1 me: make object! [...]]");
    EXPECT_EQ(formed(o), "a: 1\nme: make object! [...]");
    // Self-containing objects still compare.
    EXPECT_EQ(object::compare(o, o, compare_code::equal), 0);
    Cell types = datatype(type_id::object);
    EXPECT_EQ(raised_code([&] {
                  Cell target;
                  object::duplicate(o, &target, true, &types, true);
              }),
              code(error::Category::internal, "no-cycle"));
}

TEST_F(ObjectTest, ConstructTakesValuesUnevaluated) {
    Cell* spec = load("a: b: on c: 'x d: none e:");
    Cell made;
    object::construct(&made, spec, nullptr, false);
    Cell* o = stack::push(&made);
    EXPECT_EQ(molded(o, true, true), "a: true b: true c: 'x d: none e: none");
    EXPECT_EQ(cell_type(field(*o, "d")), type_id::none);
    object::construct(&made, spec, nullptr, true);
    *o = made;
    EXPECT_EQ(molded(o, true, true), "a: 'on b: 'on c: 'x d: 'none e: none");
    EXPECT_GT(static_cast<int32_t>(o->data2), object::first_class_id);
}

TEST_F(ObjectTest, AccessErrors) {
    Cell* o = push_none();
    *o = make("a: 1");
    Cell part;
    value::set_integer(&part, 1);
    Cell n = part;
    Cell target;
    struct Case {
        const char* name;
        std::function<void()> body;
        int32_t code;
    };
    const Case cases[] = {
        {"copy/part", [&] { object::copy(o, &target, &part, false, nullptr); },
         code(error::Category::script, "invalid-refine-arg")},
        {"select integer",
         [&] {
             object::select(o, &n, nullptr, false, false, false, false, nullptr, nullptr, false,
                            false);
         },
         code(error::Category::script, "invalid-type")},
        {"put integer", [&] { object::put(o, &n, &n, false); },
         code(error::Category::script, "invalid-key-type")},
        {"path missing",
         [&] {
             Cell w = word_named("zz");
             object::eval_path(o, &w, nullptr, nullptr, false);
         },
         code(error::Category::script, "unset-path")},
        {"path integer", [&] { object::eval_path(o, &n, nullptr, nullptr, false); },
         code(error::Category::script, "invalid-path")},
        {"reflect other",
         [&] {
             Cell w = word_named("spec");
             Cell v = *o;
             object::reflect(&v, &w);
         },
         code(error::Category::internal, "not-done")},
        {"make from integer", [&] { object::make_from(&target, nullptr, &n); },
         code(error::Category::syntax, "malconstruct")},
    };
    for (const Case& c : cases) EXPECT_EQ(raised_code(c.body), c.code) << c.name;
    // Selecting a missing field gives none; a path set stores.
    Cell zz = word_named("zz"), a = word_named("a");
    EXPECT_EQ(cell_type(object::select(o, &zz, nullptr, false, false, false, false, nullptr,
                                       nullptr, false, false)),
              type_id::none);
    Cell seven;
    value::set_integer(&seven, 7);
    object::eval_path(o, &a, &seven, nullptr, false);
    EXPECT_EQ(value::integer_of(field(*o, "a")), 7);
}

} // namespace
} // namespace zep

namespace zep {
namespace {

class ObjectEventTest : public testing::ObjectTest {
  protected:
    void SetUp() override {
        testing::ObjectTest::SetUp();
        run("reduce-3: func [a b c] [append append append make block! 3 :a :b :c]");
    }
    static Cell word_named(const char* name) {
        Cell w;
        word::make_at(symbol::make(name), &w);
        return w;
    }
};

TEST_F(ObjectEventTest, OnChangeFiresAfterMakeAndFollowsItsReplacement) {
    run("log: make block! 4 "
        "o: make object! [a: 1 on-change*: func [word old new] [append log reduce-3 :word :old "
        ":new]]");
    EXPECT_EQ(mold_of("log"), "[]"); // assignments inside make fire nothing
    run("o/a: 5");
    EXPECT_EQ(mold_of("log"), "[a 1 5]");
    // A handler with locals replaces the first: its slot count is recounted.
    // (Setting the handler field already runs the new handler.)
    run("o/on-change*: func [word old new /local x y] [x: :new y: :old append log reduce-3 :x :y "
        ":word]");
    run("log: make block! 4 o/a: 7");
    EXPECT_EQ(mold_of("log"), "[7 5 a]");
    // The new value is stored before the handler runs, so a handler field set
    // to another value fails at once, and so does every later assignment.
    EXPECT_EQ(error_of("o/on-change*: 0"), script("invalid-obj-evt"));
    EXPECT_EQ(error_of("o/a: 8"), script("invalid-obj-evt"));
}

TEST_F(ObjectEventTest, FunctionsCopiedIntoADerivedObjectUseItsFields) {
    run("o: make object! [a: 1 f: func [] [a]] p: make o [a: 10]");
    EXPECT_EQ(integer_of("p/f"), 10);
    EXPECT_EQ(integer_of("o/f"), 1);
    Cell p = run("p");
    Cell f_word = word_named("f");
    const Cell* f = object::select_word(&p, &f_word);
    EXPECT_EQ(cell_type(function::more_cell(f, function::more::code)), type_id::unset);
    EXPECT_EQ(error_of("make object! [f: func [] [a] on-change*: 1]"), script("bad-field-set"));
}

TEST_F(ObjectEventTest, OnDeepChangeReportsSeriesChanges) {
    run("log: make block! 4 "
        "o: make object! [b: make block! 1 "
        "on-deep-change*: func [owner word target action new index part] "
        "[append log reduce-3 :word :action :new]]");
    run("append o/b 9");
    EXPECT_EQ(mold_of("log"), "[b append 9 b appended 9]");
}

} // namespace
} // namespace zep
