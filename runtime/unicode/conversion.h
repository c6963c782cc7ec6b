// Converting a text value into UTF-8 or UTF-16LE for the platform.
//
// The results land in the value's conversion buffer: a byte series whose node
// sits in the cell's data3, made on first use and reused (grown when too
// small) by later conversions of the same value. Its contents stay valid until
// the next conversion of that value. A buffer belongs to the cell slot that
// made it: a copy of the cell elsewhere (which carries the same data3) gets a
// buffer of its own on its first conversion, so two values never share one.
//
// The cell must stay where it is across the call (an argument-stack slot or a
// registered root): conversions allocate.
#pragma once
#include <cstdint>

#include "runtime/cell.h"

namespace zep::unicode {

// UTF-8 of the value from its head, NUL-terminated, in the conversion buffer.
// `length` in: a limit in characters (-1 = none); out: the bytes written
// without the NUL. Raises script invalid-char for a code point above 0x10FFFF.
unsigned char* to_utf8_cstr(Cell* cell, int32_t& length);

// to_utf8_cstr, writing LF as CR LF when `crlf` is set.
unsigned char* to_utf8_cstr_part(Cell* cell, int32_t& length, bool crlf);

// Writes the UTF-8 of the value (at most `limit` characters, -1 = none) into
// the caller's memory, sized by utf8_size_of_series, plus a NUL when
// `nul` is set. Answers the bytes written without the NUL.
uint32_t series_to_utf8(const Cell* cell, unsigned char* dest, int32_t limit, bool nul);

// As series_to_utf8, but writes at most `room` bytes, the NUL included, and
// only whole characters; `limit` applies when above 0 and below the length.
uint32_t series_to_utf8_bounded(const Cell* cell, unsigned char* dest, int32_t room, int32_t limit,
                                bool nul);

// UTF-16LE of the value from its head in the conversion buffer, ended by a
// 16-bit 0. `count` in: a limit in characters (-1 = none); out: the 16-bit
// units written without the terminator. With `crlf` a CR precedes each LF.
// Answers null when a code point above 0x10FFFF is met.
unsigned char* to_utf_buffer(Cell* cell, int32_t& count, bool crlf);

// to_utf_buffer with no limit and CR LF line ends.
unsigned char* to_utf16_buffer(Cell* cell);

} // namespace zep::unicode
