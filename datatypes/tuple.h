// tuple!: 3 to 12 bytes written as dotted decimals. The byte count sits in
// header bits 19-22; the bytes fill the three payload words from the first,
// byte 1 first. Arithmetic works byte by byte and clamps every result into
// 0..255; a tuple's length never leaves 3..12.
#pragma once
#include <cstddef>
#include <cstdint>

#include "runtime/cell.h"

namespace zep::tuple {

constexpr uint32_t min_length = 3;
constexpr uint32_t max_length = 12;

inline uint32_t length_of(const Cell* value) {
    return (value->header >> 19) & 0xF;
}
// The bytes of the tuple (12 of room: the three payload words, reached
// from the cell itself so that they are one range of the cell's bytes).
inline const uint8_t* bytes_of(const Cell* value) {
    return reinterpret_cast<const uint8_t*>(value) + offsetof(Cell, data1);
}
inline uint8_t* bytes_of(Cell* value) {
    return reinterpret_cast<uint8_t*>(value) + offsetof(Cell, data1);
}
// Sets the byte count, keeping the type and the other flags.
void set_length(Cell* value, uint32_t length);

// Registers tuple!.
void init();

// Writes a tuple of `length` bytes (clamped into 3..12) from the three data
// words into the cell; push does the same in a new argument-stack cell.
Cell* make_in(Cell* cell, uint32_t length, uint32_t d1, uint32_t d2, uint32_t d3);
Cell* push(uint32_t length, uint32_t d1, uint32_t d2, uint32_t d3);
// A tuple whose byte i is the i-th integer (each clamped into 0..255);
// fewer than 3 give zero bytes at the end, more than 12 are cut.
Cell* push_from_ints(const int32_t* integers, uint32_t count);
// The bytes of a binary! from its head, at most 12, zero-padded to 3.
Cell* from_binary(Cell* out, const Cell* binary);
// r.g.b, or r.g.b.a when a is not -1.
Cell* make_rgba(Cell* cell, int32_t r, int32_t g, int32_t b, int32_t a);
// Every byte 0.
bool is_zero(const Cell* value);
// Sets byte `index` (1-based, up to 12; the tuple grows with zero bytes to
// reach it) from an integer! clamped into 0..255. Script out-of-range for
// an index outside 1..12, invalid-arg for a value that is not an integer!.
void set_byte(Cell* value, int32_t index, const Cell* byte);

// The arithmetic worker: one operand is a tuple, the other a tuple!,
// integer!, float! or percent!; the result (a tuple as long as the longer
// tuple operand) goes into `value`. op is a math op code 0-7.
void operate(Cell* value, Cell* other, int op);
void do_math(int op);

// Action slots.
Cell* make(Cell* result, const Cell* spec, uint8_t type);
Cell* to(Cell* result, const Cell* spec, uint8_t type);
Cell* random(Cell* value, bool seed, bool secure, bool only);
int32_t form(const Cell* value, Cell* out_string, int32_t part_limit);
int32_t mold(const Cell* value, Cell* out_string, bool only, bool all, bool flat,
             int32_t part_limit, int32_t indent);
int compare(const Cell* value, const Cell* other, int code);
void add();
void divide();
void multiply();
void remainder();
void subtract();
void and_();
void or_();
void xor_();
Cell* complement(Cell* value);
int32_t length(Cell* value);
// pick: byte `index` (1-based) as an integer!, none outside the tuple.
Cell* pick_into(const Cell* value, const Cell* index, Cell* out);
// reverse: the bytes in reverse order (/part and /skip do not apply).
Cell* reverse(Cell* value, Cell* part = nullptr, Cell* skip = nullptr);
// Path access by an integer! index: get writes the byte (or none) into
// `out` and answers it; set goes through set_byte and answers the tuple.
Cell* eval_path_into(Cell* value, const Cell* selector, const Cell* new_value, const Cell* path,
                     Cell* out);
// The pick and eval-path slots: as pick_into and eval_path_into, with the
// answer in a cell pushed on the argument stack.
Cell* pick(Cell* value, int32_t index, const Cell* index_cell);
Cell* eval_path(Cell* value, const Cell* selector, const Cell* new_value, const Cell* path,
                bool case_);

} // namespace zep::tuple
