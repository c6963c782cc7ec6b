// A whole runtime core for each test, made as start-up makes it (memory,
// type registry, root block, stacks, symbol table, global context, runtime
// words, owner table, cycle stack, slot registry, raise) and forgotten after.
#pragma once
#include <gtest/gtest.h>

#include "boot/startup.h"
#include "evaluator/error_value.h"
#include "evaluator/runtime_words.h"
#include "evaluator/stack.h"
#include "runtime/catch.h"
#include "runtime/gc_roots.h"
#include "runtime/root_block.h"
#include "runtime/value_make.h"
#include "tests/runtime/memory_fixture.h"

namespace zep::testing {

class RuntimeTest : public MemoryTest {
  protected:
    void SetUp() override {
        MemoryTest::SetUp();
        boot::init_core();
    }
    void TearDown() override {
        boot::forget_core();
        MemoryTest::TearDown();
    }
};

// Keeps a value a test made alive until the test ends (in the root block,
// which goes with the core), so that copies of it in C++ locals stay valid
// across allocations.
inline Cell kept(const Cell& value) {
    roots::append(&value);
    return value;
}

// Runs body under a try frame. Answers the catalogue code of the error it
// raised, or -1 when it raised none; other non-local exits pass through. The
// stacks are put back as they were.
template <class Body> int32_t raised_code(Body&& body) {
    stack::ArgumentStack saved_arguments = stack::arguments;
    stack::Frame* saved_frames = stack::frames.top;
    stack::mark_try(words::global_word(words::global::body));
    int32_t code = -1;
    try {
        body();
    } catch (const catch_::Unwind& u) {
        if (u.code != catch_::code_error) throw;
        catch_::exception_slot = 0;
        code = error::code_of(stack::top());
    }
    stack::arguments = saved_arguments;
    stack::frames.top = saved_frames;
    return code;
}

} // namespace zep::testing
