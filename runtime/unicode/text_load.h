// Loading external text (UTF-8 or UTF-16LE bytes) into a text buffer.
//
// Each loader first reads the whole source once to validate it and measure
// the characters and the unit they need, then sizes the buffer once and
// writes. Invalid input therefore raises before anything changes. The source
// bytes must not lie in a series buffer that an allocation could move (the
// one exception, a UTF-16 source taken from the target's own conversion
// buffer, is handled here).
#pragma once
#include <cstdint>

#include "runtime/cell.h"
#include "runtime/memory.h"

namespace zep::unicode {

// Loads `count` UTF-8 bytes. With a target buffer the text replaces its
// contents from its first used unit and keeps its unit when that is wider than
// the text needs; without one a new series of the narrowest unit is made. A
// leading byte-order mark is skipped. With `crlf`, CR LF becomes LF and a lone
// CR becomes LF. Invalid UTF-8 raises access invalid-utf8. When the bytes end
// inside a sequence, everything before it is loaded and the bytes left are
// stored into *unread when given; without `unread` that is invalid-utf8 too.
// *unread is otherwise left as it was (callers preset it to 0). Answers the
// node of the text series.
Ref load_utf8(const unsigned char* src, uint32_t count, SeriesBuffer* target, uint32_t* unread,
              bool crlf);

// load_utf8 into the buffer behind the text cell's node, no line-end handling.
Ref load_utf8_into(const unsigned char* src, uint32_t count, const Cell* cell, uint32_t* unread);

// load_utf8 into a new series, no line-end handling.
Ref load_utf8_new(const unsigned char* src, uint32_t count);

// Loads `units` 16-bit UTF-16LE units. With a null src the units are read from
// the target's conversion buffer. With a target cell its buffer takes the text
// from its first used unit and the unit the text needs; without one a new
// series is made. A surrogate pair is one character; a lone low surrogate is
// kept as its value. With `crlf` every CR is dropped. A high surrogate not
// followed by a low one raises script invalid-data before anything changes.
// Answers the text buffer.
SeriesBuffer* load_utf16le(const unsigned char* src, uint32_t units, const Cell* target, bool crlf);

} // namespace zep::unicode
