// point2D! and point3D!: two or three coordinates, each a 32-bit IEEE float
// held by its bit pattern in data1, data2 (and data3; 0 for a point2D!).
//
// Arithmetic runs coordinate by coordinate in double precision and is then
// rounded to single precision: with a number (integer!, float!, percent!),
// with a pair! (its x and y) or with a point of the same kind. Division by
// zero follows float! (infinities and NaN, no error). The notation is
// "(x, y)" or "(x, y, z)", each coordinate the shortest decimal text, in
// fixed form, that reads back to the same single-precision float.
#pragma once
#include <cstddef>
#include <cstdint>
#include <string>

#include "runtime/cell.h"

namespace zep::point {

// The cell becomes a point2D! or point3D! of the coordinates.
Cell* make2_in(Cell* cell, float x, float y);
Cell* make3_in(Cell* cell, float x, float y, float z);
// Pushes a new point on the argument stack.
Cell* push2(float x, float y);
Cell* push3(float x, float y, float z);
// Coordinate i (0 x, 1 y, 2 z) of a point.
float coordinate(const Cell* point, int i);
void set_coordinate(Cell* point, int i, float v);
// 2 for point2D!, 3 for point3D!.
int dimension(const Cell* point);

// Arithmetic by math op code 0-4 with the point in `first` and the other
// operand (a number, a pair! or a point of the same kind) in `second`; the
// result replaces `first`. Other operands raise script invalid-type.
void do_math(Cell* first, Cell* second, int op);
// Negates every coordinate in place.
Cell* negate_in(Cell* point);

// The shortest decimal text that reads back to the float, in fixed form.
std::string format_coordinate(float v);

// ---- Action slots ------------------------------------------------------------

// Register point2D! and point3D! and install their partner entries.
void init2();
void init3();
// make and to: a block of 2 or 3 numbers, a pair!, a point of the other kind
// (a missing z is 0), a number (every coordinate).
Cell* make(Cell* result, const Cell* spec, uint8_t type);
int32_t form(const Cell* value, Cell* out_string, int32_t part_limit);
int32_t mold(const Cell* value, Cell* out_string, bool only, bool all, bool flat,
             int32_t part_limit, int32_t indent);
// Equal codes compare the coordinates (within float! tolerance, exactly
// under strict-equal and same); ordering compares x, then y, then z.
int compare(const Cell* a, const Cell* b, int code);
// The frame actions: add, subtract, multiply, divide, remainder, negate,
// absolute read the current call's arguments and leave the result in the
// first.
void add();
void subtract();
void multiply();
void divide();
void remainder();
Cell* negate(Cell* point);
void absolute();
// Path access: x, y (and z) or 1, 2 (and 3): the coordinate as a float!
// (in `parent`), or, with a number to set, the point changed in place.
// Another selector raises script invalid-path.
Cell* eval_path(Cell* parent, const Cell* selector, const Cell* value, const Cell* path,
                bool case_);

} // namespace zep::point
