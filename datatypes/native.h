// native!: a function of the natives table. Its cell: data1 the native's
// 1-based index in the natives table (evaluator/natives.h), data2 the spec
// block node, data3 the node of a two-cell block: the context! header cell
// of a context made from the spec's words (kind function), then none!.
#pragma once
#include <cstdint>

#include "runtime/cell.h"

namespace zep::native {

constexpr int32_t table_slots = 120;
constexpr int32_t action_table_slots = 62;

namespace flag {
// A native! or action! made with a spec that could give its entry less than
// the spec the entry was written for (evaluator/native_specs.h).
constexpr uint32_t unlike_entry = 0x800;
} // namespace flag

// The entry index of a native! or action! (or of an op! wrapping one).
inline int32_t index_of(const Cell* value) {
    return static_cast<int32_t>(value->data1);
}

// Writes a native! (or, with type action!, an action!) made from the spec
// block and the table index into out. The spec cell may point into a
// series buffer: it is copied first. out must not lie in a series buffer.
Cell* make_value(Cell* out, const Cell* spec, int32_t index, uint8_t type = type_id::native);

// make native! [spec index] (and make action!, which shares it).
Cell* make(Cell* result, const Cell* spec, uint8_t type);
Cell* reflect(Cell* value, const Cell* field);
int32_t form(const Cell* value, Cell* out_string, int32_t part_limit);
int32_t mold(const Cell* value, Cell* out_string, bool only, bool all, bool flat,
             int32_t part_limit, int32_t indent);
// "make native! [" (or the prefix given) + the spec molded + "]".
int32_t mold_made(const Cell* value, const char* prefix, Cell* out_string, int32_t part_limit);
// native!, action! and op!: the entry index compared as unsigned.
int compare(const Cell* a, const Cell* b, int code);

// Registers native! (type 21).
void init();

} // namespace zep::native
