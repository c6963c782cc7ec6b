// The small entries through which the runtime's own modules work on
// values: raising catalogue errors, typeset bits, checked word access,
// checked float-to-integer conversion and the cycle stack.
#pragma once
#include <cstdint>

#include "runtime/cell.h"
#include "runtime/limits.h"
#include "runtime/raise.h"

namespace zep::error {

// Builds the error of category/id with up to three arguments, reports it to
// the tracer when one is installed, and carries it to the nearest try or
// barrier frame. An id the category does not have raises internal
// invalid-error with the id's text instead.
[[noreturn]] void fire(Category category, const char* id, const Cell* arg1 = nullptr,
                       const Cell* arg2 = nullptr, const Cell* arg3 = nullptr);
[[noreturn]] void fire_code(int32_t code, const Cell* arg1 = nullptr, const Cell* arg2 = nullptr,
                            const Cell* arg3 = nullptr);
// script bad-make-arg with the type and the spec.
[[noreturn]] void fire_make_error(const Cell* type, const Cell* spec);

// Set by the interpreter while do/trace runs: receives every error raised
// (trace event 0x1000) before it is thrown.
using TraceHook = void (*)(const Cell* error);
extern TraceHook trace_hook;

// Makes error::fire_named raise through fire.
void install_raise();

} // namespace zep::error

namespace zep::typecheck {

// True when the typeset's bit for the type id is set (most significant bit
// first, from the typeset's first payload word).
bool has_type(const Cell* typeset, uint8_t type);

} // namespace zep::typecheck

namespace zep::word {

// The word's value cell; script no-value for unset!.
Cell* get_checked(Cell* word);

} // namespace zep::word

namespace zep::float_ {

// A float! truncated toward zero; script out-of-range for NaN or a value
// outside the integer! range. Any other value yields its first payload word.
int32_t to_integer_checked(const Cell* value);

} // namespace zep::float_

namespace zep::cycles {

// A walker holds one series per level, a comparison two: the outermost
// series and max_nesting levels below it.
constexpr uint32_t max_levels = max_nesting + 1;
constexpr uint32_t capacity = 2 * max_levels;

// Makes the stack (tracked heap); idempotent.
void init();
// Enters a series (its node) one level deeper; internal too-deep, with the
// stack emptied, when max_levels are already entered, and internal
// stack-overflow when the native stack is nearly used up.
void push(Ref series);
// Enters the series compared with the one pushed last, on the same level.
void push_partner(Ref series);
void pop();
void drop(uint32_t n);
void reset();
bool find(Ref series);
uint32_t depth();
// Rewrites every entry through the collector's moved-node mapping.
void remap(Ref (*moved)(Ref node));
// When the value's series (its context for an object!) is on the stack:
// appends the cycle marker to the output string, lowers the limit by its
// length and answers true.
bool detect(const Cell* value, Cell* output, int32_t* limit, bool mold);

} // namespace zep::cycles

namespace zep::block {

// Appends an unset! cell at the block's tail (expanding when full).
Cell* alloc_tail_cell(const Cell* block);

} // namespace zep::block

namespace zep::mold {

// Appends n times four spaces to the string; answers limit - 4n.
int32_t indent(Cell* output, int32_t n, int32_t limit);

} // namespace zep::mold
