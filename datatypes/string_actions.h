// The string! datatype's action slots: registration, make and to, form and
// mold, path access, comparison, find and select, sort and the set
// operations (string_actions*.cpp), and the editing actions append, insert,
// change, swap, take and trim (string_edit_actions.cpp). The other text
// types, binary! and vector! inherit most of them.
//
// Refinement arguments are cell pointers; a refinement that was not given is
// passed as null or as a cell below the current arguments base.
#pragma once
#include <cstdint>

#include "datatypes/registry.h"
#include "runtime/cell.h"

namespace zep {

namespace string {

// Set-operation codes.
namespace set_op {
constexpr int unique = 8;
constexpr int union_ = 9;
constexpr int intersect = 10;
constexpr int exclude = 11;
constexpr int difference = 12;
} // namespace set_op

// Registers string! (parent series!) and makes the scratch buffer.
void init();

// ---- Action slots ------------------------------------------------------------

Cell* make(Cell* result, const Cell* spec, uint8_t type);
Cell* to(Cell* result, const Cell* spec, uint8_t type);
int32_t form(const Cell* value, Cell* out_string, int32_t part_limit);
// A part limit other than 2,147,483,647 means /part was given: only that many
// characters of the text are molded.
int32_t mold(const Cell* value, Cell* out_string, bool only, bool all, bool flat,
             int32_t part_limit, int32_t indent);
Cell* eval_path(Cell* value, const Cell* element, const Cell* new_value, const Cell* path,
                bool case_ = false);
int compare_slot(const Cell* a, const Cell* b, int code);
Cell* find(Cell* series, Cell* value, Cell* part, bool only, bool case_, bool same, bool any,
           Cell* with, Cell* skip, bool last, bool reverse, bool tail, bool match);
Cell* select(Cell* series, Cell* value, Cell* part, bool only, bool case_, bool same, bool any,
             Cell* with, Cell* skip, bool last, bool reverse);
Cell* sort(Cell* series, bool case_, const Cell* skip, const Cell* comparator, const Cell* part,
           bool all, bool reverse, bool stable);

// insert and change ignore the notify flag.
Cell* append(Cell* series, const Cell* value, int32_t part, bool only, int32_t dup, bool notify);
Cell* insert(Cell* series, const Cell* value, int32_t part, bool only, int32_t dup, bool notify);
Cell* change(Cell* series, const Cell* value, int32_t part, bool only, int32_t dup, bool notify);
// Forms a block's elements one after another, with no separator, at the end
// of a text no value refers to yet (a new one in a stack slot): as append of
// the block, without the copy a target that elements may refer to needs.
void append_elements(Cell* text, const Cell* block);
Cell* swap(Cell* series, Cell* other);
Cell* take(Cell* series, Cell* part, bool deep, bool last);
Cell* trim(Cell* series, bool head, bool tail, bool auto_, bool lines, bool all, const Cell* with);

// ---- Set operations ----------------------------------------------------------

// The set operation `op` on the current call's first two arguments; the
// result (a new string of the first argument's type) goes into the first.
Cell* set_operation(bool case_, const Cell* skip, int op);
// The same on explicit cells: the result is a new value written into
// `first`; neither argument's buffer is changed.
Cell* set_operation_on(Cell* first, const Cell* second, bool case_, const Cell* skip, int op);

} // namespace string
} // namespace zep
