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
constexpr uint32_t owned = 0x20000;      // the series has an owner object
constexpr uint32_t static_ = 0x100000;   // never moved or freed by the collector
constexpr uint32_t big = 0x1000000;      // lives in its own block outside the frames
constexpr uint32_t mark = 0x8000000;     // collector mark
constexpr uint32_t mid_head = 0x10000000; // head placed mid-buffer at allocation
constexpr uint32_t allocated = 0x20000000; // set on every buffer at allocation
constexpr uint32_t in_use = 0x80000000;  // cleared when a grow abandons the buffer
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

inline SeriesBuffer* buffer_at(Ref buffer) { return arena::at<SeriesBuffer>(buffer); }
inline SeriesBuffer* node_buffer(Ref node) { return arena::at<SeriesBuffer>(*arena::at<Ref>(node)); }
inline unsigned char* buffer_data(SeriesBuffer* b) { return reinterpret_cast<unsigned char*>(b + 1); }
inline unsigned char* buffer_end(SeriesBuffer* b) { return buffer_data(b) + b->size; }
inline uint32_t buffer_unit(const SeriesBuffer* b) { return b->flags & series_flag::unit_mask; }
inline unsigned char* buffer_head(SeriesBuffer* b) { return arena::at<unsigned char>(b->head); }
inline unsigned char* buffer_tail(SeriesBuffer* b) { return arena::at<unsigned char>(b->tail); }

// Sizes are in bytes unless said otherwise. "Raises no-memory" means the
// internal error no-memory through error::fire_named.
namespace memory {
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
} // namespace memory

namespace series {
Ref alloc_static(uint32_t count, uint32_t unit, int32_t offset);
Ref alloc_cells(uint32_t n);
Ref alloc_cells_unset(uint32_t n);
Ref alloc_bytes(uint32_t length);
Ref alloc_unit(uint32_t count, uint32_t unit);
Ref alloc_filled(uint32_t length, uint8_t byte);
// Re-homes the series in a new buffer of new_size bytes (0: twice the old
// size) without copying; answers the new buffer.
SeriesBuffer* grow(SeriesBuffer* buffer, uint64_t new_size);
// grow, then copies the old data to the new head.
SeriesBuffer* expand(SeriesBuffer* buffer, uint64_t new_size);
SeriesBuffer* expand_filled(SeriesBuffer* buffer, uint64_t new_size, uint8_t byte);
Ref copy_buffer(SeriesBuffer* buffer);
// Appends an unset! cell at the tail (expanding when full); answers it.
Cell* alloc_tail_cell(SeriesBuffer* buffer);
// Reserves n bytes at the tail (expanding as needed); answers the old tail.
unsigned char* alloc_tail_bytes(SeriesBuffer* buffer, uint32_t n);
} // namespace series

} // namespace zep
