// Helpers for the path, paren, issue, url, file, map and hash tests, on the
// runtime core as start-up makes it.
#pragma once
#include <gtest/gtest.h>

#include <climits>
#include <string>

#include "datatypes/block.h"
#include "datatypes/file.h"
#include "datatypes/hash.h"
#include "datatypes/issue.h"
#include "datatypes/map.h"
#include "datatypes/paren.h"
#include "datatypes/path.h"
#include "datatypes/registry.h"
#include "datatypes/series.h"
#include "datatypes/string_buffer.h"
#include "datatypes/symbol.h"
#include "datatypes/url.h"
#include "datatypes/word.h"
#include "runtime/case_fold.h"
#include "runtime/error_catalog.h"
#include "tests/boot/runtime_fixture.h"

namespace zep::testing {

class PathTypesTest : public RuntimeTest {
  protected:
    // The catalogue code of the error the body raises (-1 when none).
    template <class Body> static int32_t raised(Body&& body) { return raised_code(body); }
    static int32_t code(error::Category category, const char* id) {
        return error::catalog::code_of(category, id);
    }
    // A text value of the type holding the UTF-8 text as it is.
    static Cell text(const std::string& utf8, uint8_t type = type_id::string) {
        gc::RootedCell cell; // the loader grows the text it made in the cell
        file::load_at(reinterpret_cast<const unsigned char*>(utf8.data()), utf8.size(), cell.get());
        cell->header = type;
        return kept(*cell);
    }
    // A block of the cells, held on the argument stack.
    static Cell* block_of(std::initializer_list<Cell> cells, uint8_t type = type_id::block) {
        Cell* block = block::push_new(static_cast<int32_t>(cells.size()));
        for (const Cell& c : cells) block::append_value(block, &c);
        block->header = type;
        return block;
    }
    static Cell integer(int32_t n) {
        Cell c;
        value::set_integer(&c, n);
        return c;
    }
    static Cell word_of(const char* name, uint8_t type = type_id::word) {
        Cell w;
        value::set_word(&w, type, 0, symbol::make(name));
        return w;
    }
    // The UTF-8 of a text value from its head.
    static std::string utf8(const Cell& value) { return string::utf8_of(&value); }
    // The value molded (or formed) through its type's slot. The value is
    // copied to the argument stack first: it may lie in a series that making
    // the output string moves.
    static std::string mold(const Cell& value, bool only = false, bool flat = false,
                            int32_t limit = INT32_MAX) {
        Cell* held = stack::push(&value);
        Cell* out = stack::push_slot();
        value::set_none(out); // the slot is marked while the string is made
        string::make_at(out, 16);
        auto slot = actions::slot_as<MoldFn>(cell_type(held), action_slot::mold);
        EXPECT_NE(slot, nullptr);
        slot(held, out, only, false, flat, limit, 0);
        std::string result = utf8(*out);
        stack::pop(2);
        return result;
    }
    static std::string form(const Cell& value) {
        Cell* held = stack::push(&value);
        Cell* out = stack::push_slot();
        value::set_none(out); // the slot is marked while the string is made
        string::make_at(out, 16);
        auto slot = actions::slot_as<FormFn>(cell_type(held), action_slot::form);
        EXPECT_NE(slot, nullptr);
        slot(held, out, INT32_MAX);
        std::string result = utf8(*out);
        stack::pop(2);
        return result;
    }
};

} // namespace zep::testing
