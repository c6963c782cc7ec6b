// A stack, raise and registry for the number-like datatypes' tests, with
// helpers to build cells and to check the error a body raises.
#pragma once
#include <gtest/gtest.h>

#include <climits>
#include <cstring>
#include <string>

#include "datatypes/float.h"
#include "datatypes/pair.h"
#include "datatypes/percent.h"
#include "datatypes/registry.h"
#include "datatypes/string_buffer.h"
#include "datatypes/tuple.h"
#include "evaluator/stack.h"
#include "runtime/error_catalog.h"
#include "runtime/gc_roots.h"
#include "runtime/value_make.h"
#include "tests/boot/runtime_fixture.h"

namespace zep::testing {

class FloatTest : public RuntimeTest {
  protected:
    void SetUp() override {
        RuntimeTest::SetUp();
        float_::is_pretty_print = true;
    }
    void TearDown() override {
        float_::is_pretty_print = true;
        RuntimeTest::TearDown();
    }

    static Cell number(uint8_t type, double x) {
        Cell c;
        value::set_double(&c, type, x);
        return c;
    }
    static Cell integer(int32_t v) {
        Cell c;
        value::set_integer(&c, v);
        return c;
    }
    static Cell flt(double x) { return number(type_id::float_, x); }
    static Cell pct(double x) { return number(type_id::percent, x); }
    static Cell tim(double x) { return number(type_id::time, x); }
    static Cell pr(int32_t x, int32_t y) {
        Cell c;
        pair::make_in(&c, x, y);
        return c;
    }
    static Cell tup(std::initializer_list<int32_t> bytes) {
        Cell* pushed = tuple::push_from_ints(bytes.begin(), static_cast<uint32_t>(bytes.size()));
        return *pushed;
    }
    // A string! cell holding the ASCII text.
    static Cell text(const char* s) {
        Cell c;
        string::make_at(&c, static_cast<uint32_t>(std::strlen(s)) + 1);
        gc::Root keep(&c);
        string::append_text(&c, s);
        return kept(c);
    }
    // A block of the cells.
    static Cell block_of(std::initializer_list<Cell> cells) {
        Ref node = series::alloc_cells(static_cast<uint32_t>(cells.size()) + 1);
        gc::RootRef keep(node);
        for (const Cell& c : cells) *series::alloc_tail_cell(node_buffer(node)) = c;
        Cell block;
        value::set_series(&block, type_id::block, node);
        return kept(block);
    }
    static Cell binary_of(std::initializer_list<uint8_t> bytes) {
        Ref node = series::alloc_bytes(static_cast<uint32_t>(bytes.size()) + 1);
        SeriesBuffer* b = node_buffer(node);
        std::memcpy(series::alloc_tail_bytes(b, static_cast<uint32_t>(bytes.size())), bytes.begin(),
                    bytes.size());
        Cell c;
        value::set_series(&c, type_id::binary, node);
        return c;
    }
    static std::string text_of(const Cell* string) {
        std::string out;
        for (uint32_t i = 0; i < string::length(string); ++i)
            out += static_cast<char>(string::char_at(string, i));
        return out;
    }
    // The form (or, with mold set, mold) of a value through its type's slot.
    static std::string render(const Cell& value, bool mold = false) {
        Cell out;
        string::make_at(&out, 32);
        uint8_t type = cell_type(&value);
        if (mold) {
            actions::slot_as<MoldFn>(type, action_slot::mold)(&value, &out, false, false, false,
                                                              INT_MAX, 0);
        } else {
            actions::slot_as<FormFn>(type, action_slot::form)(&value, &out, INT_MAX);
        }
        return text_of(&out);
    }
    // Runs a frame slot on two argument cells; answers the result cell.
    template <class Slot> static Cell frame(Slot slot, const Cell& a, const Cell& b = Cell{}) {
        stack::base()[0] = a;
        stack::base()[1] = b;
        slot();
        return stack::base()[0];
    }
    // Whether the body raised the error category/id.
    template <class Body>
    static bool raises(error::Category category, const char* id, Body&& body) {
        return raised_code(body) == error::catalog::code_of(category, id);
    }
    template <class Body> static bool script_error(const char* id, Body&& body) {
        return raises(error::Category::script, id, body);
    }
    template <class Body> static bool math_error(const char* id, Body&& body) {
        return raises(error::Category::math, id, body);
    }
};

} // namespace zep::testing
