// A fixture for the comparison, set, math and conversion natives and the
// fast paths: the runtime core with the lexer, the action entries and the
// natives table, and helpers that call an entry on values loaded from text.
#pragma once
#include <gtest/gtest.h>

#include <string_view>
#include <vector>

#include "evaluator/actions.h"
#include "evaluator/natives.h"
#include "evaluator/natives_compare.h"
#include "runtime/error_catalog.h"
#include "tests/services/lexer_load_fixture.h"

namespace zep::testing {

class MathTest : public LexerLoadTest {
  protected:
    void SetUp() override {
        LexerLoadTest::SetUp();
        actions::register_table();
        natives::register_all();
        value::set_word(&name_, type_id::word, 0, symbol::make("probe"));
    }

    // Calls the entry in a native frame with the values the text loads as
    // arguments; answers the result slot, kept alive until the test ends.
    // The loaded block stays on the stack below the frame while the entry
    // runs.
    Cell call(natives::Entry entry, std::string_view args, std::vector<int32_t> refinements = {},
              bool check = false) {
        Cell* block = load_all(args);
        std::vector<Cell> values;
        for (uint32_t i = 0; i < count_of(block); i++) values.push_back(at(block, i));
        Cell result = call_cells(entry, values, std::move(refinements), check);
        stack::pop(1);
        return result;
    }
    // The same with the argument cells given.
    Cell call_cells(natives::Entry entry, const std::vector<Cell>& args,
                    std::vector<int32_t> refinements = {}, bool check = false) {
        stack::mark_native(&name_);
        for (const Cell& value : args) stack::push(&value);
        entry(check, refinements.empty() ? nullptr : refinements.data());
        Cell result = *stack::base();
        stack::unwind_drop();
        return kept(result);
    }
    Cell call(int32_t native, std::string_view args, std::vector<int32_t> refinements = {},
              bool check = false) {
        return call(natives::entry_at(native), args, std::move(refinements), check);
    }

    // The catalogue id (category/id) of the error the call raises, or "none".
    std::string raised(natives::Entry entry, std::string_view args,
                       std::vector<int32_t> refinements = {}, bool check = false) {
        int32_t code = raised_code([&] { call(entry, args, refinements, check); });
        return name_of_code(code);
    }
    std::string raised(int32_t native, std::string_view args, std::vector<int32_t> refinements = {},
                       bool check = false) {
        return raised(natives::entry_at(native), args, std::move(refinements), check);
    }
    std::string raised_cells(natives::Entry entry, const std::vector<Cell>& args,
                             std::vector<int32_t> refinements = {}, bool check = false) {
        int32_t code = raised_code([&] { call_cells(entry, args, refinements, check); });
        return name_of_code(code);
    }
    static std::string name_of_code(int32_t code) {
        if (code < 0) return "none";
        using error::Category;
        for (Category c : {Category::script, Category::math, Category::internal})
            for (const char* id :
                 {"expect-arg", "expect-val", "invalid-compare", "invalid-arg", "type-limit",
                  "bad-denom", "not-same-class", "invalid-refine-arg", "zero-divide", "overflow",
                  "cannot-use", "invalid-type", "not-related", "out-of-range", "not-done"})
                if (error::catalog::code_of(c, id) == code) return id;
        return "code " + std::to_string(code);
    }

    // True when the two values are identical (same? of the natives).
    static bool same(const Cell& a, const Cell& b) { return natives::is_same_value(&a, &b); }
    static Cell number(double x) {
        Cell c;
        value::set_float(&c, x);
        return c;
    }
    static Cell integer(int32_t n) {
        Cell c;
        value::set_integer(&c, n);
        return c;
    }
    static Cell datatype(uint8_t type) {
        Cell c;
        value::set_datatype(&c, type);
        return c;
    }

    Cell name_;
};

} // namespace zep::testing
