// Helpers shared by the text types whose notation is their text with fixed
// marks around it (tag!, email!, ref!).
#pragma once
#include <cstddef>
#include <cstdint>

#include "runtime/cell.h"

namespace zep::text_literal {

// The cell (a stack slot or a native local) becomes a text of the type
// holding the UTF-8 text; invalid UTF-8 raises access invalid-utf8.
Cell* load_as(uint8_t type, const unsigned char* text, size_t length, Cell* cell);
// Appends prefix, the value's text from its head and suffix (ASCII marks),
// cut to part_limit characters; answers the limit minus what was written.
int32_t write_marked(const Cell* value, Cell* out_string, const char* prefix, const char* suffix,
                     int32_t part_limit);

} // namespace zep::text_literal
