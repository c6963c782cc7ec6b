// A runtime core with the library loaded (the natives' and actions' words,
// operators, typesets), and a helper that evaluates source text.
#pragma once
#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "boot/library_load.h"
#include "datatypes/string_buffer.h"
#include "evaluator/actions.h"
#include "evaluator/call.h"
#include "evaluator/error_value.h"
#include "evaluator/interp.h"
#include "runtime/error_catalog.h"
#include "services/lexer.h"
#include "tests/boot/runtime_fixture.h"

namespace zep::testing {

class ControlTest : public RuntimeTest {
  protected:
    void SetUp() override {
        RuntimeTest::SetUp();
        boot::bootstrap_library();
        boot::load_library();
    }

    // Evaluates the text under a try frame: the molded result ("unset" for
    // unset!, "error <category>/<id>" for an error! value), "raised
    // <category>/<id>" for an error raised out of it.
    static std::string eval(const std::string& text) {
        stack::ArgumentStack saved_arguments = stack::arguments;
        stack::Frame* saved_frames = stack::frames.top;
        Cell* code = stack::push_slot();
        value::set_none(code);
        lexer::transcode(code, reinterpret_cast<const uint8_t*>(text.data()),
                         static_cast<uint32_t>(text.size()), lexer::Options{});
        stack::mark_try(words::global_word(words::global::body));
        std::string out;
        try {
            interp::eval_block(code, false);
            out = render(stack::top());
        } catch (const catch_::Unwind& u) {
            catch_::exception_slot = 0;
            out = u.code == catch_::code_error ? "raised " + error_name(stack::top())
                                               : "code " + std::to_string(u.code);
        }
        EXPECT_FALSE(interp::is_exit_pending()) << text;
        interp::clear_pending_exit();
        stack::arguments = saved_arguments;
        stack::frames.top = saved_frames;
        return out;
    }

    static std::string render(const Cell* value) {
        switch (cell_type(value)) {
        case type_id::unset:
            return "unset";
        case type_id::error:
            return "error " + error_name(value);
        default:
            break;
        }
        Cell copy = *value;
        // The slot is cleared first: the string's allocation may collect,
        // and the collector marks every cell up to the top.
        Cell* out = stack::push_slot();
        value::set_none(out);
        string::make_at(out, 16);
        actions::dispatch_mold(&copy, out, false, false, true, INT32_MAX, 0);
        std::string text;
        for (uint32_t i = 0; i < string::length(out); ++i)
            text += static_cast<char>(string::char_at(out, i));
        return text;
    }

    static std::string error_name(const Cell* error) {
        int32_t code = error::code_of(error);
        static const char* const categories[] = {"throw",  "note", "syntax", "script", "math",
                                                 "access", "",     "",       "user",   "internal"};
        for (int c = 0; c < 10; ++c) {
            for (const char* id :
                 {"break", "continue", "return", "throw", "while-cond", "no-return", "need-value",
                  "no-value", "expect-val", "expect-arg", "invalid-arg", "invalid-refine-arg",
                  "bad-loop-series", "out-of-range", "zero-divide", "not-done", "no-arg"}) {
                if (error::catalog::code_of(static_cast<error::Category>(c), id) == code)
                    return std::string(categories[c]) + "/" + id;
            }
        }
        return "code " + std::to_string(code);
    }
};

} // namespace zep::testing
