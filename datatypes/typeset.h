// typeset!: a fixed set of type ids held in the cell. Payload words 1-3 hold
// 96 bits; type id t is bit (t >> 3, mask 128 >> (t & 7)) of the 12 payload
// bytes in memory order (word 1's low byte first). Bit 0 is unused.
#pragma once
#include <cstdint>

#include "runtime/cell.h"

namespace zep::typeset {

bool has_type(const Cell* typeset, uint8_t type);
void add_type(Cell* typeset, uint8_t type);
// The number of member types.
int count(const Cell* typeset);

// Writes an empty typeset!.
Cell* make_empty(Cell* cell);
// The default typeset of an argument without a type spec: every type but
// unset! (all bits set except bit 2).
Cell* make_default(Cell* cell);
// Appends a typeset! holding the three words to the block; answers it.
Cell* make_in(Cell* block, uint32_t w1, uint32_t w2, uint32_t w3);
// A typeset from a function spec's type block: nested blocks are skipped, a
// word stands for its value; anything but a datatype! or typeset! raises
// script invalid-type-spec.
Cell* from_block(Cell* out, const Cell* block);
// A new block of the member datatypes in id order.
Cell* to_block(const Cell* typeset, Cell* out);

// Codes as bitset::op: 5 or, 6 and, 7 xor, 9 union, 10 intersect,
// 11 exclude, 12 difference. The second operand may be a typeset! or a
// datatype! (one type); otherwise script invalid-arg.
Cell* combine(Cell* result, const Cell* a, const Cell* b, int code);
// The worker of the logic actions and set natives on the current call's two
// arguments; the result goes into the first argument's cell.
void do_bitwise(int code);

void init();

Cell* make(Cell* result, const Cell* spec, uint8_t type);
int32_t form(const Cell* value, Cell* out_string, int32_t part_limit);
int32_t mold(const Cell* value, Cell* out_string, bool only, bool all, bool flat,
             int32_t part_limit, int32_t indent);
int compare(const Cell* value, const Cell* other, int code);
Cell* complement(Cell* value);
void and_();
void or_();
void xor_();
Cell* find(Cell* series, Cell* value, Cell* part, bool only, bool case_, bool same, bool any,
           Cell* with, Cell* skip, bool last, bool reverse, bool tail, bool match);

} // namespace zep::typeset
