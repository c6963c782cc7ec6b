// The collector: a stop-the-world, precise mark-and-compact pass over the
// managed memory. It marks every buffer reachable from the roots, releases
// the nodes of the rest, moves live nodes out of sparse node frames, slides
// live buffers together inside and across series frames, and rewrites every
// node, head, tail and registered interior pointer that the moves
// invalidated.
//
// The roots are, in this order: what the mark callbacks mark (each module
// above the runtime registers one at start-up for its own globals: the
// stacks, the symbol table, the global context, the runtime words, the type
// words, the interpreter's held cells, the lexer's live states), then the
// runtime's own: the root block, the owner table, the slot registry and the
// roots that C++ code registers (see gc_roots.h). The stacks' callback comes
// first and marks the stacks' blocks as nodes only, so that the root block,
// which holds them, does not mark their cells past the tops. Modules that
// keep node numbers which are not roots register a remap callback, called
// after marking when node compaction moved nodes.
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
constexpr uint32_t remap_callback_capacity = 16;

using MarkCallback = void (*)();
// Gets the mapping from a node to its new address (the node itself when it
// did not move).
using RemapCallback = void (*)(Ref (*moved)(Ref node));

// One full collection; answers the new collection count.
uint32_t collect();
// collect, when the collector is enabled (the allocator's entry).
void collect_if_enabled();
// The `recycle` native's collection: runs whether or not collection is
// enabled (never while one runs); answers the collection count.
uint32_t recycle();
// True while a collection runs.
bool is_active();
// Counters to 0 and the mark- and remap-callback tables emptied (the
// beginning of start-up, before any module registers its callbacks, and
// when the runtime core is forgotten).
void init_stats();
// Makes the memory manager start collections and enables them (the end of
// start-up, once every module registered its callbacks).
void enable();
uint32_t collections();
uint32_t node_compactions();

// Mark callbacks: called in registration order during marking, before the
// runtime's own roots. At most 100 can be registered; adding one already
// registered does nothing; a removed entry stays empty and later ones keep
// their place.
void add_mark_callback(MarkCallback callback);
void remove_mark_callback(MarkCallback callback);
// Remap callbacks: called in registration order after marking, only when
// node compaction moved nodes, for node numbers held outside any root. At
// most 16; adding one already registered does nothing.
void add_remap_callback(RemapCallback callback);
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
// A hash table's buffers and what its records refer to (an owner table's
// records only after the sweep).
void mark_table(Ref* field);
// What each cell of [first, last) refers to, by type.
void mark_cells(Cell* first, Cell* last);

} // namespace zep::gc
