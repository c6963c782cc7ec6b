// The path family: path!, lit-path!, set-path! and get-path! are blocks
// whose elements are the steps, written with "/" between them ("'" before a
// lit-path, ":" before a get-path, ":" after a set-path).
#pragma once
#include <cstdint>

#include "runtime/cell.h"

namespace zep::path {

// Pushes a copy of a block cell retyped to the path type (path!, lit-path!,
// set-path! or get-path!); answers the new slot.
Cell* push(const Cell* block, uint8_t type = type_id::path);
// The cell becomes an empty path! with room for n cells.
Cell* make_at(Cell* cell, int32_t n);

// Datatype (path!; the other three share all but mold).
void init();
Cell* make(Cell* result, const Cell* spec, uint8_t type);
Cell* to(Cell* result, const Cell* spec, uint8_t type);
int32_t form(const Cell* value, Cell* out_string, int32_t part_limit);
int32_t mold(const Cell* value, Cell* out_string, bool only, bool all, bool flat,
             int32_t part_limit, int32_t indent);

} // namespace zep::path

namespace zep::lit_path {
Cell* push(const Cell* block);
int32_t mold(const Cell* value, Cell* out_string, bool only, bool all, bool flat,
             int32_t part_limit, int32_t indent);
void init();
} // namespace zep::lit_path

namespace zep::set_path {
Cell* push(const Cell* block);
int32_t mold(const Cell* value, Cell* out_string, bool only, bool all, bool flat,
             int32_t part_limit, int32_t indent);
void init();
} // namespace zep::set_path

namespace zep::get_path {
Cell* push(const Cell* block);
int32_t mold(const Cell* value, Cell* out_string, bool only, bool all, bool flat,
             int32_t part_limit, int32_t indent);
void init();
} // namespace zep::get_path
