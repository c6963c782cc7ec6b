// block!: the array of cells that holds code and data alike. A block value
// is a series value (datatypes/series.h) whose buffer has 16-byte units,
// each a cell; a cell's header bit 30 is its new-line marker, which only
// mold reads. paren!, hash! and the path types inherit these slots; a
// hash! keeps its index table (runtime/hashtable.h) in the value's extra
// word, and every operation here that changes or searches a hash! keeps
// that table in step.
//
// The routines clamp: a head index past the tail is first reset to the tail.
// Collector safety: routines that allocate re-derive cell addresses from
// the node afterwards; callers must do the same with addresses they hold.
#pragma once
#include <cstdint>

#include "runtime/cell.h"

namespace zep::block {

// ---- Routines ----------------------------------------------------------------

// Cells from the head to the tail.
int32_t length(Cell* block);
// Advances the head by one unless at the tail; true when it is then at the tail.
bool next_at_tail(Cell* block);
// The head cell (the head index clamped to the tail first).
Cell* head_cell(Cell* block);
Cell* tail_cell(const Cell* block);
bool is_at_tail(const Cell* block);
// The cell at an index counted from the buffer's first cell.
Cell* cell_at(const Cell* block, int32_t index);
// Cuts the tail back to the head, or to an index from the first cell.
void set_tail_at(Cell* block);
void set_tail_index(Cell* block, int32_t index);
// Appends a copy of the value at the tail; answers the new cell.
Cell* append_value(const Cell* block, const Cell* value);
// Drops the last cell (when any) and clamps the head index.
void remove_last(Cell* block);
// Appends (inserts at the head) copies of all cells from the source's head.
void append_rest(Cell* target, const Cell* source);
void insert_rest(Cell* target, const Cell* source);
// The cell after the first cell from the head equal to the value (code 12),
// or the shared none value when absent or last.
Cell* select_value(Cell* block, const Cell* value);
// Removes the first cell equal to the value, searching from the head or from
// the first cell; true when one was removed.
bool remove_value(Cell* block, const Cell* value, bool from_start);
// Pushes a new block holding copies of the cells from the head (room for at
// least one cell). deep copies nested block! values recursively; all_types
// also paren! and the path types. The result has the source's type.
Cell* copy_to_stack(const Cell* block, bool deep, bool all_types);
// Walks the cells with a step and replaces by its copy each series, map!,
// bitset!, object! or error! cell whose type the datatype! or typeset!
// names; with deep, nested blocks are walked the same way.
void find_typed(Cell* block, const Cell* types, int32_t step, bool deep);
// Inserts a copy of the value at the head (or appends it); answers the cell.
Cell* insert_value(Cell* block, const Cell* value, bool append);
// Stack forms for compiled code and natives: the block in the arguments base
// cell takes the value in the next cell (inserted at its head, or appended);
// append_second_argument appends the value in the third cell to the block
// in the second. A hash! enters the new cell in its table.
void insert_argument();
void append_argument();
void append_second_argument();
// The cell after the first word-type cell with the symbol (exactly, or
// through symbol aliases), or the shared none value when absent or last.
Cell* find_word(Cell* block, uint32_t symbol, bool exact);

// Making blocks (a negative n gives 1).
Cell* make_at(Cell* cell, int32_t n);
// make_at with a type id of the block family.
Cell* make_at_with(Cell* cell, int32_t n, uint8_t type);
// In a new tail cell of a parent block, or of the runtime's root block when
// the parent is null.
Cell* make_in(const Cell* parent, int32_t n);
Cell* make_in_or_root(const Cell* parent, int32_t n);
// On the argument stack (0 treated as 1); a copy of a block cell.
Cell* push_new(int32_t n);
Cell* push(const Cell* block);

// ---- block! actions --------------------------------------------------------------

// Seams installed by other modules (null until then): vector! fills a block
// with its elements; the lexer loads a string! into a block of values.
extern void (*vector_to_block)(const Cell* vector, Cell* destination);
extern bool (*load_text)(const Cell* text, Cell* destination);

Cell* make(Cell* result, const Cell* spec, uint8_t type);
Cell* to(Cell* result, const Cell* spec, uint8_t type);
int32_t form(const Cell* value, Cell* out_string, int32_t part_limit);
int32_t mold(const Cell* value, Cell* out_string, bool only, bool all, bool flat,
             int32_t part_limit, int32_t indent);
// Molds the cells from the head, without brackets.
int32_t mold_each(const Cell* value, Cell* out_string, bool only, bool all, bool flat,
                  int32_t part_limit, int32_t indent);
int compare(const Cell* a, const Cell* b, int code);
// The comparison of two block values of any block type, as compare answers.
int compare_blocks(const Cell* a, const Cell* b, int code);
// Path access (value null: get): the result cell.
Cell* eval_path(Cell* parent, const Cell* selector, const Cell* value, const Cell* path,
                bool case_);
Cell* copy(Cell* series, Cell* destination, const Cell* part, bool deep, const Cell* types);
Cell* find(Cell* series, Cell* value, Cell* part, bool only, bool case_, bool same, bool any,
           Cell* with, Cell* skip, bool last, bool reverse, bool tail, bool match);
Cell* select(Cell* series, Cell* value, Cell* part, bool only, bool case_, bool same, bool any,
             Cell* with, Cell* skip, bool last, bool reverse);
Cell* put(Cell* series, Cell* key, Cell* value, bool case_);

// Editing (append and insert are one routine: append flag 1 or 0).
Cell* append(Cell* series, const Cell* value, int32_t part, bool only, int32_t dup, bool append);
// The notify flag is ignored: change always notifies an owner.
Cell* change(Cell* series, const Cell* value, int32_t part, bool only, int32_t dup,
             bool notify = true);
Cell* take(Cell* series, Cell* part, bool deep, bool last);
Cell* swap(Cell* series, Cell* other);
// trim drops every none! from the head on; its refinements have no effect
// on blocks.
Cell* trim(Cell* series, bool head = false, bool tail = false, bool auto_ = false,
           bool lines = false, bool all = false, const Cell* with = nullptr);

// Sorting: sort flags bit 0 reverse, bit 1 whole records, bits 2 up the
// record size (whole records) or the offset of the compared cell.
Cell* sort(Cell* series, bool case_, const Cell* skip, const Cell* compare, const Cell* part,
           bool all, bool reverse, bool stable);
int sort_compare(const Cell* a, const Cell* b, int code, int32_t flags);
int sort_compare_with(const Cell* a, const Cell* b, const Cell* function, int32_t flags);
// sort/compare with a function! calls it through series::call_two.

// The set operations behind unique (8), union (9), intersect (10),
// exclude (11) and difference (12): the series in the current call's first
// two argument cells; the result is a new series written into the first.
namespace set_op {
enum : int { unique = 8, union_ = 9, intersect = 10, exclude = 11, difference = 12 };
}
Cell* set_operation(bool case_, const Cell* skip, int op);

// Registers block! (type 5, parent series!).
void init();

} // namespace zep::block
