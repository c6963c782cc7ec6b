// series!: the abstract parent of every series type. It owns the position
// and length rules that all series share and the actions that work on the
// raw units of a series buffer (1, 2 or 4 bytes for text, 1 for binary!, the
// element size for vector!, 16 for cells), so one implementation serves
// text, bytes and cells alike.
//
// A series value: data1 the head index (signed, in units from the buffer's
// first used unit; it may lie past the tail after another view shrank the
// buffer), data2 the node, data3 the extra word (a hash!'s index table, a
// vector!'s element type, else 0). Each action states how it clamps a head
// that lies past the tail.
//
// Refinement arguments are cell pointers; a refinement that was not given is
// passed as null or as an address below the current arguments base.
//
// Collector safety: every function that can allocate derives buffer
// addresses again from the node after the allocation.
#pragma once
#include <bit>
#include <cstdint>

#include "runtime/cell.h"
#include "runtime/memory.h"
#include "runtime/ownership.h"

namespace zep::series {

// Units from the buffer's head to its tail. Units are powers of two, so a
// shift divides by them (the or-ed bit keeps the shift defined for a zero
// unit field).
inline uint32_t used_unit_count(const SeriesBuffer* b) {
    return (b->tail - b->head) >> std::countr_zero(buffer_unit(b) | 32u);
}

// ---- Shared position functions -------------------------------------------

// True when the position is at or past the tail.
bool is_at_tail(const Cell* value);
// Units from the buffer's first used unit to its tail (T).
inline int32_t total_length(const Cell* value) {
    return static_cast<int32_t>(used_unit_count(node_buffer(value->data2)));
}
// Adds n to the head index only when the new position is not past the tail;
// true when the (possibly unchanged) position is at or past the tail.
bool move_head(Cell* value, int32_t n);
// The new head index from the current call's second argument (an integer!,
// else script invalid-arg): mode 1 for `at`, 0 for `skip`; clamped to 0..T.
int32_t index_from_argument(int mode);
// from_start: T. Otherwise the units from the head (a negative head counted
// as 0); a head past the tail is pulled back to the tail and 0 answered.
int32_t length(Cell* value, bool from_start);

// ---- Helpers shared by the series and block modules -----------------------

// True for a refinement argument that was given.
bool is_given(const Cell* argument);
// block!, paren!, hash! and the four path types.
inline bool is_block_type(uint8_t type) {
    switch (type) {
    case type_id::block:
    case type_id::paren:
    case type_id::hash:
    case type_id::path:
    case type_id::lit_path:
    case type_id::set_path:
    case type_id::get_path:
        return true;
    default:
        return false;
    }
}
// The unit size of the value's buffer.
inline uint32_t unit_of(const Cell* value) {
    return buffer_unit(node_buffer(value->data2));
}
// The head index clamped to 0..T (not written back).
int32_t clamped_head(const Cell* value);
// The count a /part argument gives from the value's head: an integer!, or a
// series of the same type and node (its head index minus h). Anything else
// raises script invalid-refine-arg with the word `part`.
int32_t part_count(const Cell* value, const Cell* part);
// Raises script invalid-refine-arg naming the refinement and its argument.
[[noreturn]] void fire_refine(const char* refinement, const Cell* argument);
// An unbound word! of the name (for error arguments and notifications).
Cell* word_named(const char* name, Cell* out);

// True when the series has an owner object to notify of changes. Inline:
// every change asks, and most series have no owner.
inline bool has_owner(const Cell* series) {
    bool flagged = cell_type(series) == type_id::image
                       ? (series->header & ownership::image_owned_flag) != 0
                       : (node_buffer(series->data2)->flags & series_flag::owned) != 0;
    return flagged && ownership::table();
}
// notify for a series that has an owner.
bool notify_owner(const Cell* series, const Cell* action, const Cell* value, int32_t index,
                  int32_t part);
bool notify_owner(const Cell* series, const char* action, const Cell* value, int32_t index,
                  int32_t part);
// Owner notification around a change: the action word (or its spelling),
// the value involved (null: none), the position and the count. Answers
// whether the series has an owner that was notified.
inline bool notify(const Cell* series, const Cell* action, const Cell* value, int32_t index,
                   int32_t part) {
    return has_owner(series) && notify_owner(series, action, value, index, part);
}
inline bool notify(const Cell* series, const char* action, const Cell* value, int32_t index,
                   int32_t part) {
    // Most series have no owner: the action word is made only for those that do.
    return has_owner(series) && notify_owner(series, action, value, index, part);
}

// The evaluator's seam for sort/compare with a function! value: calls the
// function with the two arguments and writes its result. Null until the
// evaluator installs it; a sort that needs it then raises internal not-done.
using CallTwoFn = void (*)(const Cell* function, const Cell* first, const Cell* second,
                           Cell* result);
extern CallTwoFn call_two;

// Element access installed by vector! (null until then): push the element
// at a byte address as a value of the element type; store a value into one
// element (answers false when the value's type is not the element type).
extern Cell* (*vector_push_element)(const unsigned char* element, uint32_t unit, uint32_t type);
extern bool (*vector_set_value)(unsigned char* element, const Cell* value, uint32_t unit,
                                uint32_t type);

// ---- series! actions -------------------------------------------------------

Cell* random(Cell* value, bool seed, bool secure, bool only);
Cell* reflect(Cell* value, const Cell* field);
// at and skip read the series and the index from the current call's first
// and second argument cells and write the first.
void at();
void skip();
Cell* back(Cell* series);
Cell* clear(Cell* series);
Cell* copy(Cell* series, Cell* destination, const Cell* part, bool deep, const Cell* types);
Cell* head(Cell* series);
Cell* is_head(Cell* series);
Cell* is_index(Cell* series);
int32_t length_of(Cell* series);
Cell* move(Cell* origin, Cell* target, const Cell* part);
Cell* next(Cell* series);
// A cell inside a block (the caller copies it), the shared none value, or a
// value pushed on the argument stack.
Cell* pick(Cell* series, int32_t n, const Cell* index);
Cell* poke(Cell* series, int32_t n, Cell* value, const Cell* index);
Cell* remove(Cell* series, Cell* part, Cell* key);
Cell* reverse(Cell* series, Cell* part, Cell* skip);
Cell* tail(Cell* series);
Cell* is_tail(Cell* series);
// The shared core of block!/take and string!/take: a new series on the
// argument stack, or the first argument cell made none.
Cell* take(Cell* series, Cell* part, bool deep, bool last);
Cell* modify(Cell* series, const Cell* field, Cell* value, bool case_);

// The new head index of `at` (mode 1) or `skip` (mode 0) by n, clamped.
int32_t index_by(const Cell* series, int32_t n, int mode);

// Registers series! (type 42, no parent).
void init();

} // namespace zep::series
