// The allocation policy: buffers go into the current series frame by bumping
// its heap, into another frame with room, into a new frame, or into a block
// of their own when big. Growing re-homes a series under the same node.
#include <algorithm>
#include <cstdint>
#include <cstring>
#include <sys/mman.h>

#include "runtime/error_exit.h"
#include "runtime/memory.h"
#include "runtime/memory_internal.h"
#include "runtime/raise.h"

namespace zep::memory {

bool collector_enabled = false;
void (*start_collection)() = nullptr;

namespace detail {

void no_memory() {
    error::fire_named(error::Category::internal, "no-memory");
}

uint32_t data_size(uint32_t count, uint32_t unit) {
    uint64_t size = (uint64_t{count} * unit + 15) / 16 * 16;
    if (size > max_size_for(unit)) no_memory();
    return static_cast<uint32_t>(size);
}

void collect_if_enabled() {
    if (collector_enabled && start_collection) start_collection();
}

bool is_valid_unit(uint32_t unit) {
    return unit == 1 || unit == 2 || unit == 4 || unit == 8 || unit == 16;
}

void check_unit(uint32_t unit) {
    if (!is_valid_unit(unit))
        runtime::error_exit(101, reinterpret_cast<uintptr_t>(__builtin_return_address(0)));
}

void free_static_blocks() {
    while (record.static_series) {
        Ref block = record.static_series;
        record.static_series = arena::at<BigSeriesLink>(block)->next;
        free_virtual(block);
    }
}

} // namespace detail

uint64_t grown_size(uint64_t needed, uint64_t wanted, uint32_t unit) {
    uint64_t limit = max_size_for(unit);
    if (needed > limit) detail::no_memory();
    return std::max(needed, std::min(wanted, limit));
}

namespace {

using detail::check_unit;
using detail::no_memory;

// Byte offset of the head: -1 means the middle of the data area.
uint32_t head_offset(int32_t offset, uint32_t size) {
    if (offset == -1) return size / 2;
    if (offset < 0 || static_cast<uint32_t>(offset) > size) no_memory();
    return static_cast<uint32_t>(offset);
}

// Takes footprint bytes from a series frame, making one when none has room.
Ref take_frame_space(uint32_t footprint) {
    Ref frame = record.current_series_frame;
    if (frame) {
        SeriesFrame* f = series_frame_at(frame);
        if (uint64_t{f->heap} + footprint < f->end) {
            Ref start = f->heap;
            f->heap += footprint;
            return start;
        }
    }
    frame = find_series_frame(footprint);
    if (frame == 0) {
        detail::collect_if_enabled();
        frame = find_series_frame(footprint);
    }
    if (frame == 0 || series_frame_at(frame)->end - series_frame_at(frame)->heap < min_frame_room) {
        if (footprint >= record.next_frame_size) record.next_frame_size = record.max_frame_size;
        frame = alloc_series_frame();
    }
    record.current_series_frame = frame;
    SeriesFrame* f = series_frame_at(frame);
    Ref start = f->heap;
    f->heap += footprint;
    return start;
}

void fill_header(SeriesBuffer* b, uint32_t size, uint32_t unit, int32_t offset,
                 uint32_t placement) {
    Ref data = arena::ref(buffer_data(b));
    b->flags = unit | series_flag::in_use | series_flag::allocated | placement;
    if (offset == -1) b->flags |= series_flag::mid_head;
    b->node = 0;
    b->size = size;
    b->head = b->tail = data + head_offset(offset, size);
}

Ref link_to_new_node(SeriesBuffer* buffer) {
    Ref node = take_node();
    *arena::at<Ref>(node) = arena::ref(buffer);
    buffer->node = node;
    return node;
}

// Flags that describe where a buffer lives (and its mark) stay those of the
// buffer itself when flags are taken over from another buffer.
constexpr uint32_t placement_flags =
    series_flag::big | series_flag::static_ | series_flag::mid_head | series_flag::mark;

void take_flags(SeriesBuffer* to, uint32_t from_flags) {
    to->flags = (from_flags & ~placement_flags) | (to->flags & placement_flags);
}

uint32_t used_bytes(SeriesBuffer* b) {
    return b->tail - b->head;
}

// A grown buffer gets its old data at once and goes on growing: when that
// data is large, its pages are made present in one step instead of one
// fault per page. In a frame the whole buffer is (at most a frame's size);
// a big series gets only the part its data fills, the rest comes in huge
// pages as it is used. Only advice; a system without it leaves the pages to
// fault as they are touched.
constexpr uint32_t prefault_threshold = 64u << 10;

void prefault(SeriesBuffer* b, uint32_t used) {
#ifdef MADV_POPULATE_WRITE
    if (used < prefault_threshold) return;
    Ref first = arena::ref(buffer_data(b)) / arena::page_size * arena::page_size;
    Ref last = arena::ref(buffer_end(b));
    if (b->flags & series_flag::big) last = std::min(arena::ref(buffer_data(b)) + used, last);
    madvise(arena::ptr(first), last - first, MADV_POPULATE_WRITE);
#else
    (void)b;
    (void)used;
#endif
}

struct Regrown {
    SeriesBuffer* old;
    SeriesBuffer* fresh;
};

// series::grow, answering the old buffer too (where it is after any
// collection the allocation started).
Regrown regrow(SeriesBuffer* buffer, uint64_t new_size, uint32_t limit_unit) {
    uint32_t unit = buffer_unit(buffer);
    check_unit(unit);
    uint32_t used = used_bytes(buffer);
    uint64_t limit = max_size_for(limit_unit ? limit_unit : unit);
    if (new_size == 0) {
        // Twice the size, as far as the unit allows; a buffer at its limit
        // cannot grow.
        new_size = std::min(std::max<uint64_t>(uint64_t{buffer->size} * 2, 16), limit);
        if (new_size <= buffer->size) no_memory();
    }
    if (new_size > limit) no_memory();
    // The new buffer always holds the used part.
    new_size = std::max<uint64_t>(new_size, used);
    uint32_t count = static_cast<uint32_t>((new_size + unit - 1) / unit);

    Ref node = buffer->node;
    Ref old_ref = arena::ref(buffer);
    SeriesBuffer* fresh = alloc_buffer(count, unit, 0);
    prefault(fresh, used);
    // A collection may have moved the old buffer: its node knows where.
    SeriesBuffer* old = node ? node_buffer(node) : buffer_at(old_ref);
    take_flags(fresh, old->flags);
    fresh->node = node;
    if (node) *arena::at<Ref>(node) = arena::ref(fresh);
    ++buffer_moves;
    fresh->tail = fresh->head + used;
    old->node = 0;
    old->flags &= ~series_flag::in_use;
    return {old, fresh};
}

} // namespace

SeriesBuffer* alloc_buffer(uint32_t count, uint32_t unit, int32_t offset) {
    check_unit(unit);
    uint32_t size = detail::data_size(count, unit);
    if (offset != -1) head_offset(offset, size); // refuse a bad offset before allocating
#ifdef ZEP_GC_TORTURE
    // Every allocation may collect: the torture build makes every one do so.
    detail::collect_if_enabled();
#endif
    uint32_t footprint = size + buffer_overhead;
    SeriesBuffer* b;
    uint32_t placement = 0;
    if (footprint >= record.max_frame_size) {
        detail::collect_if_enabled();
        b = buffer_at(alloc_big_series(footprint));
        placement = series_flag::big;
    } else {
        b = buffer_at(take_frame_space(footprint));
    }
    fill_header(b, size, unit, offset, placement);
    return b;
}

Ref alloc_series(uint32_t count, uint32_t unit, int32_t offset) {
    return link_to_new_node(alloc_buffer(count, unit, offset));
}

} // namespace zep::memory

