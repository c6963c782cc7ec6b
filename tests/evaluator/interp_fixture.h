// The runtime core with a handful of natives, actions and operators bound in
// the global context (as the library binds them), and helpers that load text
// with the lexer and evaluate it.
#pragma once
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "datatypes/block.h"
#include "datatypes/context.h"
#include "datatypes/native.h"
#include "datatypes/op.h"
#include "datatypes/registry.h"
#include "datatypes/series.h"
#include "datatypes/string_buffer.h"
#include "datatypes/symbol.h"
#include "datatypes/typeset.h"
#include "datatypes/word.h"
#include "evaluator/actions.h"
#include "evaluator/call.h"
#include "evaluator/interp.h"
#include "evaluator/natives.h"
#include "runtime/error_catalog.h"
#include "runtime/gc_roots.h"
#include "services/lexer.h"
#include "tests/boot/runtime_fixture.h"

namespace zep::testing {

class InterpTest : public RuntimeTest {
  protected:
    void SetUp() override {
        RuntimeTest::SetUp();
        interp::clear_pending_exit();
        for (uint8_t t = 1; t <= datatype::highest_type(); ++t) {
            const char* name = datatype::type_table[t].name;
            if (!name) continue;
            Cell type;
            value::set_datatype(&type, t);
            set_global(name, type);
        }
        Cell any_type;
        typeset::make_default(&any_type);
        typeset::add_type(&any_type, type_id::unset);
        set_global("any-type!", any_type);
        // The library's spec blocks, reduced to what the tests call.
        define_action("make", "[type spec]", action_slot::make);
        define_action("form", "[value /part limit]", action_slot::form);
        define_action("mold", "[value /only /all /flat /part limit]", action_slot::mold);
        define_action("add", "[value1 value2]", action_slot::add);
        define_action("subtract", "[value1 value2]", action_slot::subtract);
        define_action("multiply", "[value1 value2]", action_slot::multiply);
        define_action("append", "[series value /part length /only /dup count]",
                      action_slot::append);
        define_action("insert", "[series value /part length /only /dup count]",
                      action_slot::insert);
        define_action("pick", "[series index]", action_slot::pick);
        define_action("at", "[series index]", action_slot::at);
        define_action("skip", "[series offset]", action_slot::skip);
        define_action("length?", "[series]", action_slot::is_length);
        define_action("next", "[series]", action_slot::next);
        define_action("tail", "[series]", action_slot::tail);
        define_action("copy", "[value /part length /deep /types kind]", action_slot::copy);
        define_native("func", "[spec body]", natives::index::func);
        define_native("function", "[spec body /extern]", natives::index::function);
        define_native("does", "[body]", natives::index::does);
        define_native("has", "[vars body]", natives::index::has);
        define_native("get", "[word /any /case]", natives::index::get);
        define_native("set", "[word value [any-type!] /any /case /only /some]",
                      natives::index::set);
        define_native("unset", "[word]", natives::index::unset);
        define_native("value?", "[value]", natives::index::is_value);
        define_native("bind", "[word context /copy]", natives::index::bind);
        define_native("in", "[object word]", natives::index::in);
        define_native("context?", "[word]", natives::index::is_context);
        define_native("construct", "[block /with object /only]", natives::index::construct);
        define_native("new-line", "[position value /all /skip size]", natives::index::new_line);
        define_native("new-line?", "[position]", natives::index::is_new_line);
        define_op("+", "add");
        define_op("-", "subtract");
        define_op("*", "multiply");
        set_global("none", none_cell());
        Cell t, f;
        value::set_logic(&t, true);
        value::set_logic(&f, false);
        set_global("true", t);
        set_global("false", f);
    }

    static Cell none_cell() {
        Cell c;
        value::set_none(&c);
        return c;
    }

    static void set_global(const char* name, const Cell& value) {
        Cell copy = value;
        gc::Root root(&copy);
        context::set_global(symbol::make(name), &copy);
    }

    // Loads UTF-8 text as a block pushed on the argument stack.
    static Cell* load(const std::string& text) {
        Cell* out = stack::push_slot();
        value::set_none(out);
        lexer::Options options;
        lexer::transcode(out, reinterpret_cast<const uint8_t*>(text.data()),
                         static_cast<uint32_t>(text.size()), options);
        return out;
    }

    static void define_function_like(const char* name, const char* spec, int32_t index,
                                     uint8_t type) {
        Cell* loaded = load(spec);
        *loaded = *block::cell_at(loaded, 0); // the text is one block
        Cell made;
        native::make_value(&made, loaded, index, type);
        stack::pop(1);
        set_global(name, made);
    }
    static void define_action(const char* name, const char* spec, int32_t index) {
        define_function_like(name, spec, index, type_id::action);
    }
    static void define_native(const char* name, const char* spec, int32_t index) {
        define_function_like(name, spec, index, type_id::native);
    }
    static void define_op(const char* name, const char* function_name) {
        Cell* function = stack::push(context::global_value(symbol::make(function_name)));
        Cell* result = stack::push_slot();
        value::set_none(result);
        Cell* made = op::make(result, function, type_id::op);
        Cell copy = *made;
        stack::pop(2);
        set_global(name, copy);
    }

    // Evaluates the text as a block; answers its value (copied off the stack).
    static Cell run(const std::string& text) {
        Cell* saved_top = stack::arguments.top;
        Cell* block = load(text);
        interp::eval_block(block, false);
        Cell result = *stack::top();
        stack::arguments.top = saved_top;
        return result;
    }

    static Cell global(const char* name) { return *context::global_value(symbol::make(name)); }

    // The catalogue code of the error evaluating the text raises (-1: none).
    static int32_t raised_by(const std::string& text) {
        return raised_code([&] { run(text); });
    }
    // The error value evaluating the text raises (none! when it raises none),
    // kept alive until the test ends.
    static Cell raised_error(const std::string& text) {
        stack::ArgumentStack saved_arguments = stack::arguments;
        stack::Frame* saved_frames = stack::frames.top;
        stack::mark_try(words::global_word(words::global::body));
        Cell error = none_cell();
        try {
            run(text);
        } catch (const catch_::Unwind& u) {
            if (u.code != catch_::code_error) throw;
            catch_::exception_slot = 0;
            error = kept(*stack::top());
        }
        stack::arguments = saved_arguments;
        stack::frames.top = saved_frames;
        return error;
    }
    static int32_t code(error::Category category, const char* id) {
        return error::catalog::code_of(category, id);
    }

    // The molded text of a value.
    static std::string mold(const Cell& value) {
        Cell* saved_top = stack::arguments.top;
        Cell* v = stack::push(&value);
        Cell* out = stack::push_slot();
        value::set_none(out); // marked while the string is made
        string::make_at(out, 16);
        actions::dispatch_mold(v, out, false, false, false, INT32_MAX, 0);
        std::string text = string::utf8_of(out);
        stack::arguments.top = saved_top;
        return text;
    }
    static std::string eval_mold(const std::string& text) { return mold(run(text)); }
};

} // namespace zep::testing
