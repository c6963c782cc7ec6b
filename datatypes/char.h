// char!: a Unicode code point (payload word 2, 0 to 0x10FFFF). Arithmetic
// keeps the type and refuses results outside the code point range; char!
// takes random, absolute, even? and odd? from integer!.
#pragma once
#include <cstdint>

#include "runtime/cell.h"

namespace zep::char_ {

constexpr uint32_t max_code_point = 0x10FFFF;

// Registers char! (type 10, parent integer!, which must be registered).
void init();

// A new char! cell pushed on the argument stack / appended to a block value.
Cell* push(uint32_t cp);
Cell* make_in(const Cell* block, uint32_t cp);

// The worker behind the char! math actions (operands at the arguments base).
void math_op(int op);

// Action slots.
Cell* make(Cell* result, const Cell* spec, uint8_t type);
int32_t form(const Cell* value, Cell* out_string, int32_t part_limit);
int32_t mold(const Cell* value, Cell* out_string, bool only, bool all, bool flat,
             int32_t part_limit, int32_t indent);
int compare(const Cell* value, const Cell* other, int code);
void add();
void subtract();
void multiply();
void divide();
void remainder();
void and_();
void or_();
void xor_();

} // namespace zep::char_
