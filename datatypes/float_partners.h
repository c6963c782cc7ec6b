// The entries of the number-like types that are built later (money!,
// vector!, point2D!, point3D!) which the float and integer arithmetic and
// comparison hand work over to. Each of those types installs its entries
// when it registers; until then no value of the type can exist, and a null
// entry is treated as an unsupported operand.
#pragma once
#include <cstdint>

#include "datatypes/registry.h"
#include "runtime/cell.h"

namespace zep::float_partners {

// Arithmetic with the partner value second (money!, vector!) or, after the
// operands were exchanged, first (point2D!, point3D!); the result goes into
// `first`. op is a math op code.
using DoMathFn = void (*)(Cell* first, Cell* second, int op);
extern DoMathFn money_do_math;
extern DoMathFn vector_do_math;
extern DoMathFn point2d_do_math;
extern DoMathFn point3d_do_math;

// The points' negate slots (in place).
extern zep::NegateFn point2d_negate;
extern zep::NegateFn point3d_negate;

// money!: compare (value1, value2, comparison code) -> -1, 0, 1; the amount
// of a double (rounded when `round` is set) written into `out`; the amount
// as a double.
extern int (*money_compare)(const Cell* a, const Cell* b, int code);
extern void (*money_from_float)(Cell* out, double x, bool round);
extern double (*money_to_float)(const Cell* money);

} // namespace zep::float_partners
