// A fresh memory manager, argument and frame stacks, cycle stack and raise
// for each test, with a few named words.
#pragma once
#include <gtest/gtest.h>

#include "evaluator/compiled_support.h"
#include "evaluator/error_value.h"
#include "evaluator/runtime_words.h"
#include "evaluator/stack.h"
#include "runtime/catch.h"
#include "runtime/value_make.h"
#include "tests/runtime/memory_fixture.h"

namespace zep::testing {

// Symbol ids the tests name frames with (no symbol table is needed).
namespace sym {
constexpr uint32_t body = 1, anon = 2, not_found = 3, loop = 10, fn = 11, other = 12;
}

class StackTest : public MemoryTest {
  protected:
    void SetUp() override {
        MemoryTest::SetUp();
        value::set_word(&words::globals[words::global::body], type_id::word, 0, sym::body);
        value::set_word(&words::globals[words::global::anon], type_id::word, 0, sym::anon);
        value::set_word(&words::globals[words::global::not_found], type_id::word, 0,
                        sym::not_found);
        stack::init();
        cycles::init();
        cycles::reset();
        error::install_raise();
    }
    void TearDown() override {
        error::set_fire_hook(nullptr);
        error::trace_hook = nullptr;
        MemoryTest::TearDown();
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
        Ref node = series::alloc_cells(2);
        SeriesBuffer* b = node_buffer(node);
        auto* cells = reinterpret_cast<Cell*>(buffer_head(b));
        b->tail = b->head + 2 * sizeof(Cell);
        value::set_cell(&cells[0], type_id::context, 0, 0, 0);
        cells[0].header |= 0x400000 | (1u << 11);
        value::set_unset(&cells[1]);
        return node;
    }
    static uint32_t values_word(Ref context) {
        return reinterpret_cast<Cell*>(buffer_head(node_buffer(context)))->data2;
    }
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
