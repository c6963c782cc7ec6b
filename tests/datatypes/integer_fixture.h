// The scalar datatypes registered on fresh stacks, with helpers that run a
// frame action on two operands and that report the error a body raised.
#pragma once
#include <gtest/gtest.h>

#include <string>

#include "datatypes/char.h"
#include "datatypes/float.h"
#include "datatypes/integer.h"
#include "datatypes/logic.h"
#include "datatypes/registry.h"
#include "datatypes/string_buffer.h"
#include "datatypes/time.h"
#include "runtime/error_catalog.h"
#include "tests/evaluator/stack_fixture.h"

namespace zep::testing {

class NumberTest : public StackTest {
  protected:
    void SetUp() override {
        StackTest::SetUp();
        mark_receiver();
    }
    static void mark_receiver() {
        Cell t = word(sym.other);
        stack::mark_try(&t);
    }

    // Runs a frame action on (a, b) in a native frame; answers the result.
    static Cell call(void (*action)(), const Cell& a, const Cell& b = Cell{}) {
        Cell w = word(sym.fn);
        stack::mark_native(&w);
        stack::push(&a);
        stack::push(&b);
        action();
        Cell result = *stack::base();
        stack::unwind_drop();
        return result;
    }

    // "category/id" of the error the body raised, or "" when it raised none.
    template <class Body> static std::string raised(Body&& body) {
        if (thrown_code(body) != catch_::code_error) return "";
        int32_t code = top_error_code();
        stack::reset();
        mark_receiver();
        static const char* const categories[] = {"throw",  "note", "syntax", "script", "math",
                                                 "access", "",     "",       "user",   "internal"};
        using error::Category;
        for (int c = 0; c < 10; ++c) {
            for (const char* id : {"zero-divide", "overflow", "invalid-type", "not-related",
                                   "bad-to-arg", "type-limit", "out-of-range", "expect-arg",
                                   "cannot-use", "invalid-data", "invalid-path", "invalid-arg"}) {
                if (error::catalog::code_of(static_cast<Category>(c), id) == code)
                    return std::string(categories[c]) + "/" + id;
            }
        }
        return "code " + std::to_string(code);
    }

    static Cell i(int32_t n) { return integer(n); }
    static Cell f(double x) {
        Cell c;
        value::set_float(&c, x);
        return c;
    }
    static Cell t(double seconds) {
        Cell c;
        value::set_double(&c, type_id::time, seconds);
        return c;
    }
    static Cell ch(uint32_t cp) {
        Cell c;
        value::set_char(&c, cp);
        return c;
    }

    static std::string text_of(const Cell* string) {
        std::string out;
        for (uint32_t k = 0; k < string::length(string); ++k)
            out += static_cast<char>(string::char_at(string, k));
        return out;
    }
    // form (mold when `mold`) of the value, through its type's slot.
    static std::string render(const Cell& value, bool mold = false) {
        Cell* out = stack::push_slot();
        value::set_none(out); // the collector scans the stack up to its top
        string::make_at(out, 16);
        uint8_t type = cell_type(&value);
        if (mold)
            actions::slot_as<MoldFn>(type, action_slot::mold)(&value, out, false, false, false,
                                                              INT32_MAX, 0);
        else
            actions::slot_as<FormFn>(type, action_slot::form)(&value, out, INT32_MAX);
        std::string text = text_of(out);
        stack::pop(1);
        return text;
    }
    // A string! value holding ASCII text.
    static Cell text(const char* s) {
        Cell* out = stack::push_slot();
        value::set_none(out); // the collector scans the stack up to its top
        string::make_at(out, 16);
        string::append_text(out, s);
        // Kept beyond the stack: an error unwinds the stack to the try frame.
        return kept(*out);
    }
};

} // namespace zep::testing
