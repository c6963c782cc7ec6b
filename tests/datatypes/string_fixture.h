// Text values for the string buffer tests (on a whole runtime core): made
// from UTF-32 text in a chosen unit, and read back.
#pragma once
#include <gtest/gtest.h>

#include <string>

#include "runtime/cell.h"
#include "runtime/memory.h"
#include "runtime/unicode/units.h"
#include "tests/boot/runtime_fixture.h"

namespace zep::testing {

class StringTest : public RuntimeTest {
  protected:
    // A text value holding `text` in units of `unit` bytes, head at `head`.
    static Cell make_text(const std::u32string& text, uint32_t unit = 1, int32_t head = 0,
                          uint8_t type = type_id::string) {
        auto n = static_cast<uint32_t>(text.size());
        Ref node = memory::alloc_series(n ? n : 1, unit, 0);
        SeriesBuffer* b = node_buffer(node);
        for (uint32_t i = 0; i < n; ++i)
            unicode::write_unit(buffer_head(b) + uint64_t{i} * unit, unit, text[i]);
        b->tail = b->head + n * unit;
        return kept(Cell{type, static_cast<uint32_t>(head), node, 0});
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

    static uint32_t unit_of(const Cell& value) { return buffer_unit(node_buffer(value.data2)); }
};

} // namespace zep::testing
