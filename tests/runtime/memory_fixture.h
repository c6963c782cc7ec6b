// A clean memory manager for each test: everything held is released before
// and after, and the collector hook is off.
#pragma once
#include <gtest/gtest.h>

#include <cstdint>

#include "runtime/arena.h"
#include "runtime/catch.h"
#include "runtime/memory.h"
#include "runtime/raise.h"

namespace zep::testing {

class MemoryTest : public ::testing::Test {
  protected:
    void SetUp() override {
        memory::init();
        memory::collector_enabled = false;
        memory::start_collection = nullptr;
        baseline_pages = arena::pages_in_use();
    }
    void TearDown() override {
        memory::collector_enabled = false;
        memory::start_collection = nullptr;
        memory::free_all();
        EXPECT_EQ(memory::record.bytes_in_use, 0u);
        EXPECT_EQ(arena::pages_in_use(), baseline_pages);
    }
    uint64_t baseline_pages = 0;
};

// Runs body and answers the internal error id it raised (null when none).
template <class Body> const char* raised_id(Body&& body) {
    error::last_raised = {error::Category::throw_, nullptr};
    try {
        body();
    } catch (const catch_::Unwind& u) {
        EXPECT_EQ(u.code, catch_::code_error);
        EXPECT_EQ(error::last_raised.category, error::Category::internal);
        return error::last_raised.id;
    }
    return nullptr;
}

inline uint32_t data_offset(SeriesBuffer* b, Ref address) {
    return address - arena::ref(buffer_data(b));
}

} // namespace zep::testing
