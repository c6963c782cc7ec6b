// Digit generation for positive finite doubles (the engine behind dtoa).
#pragma once

namespace zep::float_::digits {

// Each writes the digits d1..dn of x = 0.d1...dn x 10^decpt into out (no
// terminator, no trailing zeros) and answers n.

// The shortest digits that read back to x, the closest to x among those
// (an exact tie goes to the even digit). n <= 17.
int shortest(double x, char* out, int* decpt);

// At most `count` significant digits (count >= 1), correctly rounded with
// exact ties to the even digit.
int fixed(double x, int count, char* out, int* decpt);

// The two methods behind those. The fast one works in 128-bit fixed point
// and answers 0 when its error bound leaves the result open (or count > 17);
// the exact one uses big integers and always answers.
int fast_shortest(double x, char* out, int* decpt);
int fast_fixed(double x, int count, char* out, int* decpt);
int exact_shortest(double x, char* out, int* decpt);
int exact_fixed(double x, int count, char* out, int* decpt);

} // namespace zep::float_::digits
