// logic!: true or false (payload word 1: 1 or 0), and the truth tests that
// decide what counts as false: none! and the logic! false. Every other value
// is true, unset! included where a test does not refuse it.
#pragma once
#include <cstdint>

#include "runtime/cell.h"

namespace zep::logic {

// The shared constant cells handed out by `to logic!`; filled by init.
// Callers copy them and never write into them.
extern Cell true_cell;
extern Cell false_cell;

// Registers logic! and fills the shared cells.
void init();

// The truth rule: false for none! and for a logic! whose flag is not exactly 1.
inline bool is_truthy(const Cell* value) {
    uint8_t type = cell_type(value);
    if (type == type_id::none) return false;
    if (type == type_id::logic) return value->data1 == 1;
    return true;
}

// Reads the flag (payload word 1).
inline uint32_t get(const Cell* value) {
    return value->data1;
}

// Overwrites the current call's result cell with a logic! and answers it.
Cell* box(bool flag);
// A fresh logic! cell pushed on the argument stack.
Cell* push(bool flag);
// A fresh logic! cell appended at the block's tail.
Cell* make_in(Cell* block, bool flag);

// Truth of a cell. With check_unset, an unset! raises script no-value with
// `word` as its argument.
bool is_true_value(const Cell* value, bool check_unset, const Cell* word);
// Truth of the current call's first argument; unset! raises script no-return.
bool is_true();
// True when the current call's first argument is none! or false.
bool is_false();
// Truth of the last value on the argument stack (the current base cell when
// nothing was pushed above it), and its negation.
bool is_top_true();
bool is_top_false();

// Action slots.
Cell* make(Cell* result, const Cell* spec, uint8_t type);
Cell* to(Cell* result, const Cell* spec, uint8_t type);
Cell* random(Cell* value, bool seed, bool secure, bool only);
int32_t form(const Cell* value, Cell* out_string, int32_t part_limit);
int32_t mold(const Cell* value, Cell* out_string, bool only, bool all, bool flat,
             int32_t part_limit, int32_t indent);
int compare(const Cell* value, const Cell* other, int code);
Cell* complement(Cell* value);
// and~, or~, xor~ on the current call's two arguments; the result goes into
// the first argument's cell.
void and_();
void or_();
void xor_();
// Their shared worker: op is the math op code 6 (and), 5 (or) or 7 (xor).
// A second argument that is not a logic! raises script expect-arg.
void operate(Cell* value, const Cell* other, int op);

} // namespace zep::logic
