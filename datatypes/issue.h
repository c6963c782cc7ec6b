// issue!: a word cell (global context, index -1, never bound) written with
// a leading "#".
#pragma once
#include <cstdint>

#include "runtime/cell.h"

namespace zep::issue {

// The cell becomes an issue! of the UTF-8 text. Answers the cell.
Cell* make_at(const unsigned char* text, uint32_t length, Cell* cell);
// An issue appended to a block value; answers the new cell.
Cell* make_in(Cell* block, const unsigned char* text, uint32_t length);
// An issue pushed on the argument stack, or, while start-up collects words,
// appended to the root block. Answers the cell.
Cell* push(const unsigned char* text, uint32_t length);
// Retypes a word-like cell to issue! (unbound, index -1). Answers the cell.
Cell* load_in(Cell* cell);

void init();
// make and to (one function).
Cell* make(Cell* result, const Cell* spec, uint8_t type);
int32_t mold(const Cell* value, Cell* out_string, bool only, bool all, bool flat,
             int32_t part_limit, int32_t indent);
int compare(const Cell* a, const Cell* b, int code);

} // namespace zep::issue
