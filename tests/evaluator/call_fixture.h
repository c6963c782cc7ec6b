// An interpreter for the call tests: the runtime core with the action
// entries, the natives table and the interpreter state, datatype words set
// to their datatypes, and helpers that define words and evaluate text.
// Natives from other groups that the tests need (return, either, lesser?)
// are small stand-ins that follow the same conventions.
#pragma once
#include <gtest/gtest.h>

#include <string>

#include "datatypes/block.h"
#include "datatypes/context.h"
#include "datatypes/native.h"
#include "datatypes/registry.h"
#include "datatypes/series.h"
#include "datatypes/string_buffer.h"
#include "datatypes/symbol.h"
#include "datatypes/typeset.h"
#include "evaluator/actions.h"
#include "evaluator/call.h"
#include "evaluator/interp.h"
#include "evaluator/natives.h"
#include "evaluator/stack.h"
#include "runtime/error_catalog.h"
#include "runtime/gc_roots.h"
#include "tests/boot/runtime_fixture.h"

namespace zep::testing {

class CallTest : public RuntimeTest {
  protected:
    void SetUp() override {
        RuntimeTest::SetUp();
        actions::register_table();
        natives::register_();
        interp::init();
        interp::clear_pending_exit();
        for (uint8_t t = 1; t <= datatype::highest_type(); ++t) {
            const char* name = datatype::type_table[t].name;
            if (!name) continue;
            Cell type;
            value::set_datatype(&type, t);
            context::set_global(symbol::make(name), &type);
        }
        Cell any_type;
        typeset::make_default(&any_type);
        typeset::add_type(&any_type, type_id::unset);
        define("any-type!", &any_type);
        Cell constant;
        value::set_logic(&constant, true);
        define("true", &constant);
        value::set_logic(&constant, false);
        define("false", &constant);
        value::set_none(&constant);
        define("none", &constant);
        natives::set_entry(natives::index::return_, &return_standin);
        natives::set_entry(natives::index::exit_, &exit_standin);
        natives::set_entry(natives::index::either, &either_standin);
        natives::set_entry(natives::index::is_lesser, &lesser_standin);
        natives::set_entry(natives::index::do_, &do_standin);
        define_native("func", "[spec [block!] body [block!]]", natives::index::func);
        define_native("function", "[spec [block!] body [block!] /extern]",
                      natives::index::function);
        define_native("return", "[value [any-type!]]", natives::index::return_);
        define_native("exit", "[]", natives::index::exit_);
        define_native("either", "[cond [any-type!] a [block!] b [block!]]", natives::index::either);
        define_native("lesser?", "[a b]", natives::index::is_lesser);
        define_native("do", "[code [block!]]", natives::index::do_);
        define_action("make", "[type [any-type!] spec [any-type!]]", action_slot::make);
        define_action("add", "[a b]", action_slot::add);
        define_action("subtract", "[a b]", action_slot::subtract);
        define_action("multiply", "[a b]", action_slot::multiply);
        define_action("append", "[series value /part length /only /dup count]",
                      action_slot::append);
        run("+: make op! :add -: make op! :subtract *: make op! :multiply <: make op! :lesser?");
    }
    void TearDown() override {
        interp::clear_pending_exit();
        interp::forget();
        natives::forget();
        RuntimeTest::TearDown();
    }

    // The block loaded from the text, pushed on the argument stack.
    static Cell* load(const std::string& text) {
        Cell* source = string::load(reinterpret_cast<const unsigned char*>(text.data()),
                                    static_cast<uint32_t>(text.size()), string::encoding::utf8);
        Cell* block = stack::push_slot();
        value::set_none(block);
        EXPECT_TRUE(block::load_text(source, block));
        return block;
    }

    // Evaluates the text; answers the result, kept alive until the test
    // ends. The stack is put back.
    static Cell run(const std::string& text) {
        Cell* saved = stack::arguments.top;
        Cell* code = load(text);
        interp::eval_block(code, false);
        Cell result = kept(*stack::top());
        stack::arguments.top = saved;
        return result;
    }

    // The catalogue code of the error the text raises, or -1.
    static int32_t error_of(const std::string& text) {
        return raised_code([&] { run(text); });
    }
    static int32_t script(const char* id) {
        return error::catalog::code_of(error::Category::script, id);
    }

    static void define(const char* name, const Cell* value) {
        gc::RootedCell copy(*value); // interning the name may collect
        context::set_global(symbol::make(name), copy.get());
    }
    static void define_native(const char* name, const std::string& spec, int32_t index,
                              uint8_t type = type_id::native) {
        Cell* saved = stack::arguments.top;
        Cell* block = load(spec);
        Cell* spec_block = stack::push(block::cell_at(block, 0));
        gc::RootedCell made;
        native::make_value(made.get(), spec_block, index, type);
        define(name, made.get());
        stack::arguments.top = saved;
    }
    static void define_action(const char* name, const std::string& spec, int32_t index) {
        define_native(name, spec, index, type_id::action);
    }

    static std::string mold(const Cell* value) {
        Cell* saved = stack::arguments.top;
        Cell* v = stack::push(value);
        Cell* out = stack::push_slot();
        value::set_none(out); // marked while the string is made
        string::make_at(out, 16);
        actions::dispatch_mold(v, out, false, false, false, INT32_MAX, 0);
        std::string text;
        uint32_t n = static_cast<uint32_t>(series::total_length(out));
        for (uint32_t i = 0; i < n; ++i) text += static_cast<char>(string::char_at(out, i));
        stack::arguments.top = saved;
        return text;
    }
    static std::string mold_of(const std::string& code) {
        Cell v = run(code);
        return mold(&v);
    }
    static int32_t integer_of(const std::string& code) {
        Cell v = run(code);
        EXPECT_EQ(cell_type(&v), type_id::integer) << code;
        return value::integer_of(&v);
    }

  private:
    static void return_standin(bool, const int32_t*) {
        if (!interp::request_exit(catch_::code_return, stack::base())) stack::throw_exit(true);
    }
    static void exit_standin(bool, const int32_t*) {
        if (!interp::request_exit(catch_::code_exit, nullptr)) stack::throw_exit(false);
    }
    static void either_standin(bool, const int32_t*) {
        Cell* base = stack::base();
        bool truth = !(cell_type(base) == type_id::none ||
                       (cell_type(base) == type_id::logic && base->data1 == 0));
        interp::set_polls_exit();
        interp::eval_block(truth ? base + 1 : base + 2, true);
    }
    // Evaluates its block without keeping the pending-exit promise, so a
    // return inside it takes the throwing path.
    static void do_standin(bool, const int32_t*) { interp::eval_block(stack::base(), true); }
    static void lesser_standin(bool, const int32_t*) {
        Cell* base = stack::base();
        value::set_logic(base, actions::compare_values(base, base + 1, compare_code::lesser) < 0);
        stack::keep_first();
    }
};

} // namespace zep::testing
