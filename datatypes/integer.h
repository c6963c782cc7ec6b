// integer!: 32-bit two's complement integers (payload word 2). Add, subtract
// and multiply that overflow, and a division that does not come out even,
// give a float! instead of wrapping; division by zero raises math
// zero-divide. The arithmetic worker here also serves char!.
#pragma once
#include <cstdint>

#include "runtime/cell.h"
#include "runtime/value_make.h"

namespace zep::integer {

// Math op codes shared by every datatype's arithmetic worker.
namespace op {
enum : int { add = 0, subtract, multiply, divide, remainder, or_, and_, xor_ };
constexpr int count = 8;
} // namespace op

// Registers integer! (type 11).
void init();

// ---- Cell helpers ----------------------------------------------------------

// A new integer! cell pushed on the argument stack.
Cell* push(int32_t n);
// A new integer! cell appended at the block value's tail.
Cell* make_in(const Cell* block, int32_t n);
// Retypes the cell to integer! with the value, keeping its header flags.
Cell* make_at(Cell* cell, int32_t n);
// Overwrites the current call's result cell.
Cell* box(int32_t n);
inline int32_t get(const Cell* cell) {
    return value::integer_of(cell);
}
inline int32_t get_value(const Cell* cell) {
    return value::integer_of(cell);
}
// The first argument's value when it is an integer!, else 0.
int32_t get_or_zero();
inline int sign(int32_t n) {
    return (n > 0) - (n < 0);
}

// Decimal text of n in a static buffer, valid until the next call.
const char* to_decimal_text(int32_t n);
// |n|; math overflow for -2147483648.
int32_t absolute_checked(int32_t n);
// True when the cell's double is NaN or its truncation toward zero does not
// fit 32 bits (below -2147483648.0 - 1 or from 2147483648.0 up).
bool is_float_out_of_range(const Cell* cell);
bool is_double_out_of_range(double x);

// The 32-bit arithmetic core. With a cell: the result goes into its payload
// word 2 (header untouched), or the whole cell becomes a float! holding the
// exact result when add, subtract or multiply overflow or a divide is not
// exact. Without a cell a divide truncates. Answers the integer result (the
// wrapped-free value is only meaningful when the cell stayed integral).
int32_t do_math_op(int32_t a, int32_t b, int op, Cell* cell);
// The worker behind the integer! math actions: operands are the current
// call's first and second argument cells, the result goes into the first.
void math_op(int op);

// ---- Action slots ----------------------------------------------------------

Cell* make(Cell* result, const Cell* spec, uint8_t type);
Cell* to(Cell* result, const Cell* spec, uint8_t type);
Cell* random(Cell* value, bool seed, bool secure, bool only);
int32_t form(const Cell* value, Cell* out_string, int32_t part_limit);
int32_t mold(const Cell* value, Cell* out_string, bool only, bool all, bool flat,
             int32_t part_limit, int32_t indent);
int compare(const Cell* value, const Cell* other, int code);
// Frame actions: the operands sit at the arguments base.
void absolute();
void add();
void subtract();
void multiply();
void divide();
void remainder();
void and_();
void or_();
void xor_();
void power();
Cell* negate(Cell* value);
void is_even();
void is_odd();
Cell* complement(Cell* value);
// round (value, /to scale or null, float_::round_flag bits).
Cell* round(Cell* value, const Cell* scale, uint32_t flags);

// ---- Conversions -------------------------------------------------------------

// An issue!'s text read as up to 8 hexadecimal digits; script invalid-data
// with the issue otherwise.
int32_t from_symbol_text(const Cell* issue);
// The first min(length, 4) bytes of a binary! from its head, big-endian.
int32_t from_binary(const Cell* binary);

} // namespace zep::integer
