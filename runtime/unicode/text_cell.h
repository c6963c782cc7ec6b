// Reading a text value (string!, file!, url!, tag!, email!, ref!) as a range
// of units. A text cell's payload: data1 the head index in units (signed; it
// may lie past the tail), data2 the node of the text buffer, data3 the node of
// the value's conversion buffer or 0.
//
// Until the string datatype has its constructors, make_text_cell is the one
// place that builds such a cell by hand.
#pragma once
#include <cstdint>

#include "runtime/cell.h"
#include "runtime/memory.h"
#include "runtime/unicode/units.h"

namespace zep::unicode {

struct TextRange {
    unsigned char* start; // the head unit (clamped into the buffer's used part)
    uint32_t unit;
    uint32_t length; // units from the head to the tail, cut to the limit
    unsigned char* end() const {
        return start + (static_cast<uint64_t>(length) << unit_shift(unit));
    }
};

// The units from the value's head (clamped to [0, tail]) to its tail, cut to
// `limit` characters when limit is 0 or more and below the length. The
// pointers are valid until the next allocation.
inline TextRange text_range(const Cell* cell, int64_t limit = -1) {
    SeriesBuffer* b = node_buffer(cell->data2);
    uint32_t unit = buffer_unit(b);
    uint32_t shift = unit_shift(unit);
    uint32_t total = (b->tail - b->head) >> shift;
    int32_t index = static_cast<int32_t>(cell->data1);
    uint32_t head = index < 0 ? 0 : static_cast<uint32_t>(index) > total ? total : index;
    uint32_t length = total - head;
    if (limit >= 0 && limit < length) length = static_cast<uint32_t>(limit);
    return {buffer_head(b) + (static_cast<uint64_t>(head) << shift), unit, length};
}

// A string! cell on the text buffer behind `node`, head 0, no conversion buffer.
inline void make_text_cell(Cell* cell, Ref node) {
    *cell = Cell{type_id::string, 0, node, 0};
}

} // namespace zep::unicode
