// money!: a signed decimal amount with 17 digits before the point and 5
// after it, and an optional currency.
//
// Cell layout: the header holds the type (49) and the sign flag (bit 14,
// set for a negative amount); payload byte 0 (the low byte of data1) is the
// currency index (0: no currency, else the 1-based position in the system's
// currency list); payload bytes 1 to 11 are the amount's 22 decimal digits
// as packed BCD, most significant digit first (two digits a byte, the high
// nibble first). The amount is those digits x 10^-5.
//
// Arithmetic is exact decimal arithmetic on the digits; results that need
// more than 5 fraction digits are rounded half away from zero; results of
// 10^17 or more raise math overflow. A float! operand is first taken at its
// shortest decimal form (0.1 is exactly 0.1). An amount without a currency
// combines with any currency (the result takes it); two different
// currencies raise script wrong-denom.
#pragma once
#include <cstddef>
#include <cstdint>

#include "runtime/cell.h"

namespace zep::money {

// Layout constants.
constexpr uint32_t sign_flag = 1u << 14;
constexpr int digit_count = 22;
constexpr int fraction_digits = 5;
constexpr int integer_digits = digit_count - fraction_digits; // 17

// The amount in units of 10^-5, signed: |units| < 10^22.
using Units = __int128;
constexpr Units units_limit = static_cast<Units>(10000000000LL) * 1000000000000LL; // 10^22

// ---- Construction -----------------------------------------------------------

// The cell becomes a money! of the amount (units of 10^-5) and currency;
// math overflow when |units| >= 10^22. A zero amount is never negative.
Cell* make_in(Cell* cell, Units units, uint8_t currency);
// The cell becomes the amount of the integer (no currency).
Cell* from_integer(Cell* out, int32_t n);
// The cell becomes the amount of the double: its shortest decimal form,
// rounded half away from zero to 5 fraction digits when `round` is set, else
// truncated. NaN and infinities raise math overflow, as do amounts of 10^17
// or more.
Cell* from_float(Cell* out, double x, bool round);
// The money constructor the lexer calls with the parts of a money literal:
// the sign, the currency index (0 for none), the integer digits and the
// fraction digits (ASCII digits only, apostrophes already removed). More than
// 17 significant integer digits fail; fraction digits beyond 5 are rounded
// half away from zero. Answers false (the cell unchanged) on failure.
bool from_digits(Cell* out, bool negative, uint8_t currency, const char* integer_part,
                 size_t integer_length, const char* fraction_part, size_t fraction_length);
// Reads a money text: optional sign, optional 3-letter currency code, "$",
// digits with "'" separators, an optional "." or "," and fraction digits.
// Answers false on any other text (or an unknown currency).
bool from_text(Cell* out, const char* text, size_t length);

// ---- Reading ------------------------------------------------------------------

Units units_of(const Cell* money);
uint8_t currency_of(const Cell* money);
// The amount as a 32-bit integer (truncated toward zero); script
// type-limit naming integer! when out of range.
int32_t to_integer(const Cell* money);
// The amount as a double, correctly rounded (0.0 for a zero amount).
double to_float(const Cell* money);

// True when 0 < |x| < 1e-5, and when |x| >= 1e17.
bool is_float_too_small(double x);
bool is_float_too_large(double x);

bool is_negative(const Cell* money);
bool is_positive(const Cell* money);
bool is_zero(const Cell* money);
int sign(const Cell* money);
// The sign flag of the header (true: negative) and its writer.
bool get_sign(const Cell* money);
void set_sign(Cell* money, bool negative);

// ---- Currencies ---------------------------------------------------------------

// The system's currency list: a block of three-letter words, installed by
// start-up from system/locale/currencies/list (null until then: no currency
// is known).
void set_currency_list(const Cell* block);
// The 1-based position of the symbol (by its canonical spelling) in the list,
// -1 when absent.
int32_t currency_index(uint32_t symbol);
// The same for a code given as text (compared without regard to case).
int32_t currency_index_of_text(const char* code, size_t length);
// Stores the currency index (0 to 255) into the cell.
void set_currency(Cell* money, int32_t index);
// The code of a currency index as a NUL-terminated upper-case text, or null.
const char* currency_code(uint8_t index);

// ---- Arithmetic and comparison -----------------------------------------------

// Arithmetic by math op code 0-4 (add, subtract, multiply, divide,
// remainder) between two operands of which at least one is a money! and the
// other a money!, integer! or float!; the result goes into `first`.
// money x money raises script not-related; money / money gives a float!;
// a zero divisor raises math zero-divide.
void do_math(Cell* first, Cell* second, int op);
// -1, 0 or 1 under the comparison code; -2 when b is not money!.
// Equality codes answer 1 for different currencies; ordering of two
// different currencies raises script wrong-denom.
int compare(const Cell* a, const Cell* b, int code);
// Brings a cell to the canonical form that hashing uses: no flags but the
// sign, no sign on a zero amount, no currency (amounts equal under `=` hash
// alike).
void canonical(Cell* value);

// ---- Action slots -------------------------------------------------------------

// Registers money! and installs the partner entries of the number types and
// the hash table's canonical form.
void init();
// make and to: integer!, float! (rounded), money!, a text with money syntax,
// a block [currency-word amount] or [amount].
Cell* make(Cell* result, const Cell* spec, uint8_t type);
// form and mold: [-][CUR]$digits.ff (at least 2 fraction digits, more when
// the amount has them), which the lexer reads back to an equal value.
int32_t form(const Cell* value, Cell* out_string, int32_t part_limit);
int32_t mold(const Cell* value, Cell* out_string, bool only, bool all, bool flat,
             int32_t part_limit, int32_t indent);
// The text of form into a caller's buffer of at least 40 bytes; answers its
// length.
size_t format(const Cell* value, char* out);

} // namespace zep::money
