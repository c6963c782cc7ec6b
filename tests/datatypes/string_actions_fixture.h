// The string action tests' world: the runtime core as start-up makes it, a
// try frame that receives what the tests raise, and text values built from
// UTF-32 in a chosen unit.
#pragma once
#include <gtest/gtest.h>

#include <string>

#include "datatypes/logic.h"
#include "datatypes/none.h"
#include "datatypes/registry.h"
#include "datatypes/series.h"
#include "datatypes/string_actions.h"
#include "datatypes/string_buffer.h"
#include "datatypes/word.h"
#include "runtime/case_fold.h"
#include "runtime/error_catalog.h"
#include "runtime/gc_roots.h"
#include "runtime/unicode/units.h"
#include "tests/evaluator/stack_fixture.h"

namespace zep::testing {

class StringActionsTest : public StackTest {
  protected:
    void SetUp() override {
        StackTest::SetUp();
        mark_try();
    }
    static void mark_try() {
        Cell t = word(sym.other);
        stack::mark_try(&t);
    }

    // The catalogue code of the error the body raised (-1 when none).
    template <class Body> static int32_t raised(Body&& body) {
        if (thrown_code(body) != catch_::code_error) return -1;
        int32_t code = top_error_code();
        stack::reset();
        mark_try();
        return code;
    }
    static int32_t code(error::Category category, const char* id) {
        return error::catalog::code_of(category, id);
    }
    static int32_t script(const char* id) { return code(error::Category::script, id); }

    // A text value holding `text` in units of `unit` bytes, head at `head`.
    static Cell text(const std::u32string& t, uint32_t unit = 1, int32_t head = 0,
                     uint8_t type = type_id::string) {
        auto n = static_cast<uint32_t>(t.size());
        Ref node = memory::alloc_series(n ? n : 1, unit, 0);
        SeriesBuffer* b = node_buffer(node);
        for (uint32_t i = 0; i < n; ++i)
            unicode::write_unit(buffer_head(b) + uint64_t{i} * unit, unit, t[i]);
        b->tail = b->head + n * unit;
        return kept(Cell{type, static_cast<uint32_t>(head), node, 0});
    }
    static Cell ascii(const char* t, uint32_t unit = 1, int32_t head = 0) {
        std::u32string s;
        for (const char* p = t; *p; ++p) s.push_back(static_cast<unsigned char>(*p));
        return text(s, unit, head);
    }
    // The whole text of the value's buffer, from index 0.
    static std::u32string all_text(const Cell& value) {
        SeriesBuffer* b = node_buffer(value.data2);
        uint32_t unit = buffer_unit(b);
        std::u32string out;
        for (Ref p = b->head; p < b->tail; p += unit)
            out.push_back(unicode::read_unit(arena::at<unsigned char>(p), unit));
        return out;
    }
    // The text from the value's head.
    static std::u32string from_head(const Cell& value) {
        return all_text(value).substr(value.data1);
    }
    static uint32_t unit_of(const Cell& value) { return buffer_unit(node_buffer(value.data2)); }
    static Cell character(uint32_t cp) {
        Cell c;
        value::set_char(&c, cp);
        return c;
    }
};

inline std::u32string u32(const char* t) {
    std::u32string s;
    for (const char* p = t; *p; ++p) s.push_back(static_cast<unsigned char>(*p));
    return s;
}

} // namespace zep::testing
