// bitset!: a growable array of bits addressed by code point or integer.
//
// The cell's payload word 2 is the node of a byte series (unit 1). Bit n
// lives in byte n >> 3 under the mask 128 >> (n & 7), most significant bit
// first. A stored bit is the membership of its position; every position
// beyond the stored bytes is a member exactly when the buffer carries the
// complement flag. The series can be owned: changes notify the owner.
#pragma once
#include <cstdint>

#include "runtime/cell.h"
#include "runtime/memory.h"

namespace zep::bitset {

// Complement flag in the series buffer's flags word.
constexpr uint32_t complement_flag = 0x80000;
// The highest bit number a bitset can hold: its length in bits (bytes x 8)
// must stay an integer!.
constexpr uint32_t max_bit = 0x7FFFFFF7;

// Operations of process.
enum class Op : int { measure = 0, set = 1, test = 2, clear = 3 };
// Which error a spec the bitset cannot take raises: script bad-make-arg under
// make, bad-to-arg under to, invalid-arg under the other actions.
enum class SpecUse : int { make, to, other };

// --- The bit array -----------------------------------------------------------

// Address of the first byte of the bit array; valid until the next allocation.
unsigned char* get_data(const Cell* bitset);
// The number of stored bytes.
uint32_t byte_count(const Cell* bitset);
// The number of stored bits: 8 x the bytes from the buffer's head to its tail.
int32_t length(const Cell* bitset);
bool is_complemented(const Cell* bitset);
// Writes a bitset! cell for a new array of `bytes` bytes, each `fill`, with
// the complement flag as given.
Cell* make_at(Cell* cell, uint32_t bytes, uint8_t fill, bool complemented);
// Membership of one position (beyond the stored bytes: the complement flag).
bool test_bit(const Cell* bitset, uint32_t bit);
// Sets or clears one position. Setting grows the array to hold it (new bytes
// 0x00, or 0xFF when complemented); clearing grows it only when complemented
// (otherwise a position beyond the array is already clear).
void set_bit(Cell* bitset, uint32_t bit);
void clear_bit(Cell* bitset, uint32_t bit);

// Applies a spec to the bitset: char!, integer! or float! (one bit), string!
// (its code points from the head), or a block of those in which `a - b`
// names an inclusive range. Answers the highest bit named for Op::measure,
// 1 or 0 for Op::test (all named bits set?), and 0 otherwise. Errors: a
// negative number raises out-of-range (a test answers false instead); a bad
// range raises invalid-arg or past-end; binary! raises internal not-done;
// other values raise the error of `use`. The bitset may be null for measure.
int32_t process(const Cell* spec, Cell* bitset, Op op, SpecUse use = SpecUse::other);

// --- Logic actions and set operations --------------------------------------

// Operation codes shared with the set-operation native.
namespace op {
constexpr int or_ = 5;
constexpr int and_ = 6;
constexpr int xor_ = 7;
constexpr int union_ = 9;
constexpr int intersect = 10;
constexpr int exclude = 11;
constexpr int difference = 12;
} // namespace op

// result := a <op> b as sets: members beyond the stored bytes take part
// through the complement flags, so the result holds exactly the members the
// set operation names. The result may be a or b. Both must be bitsets (else
// script invalid-type).
Cell* combine(Cell* result, const Cell* a, const Cell* b, int code);
// The worker of and~, or~, xor~ and the set natives on the current call's
// two arguments; the result goes into the first argument's cell.
void do_bitwise(int code);

// --- Action slots --------------------------------------------------------------

void init();

Cell* make(Cell* result, const Cell* spec, uint8_t type);
Cell* to(Cell* result, const Cell* spec, uint8_t type);
Cell* reflect(Cell* value, const Cell* field);
int32_t form(const Cell* value, Cell* out_string, int32_t part_limit);
int32_t mold(const Cell* value, Cell* out_string, bool only, bool all, bool flat,
             int32_t part_limit, int32_t indent);
Cell* eval_path(Cell* parent, const Cell* element, const Cell* new_value, const Cell* path,
                bool case_ = false);
int compare(const Cell* value, const Cell* other, int code);
Cell* complement(Cell* value);
void and_();
void or_();
void xor_();
Cell* append(Cell* series, const Cell* value, int32_t part, bool only, int32_t dup, bool notify);
Cell* clear(Cell* series);
Cell* copy(Cell* value, Cell* result, const Cell* part, bool deep, const Cell* types);
Cell* find(Cell* series, Cell* value, Cell* part, bool only, bool case_, bool same, bool any,
           Cell* with, Cell* skip, bool last, bool reverse, bool tail, bool match);
int32_t length_of(Cell* series);
Cell* pick(Cell* series, int32_t index, const Cell* index_cell);
Cell* poke(Cell* series, int32_t index, Cell* new_value, const Cell* index_cell);
Cell* remove(Cell* series, Cell* part, Cell* key);
Cell* modify(Cell* target, const Cell* field, Cell* new_value, bool case_);

} // namespace zep::bitset
