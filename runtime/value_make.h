// Writing whole cells of the basic payload layouts. Constructors write the
// whole header word: a fresh cell carries no flags.
#pragma once
#include <cstdint>
#include <cstring>
#include <emmintrin.h>

#include "runtime/cell.h"

namespace zep::value {

// The cell is written with one 16-byte store: a whole-cell copy that reads
// it back soon after (pushes, result slots) can then take the value straight
// from the store, where four narrow stores would make it wait for them.
inline void set_cell(Cell* c, uint8_t type, uint32_t d1 = 0, uint32_t d2 = 0, uint32_t d3 = 0) {
    __m128i v = _mm_set_epi32(static_cast<int>(d3), static_cast<int>(d2), static_cast<int>(d1),
                              static_cast<int>(type));
    _mm_storeu_si128(reinterpret_cast<__m128i*>(c), v);
}

inline void set_unset(Cell* c) {
    set_cell(c, type_id::unset);
}
inline void set_none(Cell* c) {
    set_cell(c, type_id::none);
}
inline void set_logic(Cell* c, bool flag) {
    set_cell(c, type_id::logic, flag ? 1 : 0);
}
inline void set_datatype(Cell* c, uint8_t named) {
    set_cell(c, type_id::datatype, named);
}
// integer!: the value in payload word 2.
inline void set_integer(Cell* c, int32_t v) {
    set_cell(c, type_id::integer, 0, static_cast<uint32_t>(v));
}
inline int32_t integer_of(const Cell* c) {
    return static_cast<int32_t>(c->data2);
}
// char!: the code point in payload word 2.
inline void set_char(Cell* c, uint32_t cp) {
    set_cell(c, type_id::char_, 0, cp);
}
// float!, percent!, time!: an IEEE double in payload words 2-3, low word first.
inline void set_double(Cell* c, uint8_t type, double v) {
    uint64_t bits;
    std::memcpy(&bits, &v, 8);
    set_cell(c, type, 0, static_cast<uint32_t>(bits), static_cast<uint32_t>(bits >> 32));
}
inline void set_float(Cell* c, double v) {
    set_double(c, type_id::float_, v);
}
inline double double_of(const Cell* c) {
    uint64_t bits = (static_cast<uint64_t>(c->data3) << 32) | c->data2;
    double v;
    std::memcpy(&v, &bits, 8);
    return v;
}
// Series values: head index (signed), node, extra word.
inline void set_series(Cell* c, uint8_t type, Ref node, int32_t head = 0, uint32_t extra = 0) {
    set_cell(c, type, static_cast<uint32_t>(head), node, extra);
}
inline int32_t series_head(const Cell* c) {
    return static_cast<int32_t>(c->data1);
}
inline Ref series_node(const Cell* c) {
    return c->data2;
}
// Word family: context node (0 when unbound), symbol id, index (-1 unresolved).
inline void set_word(Cell* c, uint8_t type, Ref context, uint32_t symbol, int32_t index = -1) {
    set_cell(c, type, context, symbol, static_cast<uint32_t>(index));
}
inline Ref word_context(const Cell* c) {
    return c->data1;
}
inline uint32_t word_symbol(const Cell* c) {
    return c->data2;
}
inline int32_t word_index(const Cell* c) {
    return static_cast<int32_t>(c->data3);
}

} // namespace zep::value
