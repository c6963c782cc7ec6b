// The error value that raising builds and the throwers carry.
//
// Until error! objects exist, an error is an error! cell whose data1 is the
// node of a series of ten field cells, in the order of the standard error
// prototype; `type` and `id` hold the category index and the id's position
// as integers. The error! datatype replaces this representation: everything
// outside this module reaches the fields through the functions below.
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

// The field cell of an error value. Valid until the next allocation.
Cell* field_of(const Cell* error, uint32_t field);
int32_t code_of(const Cell* error);

// Stores the value into `where` only while `where` is none!.
void set_where(Cell* error, const Cell* value);
// Records a frame-stack position in `stack` unless it holds a block already.
void set_stack_frame(Cell* error, int32_t position);

// Writes the error's text: "*** " title ": " message, then the Where and
// Near lines. Arguments print as far as this representation can show them.
void print(const Cell* error);

// The end of an error that no try or barrier frame receives: prints it and
// ends the process with status -2.
[[noreturn]] void report_uncaught(const Cell* error);

} // namespace zep::error
