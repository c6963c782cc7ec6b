// The error value that raising builds and the throwers carry: an error!
// object (datatypes/error.h). The functions below are the narrow interface
// the raise entry, the throwers and the uncaught-error report use; fields
// are values of the error's context, in the standard prototype's order.
#pragma once
#include <cstdint>

#include "runtime/cell.h"

namespace zep::error {

namespace field {
enum : uint32_t { code, type, id, arg1, arg2, arg3, near, where, stack, files, count };
} // namespace field

// Builds the error of a catalogue code with up to three arguments (missing
// ones are none!) into out. Allocates; out may be any cell.
void make_from_code(Cell* out, int32_t code, const Cell* const* args, uint32_t arg_count);

// The field cell of an error value (its context's value cell). Valid until
// the next allocation.
Cell* field_of(const Cell* error, uint32_t field);
int32_t code_of(const Cell* error);

// Stores the value into `where` only while `where` is none!.
void set_where(Cell* error, const Cell* value);
// Records a frame-stack position in `stack` unless it holds a block already.
void set_stack_frame(Cell* error, int32_t position);

// Writes the error's printed text (error::form) and a line feed.
void print(const Cell* error);

// The end of an error that no try or barrier frame receives: prints it and
// ends the process with status -2.
[[noreturn]] void report_uncaught(const Cell* error);

} // namespace zep::error
