// The runtime core for each test, with a few named words for frames.
#pragma once
#include <gtest/gtest.h>

#include "datatypes/context.h"
#include "datatypes/symbol.h"
#include "evaluator/compiled_support.h"
#include "evaluator/error_value.h"
#include "evaluator/runtime_words.h"
#include "evaluator/stack.h"
#include "runtime/catch.h"
#include "runtime/value_make.h"
#include "tests/boot/runtime_fixture.h"

namespace zep::testing {

// Symbol ids the tests name frames with.
struct Symbols {
    uint32_t body, anon, not_found, loop, fn, other;
};
inline Symbols sym;

class StackTest : public RuntimeTest {
  protected:
    void SetUp() override {
        RuntimeTest::SetUp();
        sym = {words::symbol_of_global(words::global::body),
               words::symbol_of_global(words::global::anon),
               words::symbol_of_global(words::global::not_found),
               symbol::make("a-loop"),
               symbol::make("a-function"),
               symbol::make("other")};
    }
    // A word naming a frame, bound to `context`.
    static Cell word(uint32_t symbol, Ref context = 0) {
        Cell w;
        value::set_word(&w, type_id::word, context, symbol);
        return w;
    }
    static Cell integer(int32_t v) {
        Cell c;
        value::set_integer(&c, v);
        return c;
    }
    // A function context whose values live on the argument stack.
    static Ref function_context() {
        return context::make_node(1, true, false, 0, context::kind::function);
    }
    static uint32_t values_word(Ref ctx) { return context::header(ctx)->data2; }
    static uint32_t base_index() { return stack::index_of(stack::base()); }
    static uint32_t top_index() { return stack::index_of(stack::arguments.top); }
};

// Runs body; answers the code it threw (0 when none).
template <class Body> uint32_t thrown_code(Body&& body) {
    try {
        body();
    } catch (const catch_::Unwind& u) {
        return u.code;
    }
    return 0;
}

// The catalogue code of the error on top of the argument stack.
inline int32_t top_error_code() {
    const Cell* e = stack::top();
    EXPECT_EQ(cell_type(e), type_id::error);
    return error::code_of(e);
}

} // namespace zep::testing
