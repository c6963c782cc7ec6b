#include <gtest/gtest.h>

#include <string>

#include "datatypes/block.h"
#include "datatypes/error.h"
#include "datatypes/object.h"
#include "datatypes/symbol.h"
#include "datatypes/word.h"
#include "evaluator/error_value.h"
#include "runtime/error_catalog.h"
#include "tests/datatypes/object_fixture.h"

namespace zep {
namespace {

using testing::raised_code;

class ErrorTest : public testing::ObjectTest {
  protected:
    static int32_t code(error::Category category, const char* id) {
        return error::catalog::code_of(category, id);
    }
    // make error! from a spec: the error's code, or the code it raised
    // (negated, so the two cannot be mixed up).
    static int32_t made_code(Cell spec) {
        Cell made;
        int32_t raised = raised_code([&] {
            Cell* held = stack::push(&spec);
            Cell type = datatype(type_id::error);
            made = type;
            error::make(&made, held, type_id::error);
        });
        return raised >= 0 ? -raised : error::code_of(&made);
    }
    static Cell text(const std::string& s) {
        Cell* t = string::make_at(push_none(), static_cast<uint32_t>(s.size()));
        string::append_text(t, s.c_str());
        return *t;
    }
    static Cell raised_error(error::Category category, const char* id, const Cell* a1 = nullptr,
                             const Cell* a2 = nullptr) {
        Cell made;
        const Cell* args[2] = {a1, a2};
        error::make_from_code(&made, code(category, id), args, 2);
        return made;
    }
};

TEST_F(ErrorTest, MakeErrorForms) {
    struct Case {
        const char* name;
        Cell spec;
        int32_t result; // the error's code, or minus the code raised
    };
    Cell i300, i399, minus, f;
    value::set_integer(&i300, 300);
    value::set_integer(&i399, 399);
    value::set_integer(&minus, -1);
    value::set_float(&f, 1.5);
    const Case cases[] = {
        {"300", i300, 300},
        {"399", i399, -code(error::Category::script, "out-of-range")},
        {"-1", minus, -code(error::Category::script, "out-of-range")},
        {"[math zero-divide]", *load("math zero-divide"), 400},
        {"[Math Overflow] any case", *load("Math Overflow"), 401},
        {"[nothing x]", *load("nothing x"), -code(error::Category::script, "invalid-spec-field")},
        {"[math]", *load("math"), -code(error::Category::script, "invalid-spec-field")},
        {"[math nothing]", *load("math nothing"),
         -code(error::Category::script, "invalid-spec-field")},
        {"[math 5]", *load("math 5"), -code(error::Category::script, "invalid-arg")},
        {"[math code]", *load("math code"), -code(error::Category::script, "invalid-spec-field")},
        {"[1 2]", *load("1 2"), -code(error::Category::internal, "invalid-error")},
        {"[type: 'math id: 'overflow]", *load("type: 'math id: 'overflow"), 401},
        {"[id: 'overflow]", *load("id: 'overflow"),
         -code(error::Category::script, "invalid-spec-field")},
        {"string", text("boom"), 800},
        {"float", f, -code(error::Category::script, "bad-make-arg")},
    };
    for (const Case& c : cases) EXPECT_EQ(made_code(c.spec), c.result) << c.name;
}

TEST_F(ErrorTest, PrintedText) {
    Cell* e = push_none();
    Cell boom = text("boom");
    *e = raised_error(error::Category::user, "message", &boom);
    EXPECT_EQ(formed(e), "*** User Error: boom\n*** Where: ???\n*** Near : none");
    EXPECT_EQ(error::get_type(e), symbol::make("user"));

    // Script arguments are molded, syntax arguments formed; each is cut to 80
    // characters; the near text to 40; a string where prints as it is.
    std::string long_text(100, 'x');
    Cell arg = text(long_text);
    *e = raised_error(error::Category::script, "invalid-arg", &arg);
    *error::field_of(e, error::field::where) = text("system/console/prompt");
    *error::field_of(e, error::field::near) =
        *load(std::string(30, 'a') + " " + std::string(30, 'b'));
    // (A string of more than 50 characters molds in braces.)
    EXPECT_EQ(formed(e), "*** Script Error: invalid argument: {" + std::string(79, 'x') +
                             "\n*** Where: system/console/prompt\n*** Near : " +
                             std::string(30, 'a') + " " + std::string(9, 'b'));
    Cell one = text("x"), two = text("y");
    *e = raised_error(error::Category::syntax, "bad-char", &one, &two);
    EXPECT_EQ(formed(e).substr(0, 50), "*** Syntax Error: x invalid character at y\n*** Whe");
    Cell word;
    word::make_at(symbol::make("foo"), &word);
    *e = raised_error(error::Category::script, "no-value", &word);
    *error::field_of(e, error::field::where) = word;
    EXPECT_EQ(formed(e), "*** Script Error: foo has no value\n*** Where: foo\n*** Near : none");

    // A type or id that the catalogue lacks prints as internal invalid-error.
    Cell unknown;
    word::make_at(symbol::make("no-such-id"), &unknown);
    *error::field_of(e, error::field::id) = unknown;
    EXPECT_EQ(formed(e).substr(0, 65),
              "*** Internal Error: invalid error object field value: no-such-id\n");
    EXPECT_EQ(error::code_of(e), code(error::Category::internal, "invalid-error"));

    // Files, molded flat.
    *error::field_of(e, error::field::files) = *load("%a.zep %b.zep");
    EXPECT_NE(formed(e).find("\n*** Files: %a.zep %b.zep"), std::string::npos);
}

TEST_F(ErrorTest, MoldAndCompare) {
    Cell* e = push_none();
    *e = raised_error(error::Category::math, "zero-divide");
    EXPECT_EQ(molded(e, false, true),
              "make error! [code: 400 type: 'math id: 'zero-divide arg1: none arg2: none arg3: "
              "none near: none where: none stack: none files: none]");
    Cell* f = push_none();
    *f = raised_error(error::Category::math, "zero-divide");
    EXPECT_EQ(error::compare(e, f, compare_code::equal), 0);
    *f = raised_error(error::Category::math, "overflow");
    EXPECT_EQ(error::compare(e, f, compare_code::equal), -1);
    EXPECT_EQ(e->data2, 1u);
    EXPECT_EQ(error::field_count(), 8);
}

TEST_F(ErrorTest, HandOverToTheSystemCatalogue) {
    EXPECT_FALSE(error::use_system_objects()); // no system object yet
    // A copy of the catalogue whose math category has another title.
    Cell* catalog = stack::push(error::catalog_object());
    object::duplicate(catalog, catalog, false, nullptr, false);
    Cell math_word = *load("math");
    math_word = *block::cell_at(&math_word, 0);
    Cell* math = stack::push(object::select_word(catalog, &math_word));
    object::duplicate(math, math, false, nullptr, false);
    Cell type_word = *load("type");
    type_word = *block::cell_at(&type_word, 0);
    Cell title = text("Maths");
    object::eval_path(math, &type_word, &title, nullptr, false);
    object::eval_path(catalog, &math_word, math, nullptr, false);
    define("custom", catalog);
    run("system: make object! [catalog: make object! [errors: custom] standard: none]");
    EXPECT_TRUE(error::use_system_objects());
    Cell* e = push_none();
    *e = raised_error(error::Category::math, "zero-divide");
    EXPECT_EQ(formed(e).substr(0, 37), "*** Maths: attempt to divide by zero\n");
    EXPECT_EQ(cell_type(error::field_of(e, error::field::files)), type_id::none);
}

} // namespace
} // namespace zep
