// Shared between the collector's own modules; not for other callers.
#pragma once
#include <cstdint>

#include "runtime/arena.h"
#include "runtime/memory.h"

namespace zep::gc::detail {

// A node emptied out of its frame by node compaction holds its new node's
// address with this bit set until the frame is freed at the end of the
// collection. Buffer addresses and free-chain links are 4-aligned, so the
// bit is never set otherwise.
constexpr Ref forward_tag = 1;

// True between a node compaction that moved nodes and the end of that
// collection.
extern bool nodes_moved;

// The node's new address when node compaction moved it, else the node.
inline Ref moved_to(Ref node) {
    if (!nodes_moved || node == 0) return node;
    Ref content = *arena::at<Ref>(node);
    return (content & forward_tag) ? content & ~forward_tag : node;
}

// Empties sparse, stable node frames into the others (before marking).
void compact_node_frames();
// The torture build's check that every node frame's free chain stays inside
// its frame: a write through a node whose series had died (a Ref that C++
// code held unrooted across an allocation) breaks it. Ends the process with
// a message naming the moment.
void check_free_chains(const char* when);

// Marks every root; then the owner table's survivors after its sweep.
void mark_roots();
void mark_owner_survivors();
// Marks what waits on the mark stack.
void drain();

// Interior pointers of the registered roots: recorded while marking, sorted
// by address before compaction.
void record_interior(void* slot);
void sort_interiors();

// Slides live buffers together inside and across series frames, releasing
// the nodes of dead ones, and fixes nodes, heads, tails and interior
// pointers.
void compact_series_frames();
// Moves every buffer into fresh frames and frees the old ones (the
// torture build does this at every collection).
void evacuate_all();
// Clears the marks of the static buffers (they never pass through the
// frame or big-series sweeps).
void clear_static_marks();

} // namespace zep::gc::detail

namespace zep::gc::detail {
// Calls each non-empty entry of the mark-callback table in order.
void run_mark_callbacks();
// Calls each remap callback in order with moved_to (after marking, when
// nodes moved).
void run_remap_callbacks();
} // namespace zep::gc::detail

namespace zep::gc::detail {
// Counts a node compaction that emptied at least one frame.
void count_node_compaction();
} // namespace zep::gc::detail
