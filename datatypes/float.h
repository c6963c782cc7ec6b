// float!: an IEEE 754 double in payload words 2-3 (low word first), and the
// floating-point machinery that integer!, time! and percent! share: the text
// kinds of form, the mixed-type arithmetic worker, tolerant equality and
// rounding. percent! and time! hold their double in the same place, so
// everything here reads and writes the three alike.
//
// Floating-point exceptions stay masked: division by zero, overflow and
// invalid operations give infinities and NaN, never errors.
#pragma once
#include <cstdint>
#include <limits>

#include "runtime/cell.h"

namespace zep::float_ {

constexpr double largest = std::numeric_limits<double>::max();
constexpr double infinity = std::numeric_limits<double>::infinity();
constexpr double epsilon = 2.220446049250313e-16;
// The largest double below 0.5.
constexpr double below_half = 0.49999999999999994;
// A quiet NaN: high word 0x7FF80000, low word 0.
double quiet_nan();

// Switched by system/options/float (fields pretty? and full?). Pretty
// printing rounds away the last digits of noisy texts and prints magnitudes
// below epsilon as zero; full support is recorded and not read.
extern bool is_pretty_print;
extern bool has_full_support;

// Kinds of form_float.
namespace kind {
enum : int {
    vector32 = 0,  // 32-bit float vector elements
    float_ = 1,    // float! form, 64-bit float vector elements
    percent32 = 2, // 32-bit percent vector elements
    percent = 3,   // percent! form (the value times 100)
    seconds = 4,   // the seconds of a time!
    point = 5      // point2D! and point3D! coordinates
};
} // namespace kind

// Math op codes of the arithmetic workers.
namespace op {
enum : int { add = 0, subtract, multiply, divide, remainder, or_, and_, xor_ };
} // namespace op

// Refinements of round, as flag bits.
namespace round_flag {
enum : uint32_t { even = 1, down = 2, half_down = 4, floor = 8, ceiling = 16, half_ceiling = 32 };
} // namespace round_flag

// --- Cell helpers ------------------------------------------------------------

double get(const Cell* value);
// Writes a float! into the current call's result cell and answers it.
Cell* box(double x);
// Retype the cell to float! with the double (or its two halves).
Cell* make_in(Cell* cell, double x);
Cell* make_in_words(Cell* cell, uint32_t low, uint32_t high);
// A new float! cell on the argument stack.
Cell* push(double x);
Cell* push_words(uint32_t low, uint32_t high);
// Stores the double, keeping the cell's type and flags.
void put(Cell* value, double x);

double magnitude_from_words(uint32_t low, uint32_t high);
bool is_nan(uint32_t low, uint32_t high);
bool is_nan32(float x);
bool is_non_finite(double x);

// Equal within 10 units in the last place (and within epsilon near zero).
bool is_almost_equal(double a, double b);
bool is_almost_equal32(float a, float b);

// The text of x in one of the kinds above: NUL-terminated, in a static
// buffer valid until the next call.
const char* form_float(double x, int kind);

// One operation on two doubles by math op code 0-4; another code raises
// script cannot-use.
double do_op(double x, double y, int op);

// The mixed-type worker: the first operand (integer!, float!, percent! or
// time!) is `value`, which receives the result; `other` is the second.
void operate(Cell* value, Cell* other, int op);
// operate on the current call's first and second argument cells.
void do_math(int op);

// The double of an integer! or float! element; script bad-to-arg otherwise.
double check_arg(const Cell* element);
// [mantissa exponent]: mantissa x 10 ^ exponent (exponent truncated).
double from_block(const Cell* block);
// Up to 8 bytes from the binary's head, big-endian, as a double's bit
// pattern (fewer bytes fill the low end).
double from_binary(const Cell* binary);
// The money amount as a double.
double from_money(const Cell* money);

// A random double between 0 and x.
double random_double(double x, bool secure);

// Registers float!.
void init();

// --- Action slots ---------------------------------------------------------------
// The frame slots read the current call's argument cells and leave their
// result in the first.

// make and to (one routine): the result cell gets the target type (float!
// or percent!).
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
Cell* negate(Cell* value);
// power: the exponent (integer! or float!) is the second argument.
void power();
void remainder();
void subtract();
void is_even();
void is_odd();

// x rounded to a multiple of unit (> 0) by the round_flag rules: halves
// away from zero unless a flag says otherwise. math overflow when the
// rounded magnitude leaves the doubles.
double round_to_unit(double x, double unit, uint32_t flags);

// round (value, /to scale, refinements): `scale` is null without /to;
// `flags` holds round_flag bits. The value is a float!, percent! or time!;
// the result replaces it (typed after an integer! or other scale under /to).
Cell* round(Cell* value, const Cell* scale, uint32_t flags);

} // namespace zep::float_
