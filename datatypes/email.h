// email!: a text type with the string layout (see string_buffer.h) that
// inherits string!'s actions; it forms and molds as its text (user@host) and
// adds the path fields user and host.
#pragma once
#include <cstddef>
#include <cstdint>

#include "runtime/cell.h"

namespace zep::email {
// The cell (a stack slot or a native local) becomes an email! holding the
// UTF-8 text; invalid UTF-8 raises access invalid-utf8. Answers the cell.
Cell* load_at(const unsigned char* text, size_t length, Cell* cell);
void init();
int32_t mold(const Cell* value, Cell* out_string, bool only, bool all, bool flat,
             int32_t part_limit, int32_t indent);
// user and host: the text before and after the first "@" as a new string!;
// setting one replaces that part of the value.
Cell* eval_path(Cell* parent, const Cell* selector, const Cell* value, const Cell* path,
                bool case_);
} // namespace zep::email
