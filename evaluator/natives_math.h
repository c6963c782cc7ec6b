// The numeric natives: sign tests, NaN?, max and min, shift, to-hex, the
// trigonometric and logarithmic natives, exp and square-root.
#pragma once
#include <cstdint>

#include "runtime/cell.h"

namespace zep::natives {

void is_negative(bool check, const int32_t* refinements);
void is_positive(bool check, const int32_t* refinements);
void is_sign(bool check, const int32_t* refinements);
void is_zero(bool check, const int32_t* refinements);
void is_nan(bool check, const int32_t* refinements);
void max(bool check, const int32_t* refinements);
void min(bool check, const int32_t* refinements);
// shift data bits /left /logical
void shift(bool check, const int32_t* refinements);
// to-hex value /size length
void to_hex(bool check, const int32_t* refinements);
// sine angle /radians (cosine, tangent, arcsine, arccosine, arctangent alike)
void sine(bool check, const int32_t* refinements);
void cosine(bool check, const int32_t* refinements);
void tangent(bool check, const int32_t* refinements);
void arcsine(bool check, const int32_t* refinements);
void arccosine(bool check, const int32_t* refinements);
void arctangent(bool check, const int32_t* refinements);
// arctangent2 y x /radians
void arctangent2(bool check, const int32_t* refinements);
void log_2(bool check, const int32_t* refinements);
void log_10(bool check, const int32_t* refinements);
void log_e(bool check, const int32_t* refinements);
void exp(bool check, const int32_t* refinements);
void square_root(bool check, const int32_t* refinements);

// max (is_max true) or min of the current call's two arguments; the result
// goes into the result slot.
void max_min(bool is_max);

// The numeric workers behind the natives, on plain values.
int32_t shift_value(int32_t data, int32_t bits, bool left, bool logical);
double sine_of(double angle, bool radians);
double cosine_of(double angle, bool radians);
double tangent_of(double angle, bool radians);

void register_numbers();

} // namespace zep::natives
