// ref!: a text type with the string layout (see string_buffer.h) that
// inherits string!'s actions; its text is held without the leading "@", and
// it forms and molds as "@" text.
#pragma once
#include <cstddef>
#include <cstdint>

#include "runtime/cell.h"

namespace zep::ref {
// The cell (a stack slot or a native local) becomes a ref! holding the UTF-8
// text (without its "@"); invalid UTF-8 raises access invalid-utf8.
Cell* load_at(const unsigned char* text, size_t length, Cell* cell);
void init();
int32_t form(const Cell* value, Cell* out_string, int32_t part_limit);
int32_t mold(const Cell* value, Cell* out_string, bool only, bool all, bool flat,
             int32_t part_limit, int32_t indent);
} // namespace zep::ref
