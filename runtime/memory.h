// The memory manager: series buffers live in series frames and are reached
// only through nodes (4-byte slots in node frames holding the buffer's Ref),
// so the collector can move buffers without touching the values. Every
// frame, node and buffer lives in the arena; all links are 32-bit Refs.
#pragma once
#include <cstdint>

#include "runtime/arena.h"
#include "runtime/cell.h"

namespace zep {

// Header of a series buffer; the data area follows, then 4 spare bytes.
struct SeriesBuffer {
    uint32_t flags; // unit size in bits 0-4, flags below
    Ref node;       // back-pointer to the node; 0 once abandoned
    uint32_t size;  // data size in bytes, a multiple of 16
    Ref head;       // first used unit
    Ref tail;       // one past the last used unit
};
static_assert(sizeof(SeriesBuffer) == 20);

namespace series_flag {
constexpr uint32_t unit_mask = 0x1F;
constexpr uint32_t owned = 0x20000;        // the series has an owner object
constexpr uint32_t static_ = 0x100000;     // never moved or freed by the collector
constexpr uint32_t big = 0x1000000;        // lives in its own block outside the frames
constexpr uint32_t mark = 0x8000000;       // collector mark
constexpr uint32_t mid_head = 0x10000000;  // head placed mid-buffer at allocation
constexpr uint32_t allocated = 0x20000000; // set on every buffer at allocation
constexpr uint32_t in_use = 0x80000000;    // cleared when a grow abandons the buffer
} // namespace series_flag

// Node frame header (nine words); `capacity` nodes follow.
struct NodeFrame {
    Ref next;
    Ref prev;
    uint32_t capacity;
    Ref free_head;
    uint32_t used;
    uint32_t birth;
    uint32_t used_at_last_collection;
    uint32_t stability_history;
    uint32_t release;
};
static_assert(sizeof(NodeFrame) == 36);

// Series frame header; the data area follows.
struct SeriesFrame {
    Ref next;
    Ref prev;
    uint32_t size; // data size + 20
    Ref heap;      // first free byte
    Ref end;       // one past the data area
};
static_assert(sizeof(SeriesFrame) == 20);

// Link record in front of a big series' buffer.
struct BigSeriesLink {
    Ref next;
    uint32_t zero;
    uint32_t block_size;
};
static_assert(sizeof(BigSeriesLink) == 12);

inline SeriesBuffer* buffer_at(Ref buffer) {
    return arena::at<SeriesBuffer>(buffer);
}
inline SeriesBuffer* node_buffer(Ref node) {
    return arena::at<SeriesBuffer>(*arena::at<Ref>(node));
}
inline unsigned char* buffer_data(SeriesBuffer* b) {
    return reinterpret_cast<unsigned char*>(b + 1);
}
inline unsigned char* buffer_end(SeriesBuffer* b) {
    return buffer_data(b) + b->size;
}
inline uint32_t buffer_unit(const SeriesBuffer* b) {
    return b->flags & series_flag::unit_mask;
}
inline unsigned char* buffer_head(SeriesBuffer* b) {
    return arena::at<unsigned char>(b->head);
}
inline unsigned char* buffer_tail(SeriesBuffer* b) {
    return arena::at<unsigned char>(b->tail);
}
// A series of cells: its first cell from the head (valid until the next
// allocation) and the number of cells from head to tail.
inline Cell* node_cells(Ref node) {
    return reinterpret_cast<Cell*>(buffer_head(node_buffer(node)));
}
inline uint32_t node_cell_count(Ref node) {
    const SeriesBuffer* b = node_buffer(node);
    return (b->tail - b->head) / sizeof(Cell);
}

// Sizes are in bytes unless said otherwise. "Raises no-memory" means the
// internal error no-memory through error::fire_named.
namespace memory {

constexpr uint32_t default_frame_size = 1u << 20; // data size of the first series frame
constexpr uint32_t max_frame_size = 2u << 20;     // later frames; also the big-series threshold
constexpr uint32_t nodes_per_frame = 10000;
// A frame with less room than this (5% of the default size) is not chosen
// for new buffers; a new frame is made instead.
constexpr uint32_t min_frame_room = 52428;
// Per-buffer overhead inside a frame: the header and 4 spare bytes.
constexpr uint32_t buffer_overhead = sizeof(SeriesBuffer) + 4;
// The largest data size a buffer may have; larger requests raise no-memory
// before anything changes (the arena could never hold them).
constexpr uint64_t max_data_size = 0xFFFFC000u;
// The largest length of a series, in units: lengths are 32-bit signed.
constexpr uint64_t max_length = 0x7FFFFFFF;
// The largest data size a buffer of the unit may have: max_data_size, and
// never room for more than max_length units (in whole 16-byte steps), so
// that no series can grow longer than its length can count. Only one-byte
// units reach that bound first.
constexpr uint64_t max_size_for(uint32_t unit) {
    uint64_t by_length = max_length * unit / 16 * 16;
    return by_length < max_data_size ? by_length : max_data_size;
}
// The size to grow a buffer of the unit to when it needs `needed` bytes and
// would rather have `wanted` (a doubling, say): wanted, cut to what the unit
// allows but never below needed. Raises no-memory when needed does not fit.
uint64_t grown_size(uint64_t needed, uint64_t wanted, uint32_t unit);
constexpr uint32_t interior_pointer_step = 1000;
constexpr uint32_t release_queue_capacity = 20000;

// A native slot that holds an address inside a series frame; the collector
// records these while marking and rewrites them after compaction. The slot
// is the address of a pointer object of any pointee type; it is read and
// written as bytes.
struct InteriorPointer {
    unsigned char* address;
    void* slot;
};

// The memory record: one global instance. Every frame/series link is a Ref.
// Its defaults make the allocator usable even before init.
struct Record {
    uint64_t bytes_in_use = 0; // sum of the rounded sizes of the virtual blocks held
    Ref first_node_frame = 0;
    Ref last_node_frame = 0;
    Ref current_node_frame = 0;
    Ref first_series_frame = 0; // sorted by address, ascending
    Ref current_series_frame = 0;
    Ref last_series_frame = 0;
    uint32_t default_frame_size = memory::default_frame_size;
    uint32_t next_frame_size = memory::default_frame_size;
    uint32_t max_frame_size = memory::max_frame_size;
    Ref big_series = 0; // first big-series link record (singly linked)
    InteriorPointer* interior_pointers = nullptr;
    InteriorPointer* interior_pointers_end = nullptr;
    uint32_t interior_pointer_capacity = 0;
    // Static buffers live in blocks of their own, chained like big series so
    // that free_all can return them to the arena.
    Ref static_series = 0;
};
extern Record record;

// Fills the record (no frames yet) and makes the interior-pointer table and
// the node release queue. Calling it again first releases everything held.
void init();
// Allocates a series buffer (not linked to a node). offset -1 puts the head
// in the middle of the data area.
SeriesBuffer* alloc_buffer(uint32_t count, uint32_t unit, int32_t offset);
// alloc_buffer linked to a fresh node; answers the node.
Ref alloc_series(uint32_t count, uint32_t unit, int32_t offset);
Ref take_node();

// The collector's entry, called by the allocation policy when enabled.
extern bool collector_enabled;
extern void (*start_collection)();
// The collector's count of collections; stamped into new node frames.
extern uint32_t collections_done;
// Counts the events that move series buffers or nodes (collections and
// regrowths): a pointer into a buffer found at one count stays valid while
// the count holds, unless that series' own head moves.
extern uint32_t buffer_moves;

// Virtual-memory blocks from the arena: size + 4 rounded up to whole pages,
// the first 4 bytes holding the rounded size; answers the Ref after them.
// Refusal raises no-memory; a block that cannot be released raises wrong-mem.
Ref alloc_virtual(uint64_t size);
void free_virtual(Ref block);
// The rounded size recorded in front of a block.
inline uint32_t virtual_size(Ref block) {
    return *arena::at<uint32_t>(block - 4);
}

// Node frames.
Ref alloc_node_frame(uint32_t n);
void chain_free_nodes(NodeFrame* frame);
void free_node_frame(Ref frame);
void release_node(Ref frame, Ref node);
// End-of-collection pass: frees empty or released frames, picks the current
// frame and updates each frame's stability history.
void free_node_frames();
inline NodeFrame* node_frame_at(Ref frame) {
    return arena::at<NodeFrame>(frame);
}
inline Ref first_node(Ref frame) {
    return frame + sizeof(NodeFrame);
}
// The node frame holding the node, or 0.
Ref node_frame_of(Ref node);

// Nodes of dead buffers wait here until release_queued_nodes returns them to
// their frames; the queue flushes itself when full.
void queue_node_release(Ref node);
void release_queued_nodes();
uint32_t queued_node_count();

// Series frames.
Ref alloc_series_frame();
void unlink_series_frame(Ref frame);
// The first frame in address order with heap + needed < end, or 0.
Ref find_series_frame(uint64_t needed);
inline SeriesFrame* series_frame_at(Ref frame) {
    return arena::at<SeriesFrame>(frame);
}
inline Ref frame_data(Ref frame) {
    return frame + sizeof(SeriesFrame);
}

// Big series: a block of their own, a link record in front of the buffer.
// alloc_big_series answers the Ref after the link record.
Ref alloc_big_series(uint64_t block_size);
void free_big_series(SeriesBuffer* buffer);
// Clears the mark of marked big series; frees the others, queueing their node.
void sweep_big_series();
inline BigSeriesLink* link_of(Ref buffer) {
    return arena::at<BigSeriesLink>(buffer - sizeof(BigSeriesLink));
}

// Frees every node frame, series frame, big series and static buffer.
void free_all();
// Sets the bytes of [first, last) to byte.
void fill(unsigned char* first, unsigned char* last, uint8_t byte);

} // namespace memory

namespace series {
Ref alloc_static(uint32_t count, uint32_t unit, int32_t offset);
Ref alloc_cells(uint32_t n);
Ref alloc_bytes(uint32_t length);
Ref alloc_unit(uint32_t count, uint32_t unit);
Ref alloc_filled(uint32_t length, uint8_t byte);
// Re-homes the series in a new buffer of new_size bytes (0: twice the old
// size, as far as the unit allows) without copying; answers the new buffer.
// A size beyond what the buffer's unit allows (max_size_for) raises
// no-memory before anything changes.
SeriesBuffer* grow(SeriesBuffer* buffer, uint64_t new_size);
// grow, then copies the old data to the new head. limit_unit, when not 0,
// names the unit the data is about to take: its limit applies instead.
SeriesBuffer* expand(SeriesBuffer* buffer, uint64_t new_size, uint32_t limit_unit = 0);
SeriesBuffer* expand_filled(SeriesBuffer* buffer, uint64_t new_size, uint8_t byte);
Ref copy_buffer(SeriesBuffer* buffer);
// Appends an unset! cell at the tail (expanding when full); answers it.
Cell* alloc_tail_cell(SeriesBuffer* buffer);
// Reserves n bytes at the tail (expanding as needed); answers the old tail.
unsigned char* alloc_tail_bytes(SeriesBuffer* buffer, uint32_t n);
// A new series with the source's unit holding count units from the unit
// index start (counted from the head; clipped to the tail). Its flags are the
// source's without the owner flag.
Ref copy_range(const Cell* value, uint32_t start, uint32_t count);
// Repeats the first a bytes at start until a x b bytes are filled; answers
// the end. The caller provides the room.
unsigned char* fill_pattern(unsigned char* start, uint32_t a, uint32_t b);
} // namespace series

// Every call above that allocates may start a collection, which moves frame
// buffers: a SeriesBuffer* (or a pointer into one) held across such a call is
// stale afterwards. grow, expand, alloc_tail_cell and alloc_tail_bytes re-home
// the series; derive the buffer again from its node after them.

} // namespace zep
