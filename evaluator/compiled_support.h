// The small entries through which compiled code and the runtime's own
// modules work on values: raising catalogue errors, argument type checks,
// checked word and field access, refinement set-up, the case search of
// switch, checked float-to-integer conversion, the cycle stack and the boot
// literals.
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
// The entry compiled code calls: count is 2 + the number of arguments; the
// category and id are words.
[[noreturn]] void fire_words(int32_t count, const Cell* category, const Cell* id,
                             const Cell* arg1 = nullptr, const Cell* arg2 = nullptr,
                             const Cell* arg3 = nullptr);
// script bad-make-arg with the type and the spec.
[[noreturn]] void fire_make_error(const Cell* type, const Cell* spec);
// Builds the error inside a native frame and prints it; does not raise.
void print_error(Category category, const char* id, const Cell* arg1 = nullptr,
                 const Cell* arg2 = nullptr, const Cell* arg3 = nullptr);

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
// script expect-arg (the caller's word, the argument's datatype, the
// argument's word) when the argument's type is not in the typeset.
void check_arg(const Cell* typeset, const Cell* argument);
// check_arg on the argument at arguments base + offset; nothing for a
// negative offset (an absent refinement's argument).
void check_arg_at(int32_t offset, const Cell* typeset);
// check_arg only when the refinement is set.
void check_optional_arg(const Cell* refinement, const Cell* typeset, const Cell* argument);

} // namespace zep::typecheck

namespace zep::word {

// script expect-arg naming unset! for an unset! value.
void check_set(const Cell* value);
// The word's value cell; script no-value for unset!.
Cell* get_checked(Cell* word);
// Stores the argument-stack top into the word; script need-value for unset!.
void set_from_top(Cell* word);
// set_from_top, then the stack drops back to the arguments base.
void set_from_stack(Cell* word);
// The index-th value cell of the context; script not-defined with the word
// when the context has no values.
Cell* get_field_cell(Ref context, int32_t index);

} // namespace zep::word

namespace zep::context {

// Stores the argument-stack top into the context's value at index; script
// need-value with the context's word for unset!.
void set_from_top(Ref context, int32_t index);
// set_from_top, then the stack drops back to the arguments base.
void set_from_top_drop(Ref context, int32_t index);

} // namespace zep::context

namespace zep::object {

// Stores the argument-stack top into the object's field at index (no unset
// check), marks the field's word as assigned in an object context, then
// drops the stack back to the arguments base.
void set_field_from_stack(const Cell* object, int32_t index);

} // namespace zep::object

namespace zep::float_ {

// A float! truncated toward zero; script out-of-range for NaN or a value
// outside the integer! range. Any other value yields its first payload word.
int32_t to_integer_checked(const Cell* value);

} // namespace zep::float_

namespace zep::call {

// When the refinement value is true, the slot at base + slot_index becomes
// true; otherwise the count argument slots after it become none!.
void set_refinements(const Cell* refinement, int32_t slot_index, int32_t count);

// One refinement of a compiled call.
struct RefinementUse {
    const Cell* value;      // the refinement's value (true when given)
    int32_t slot_index;     // its logic! slot from the arguments base
    int32_t argument_index; // its first argument's slot
    int32_t argument_count;
};
// Records each refinement's presence, fills the arguments of absent ones
// with none!, then runs the function's compiled code.
void apply_refinements(int32_t count, const RefinementUse* uses, void (*code)());

} // namespace zep::call

namespace zep::switch_ {

// Searches the case block for the value at the arguments base (see the
// implementation); the result is pushed (push) or put in the base cell.
void find_case(const Cell* cases, bool step_one, bool want_block, bool push);

} // namespace zep::switch_

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

namespace zep::boot {

// The first cell decoded from the boot payload, set by the decoder; literal
// i is the i-th cell from it.
void set_literals(Cell* first);
Cell* literal_at(uint32_t index);
uint32_t literal_word1(uint32_t index);

} // namespace zep::boot
