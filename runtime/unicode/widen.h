// Widening a text buffer in place: 1 -> 2, 1 -> 4 or 2 -> 4 bytes per unit.
// Each keeps every code point and the unit index of every position (so the
// head index of every value on the buffer stays valid), expands the buffer
// when it lacks room, and answers the buffer, which may have moved. Buffers
// never narrow. A buffer whose unit is not the one named is an internal fault
// (runtime error 101).
#pragma once
#include <cstdint>

#include "runtime/memory.h"

namespace zep::unicode {

SeriesBuffer* widen_1_to_2(SeriesBuffer* buffer);
SeriesBuffer* widen_1_to_4(SeriesBuffer* buffer);
SeriesBuffer* widen_2_to_4(SeriesBuffer* buffer);

// Widens the buffer to `unit`, which is wider than its unit.
SeriesBuffer* widen_to_wider(SeriesBuffer* buffer, uint32_t unit);

// Widens the buffer to `unit` when its unit is narrower; otherwise answers it
// unchanged (inline: most edits need no widening).
inline SeriesBuffer* widen_to(SeriesBuffer* buffer, uint32_t unit) {
    return buffer_unit(buffer) >= unit ? buffer : widen_to_wider(buffer, unit);
}

} // namespace zep::unicode
