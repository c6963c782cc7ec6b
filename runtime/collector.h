// The collector: a stop-the-world, precise mark-and-compact pass over the
// managed memory. It marks every buffer reachable from the roots (the root
// block, the stacks, the symbol, owner and handle tables, the global context,
// the cycle stack, the lexer's live states, the mark callbacks and the roots
// that C++ code registers, see gc_roots.h), releases the nodes of the rest,
// moves live nodes out of sparse node frames, slides live buffers together
// inside and across series frames, and rewrites every node, head, tail and
// registered interior pointer that the moves invalidated.
//
// Marking works on node fields (Ref*): when node compaction moved a node, the
// field is rewritten to the node's new address as it is marked. Marking uses
// an explicit stack, so nesting depth never reaches the native stack.
#pragma once
#include <cstdint>

#include "runtime/cell.h"

namespace zep::gc {

// Stability bits a node frame needs before compaction may empty it: depth + 1.
constexpr uint32_t history_depth = 5;
// A node frame is emptied only when fewer nodes than this are used...
constexpr uint32_t sparse_node_limit = 5000;
// ...and more than this many nodes are free in other frames.
constexpr uint32_t free_node_threshold = 10000;
constexpr uint32_t mark_callback_capacity = 100;

using MarkCallback = void (*)();

// One full collection; answers the new collection count.
uint32_t collect();
// collect, when the collector is enabled (the allocator's entry).
void collect_if_enabled();
// The `recycle` native's collection: runs whether or not collection is
// enabled (never while one runs); answers the collection count.
uint32_t recycle();
// True while a collection runs.
bool is_active();
// Counters to 0 and the mark-callback table emptied (start-up).
void init_stats();
// Makes the memory manager start collections and enables them (the end of
// start-up).
void enable();
uint32_t collections();
uint32_t node_compactions();

// Mark callbacks: called in registration order during marking. At most 100
// can be registered; a removed entry stays empty and later ones keep their
// place.
void add_mark_callback(MarkCallback callback);
void remove_mark_callback(MarkCallback callback);
// The image layer's hook, called for every reached image! cell after its
// node is marked; null until image! exists.
extern void (*image_collect_release)(Cell* image);

// Marking entries for callbacks and hooks. Each takes the address of the
// field holding a node, rewriting it when its node moved.
// Sets the mark of the node's buffer; true when it was not marked before.
bool mark_node(Ref* field);
void unmark_node(Ref node);
// mark_node, and when newly marked, the cells from head to tail.
void mark_block(Ref* field);
// The same for a block-like cell's node (its second payload word).
void mark_block_cell(Cell* cell);
// A context record: its word list, its values (unless on the stack) and its
// two cells.
void mark_context(Ref* field);
// What each cell of [first, last) refers to, by type.
void mark_cells(Cell* first, Cell* last);

} // namespace zep::gc
