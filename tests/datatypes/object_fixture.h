// Objects and errors for the object! and error! tests: the interpreter of
// the call tests, and the form or mold of a value as std::string.
#pragma once
#include <string>

#include "datatypes/registry.h"
#include "datatypes/string_buffer.h"
#include "evaluator/stack.h"
#include "runtime/value_make.h"
#include "tests/evaluator/call_fixture.h"

namespace zep::testing {

class ObjectTest : public CallTest {
  protected:
    // A new stack cell holding none!: a bare push_slot keeps whatever the
    // cell held before, which a collection would take for a live value.
    static Cell* push_none() {
        Cell* cell = stack::push_slot();
        value::set_none(cell);
        return cell;
    }

    static std::string utf8(const Cell* text) {
        std::string out;
        uint32_t n = string::total_length(text);
        for (uint32_t i = 0; i < n; ++i) {
            uint32_t cp = string::char_at(text, i);
            out += cp < 128 ? static_cast<char>(cp) : '?';
        }
        return out;
    }

    static std::string molded(const Cell* value, bool only = false, bool flat = false) {
        Cell* held = stack::push(value);
        Cell* text = string::make_at(push_none(), 64);
        actions::slot_as<MoldFn>(cell_type(held), action_slot::mold)(held, text, only, false, flat,
                                                                     0x7FFFFFFF, 0);
        std::string out = utf8(text);
        stack::pop(2);
        return out;
    }

    static std::string formed(const Cell* value) {
        Cell* held = stack::push(value);
        Cell* text = string::make_at(push_none(), 64);
        actions::slot_as<FormFn>(cell_type(held), action_slot::form)(held, text, 0x7FFFFFFF);
        std::string out = utf8(text);
        stack::pop(2);
        return out;
    }

    static Cell datatype(uint8_t type) {
        Cell c;
        value::set_datatype(&c, type);
        return c;
    }
};

} // namespace zep::testing
