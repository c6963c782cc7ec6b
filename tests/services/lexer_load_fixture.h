// A fixture for the loader tests: the runtime core and the lexer, and
// helpers that load a text and look at the values or the syntax error.
#pragma once
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <string_view>

#include "datatypes/symbol.h"
#include "evaluator/error_value.h"
#include "runtime/error_catalog.h"
#include "runtime/memory.h"
#include "runtime/unicode/text_cell.h"
#include "runtime/unicode/utf8.h"
#include "runtime/value_make.h"
#include "services/lexer.h"
#include "tests/boot/runtime_fixture.h"

namespace zep::testing {

class LexerLoadTest : public RuntimeTest {
  protected:
    void SetUp() override {
        RuntimeTest::SetUp();
        lexer::init();
    }

    // Every value the text loads, as a block held on the argument stack.
    static Cell* load_all(std::string_view text) {
        Cell* block = stack::push_slot();
        value::set_none(block);
        lexer::transcode(block, reinterpret_cast<const uint8_t*>(text.data()),
                         static_cast<uint32_t>(text.size()), lexer::Options{});
        return block;
    }
    static uint32_t count_of(const Cell* block) {
        return node_cell_count(value::series_node(block)) -
               static_cast<uint32_t>(value::series_head(block));
    }
    static Cell at(const Cell* block, uint32_t i) {
        return node_cells(value::series_node(block))[value::series_head(block) + i];
    }
    // The one value the text loads (a syntax error fails the test), kept
    // alive until the test ends.
    static Cell load(std::string_view text) {
        Cell value{};
        bool loaded = false;
        int32_t code = raised_code([&] {
            Cell* block = load_all(text);
            EXPECT_EQ(count_of(block), 1u) << text;
            if (count_of(block) > 0) {
                value = at(block, 0);
                loaded = true;
            }
        });
        EXPECT_EQ(code, -1) << text;
        return loaded ? kept(value) : value;
    }

    // The syntax error a text raises: its catalogue id and the datatype id
    // named by its second argument (0 when it names none).
    struct Failure {
        std::string id;
        uint8_t type;
        bool operator==(const Failure&) const = default;
    };
    static Failure failure(std::string_view text) {
        stack::ArgumentStack saved_arguments = stack::arguments;
        stack::Frame* saved_frames = stack::frames.top;
        stack::mark_try(words::global_word(words::global::body));
        Failure found{"none", 0};
        try {
            load_all(text);
        } catch (const catch_::Unwind& u) {
            if (u.code != catch_::code_error) throw;
            catch_::exception_slot = 0;
            const Cell* err = stack::top();
            found.id = id_of(error::code_of(err));
            const Cell* arg2 = error::field_of(err, error::field::arg2);
            if (cell_type(arg2) == type_id::datatype)
                found.type = static_cast<uint8_t>(arg2->data1);
            const Cell* arg1 = error::field_of(err, error::field::arg1);
            last_line = cell_type(arg1) == type_id::string ? text_of(*arg1) : "";
        }
        stack::arguments = saved_arguments;
        stack::frames.top = saved_frames;
        return found;
    }
    // The first argument ("(line n)") of the last error failure() saw.
    static inline std::string last_line;

    static std::string id_of(int32_t code) {
        for (const char* id : {"invalid", "missing", "malconstruct", "bad-char"})
            if (error::catalog::code_of(error::Category::syntax, id) == code) return id;
        return "code " + std::to_string(code);
    }

    static std::string text_of(const Cell& value) {
        unicode::TextRange range = unicode::text_range(&value);
        std::string text;
        for (const unsigned char* p = range.start; p < range.end(); p += range.unit) {
            unsigned char bytes[4];
            uint32_t n = unicode::encode_utf8(unicode::read_unit(p, range.unit), bytes);
            text.append(reinterpret_cast<const char*>(bytes), n);
        }
        return text;
    }
    static uint32_t unit_of(const Cell& value) {
        return buffer_unit(node_buffer(value::series_node(&value)));
    }
    static std::string name_of(const Cell& word) {
        uint32_t symbol = value::word_symbol(&word);
        return std::string(symbol::utf8_text(symbol), symbol::utf8_length(symbol));
    }
    static double number_of(const Cell& value) { return value::double_of(&value); }
};

} // namespace zep::testing
