// pair!: two signed 32-bit integers, x in payload word 2 and y in payload
// word 3, written "XxY". Arithmetic is 32-bit per coordinate: a result that
// does not fit raises math overflow, since a pair cannot hold a float.
#pragma once
#include <cstdint>

#include "runtime/cell.h"

namespace zep::pair {

inline int32_t x_of(const Cell* value) {
    return static_cast<int32_t>(value->data2);
}
inline int32_t y_of(const Cell* value) {
    return static_cast<int32_t>(value->data3);
}

// Registers pair!.
void init();

Cell* make_in(Cell* cell, int32_t x, int32_t y);
// A new pair! on the argument stack.
Cell* push(int32_t x, int32_t y);
Cell* make_at(int32_t x, int32_t y);

// The arithmetic worker: the pair is `value` (which receives the result),
// the other operand an integer!, float!, percent! or pair!. op is a math op
// code 0-7.
void operate(Cell* value, Cell* other, int op);
// operate on the current call's first and second argument cells.
void do_math(int op);

// Action slots.
Cell* make(Cell* result, const Cell* spec, uint8_t type);
Cell* to(Cell* result, const Cell* spec, uint8_t type);
Cell* random(Cell* value, bool seed, bool secure, bool only);
int32_t form(const Cell* value, Cell* out_string, int32_t part_limit);
int32_t mold(const Cell* value, Cell* out_string, bool only, bool all, bool flat,
             int32_t part_limit, int32_t indent);
int compare(const Cell* value, const Cell* other, int code);
void absolute();
void add();
void divide();
void multiply();
// negate: both coordinates, in place; math overflow for -2147483648.
Cell* negate(Cell* value);
void remainder();
void subtract();
void and_();
void or_();
void xor_();
// round/to: each coordinate to a multiple of the scale (integer!, float! or,
// per coordinate, pair!); without a scale the pair is unchanged.
Cell* round(Cell* value, const Cell* scale, uint32_t flags);
// pick: 1 or the word x gives x, 2 or y gives y; any other index gives none.
// The answer is written into `out`.
Cell* pick_into(const Cell* value, const Cell* index, Cell* out);
// reverse: exchanges x and y (/part and /skip do not apply).
Cell* reverse(Cell* value, Cell* part = nullptr, Cell* skip = nullptr);
// Path access: selector x, y, 1 or 2. Without a new value the coordinate is
// written into `out` and answered; with one (integer!, or float! truncated
// toward zero) the coordinate is set in place and the pair answered.
Cell* eval_path_into(Cell* value, const Cell* selector, const Cell* new_value, const Cell* path,
                     Cell* out);
// The pick and eval-path slots: as pick_into and eval_path_into, with the
// answer in a cell pushed on the argument stack.
Cell* pick(Cell* value, int32_t index, const Cell* index_cell);
Cell* eval_path(Cell* value, const Cell* selector, const Cell* new_value, const Cell* path,
                bool case_);

} // namespace zep::pair
