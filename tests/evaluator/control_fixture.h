// A runtime core with the interpreter, the natives table and a small prelude
// that binds the words the control natives' tests use (the library binds
// them in the real system), and a helper that evaluates source text.
#pragma once
#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "datatypes/context.h"
#include "datatypes/string_buffer.h"
#include "datatypes/symbol.h"
#include "evaluator/actions.h"
#include "evaluator/call.h"
#include "evaluator/error_value.h"
#include "evaluator/interp.h"
#include "evaluator/natives.h"
#include "runtime/error_catalog.h"
#include "services/lexer.h"
#include "tests/boot/runtime_fixture.h"

namespace zep::testing {

class ControlTest : public RuntimeTest {
  protected:
    void SetUp() override {
        RuntimeTest::SetUp();
        actions::register_table();
        natives::register_();
        interp::init();
        Cell value;
        value::set_logic(&value, true);
        context::set_global(symbol::make("true"), &value);
        value::set_logic(&value, false);
        context::set_global(symbol::make("false"), &value);
        value::set_none(&value);
        context::set_global(symbol::make("none"), &value);
        ASSERT_EQ(eval(prelude), "unset");
    }
    void TearDown() override {
        interp::forget();
        natives::forget();
        RuntimeTest::TearDown();
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
        Cell* out = stack::push_slot();
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

    // Binds the natives and actions the tests use to their words.
    static constexpr const char* prelude = R"(
        any-type!: make typeset! [unset! none! logic! integer! float! char! block! paren!
            word! lit-word! set-word! path! string! file! error! map! hash! object!
            native! action! function! op! datatype! typeset!]
        any-block!: make typeset! [block! paren! hash! path!]
        series!: make typeset! [block! paren! hash! path! string! file! binary!]
        if: make native! [[cond [any-type!] then-blk [block!]] 1]
        unless: make native! [[cond [any-type!] then-blk [block!]] 2]
        either: make native! [[cond [any-type!] true-blk [block!] false-blk [block!]] 3]
        any: make native! [[conds [block!]] 4]
        all: make native! [[conds [block!]] 5]
        while: make native! [[cond [block!] body [block!]] 6]
        until: make native! [[body [block!]] 7]
        loop: make native! [[count [integer! float!] body [block!]] 8]
        repeat: make native! [['word [word!] value [integer! float!] body [block!]] 9]
        forever: make native! [[body [block!]] 10]
        foreach: make native! [['word [word! block!] series [series! map!] body [block!]] 11]
        forall: make native! [['word [word!] body [block!]] 12]
        remove-each: make native! [['word [word! block!] data [series!] body [block!]] 13]
        switch: make native! [[value [any-type!] cases [block!] /default case [block!]] 18]
        case: make native! [[cases [block!] /all] 19]
        do: make native! [[value [any-type!] /expand /args arg /next position [word!]
            /trace callback [function!]] 20]
        reduce: make native! [[value [any-type!] /into out [any-block!]] 35]
        compose: make native! [[value [block!] /deep /only /into out [any-block!]] 36]
        try: make native! [[block [block!] /all /keep] 70]
        break: make native! [[/return value [any-type!]] 77]
        continue: make native! [[] 78]
        exit: make native! [[] 79]
        return: make native! [[value [any-type!]] 80]
        throw: make native! [[value [any-type!] /name word [word!]] 81]
        catch: make native! [[block [block!] /name word [word! block!]] 82]
        apply: make native! [[func [word! path! native! action! function! op!] args [block!]
            /all /safer] 107]
        add: make action! [[value1 value2] 11]
        divide: make action! [[value1 value2] 12]
        subtract: make action! [[value1 value2] 18]
        even?: make action! [[value] 19]
        append: make action! [[series [series!] value [any-type!] /part length /only
            /dup count] 25]
        copy: make action! [[value /part length /deep /types kind] 30]
        head: make action! [[series] 32]
        index?: make action! [[series] 34]
        insert: make action! [[series [series!] value [any-type!] /part length /only
            /dup count] 35]
        next: make action! [[series] 38]
        pick: make action! [[series index] 39]
        tail?: make action! [[series] 49]
        +: make op! :add
        -: make op! :subtract
        ()
    )";
};

} // namespace zep::testing
