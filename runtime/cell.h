// The 16-byte value slot: a header word (type id in bits 0-7, flags above)
// and three payload words whose meaning depends on the type.
#pragma once
#include <cstdint>

namespace zep {

// A 32-bit offset into the managed-memory arena (0 is null).
using Ref = uint32_t;

struct Cell {
    uint32_t header;
    uint32_t data1;
    uint32_t data2;
    uint32_t data3;
};
static_assert(sizeof(Cell) == 16, "a cell is 16 bytes");

namespace type_id {
enum : uint8_t {
    datatype = 1,
    unset,
    none,
    logic,
    block,
    paren,
    string,
    file,
    url,
    char_,
    integer,
    float_,
    symbol,
    context,
    word,
    set_word,
    lit_word,
    get_word,
    refinement,
    issue,
    native,
    action,
    op,
    function,
    path,
    lit_path,
    set_path,
    get_path,
    routine,
    bitset,
    triple,
    object,
    typeset,
    error,
    vector,
    hash,
    pair,
    percent,
    tuple,
    map,
    binary,
    series,
    time,
    tag,
    email,
    handle,
    date,
    port,
    money,
    ref,
    point2d,
    point3d,
    image,
    event
};
} // namespace type_id

constexpr uint32_t cell_type_mask = 0xFF;
constexpr uint32_t cell_flag_new_line = 1u << 30;
// A context! cell's header bit: its values live on the argument stack, so
// its second payload word is a stack index, not a node.
constexpr uint32_t cell_flag_values_on_stack = 1u << 22;

inline uint8_t cell_type(const Cell* c) {
    return static_cast<uint8_t>(c->header & cell_type_mask);
}

} // namespace zep
