// Blocks for the series and block tests, written as short texts: words,
// "none", nested [...] blocks, and a "|" before a value for its new-line
// marker. Values are read back the same way.
#pragma once
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "datatypes/block.h"
#include "datatypes/logic.h"
#include "datatypes/none.h"
#include "datatypes/registry.h"
#include "datatypes/series.h"
#include "datatypes/string_buffer.h"
#include "datatypes/symbol.h"
#include "datatypes/word.h"
#include "runtime/case_fold.h"
#include "runtime/cell_ops.h"
#include "runtime/error_catalog.h"
#include "runtime/gc_roots.h"
#include "tests/evaluator/stack_fixture.h"

namespace zep::testing {

class BlockTest : public StackTest {
  protected:
    // Builds a block (on the argument stack, so the cell stays put).
    static Cell* make(const std::string& text) {
        size_t at = 0;
        Cell made = parse(text, at);
        return stack::push(&made);
    }

    static Cell parse(const std::string& text, size_t& at) {
        Cell block;
        block::make_at(&block, 4);
        gc::Root keep_block(&block);
        bool line = false;
        while (at < text.size()) {
            char c = text[at];
            if (c == ' ') {
                ++at;
                continue;
            }
            if (c == '|') {
                line = true;
                ++at;
                continue;
            }
            if (c == ']') {
                ++at;
                break;
            }
            Cell item;
            value::set_none(&item);
            gc::Root keep_item(&item);
            if (c == '[') {
                ++at;
                item = parse(text, at);
            } else {
                size_t end = text.find_first_of(" []|", at);
                if (end == std::string::npos) end = text.size();
                std::string name = text.substr(at, end - at);
                at = end;
                if (name == "none")
                    value::set_none(&item);
                else if (name == "true")
                    value::set_logic(&item, true);
                else
                    value::set_word(&item, type_id::word, 0, symbol::make(name.c_str()));
            }
            if (line) item.header |= cell_flag_new_line;
            line = false;
            block::append_value(&block, &item);
        }
        return block;
    }

    // The block's cells from its head, written as `make` reads them (no
    // new-line markers).
    static std::string text(const Cell* value) {
        Cell block = *value;
        std::string out;
        int32_t h = series::clamped_head(&block);
        for (int32_t i = h; i < series::total_length(&block); ++i) {
            const Cell* c = block::cell_at(&block, i);
            if (!out.empty()) out += ' ';
            out += item_text(c);
        }
        return out;
    }

    static std::string item_text(const Cell* c) {
        switch (cell_type(c)) {
        case type_id::word:
            return symbol::utf8_text(value::word_symbol(c));
        case type_id::none:
            return "none";
        case type_id::logic:
            return c->data1 ? "true" : "false";
        case type_id::block:
        case type_id::hash:
            return "[" + text(c) + "]";
        default:
            return "?" + std::to_string(cell_type(c));
        }
    }

    static std::string string_of(const Cell* s) {
        std::string out;
        uint32_t n = string::total_length(s);
        for (uint32_t i = 0; i < n; ++i) out += static_cast<char>(string::char_at(s, i));
        return out;
    }

    static std::string molded(const Cell* v, bool only = false, bool flat = false,
                              int32_t limit = INT32_MAX, int32_t* left = nullptr) {
        Cell* out = stack::push_slot();
        value::set_none(out); // the slot is marked while the string is made
        string::make_at(out, 16);
        int32_t rest = block::mold(v, out, only, false, flat, limit, 0);
        if (left) *left = rest;
        return string_of(out);
    }

    static std::string formed(const Cell* v) {
        Cell* out = stack::push_slot();
        value::set_none(out); // the slot is marked while the string is made
        string::make_at(out, 16);
        block::form(v, out, INT32_MAX);
        return string_of(out);
    }

    static Cell word_cell(const char* name) {
        Cell w;
        value::set_word(&w, type_id::word, 0, symbol::make(name));
        return w;
    }
    static Cell at(const Cell* block, int32_t head) {
        Cell c = *block;
        c.data1 = static_cast<uint32_t>(head);
        return c;
    }

    // The catalogue code of the error the body raised (-1 when none).
    template <class Body> static int32_t raised(Body&& body) { return raised_code(body); }
    static int32_t code(error::Category category, const char* id) {
        return error::catalog::code_of(category, id);
    }
};

} // namespace zep::testing
