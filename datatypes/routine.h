// routine!: a function whose body is compiled C++ code registered by name.
// Its cell is laid out as a function! (type 29, child of function!): data1
// the context, data2 the spec, data3 the more block, whose cell 2 holds the
// index of the code in the routine table and cell 4 the type id declared by
// the spec's return: (-1 when none). Header bits 25-29 hold the arity (the
// count of word! cells of the spec); header bit 15 says that the code takes
// its arguments as cells.
//
// The calling layer. A routine's code is one of two C++ signatures:
// - cell routines (bit 15): CellCode gets the addresses of the argument
//   cells on the argument stack and answers the result cell, which the
//   caller copies into the result slot (null: the result slot is left as
//   the code set it);
// - machine routines: MachineCode gets the arguments converted to machine
//   values in spec order (logic! 0 or 1 and integer! as i32, float! as f64,
//   any other value as the address of its argument cell) and answers one
//   machine value, read by the declared return type (logic!: i32 non-zero
//   is true; integer!: i32; float!: f64; no return type: ignored, the result
//   slot stays as the code left it).
// Argument cells live on the argument stack: they never move, but code
// that allocates must not keep pointers into series buffers across it.
#pragma once
#include <cstdint>

#include "runtime/cell.h"

namespace zep::routine {

constexpr uint32_t cell_arguments = 1u << 15;
constexpr uint32_t arity_shift = 25;
constexpr uint32_t arity_mask = 0x1Fu << arity_shift;

union MachineValue {
    int32_t i32;
    double f64;
    Cell* cell;
};

using CellCode = const Cell* (*)(Cell* const* arguments, int32_t count);
using MachineCode = MachineValue (*)(const MachineValue* arguments, int32_t count);

// The routine table: registered at start-up by name; a routine's more
// block names its code by the 1-based index answered here.
int32_t register_cell_code(const char* name, CellCode code);
int32_t register_machine_code(const char* name, MachineCode code);
// The index registered under the name, or 0.
int32_t find_code(const char* name);
struct CodeEntry {
    CellCode cell_code;       // set for cell routines
    MachineCode machine_code; // set for machine routines
};
// The entry at index, or null when no code is registered there.
const CodeEntry* code_at(int32_t index);

// Pushes a new routine!: context made from the spec's words, more block
// {body or none!, unset!, code index, unset!, second}; cell_args sets bit 15.
Cell* push(const Cell* spec, const Cell* body, int32_t code, int32_t second, bool cell_args);

void set_arity(Cell* value);
inline int32_t get_arity(const Cell* value) {
    return static_cast<int32_t>((value->header & arity_mask) >> arity_shift);
}

Cell* reflect(Cell* value, const Cell* field);
int32_t form(const Cell* value, Cell* out_string, int32_t part_limit);
int32_t mold(const Cell* value, Cell* out_string, bool only, bool all, bool flat,
             int32_t part_limit, int32_t indent);

// Registers routine! (type 29, parent function!).
void init();

} // namespace zep::routine
