// object!: a context of kind object (datatypes/context.h) with a class id and
// an optional on-set record naming its two event handlers.
//
// Cell: header 32; data1 the context node (kind 2, object flag); data2 the
// class id; data3 the node of the on-set record, or 0 when the object has
// neither `on-change*` nor `on-deep-change*`. The context's owner cell holds
// a copy of the object cell, so `self` and the handlers reach it.
//
// On-set record: a node of two cells, 0 for `on-change*` and 1 for
// `on-deep-change*`. data1 = field index << 16 | the handler's /local slot
// count (index 0xFFFF: no such handler), data2 = the spec node of the
// function the count was taken from (0: none), data3 = 0. The cells are
// typed block! so that the collector keeps that spec alive and renumbers
// it when nodes move: a dead spec's node, reused by another function's
// spec, would otherwise pass for the one the count was taken from.
//
// Class ids: objects made by the runtime take a new id from a counter that
// starts at 1,000,000 (the first id given out is 1,000,001); error! objects
// have class 1; two objects share an id when one was made from the other
// without adding fields.
//
// Collector safety: every routine here may allocate (and the make, set and
// fire routines evaluate). Cells passed in are copied or kept on the
// argument stack on entry; cell pointers answered are valid until the next
// allocation.
#pragma once
#include <cstdint>

#include "runtime/cell.h"

namespace zep::object {

constexpr int32_t first_class_id = 1000000;
constexpr int32_t error_class_id = 1;
// A record cell's data1 at or above this value names no handler.
constexpr uint32_t no_handler = 0xFFFF0000u;

namespace record_cell {
enum : uint32_t { on_change = 0, on_deep_change = 1 };
} // namespace record_cell

// ---- Class ids and field access ------------------------------------------------

// Increments the class counter and answers it.
int32_t next_class_id();
// The counter's current value (tests and the compiled library's ids).
int32_t current_class_id();
void reset_class_ids();

// True when the value is an object! of the class.
bool is_word_of_class(const Cell* value, int32_t class_id);
bool is_field_of_class(const Cell* value, int32_t class_id);

// Any-case lookup of the word's symbol in the object's context: index or -1.
int32_t find_word(const Cell* object, const Cell* word);
// The field's value, or the shared none! cell when absent.
const Cell* select_word(const Cell* object, const Cell* word);
// The word cell at index i of a context's word list (first_word: index 0);
// compiled code names catalogue categories and ids this way.
Cell* word_at(Ref context, int32_t index);
Cell* first_word(Ref context);
Cell* get_values(const Cell* object);
uint32_t count_words(const Cell* object);
// Clears the new-line marker (header bit 30) of every cell from the block's
// head to its tail.
void clear_new_line_marks(const Cell* block);
// Clears the field-assigned mark of every word of the context.
void clear_changed_marks(Ref context);

// ---- Constructors ----------------------------------------------------------------

// The target becomes a new object (context kind 2, object flag, values in a
// series with room for `slots`), class 0, no record, owner cell set.
Cell* make_empty(Cell* target, uint32_t slots);
// Pushes an object of the context and class; an empty values series gets the
// length of the word list; owner cell set.
Cell* push(Ref context, int32_t class_id);
// The two-cell record from indexes (-1: none), slot counts and spec nodes.
Ref make_on_set(int32_t on_change_index, int32_t on_change_slots, Ref on_change_spec,
                int32_t on_deep_index, int32_t on_deep_slots, Ref on_deep_spec);
// Scans the context for the two handlers; answers the record or 0. A handler
// field that is not a function! or routine! raises script bad-field-set.
Ref init_on_set(Ref context);
// Builds the record into data3 of the object cell, binds ownership of the
// object's series when it has on-deep-change*, and copies the object into
// its context's owner cell.
void install_on_set(Cell* object);
bool has_on_deep_change(const Cell* object);
bool has_on_change(const Cell* object);

// ---- Events -----------------------------------------------------------------------

// Calls the object's on-change* with the word, old and new value (nothing
// when it has none). The handler runs as a function call named on-change*.
void fire_on_change(const Cell* object, const Cell* word, const Cell* old_value,
                    const Cell* new_value);
// Calls the owner's on-deep-change* with (owner, word, target, action, new
// value or none, index, part). script invalid-obj-evt when the owner has no
// record. The ownership layer's fire hook.
void fire_on_deep_change(const Cell* owner, const Cell* word, const Cell* target,
                         const Cell* action, const Cell* new_value, int32_t index, int32_t part);

// ---- Natives' workers ------------------------------------------------------------

// `set` on an object: spreads a block or object over the fields (every
// field gets the value with only, or for any other value).
void set_many(Cell* object, const Cell* value, bool any, bool only, bool some);
// `construct`: a new object (a copy of the prototype when not null/none)
// holding the spec's set-words with their unevaluated values.
Cell* construct(Cell* out, const Cell* spec, const Cell* prototype, bool only);
// copy: a new object with the same words and class id into target; deep and
// types as for copy/deep and copy/types (types null when absent); install
// builds a fresh on-set record.
Cell* duplicate(const Cell* object, Cell* target, bool deep, const Cell* types, bool install);
// make object! spec, with a prototype object or null.
Cell* make_from(Cell* out, const Cell* prototype, const Cell* spec);
// Helpers of make: merges another object's fields into the context (series
// copied, functions rebound); copies the prototype's series values; rebinds
// function! fields to the object's context.
void merge_object(Cell* object, const Cell* other);
void copy_proto_values(Cell* object);
void rebind_functions(Cell* object);
bool collect_set_words(Cell* object, const Cell* spec);

// The fields as "word: value" text for form and mold (values molded, a
// word! value as a lit-word; the handler fields only with all): answers the
// remaining part limit. indent >= 0 (and not flat) starts each field on a
// new line indented by that many levels; otherwise fields are separated by
// a line break, or a space when flat.
int32_t serialize(const Cell* object, Cell* output, bool only, bool all, bool flat,
                  int32_t part_limit, int32_t indent);

// ---- object! actions --------------------------------------------------------------

void init();
Cell* make(Cell* result, const Cell* spec, uint8_t type);
Cell* reflect(Cell* value, const Cell* field);
int32_t form(const Cell* value, Cell* out_string, int32_t part_limit);
int32_t mold(const Cell* value, Cell* out_string, bool only, bool all, bool flat,
             int32_t part_limit, int32_t indent);
Cell* eval_path(Cell* parent, const Cell* selector, const Cell* new_value, const Cell* path,
                bool case_);
int compare(const Cell* a, const Cell* b, int code);
Cell* copy(Cell* series, Cell* destination, const Cell* part, bool deep, const Cell* types);
Cell* put(Cell* series, Cell* key, Cell* value, bool case_);
Cell* select(Cell* series, Cell* value, Cell* part, bool only, bool case_, bool same, bool any,
             Cell* with, Cell* skip, bool last, bool reverse);
Cell* modify(Cell* target, const Cell* field, Cell* value, bool case_);

// The path evaluator's get and get-any flags for the access under way, set
// by the path dispatcher before it calls eval_path (0 otherwise). A missing
// field yields unset! when both are set, raises invalid-path with get-any
// alone and unset-path otherwise.
namespace path_flag {
constexpr uint32_t get = 1;
constexpr uint32_t get_any = 2;
} // namespace path_flag
extern uint32_t path_mode;

} // namespace zep::object
