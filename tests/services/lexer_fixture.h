// Start-up for the lexer tests: the runtime core with the datatypes whose
// values the lexer makes, the lexer itself, and helpers that transcode a
// text and mold the result or read the syntax error it raised.
#pragma once
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "datatypes/char.h"
#include "datatypes/float.h"
#include "datatypes/integer.h"
#include "datatypes/pair.h"
#include "datatypes/percent.h"
#include "datatypes/string_actions.h"
#include "datatypes/time.h"
#include "datatypes/tuple.h"
#include "evaluator/error_value.h"
#include "runtime/error_catalog.h"
#include "services/lexer.h"
#include "tests/datatypes/path_fixture.h"

namespace zep::testing {

class LexerTest : public PathTypesTest {
  public:
    using PathTypesTest::form;
    using PathTypesTest::mold;
    using PathTypesTest::text;

    void SetUp() override { PathTypesTest::SetUp(); }

    static const uint8_t* bytes(const std::string& text) {
        return reinterpret_cast<const uint8_t*>(text.data());
    }

    // The text transcoded into a block, molded without its brackets (or the
    // error raised, as error_from shows it).
    static std::string load(const std::string& text) {
        std::string molded;
        std::string error = error_from([&] {
            Cell* out = stack::push_slot();
            value::set_none(out);
            lexer::Options options;
            lexer::transcode(out, bytes(text), static_cast<uint32_t>(text.size()), options);
            molded = mold(*out, true);
        });
        return error == "none" ? molded : error;
    }

    static std::string text_of(const Cell* value) {
        switch (cell_type(value)) {
        case type_id::none:
            return "-";
        case type_id::datatype:
            // error! has no registration in these tests yet.
            return value->data1 == type_id::error ? "error!" : mold(*value);
        default:
            return form(*value);
        }
    }

    // The error that running body raises, as "id arg1 | arg2 | arg3" with
    // none shown as "-", or "none" when it raises nothing.
    template <class Body> static std::string error_from(Body&& body) {
        stack::ArgumentStack saved_arguments = stack::arguments;
        stack::Frame* saved_frames = stack::frames.top;
        stack::mark_try(words::global_word(words::global::body));
        std::string answer = "none";
        try {
            body();
        } catch (const catch_::Unwind& u) {
            if (u.code != catch_::code_error) throw;
            catch_::exception_slot = 0;
            const Cell* error = stack::top();
            int32_t code = error::code_of(error);
            answer = std::string(error::catalog::template_of(code)->id) + " " +
                     text_of(error::field_of(error, error::field::arg1)) + " | " +
                     text_of(error::field_of(error, error::field::arg2)) + " | " +
                     text_of(error::field_of(error, error::field::arg3));
        }
        stack::arguments = saved_arguments;
        stack::frames.top = saved_frames;
        return answer;
    }

    // The syntax error a text raises (see error_from).
    static std::string error_of(const std::string& text) {
        return error_from([&] {
            Cell* out = stack::push_slot();
            value::set_none(out);
            lexer::Options options;
            lexer::transcode(out, bytes(text), static_cast<uint32_t>(text.size()), options);
        });
    }
};

} // namespace zep::testing
