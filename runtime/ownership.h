// Series ownership: an object owns the series held in its fields (and what
// they contain), so that a change inside such a series is reported to the
// object. A series is owned when its buffer carries series_flag::owned (for an
// image!, bit 16 of the value's cell header); the owner record lives in one
// global owner table keyed by the series' node: three cells, the series value
// as bound, the owner object! and the field word through which it is held.
//
// Every modifying series action calls check twice: before the change with
// the action's word (append, change, ...) and the position and count about to
// change, and after it with the past-tense word (appended, changed, ...), the
// new value and the resulting position and count.
#pragma once
#include <cstdint>

#include "runtime/cell.h"
#include "runtime/memory.h"

namespace zep::ownership {

// Entries the owner table is made for.
constexpr uint32_t initial_entries = 1000;

// Owned flag of an image! value, in its cell header.
constexpr uint32_t image_owned_flag = 0x10000;
// Owner flag in the header cell of an object's context record: the object
// has bound ownership of its fields.
constexpr uint32_t context_owner_flag = 0x10000;

// Makes the owner table (and installs the case-change notifier).
void init();
// Forgets the owner table, the fire hook and the case-change notifier (the
// table's memory goes with memory::free_all).
void forget();

// Records ownership of the value's series and of what it contains: block-like
// values are walked from their head (a series or context already being
// walked is skipped, so self-containing blocks end; more than 1,000 levels
// raise internal too-deep), nested objects are walked with their own field
// words, skipping a field that holds the owner itself. A series already owned
// keeps its first owner record. The value is a cell (an image! keeps its owned
// flag in the cell header); it need not stay put: the walk re-reads cells.
void bind(Cell* value, const Cell* owner, const Cell* word);
// bind, then sets the owner flag of the owner's context.
void bind_flag(Cell* value, const Cell* owner, const Cell* word);
// Removes ownership of the value's series and of what it contains.
void unbind(Cell* value);
// The owner object! cell recorded for the node, or null. Valid until the
// next allocation.
const Cell* owner_of(Ref node);
// Notifies the owner of the series (for an object!, of its context) when it
// has one with a change handler; true when it did. new_value may be null
// (none is passed then).
bool check(const Cell* series, const Cell* action, const Cell* new_value, int32_t index,
           int32_t part);

// The owner table (a collector root); 0 before init.
Ref table();
// The global holding it, for the collector to rewrite when its node moves.
Ref* table_field();
// Removes the entries whose series did not survive a collection: the
// collector calls it after marking.
void sweep();

// The seam through which a notification reaches the owner's on-deep-change*
// function; the object layer installs it. Arguments: the owner object, the
// field word, the series value, the action word, the new value (none when
// there is none), the index and the part. A failing handler raises through
// the normal path; the change already made stays. Until a hook is installed,
// check still answers whether it would notify, but fires nothing.
using FireHook = void (*)(const Cell* owner, const Cell* word, const Cell* series,
                          const Cell* action, const Cell* new_value, int32_t index, int32_t part);
void set_fire_hook(FireHook hook);

} // namespace zep::ownership

namespace zep::series {
// The flags word of the buffer behind the value's node.
uint32_t node_flags(const Cell* value);
} // namespace zep::series
