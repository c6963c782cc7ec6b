// time!: a signed number of seconds held as a double (payload words 2-3);
// hours, minutes and seconds are derived on demand. time! takes random,
// compare, absolute, negate and remainder from float!, and its arithmetic
// goes through float!'s worker, which keeps the result a time! when one
// operand is a time!.
#pragma once
#include <cstdint>

#include "runtime/cell.h"

namespace zep::time {

constexpr double seconds_per_hour = 3600.0;
constexpr double seconds_per_minute = 60.0;
// Seconds below this print as "00"; it also nudges the parity tests.
constexpr double tiny_seconds = 1e-6;

// Registers time! (type 43, parent float!, which must be registered).
void init();

// ---- Cell helpers ----------------------------------------------------------

Cell* push(double seconds);
Cell* make_in(const Cell* block, double seconds);
// Retypes the cell to time! with the seconds, keeping its header flags.
Cell* make_at(Cell* cell, double seconds);
double get(const Cell* cell);

// Whole hours toward zero; math overflow beyond the 32-bit range.
int32_t hours(double seconds);
// Whole minutes within the hour of |seconds|.
int32_t minutes(double seconds);
// 1 hour, 2 minute, 3 second for the field words (any case); another word
// raises script cannot-use with the word and the value when the value is a
// time!, and gives -1 otherwise.
int field_index(const Cell* word, const Cell* value);
// Pushes field 1 (hours, integer!), 2 (minutes, integer!) or 3 (seconds,
// float!) of the seconds.
Cell* get_field(double seconds, int index);
// The same field written into `out`.
Cell* field_value(double seconds, int index, Cell* out);
// Appends the text of a time ("-1:02:03.5"); answers the limit less the
// characters appended.
int32_t append_form(double seconds, Cell* out_string, int32_t part_limit);
// script bad-to-arg naming time! and the value.
[[noreturn]] void raise_type_error(const Cell* value);

// ---- Action slots ----------------------------------------------------------

Cell* make(Cell* result, const Cell* spec, uint8_t type);
int32_t form(const Cell* value, Cell* out_string, int32_t part_limit);
int32_t mold(const Cell* value, Cell* out_string, bool only, bool all, bool flat,
             int32_t part_limit, int32_t indent);
// Path access: selector hour, minute, second, 1, 2 or 3. Without a new value
// the field is written into `out`; with one the field is set in place and
// the new value, copied into `out`, is the result.
Cell* eval_path_into(Cell* value, const Cell* selector, const Cell* new_value, const Cell* path,
                     Cell* out);
// pick: the field named by the index (1 to 3 or a field word) into `out`.
Cell* pick_into(const Cell* value, const Cell* index, Cell* out);
// The pick and eval-path slots: as pick_into and eval_path_into, with the
// answer in a cell pushed on the argument stack.
Cell* pick(Cell* value, int32_t index, const Cell* index_cell);
Cell* eval_path(Cell* value, const Cell* selector, const Cell* new_value, const Cell* path,
                bool case_);

void add();
void subtract();
void multiply();
void divide();
// round (value, /to scale or null, float_::round_flag bits).
Cell* round(Cell* value, const Cell* scale, uint32_t flags);
void is_even();
void is_odd();

} // namespace zep::time
