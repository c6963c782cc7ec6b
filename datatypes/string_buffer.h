// The text layer under string! and the other text types (file!, url!, tag!,
// email!, ref!): reading and writing code points in buffers of 1-, 2- or
// 4-byte units, widening on write, inserting, removing and concatenating
// text, comparing texts under the comparison codes, hexadecimal and escaped
// writers, and making strings from external text.
//
// A text cell's payload: data1 the head index in units (signed; it may lie
// past the tail after another value shrank the buffer), data2 the node of the
// text buffer, data3 the node of its conversion buffer or 0. Unit indexes
// count from the buffer's first used unit.
//
// Collector safety: every operation that can allocate may move buffers. The
// operations that take a SeriesBuffer* answer the buffer as it is afterwards;
// callers use that answer (or derive the buffer again from the node) and
// never an address taken before the call.
#pragma once
#include <cstdint>
#include <string>

#include "runtime/cell.h"
#include "runtime/memory.h"

namespace zep::string {

// Comparison codes, shared with the compare action and the comparison natives.
namespace code {
constexpr int equal = 0;
constexpr int not_equal = 1;
constexpr int strict_equal = 2;
constexpr int lesser = 3;
constexpr int lesser_or_equal = 4;
constexpr int greater = 5;
constexpr int greater_or_equal = 6;
constexpr int sort = 7;
constexpr int case_sort = 8;
constexpr int same = 9;
constexpr int word_equal = 10;
constexpr int word_strict_equal = 11;
constexpr int find = 12; // like equal, but an empty pattern never matches
} // namespace code

// Modes of concatenate.
namespace concat_mode {
constexpr int append = 0;
constexpr int insert = 1;
constexpr int overwrite = 2;
} // namespace concat_mode

// The size the scratch buffer returns to after an exchange that needed more.
constexpr uint32_t scratch_size = 65536;

// True for the text types string!, file!, url!, tag!, email!, ref!.
bool is_any_string(uint8_t type);

// ---- Access ----------------------------------------------------------------

// Units from the head (clamped to the tail) to the tail.
uint32_t length(const Cell* value);
// Units from index 0 to the tail.
uint32_t total_length(const Cell* value);
// Address of the head unit; the head index is first clamped to [0, tail] and
// written back into the value.
unsigned char* head_address(Cell* value);
// Address just past the last unit.
unsigned char* tail_address(const Cell* value);
// True when the head is at or past the tail.
bool is_at_tail(const Cell* value);
// The code point at a unit index counted from the first unit.
uint32_t char_at(const Cell* value, uint32_t index);
// The code point stored at a byte address for a unit of 1, 2 or 4.
uint32_t get_char(const unsigned char* address, uint32_t unit);
// Unit offset from the head of the first occurrence of cp, -1 when absent.
int32_t find_char(const Cell* value, uint32_t cp);
// True when cp occurs at the head or a multiple of `step` units after it;
// both sides fold to upper case unless `case_sensitive`.
bool find_char_with(const Cell* value, uint32_t cp, uint32_t step, bool case_sensitive);
// True when the text, from its head, begins with the NUL-terminated 8-bit
// text (an empty text matches; a code point above 255 never matches a byte).
bool is_match_text(const Cell* value, const char* text);
// True when the code point at the head is in the bitset; one at or beyond
// the bitset's bit count gives the bitset's complement flag. False at the tail.
bool is_head_char_in_bitset(const Cell* value, const Cell* bitset);
// True when the head character is '<' and the one at head + length of
// `other` + 1 is '>'.
bool is_enclosed_by_angles(const Cell* value, const Cell* other);

// ---- Construction ----------------------------------------------------------

// The cell becomes an empty string! with room for n one-byte units (1 when n
// is 0), head 0, no conversion buffer. Answers the cell.
Cell* make_at(Cell* cell, uint32_t n);
// The same with n units of the given size (1, 2 or 4).
Cell* make_at_unit(Cell* cell, uint32_t n, uint32_t unit);
// Pushes a copy of the value on the argument stack; answers the new slot.
// (Cells given to make_at and load_encoded must not lie in a managed buffer:
// a stack slot or a native local.)
Cell* push(const Cell* value);
// Encodings for load_encoded.
namespace encoding {
constexpr int utf8 = 0;
constexpr int utf16le = -1;
} // namespace encoding
// The cell (or, when null, a new slot pushed on the argument stack) becomes a
// string! holding the text. An unsupported encoding prints "*** Loading Error:
// input encoding unsupported" and ends the process with status 0. The bytes
// must not lie in a managed buffer. Answers the cell.
Cell* load_encoded(const unsigned char* bytes, uint32_t count, Cell* cell, int encoding);
// load_encoded into a new slot on the argument stack.
Cell* load(const unsigned char* bytes, uint32_t count, int encoding);
// load_encoded into a cell appended to the block value; answers that cell.
Cell* load_in(const unsigned char* bytes, uint32_t count, const Cell* block, int encoding);

// ---- Changing a buffer -----------------------------------------------------
// Each answers the buffer, which widening or growth may have moved.

// Appends one code point at the tail. A unit-1 buffer widens above 127 (to
// unit 4 from 0x10000, else unit 2); a unit-2 buffer widens from 0x10000.
SeriesBuffer* append_char(SeriesBuffer* buffer, uint32_t cp);
// Writes at a unit index; at the tail the text grows by one unit (an index
// past the tail writes at the tail). A unit-1 buffer widens only above 255.
SeriesBuffer* poke_char_at(SeriesBuffer* buffer, uint32_t index, uint32_t cp);
// Writes at a byte address of the used part or the tail (widening as
// poke_char_at, which recomputes the address from its unit index).
SeriesBuffer* poke_char(SeriesBuffer* buffer, unsigned char* address, uint32_t cp);
// Moves the units from index up by one and writes cp there (widening as
// poke_char_at). An index past the tail appends.
SeriesBuffer* insert_char(SeriesBuffer* buffer, uint32_t index, uint32_t cp);
// Removes n units at the index, moving the rest down: nothing when the index
// is at or past the tail; a count reaching past the tail cuts the text there.
SeriesBuffer* remove_units(Cell* value, uint32_t index, uint32_t n);
SeriesBuffer* remove_char(Cell* value, uint32_t index);
// Widens in place: 1 to 2, 1 to 4 or 2 to 4. The buffer's unit must be
// old_unit.
SeriesBuffer* widen_to_unit(SeriesBuffer* buffer, uint32_t old_unit, uint32_t new_unit);
// Copies the source's units (from source_offset bytes after its head up to
// source_end bytes after its head, 0 meaning the tail) into the target at
// target_offset bytes after its head, converting 1-byte units to 2 or 4, or
// 2-byte units to 4. Without a target a new series of `size` bytes is made.
// Unless `keep`, the target's tail is set after the last unit written and
// its unit to new_unit. A source unit of 4 is an internal fault (runtime
// error 100). The target must have room. Answers the target.
SeriesBuffer* copy_units(SeriesBuffer* source, SeriesBuffer* target, uint32_t size,
                         uint32_t new_unit, uint32_t source_offset, uint32_t target_offset,
                         uint32_t source_end, bool keep);
// Moves the units held in the first n bytes of the source (from its head)
// into the target at the target's head, then removes them from the source.
void insert_string(Cell* source, Cell* target, uint32_t n_bytes);
// Empties the value's buffer, resets its unit to 1 and the head index to 0.
Cell* clear_buffer(Cell* value);

// ---- Text in and out -------------------------------------------------------

// Appends each byte of the NUL-terminated text as a code point. The text
// must not lie in a managed buffer.
void append_text(Cell* value, const char* text);
// Appends n bytes as code points. The bytes must not lie in a managed buffer.
void append_bytes(Cell* value, const unsigned char* bytes, uint32_t n);
// Appends (mode 0), inserts at head + offset (mode 1) or overwrites from head
// + offset (mode 2) the source's text from its head, cut to `limit` units when
// limit >= 0. A symbol! target or source stands for its name. Unless
// keep_unit, a source narrower than the target is widened in place first.
void concatenate(Cell* target, const Cell* source, int32_t limit, int32_t offset, bool keep_unit,
                 int mode);
// Two upper-case hexadecimal digits, in a static buffer valid until the
// next call.
const char* byte_to_hex(uint8_t byte);
// Appends cp in the escaped notation of mold; with `all` every code point
// from 0x80 up is escaped.
void append_escaped_char(Cell* target, uint32_t cp, bool all);
// -1, 0 or 1 under the comparison code. With `match`, whether the first text
// begins with the second. Text compares case-insensitively except under
// codes 2 and 8.
int compare(const Cell* first, const Cell* second, int code, bool match);
// True when the value matches at the head of the text: a char! equal to the
// head character, a tag! as "<" text ">", another text as a prefix.
bool find_value(const Cell* text, const Cell* value, int code);
// Exchanges two byte regions of one buffer, [first, first + first_length) and
// [second, second + second_length), with `gap` bytes between them that stay
// in place; second = first + first_length + gap.
void exchange_regions(unsigned char* first, uint32_t first_length, unsigned char* second,
                      uint32_t second_length, uint32_t gap);
// The float value of a decimal text of `length` units at a unit-1 address.
double parse_float(const unsigned char* address, uint32_t length);

// The characters of a text value from its head (clamped) to its tail, as
// UTF-8.
std::string utf8_of(const Cell* text);

// Makes the scratch buffer (the string! datatype's registration calls it);
// release_scratch gives it back.
void init_scratch();
void release_scratch();

} // namespace zep::string

namespace zep::integer {
// Eight upper-case hexadecimal digits of the 32-bit value; with short_form
// only the significant digits ("00" for zero). A static buffer, valid until
// the next call.
const char* to_hex_text(int32_t value, bool short_form);
} // namespace zep::integer

namespace zep::series {
// Cuts the tail back to first unit + n units when that lies below it.
void shorten(SeriesBuffer* buffer, uint32_t n);
} // namespace zep::series
