// error!: an object of class 1 whose context is a copy of the standard error
// prototype, with the ten fields code type id arg1 arg2 arg3 near where
// stack files (field indexes in evaluator/error_value.h). The cell is an
// object! cell retyped to 34 with no on-set record.
//
// The catalogue: an object whose fields are the ten categories, each an
// object with `code`, `type` (the title) and one field per id holding the
// message template (a string, or a block of strings and the words arg1 to
// arg3). At start-up (error::init_catalog, called by boot::init_core) the
// runtime interns the names of its own table (runtime/error_catalog*) and
// builds the catalogue object and the standard prototype from it when first
// asked for them, so errors are real error! values from the first raise on
// (a start-up that raises nothing before the hand-over never builds them).
// Hand-over: once the library's top level has made
// `system/catalog/errors` (and `system/standard/error`), the start-up code
// calls error::use_system_objects(); from then on errors are made from, and
// printed through, those objects. Before that call, and for an object that
// `system` lacks, the runtime's own objects stay in use.
//
// `system/state/stack-trace` and `system/state/source-files` are read from
// the `system` object when it exists (absent: stack-trace 0, no files).
#pragma once
#include <cstdint>

#include "runtime/cell.h"

namespace zep::error {

// ---- Catalogue and prototype -------------------------------------------------------

// Interns the names of the runtime's catalogue and standard error prototype
// and reserves their root-block cells; the objects are built on first use.
// Needs the symbol table, the global context and the object! registration.
void init_catalog();
// Switches to system/catalog/errors and, when it exists, to
// system/standard/error; answers false (changing nothing) when there is no
// system/catalog/errors object.
bool use_system_objects();
// Drops the catalogue state (tests and shutdown).
void forget_catalog();

// The catalogue object cell and a category's object cell by index (null when
// the index names no category). Valid until the next allocation.
const Cell* catalog_object();
const Cell* category_object(uint32_t index);
// The standard prototype object cell.
const Cell* prototype();

// ---- Building errors ----------------------------------------------------------------

// Builds the error for [category id] (words, any case) and copies the given
// arguments (null: none!) into arg1..arg3. out may be any cell.
Cell* make_from_ids(Cell* out, const Cell* category, const Cell* id, const Cell* arg1 = nullptr,
                    const Cell* arg2 = nullptr, const Cell* arg3 = nullptr);
// The same from a catalogue code; the code must name an id.
Cell* make_from_code_value(Cell* out, int32_t code, const Cell* arg1, const Cell* arg2,
                           const Cell* arg3);

// The symbols of the type and id fields (0 when they are not words).
uint32_t get_type(const Cell* error);
uint32_t get_id(const Cell* error);
// The number of fields shown by the error's reflection (8).
constexpr int32_t field_count() {
    return 8;
}

// Replaces an integer stack field by the block of captured frames (depth
// system/state/stack-trace when above 0, else 1) and, when
// system/state/source-files is not empty, stores a copy of it in files.
void capture_stack(Cell* error);

// system/state/stack-trace when it is an integer!, else 0.
int32_t stack_trace_depth();

// ---- error! actions ------------------------------------------------------------------

void init();
Cell* make(Cell* result, const Cell* spec, uint8_t type);
// The printed text: "*** " title ": " message, Where, Near, and the Stack
// and Files lines when present.
int32_t form(const Cell* value, Cell* out_string, int32_t part_limit);
int32_t mold(const Cell* value, Cell* out_string, bool only, bool all, bool flat,
             int32_t part_limit, int32_t indent);
int compare(const Cell* a, const Cell* b, int code);

} // namespace zep::error
