// Series used as growable arrays of fixed-size raw records (bytes, 32-bit
// integers, native pointers). A series is named by its node; lengths and
// indexes count records, indexes from 1. Appending grows the buffer through
// series::alloc_tail_bytes; removing never shrinks it.
#pragma once
#include <cstdint>

#include "runtime/cell.h"

namespace zep::series {

// A byte series with room for count records of unit bytes (1, 2, 4, 8 or 16),
// the unit recorded in its flags.
Ref make_with_unit(uint32_t count, uint32_t unit);
uint32_t length_in_units(Ref series);
// Empties the series (tail = head).
void clear(Ref series);
// Sets the tail after n - 1 records (n is the index of the first free
// record), growing the buffer when they pass its end; n of 0 empties it.
void set_tail(Ref series, uint32_t n);
// A copy of the series' buffer (see copy_buffer).
Ref copy(Ref series);
uint32_t flags(Ref series);

void append_byte(Ref series, uint8_t byte);
void append_bytes(Ref series, const void* source, uint32_t length);
void append_int(Ref series, uint32_t value);
// Native pointers are pointer-sized records.
void append_pointer(Ref series, const void* pointer);

// The 32-bit record at an index from 1 (0 outside the series).
uint32_t u32_at(Ref series, uint32_t index);
// Stores a 32-bit record at an index from 1; answers false (storing
// nothing) outside the series.
bool set_u32_at(Ref series, uint32_t index, uint32_t value);
// The pointer record at an index from 1 (null outside the series).
void* item_at(Ref series, uint32_t index);

// Byte offset from the head of the first record equal to the value, or -1.
int32_t find_pointer(Ref series, const void* pointer);
int32_t find_int(Ref series, uint32_t value);

// Removes n bytes at the byte offset from the head (clipped to the tail).
void remove_bytes(Ref series, uint32_t offset, uint32_t n);
// Removes the first record equal to the pointer; answers its byte offset,
// or -1 (changing nothing) when absent.
int32_t remove_pointer(Ref series, const void* pointer);

} // namespace zep::series
