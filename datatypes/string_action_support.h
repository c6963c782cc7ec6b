// Helpers shared by the string action sources: refinement presence, owner
// notification, the errors the actions raise with their arguments, and
// reading the units of any text, binary or vector value.
#pragma once
#include <cstdint>

#include "evaluator/runtime_words.h"
#include "runtime/cell.h"
#include "runtime/memory.h"

namespace zep::string::support {

// series::notify with the action's global word; true when an owner was
// notified.
bool notify(const Cell* series, words::global::Id action, const Cell* value, int32_t index,
            int32_t count);

// script invalid-refine-arg naming the refinement and the argument.
[[noreturn]] void fire_refine_arg(words::refinement::Id refinement, const Cell* argument);
// script out-of-range with the value, or with an integer.
[[noreturn]] void fire_out_of_range(const Cell* value);
[[noreturn]] void fire_out_of_range(int32_t n);
// script invalid-arg with the value.
[[noreturn]] void fire_invalid_arg(const Cell* value);
// script bad-refines.
[[noreturn]] void fire_bad_refines();
// internal not-done.
[[noreturn]] void fire_not_done();
// internal no-memory.
[[noreturn]] void fire_no_memory();

// The length that a /part argument gives for the series: an integer!, or a
// value of the series' type on the same buffer (its head index minus the
// series' head index); else invalid-refine-arg with part.
int32_t part_length(const Cell* series, const Cell* part);

// True for binary! and vector!, whose units compare exactly and hold numbers.
inline bool is_number_series(uint8_t type) {
    return type == type_id::binary || type == type_id::vector;
}

// A view of a series' units from index 0: unit size and count. Reads go
// through `at`, so it stays valid only until the next allocation.
struct UnitView {
    const unsigned char* start;
    uint32_t unit;
    uint32_t total;
    uint32_t at(uint32_t i) const;
};
UnitView view_of(const Cell* series);

// The element at a unit index as a value: an integer! byte of a binary!, a
// vector!'s element (float! for a float vector, else integer!), else a char!.
void element_at(const Cell* series, uint32_t index, Cell* out);

// The value's head index clamped to [0, total units].
uint32_t clamped_head(const Cell* series);

// A lower bound of the units the first `elements` values of a block (all
// when negative) give when formed one after another or turned into bytes:
// each text and binary gives at least its length, a nested block or paren at
// least what its values give. It looks at no more than 65,536 values in all,
// so that it costs little on any block (and ends on one that holds itself).
uint64_t known_length(const Cell* block, int64_t elements);

} // namespace zep::string::support
