// op!: an infix operator. Its header is 23 in bits 0-7 with the type id of
// the wrapped value (native!, action!, function! or routine!) in bits
// 16-23; its payload is the wrapped value's. An op! of a function! or
// routine! shares that value's more block, whose cell 3 holds the value.
#pragma once
#include <cstdint>

#include "runtime/cell.h"

namespace zep::op {

constexpr uint32_t wrapped_shift = 16;

inline uint8_t wrapped_type(const Cell* value) {
    return static_cast<uint8_t>(value->header >> wrapped_shift);
}
// A copy of the op! retyped to the value it wraps (flags dropped).
inline Cell unwrap(const Cell* value) {
    Cell copy = *value;
    copy.header = wrapped_type(value);
    return copy;
}

// True when the spec has exactly two arguments and its first argument is a
// plain word! (no refinement other than /local or /extern before the end).
bool check_spec(const Cell* spec);

// make op! value.
Cell* make(Cell* result, const Cell* spec, uint8_t type);
Cell* reflect(Cell* value, const Cell* field);
int32_t form(const Cell* value, Cell* out_string, int32_t part_limit);
int32_t mold(const Cell* value, Cell* out_string, bool only, bool all, bool flat,
             int32_t part_limit, int32_t indent);

// Registers op! (type 23).
void init();

} // namespace zep::op
