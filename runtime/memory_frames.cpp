// The memory record, series frames (kept sorted by address), big series and
// releasing everything.
#include <algorithm>
#include <cstdint>
#include <cstring>
#include <sys/mman.h>

#include "runtime/heap.h"
#include "runtime/memory.h"
#include "runtime/memory_internal.h"

namespace zep::memory {

Record record;

void init() {
    arena::init();
    if (record.first_node_frame || record.first_series_frame || record.big_series ||
        record.static_series)
        free_all();
    if (!record.interior_pointers)
        record.interior_pointers = static_cast<InteriorPointer*>(
            heap::alloc(interior_pointer_step * sizeof(InteriorPointer)));
    InteriorPointer* table = record.interior_pointers;
    record = Record{};
    record.interior_pointers = table;
    record.interior_pointers_end = table;
    record.interior_pointer_capacity = interior_pointer_step;
    detail::init_release_queue();
}

Ref alloc_series_frame() {
    uint32_t size = record.next_frame_size;
    if (size < record.max_frame_size)
        record.next_frame_size =
            static_cast<uint32_t>(std::min(uint64_t{size} * 2, uint64_t{record.max_frame_size}));
    Ref frame = alloc_virtual(uint64_t{size} + sizeof(SeriesFrame));
    SeriesFrame* f = series_frame_at(frame);
    f->size = size + sizeof(SeriesFrame);
    f->heap = frame_data(frame);
    f->end = frame_data(frame) + size;

    // Insert in ascending address order.
    Ref after = 0; // the frame the new one follows
    for (Ref p = record.first_series_frame; p && p < frame; p = series_frame_at(p)->next) after = p;
    f->prev = after;
    f->next = after ? series_frame_at(after)->next : record.first_series_frame;
    if (after)
        series_frame_at(after)->next = frame;
    else
        record.first_series_frame = frame;
    if (f->next)
        series_frame_at(f->next)->prev = frame;
    else
        record.last_series_frame = frame;
    if (record.current_series_frame == 0) record.current_series_frame = frame;
    return frame;
}

void unlink_series_frame(Ref frame) {
    SeriesFrame* f = series_frame_at(frame);
    if (f->prev)
        series_frame_at(f->prev)->next = f->next;
    else
        record.first_series_frame = f->next;
    if (f->next)
        series_frame_at(f->next)->prev = f->prev;
    else
        record.last_series_frame = f->prev;
    if (record.current_series_frame == frame)
        record.current_series_frame = record.last_series_frame;
    free_virtual(frame);
}

Ref find_series_frame(uint64_t needed) {
    for (Ref frame = record.first_series_frame; frame; frame = series_frame_at(frame)->next) {
        const SeriesFrame* f = series_frame_at(frame);
        if (f->heap + needed < f->end) return frame;
    }
    return 0;
}

namespace {

// A big series is filled page after page (a growing one gets its old data
// at once): huge pages spare a fault per 4 KiB page. The advice is taken
// back when the block is freed, so that small frames later placed in its
// pages do not take whole huge pages. Only advice: where the system refuses
// it, the pages stay small.
void advise_huge_pages(Ref block, bool on) {
    madvise(arena::ptr(block - 4), virtual_size(block), on ? MADV_HUGEPAGE : MADV_NOHUGEPAGE);
}

void free_big_block(Ref block) {
    advise_huge_pages(block, false);
    free_virtual(block);
}

} // namespace

Ref alloc_big_series(uint64_t block_size) {
    Ref block = alloc_virtual(block_size + sizeof(BigSeriesLink));
    advise_huge_pages(block, true);
    auto* link = arena::at<BigSeriesLink>(block);
    link->next = 0;
    link->zero = 0;
    link->block_size = static_cast<uint32_t>(block_size);
    if (record.big_series == 0) {
        record.big_series = block;
    } else {
        Ref last = record.big_series;
        while (arena::at<BigSeriesLink>(last)->next) last = arena::at<BigSeriesLink>(last)->next;
        arena::at<BigSeriesLink>(last)->next = block;
    }
    return block + sizeof(BigSeriesLink);
}

void free_big_series(SeriesBuffer* buffer) {
    Ref block = arena::ref(buffer) - sizeof(BigSeriesLink);
    Ref* link_field = &record.big_series;
    while (*link_field && *link_field != block)
        link_field = &arena::at<BigSeriesLink>(*link_field)->next;
    if (*link_field == 0) return; // not a big series of this list
    *link_field = arena::at<BigSeriesLink>(block)->next;
    free_big_block(block);
}

void sweep_big_series() {
    Ref* link_field = &record.big_series;
    while (*link_field) {
        Ref block = *link_field;
        auto* link = arena::at<BigSeriesLink>(block);
        SeriesBuffer* buffer = buffer_at(block + sizeof(BigSeriesLink));
        if (buffer->flags & series_flag::mark) {
            buffer->flags &= ~series_flag::mark;
            link_field = &link->next;
            continue;
        }
        queue_node_release(buffer->node);
        *link_field = link->next;
        free_big_block(block);
    }
}

void free_all() {
    while (record.first_node_frame) free_node_frame(record.first_node_frame);
    while (record.first_series_frame) unlink_series_frame(record.first_series_frame);
    while (record.big_series) {
        Ref block = record.big_series;
        record.big_series = arena::at<BigSeriesLink>(block)->next;
        free_big_block(block);
    }
    detail::free_static_blocks();
    record.current_node_frame = 0;
    record.current_series_frame = 0;
    record.interior_pointers_end = record.interior_pointers;
    if (queued_node_count()) detail::init_release_queue();
}

void fill(unsigned char* first, unsigned char* last, uint8_t byte) {
    if (last > first) std::memset(first, byte, static_cast<size_t>(last - first));
}

} // namespace zep::memory
