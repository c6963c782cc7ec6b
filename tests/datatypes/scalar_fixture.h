// A fixture for the bitset!, typeset!, triple! and date! tests: the runtime
// core as start-up makes it, month names for dates, and helpers that build
// blocks and strings and catch raised errors.
#pragma once
#include <gtest/gtest.h>

#include <climits>
#include <cstring>
#include <initializer_list>
#include <string>

#include "datatypes/bitset.h"
#include "datatypes/date.h"
#include "datatypes/registry.h"
#include "datatypes/string_buffer.h"
#include "datatypes/symbol.h"
#include "datatypes/triple.h"
#include "datatypes/typeset.h"
#include "runtime/error_catalog.h"
#include "runtime/gc_roots.h"
#include "runtime/value_make.h"
#include "tests/evaluator/stack_fixture.h"

namespace zep::testing {

class ScalarTest : public StackTest {
  protected:
    void SetUp() override {
        StackTest::SetUp();
        Cell receiver = word(sym.other);
        stack::mark_try(&receiver); // receives what the tests raise
        months = kept(block_of({}));
        for (const char* name : {"January", "February", "March", "April", "May", "June", "July",
                                 "August", "September", "October", "November", "December"}) {
            Cell text;
            string::make_at(&text, 10);
            gc::Root keep(&text);
            string::append_text(&text, name);
            *series::alloc_tail_cell(node_buffer(value::series_node(&months))) = text;
        }
        date::set_months_source([] { return static_cast<const Cell*>(&months); });
    }
    void TearDown() override {
        date::set_months_source(nullptr);
        StackTest::TearDown();
    }

    static Cell block_of(std::initializer_list<Cell> cells) {
        Ref node = series::alloc_cells(static_cast<uint32_t>(cells.size()) + 1);
        gc::RootRef keep(node);
        for (const Cell& c : cells) *series::alloc_tail_cell(node_buffer(node)) = c;
        Cell block;
        value::set_series(&block, type_id::block, node);
        return kept(block);
    }
    static Cell integer(int32_t v) {
        Cell c;
        value::set_integer(&c, v);
        return c;
    }
    static Cell character(uint32_t cp) {
        Cell c;
        value::set_char(&c, cp);
        return c;
    }
    static Cell time(double seconds) {
        Cell c;
        value::set_double(&c, type_id::time, seconds);
        return c;
    }
    static Cell datatype(uint8_t type) {
        Cell c;
        value::set_datatype(&c, type);
        return c;
    }
    static Cell text(const char* s) {
        Cell c;
        string::make_at(&c, 16);
        gc::Root keep(&c);
        string::append_text(&c, s);
        return kept(c);
    }
    static Cell word_named(const char* name) {
        Cell w;
        value::set_word(&w, type_id::word, 0, symbol::make(name));
        return w;
    }
    static std::string text_of(const Cell* string) {
        std::string out;
        uint32_t head = static_cast<uint32_t>(value::series_head(string));
        for (uint32_t i = 0; i < string::length(string); ++i)
            out += static_cast<char>(string::char_at(string, head + i));
        return out;
    }
    // The value's mold through its type's slot.
    static std::string mold(const Cell& value, bool only = false) {
        gc::RootedCell out;
        string::make_at(out.get(), 16);
        actions::slot_as<MoldFn>(cell_type(&value), action_slot::mold)(&value, out.get(), only,
                                                                       false, false, INT_MAX, 0);
        return text_of(out.get());
    }
    // Whether the body raised the catalogue error category/id.
    template <class Body>
    static bool raises(error::Category category, const char* id, Body&& body) {
        if (thrown_code(body) != catch_::code_error) return false;
        bool matched = top_error_code() == error::catalog::code_of(category, id);
        Cell receiver = word(sym.other);
        stack::reset();
        stack::mark_try(&receiver);
        return matched;
    }
    template <class Body> static bool script_error(const char* id, Body&& body) {
        return raises(error::Category::script, id, body);
    }

    static inline Cell months;
};

} // namespace zep::testing