namespace zep::series {

using memory::detail::no_memory;

Ref alloc_static(uint32_t count, uint32_t unit, int32_t offset) {
    memory::detail::check_unit(unit);
    uint32_t size = memory::detail::data_size(count, unit);
    if (offset != -1) memory::head_offset(offset, size);
    Ref block =
        memory::alloc_virtual(uint64_t{size} + sizeof(SeriesBuffer) + sizeof(BigSeriesLink));
    auto* link = arena::at<BigSeriesLink>(block);
    link->next = memory::record.static_series;
    link->zero = 0;
    link->block_size = size + sizeof(SeriesBuffer);
    memory::record.static_series = block;
    SeriesBuffer* b = buffer_at(block + sizeof(BigSeriesLink));
    memory::fill_header(b, size, unit, offset, series_flag::static_);
    return memory::link_to_new_node(b);
}

Ref alloc_cells(uint32_t n) {
    return memory::alloc_series(n, 16, 0);
}

Ref alloc_bytes(uint32_t length) {
    return memory::alloc_series(length ? length : 16, 1, 0);
}

Ref alloc_unit(uint32_t count, uint32_t unit) {
    memory::detail::check_unit(unit);
    return memory::alloc_series(count ? count : 16 / unit, unit, 0);
}

Ref alloc_filled(uint32_t length, uint8_t byte) {
    Ref node = alloc_bytes(length);
    SeriesBuffer* b = node_buffer(node);
    memory::fill(buffer_data(b), buffer_end(b), byte);
    return node;
}

SeriesBuffer* grow(SeriesBuffer* buffer, uint64_t new_size) {
    return memory::regrow(buffer, new_size, 0).fresh;
}

SeriesBuffer* expand(SeriesBuffer* buffer, uint64_t new_size, uint32_t limit_unit) {
    memory::Regrown r = memory::regrow(buffer, new_size, limit_unit);
    // At least the used part, never past either data area.
    uint64_t n = std::min<uint64_t>(
        {arena::ref(buffer_end(r.old)) - r.old->head, r.old->size, r.fresh->size});
    std::memcpy(buffer_head(r.fresh), buffer_head(r.old), n);
    return r.fresh;
}

SeriesBuffer* expand_filled(SeriesBuffer* buffer, uint64_t new_size, uint8_t byte) {
    uint32_t old_size = buffer->size;
    SeriesBuffer* b = expand(buffer, new_size);
    if (old_size < b->size) memory::fill(buffer_head(b) + old_size, buffer_end(b), byte);
    return b;
}

Ref copy_buffer(SeriesBuffer* buffer) {
    Ref source_node = buffer->node;
    Ref source_ref = arena::ref(buffer);
    Ref node = memory::alloc_series(buffer->size, 1, 0);
    SeriesBuffer* source = source_node ? node_buffer(source_node) : buffer_at(source_ref);
    SeriesBuffer* copy = node_buffer(node);
    memory::take_flags(copy, source->flags);
    uint32_t used = memory::used_bytes(source);
    std::memcpy(buffer_head(copy), buffer_head(source), used);
    copy->tail = copy->head + used;
    return node;
}

Cell* alloc_tail_cell(SeriesBuffer* buffer) {
    if (uint64_t{buffer->tail} + sizeof(Cell) > arena::ref(buffer_end(buffer)))
        buffer = expand(buffer, 0);
    auto* cell = arena::at<Cell>(buffer->tail);
    *cell = Cell{type_id::unset, 0, 0, 0};
    buffer->tail += sizeof(Cell);
    return cell;
}

unsigned char* alloc_tail_bytes(SeriesBuffer* buffer, uint32_t n) {
    if (uint64_t{buffer->tail} + n > arena::ref(buffer_end(buffer))) {
        uint64_t size = buffer->size;
        uint64_t needed = uint64_t{memory::used_bytes(buffer)} + n;
        buffer = expand(buffer, memory::grown_size(needed, size < n ? uint64_t{n} * 2 : size * 2,
                                                   buffer_unit(buffer)));
    }
    unsigned char* old_tail = buffer_tail(buffer);
    buffer->tail += n;
    return old_tail;
}

Ref copy_range(const Cell* value, uint32_t start, uint32_t count) {
    Ref source_node = value->data2;
    SeriesBuffer* source = node_buffer(source_node);
    uint32_t unit = buffer_unit(source);
    memory::detail::check_unit(unit);
    uint32_t length = memory::used_bytes(source) / unit;
    start = std::min(start, length);
    count = std::min(count, length - start);
    Ref node = alloc_unit(count, unit);
    source = node_buffer(source_node); // the allocation may have moved it
    SeriesBuffer* copy = node_buffer(node);
    memory::take_flags(copy, source->flags & ~series_flag::owned);
    uint32_t bytes = count * unit;
    std::memcpy(buffer_head(copy), buffer_head(source) + uint64_t{start} * unit, bytes);
    copy->tail = copy->head + bytes;
    return node;
}

unsigned char* fill_pattern(unsigned char* start, uint32_t a, uint32_t b) {
    uint64_t total = uint64_t{a} * b;
    uint64_t done = b ? a : 0;
    while (done < total) {
        uint64_t n = std::min(done, total - done);
        std::memcpy(start + done, start, n);
        done += n;
    }
    return start + total;
}

} // namespace zep::series
