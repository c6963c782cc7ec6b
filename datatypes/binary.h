// binary!: a series of bytes (unit 1) with the series layout: data1 the head
// index, data2 the node of the byte buffer, data3 0. It shares the series!
// actions and most of string!'s (find, select, sort, take, trim...), which
// handle unit-1 byte buffers; this module adds its constructors, conversion,
// append/insert of values as bytes, form and mold in base 16 (#{...}), and the
// byte tests that parse uses on binary input.
//
// Collector safety: the functions that allocate derive buffer addresses from
// the node afterwards; cells given to load_at and make_at must not lie in a
// managed buffer (a stack slot or a native local).
#pragma once
#include <cstdint>

#include "runtime/cell.h"

namespace zep::binary {

// ---- Construction and access ----------------------------------------------

// The cell becomes a new binary! holding a copy of the bytes (which must not
// lie in a managed buffer). Answers the cell.
Cell* load_at(const unsigned char* bytes, uint32_t length, Cell* cell);
// load_at into a new slot pushed on the argument stack.
Cell* load(const unsigned char* bytes, uint32_t length);
// The cell becomes a new empty binary! with room for `size` bytes.
Cell* make_at(Cell* cell, uint32_t size);
// The bytes from the value's position (clamped) to its tail.
uint32_t length_at(const Cell* value);
// The address of the byte at the value's position (clamped to the tail).
unsigned char* head_pointer(const Cell* value);
// The byte at `offset` bytes after the value's position, as an integer
// (-1 when that lies outside the bytes).
int32_t get_byte(const Cell* value, int32_t offset);
// Stores a char! (at most 255) or an integer! (0 to 255) into one byte;
// script out-of-range for a value beyond a byte, script invalid-arg for any
// other type.
void get_char_arg(unsigned char* byte, const Cell* value);

// ---- Action slots ------------------------------------------------------------

// Registers binary! (parent series!): string!'s slots where they serve bytes.
void init();
// make: an integer! or float! size, else as `to`.
Cell* make(Cell* result, const Cell* spec, uint8_t type);
// to: a text as its UTF-8 bytes, a binary! copied from its position, an
// integer! as 4 big-endian bytes, a float! as 8 big-endian bytes, a char! as
// its UTF-8 bytes, a tuple! as its bytes, a bitset! as its bit bytes, a block
// of those joined; script bad-to-arg for anything else.
Cell* to(Cell* result, const Cell* spec, uint8_t type);
// form and mold: #{hex digits}; mold breaks lines of 32 bytes unless flat.
int32_t form(const Cell* value, Cell* out_string, int32_t part_limit);
int32_t mold(const Cell* value, Cell* out_string, bool only, bool all, bool flat,
             int32_t part_limit, int32_t indent);
// compare: bytes from each position, unsigned; a shorter prefix sorts first.
int compare(const Cell* a, const Cell* b, int code);
// append and insert: (binary, value, part count or -1, /only, dup count,
// notify). A char! adds its UTF-8 bytes, an integer! one byte (0-255), a
// text its UTF-8, a binary! its bytes, a block each element in turn.
Cell* append(Cell* series, const Cell* value, int32_t part, bool only, int32_t dup, bool notify);
Cell* insert(Cell* series, const Cell* value, int32_t part, bool only, int32_t dup, bool notify);
// change: overwrites from the position (/part: replaces that many bytes) and
// answers the series just past the change.
Cell* change(Cell* series, const Cell* value, int32_t part, bool only, int32_t dup, bool notify);
// The shared worker: append_mode true appends at the tail (the series keeps
// its position), false inserts at the position (which moves past the insert).
Cell* insert_or_append(Cell* series, const Cell* value, int32_t part, bool only, int32_t dup,
                       bool append_mode);

// ---- Parse on binary input ------------------------------------------------------

// True when the bytes at the position equal the value: a binary!'s bytes,
// any text's UTF-8, or a char!'s UTF-8 (case-insensitive for ASCII letters
// unless code is 2 strict-equal or 8 case-sort).
bool is_match_value(const Cell* binary, const Cell* value, int code);
// True when the byte at the position is in the bitset (a byte beyond the
// bitset's stored bits takes its complement flag); false at the tail.
bool is_byte_in_bitset(const Cell* binary, const Cell* bitset);
// With `match`: 0 when the value's bytes occur at the position, else 1.
// Without: -1, 0 or 1 comparing the bytes from the position with the
// value's (as compare does).
int compare_bytes(const Cell* binary, const Cell* value, int code, bool match);

// ---- Base encodings (debase, enbase, the lexer's #{...}) -----------------------

// Decoders: a new byte series node, or 0 when the text is not valid in that
// base. White space is skipped between digits in every base; base 2 also
// skips ";" comments up to the line end; base 64 accepts "=" padding.
Ref decode_2(const unsigned char* text, uint32_t length);
Ref decode_16(const unsigned char* text, uint32_t length);
Ref decode_58(const unsigned char* text, uint32_t length);
Ref decode_64(const unsigned char* text, uint32_t length);
// Decodes with base 2, 16, 58 or 64 (0 for any other base).
Ref decode_base(int base, const unsigned char* text, uint32_t length);

// Encoders: write the text into `out`, which has room for
// encoded_size(base, length) bytes, and answer the text's length.
uint32_t encode_2(const unsigned char* bytes, uint32_t length, unsigned char* out);
uint32_t encode_16(const unsigned char* bytes, uint32_t length, unsigned char* out);
uint32_t encode_58(const unsigned char* bytes, uint32_t length, unsigned char* out);
uint32_t encode_64(const unsigned char* bytes, uint32_t length, unsigned char* out);
// The room an encoding of `length` bytes needs (never overflows: 64 bits).
uint64_t encoded_size(int base, uint32_t length);

} // namespace zep::binary
