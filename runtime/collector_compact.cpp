// Series-frame compaction: live buffers slide together, into the previous
// frame while it has room or down inside their own frame; every moved
// buffer's node, head and tail and every registered interior pointer into
// it follow. Dead buffers give their node back.
#include <algorithm>
#include <cstring>
#include <vector>

#include "runtime/collector.h"
#include "runtime/collector_internal.h"
#include "runtime/heap.h"
#include "runtime/memory.h"

namespace zep::gc::detail {

namespace {

using memory::InteriorPointer;
using memory::record;

#ifdef ZEP_GC_TORTURE
constexpr uint8_t poison_byte = 0xDB;
#endif

uint32_t footprint(Ref buffer) {
    return buffer_at(buffer)->size + memory::buffer_overhead;
}

uint32_t room(Ref frame) {
    const SeriesFrame* f = memory::series_frame_at(frame);
    return f->end - f->heap;
}

InteriorPointer* interiors_begin() {
    return record.interior_pointers;
}
InteriorPointer* interiors_end() {
    return record.interior_pointers_end;
}

unsigned char* read_slot(const void* slot) {
    unsigned char* p;
    std::memcpy(&p, slot, sizeof p);
    return p;
}

void write_slot(void* slot, unsigned char* p) {
    std::memcpy(slot, &p, sizeof p);
}

// Interior pointers recorded in [from, from + bytes) follow the move.
void fix_interiors(Ref from, uint32_t bytes, Ref to) {
    unsigned char* low = static_cast<unsigned char*>(arena::ptr(from));
    unsigned char* high = low + bytes;
    auto* first =
        std::lower_bound(interiors_begin(), interiors_end(), low,
                         [](const InteriorPointer& e, unsigned char* a) { return e.address < a; });
    ptrdiff_t shift = static_cast<ptrdiff_t>(to) - static_cast<ptrdiff_t>(from);
    for (InteriorPointer* e = first; e < interiors_end() && e->address < high; ++e)
        write_slot(e->slot, read_slot(e->slot) + shift);
}

// Moves the buffers of [from, from + bytes) to `to` and fixes what names them.
void relocate(Ref from, uint32_t bytes, Ref to) {
    if (from == to || bytes == 0) return;
    std::memmove(arena::ptr(to), arena::ptr(from), bytes);
    Ref shift = to - from; // modular: moves go either way
    for (Ref b = to; b < to + bytes; b += footprint(b)) {
        SeriesBuffer* sb = buffer_at(b);
        *arena::at<Ref>(sb->node) = b;
        sb->head += shift;
        sb->tail += shift;
    }
    fix_interiors(from, bytes, to);
}

// The longest front part of the run [start, end), in whole buffers, that
// fits in `space` bytes.
uint32_t front_part(Ref start, Ref end, uint32_t space) {
    uint32_t part = 0;
    for (Ref b = start; b < end; b += footprint(b)) {
        uint32_t next = part + footprint(b);
        if (next > space) break;
        part = next;
    }
    return part;
}

struct Compactor {
    Ref frame;
    Ref previous; // the previous frame while runs may still go there
    Ref write;    // where the next run stays in this frame

    void move_run(Ref start, Ref end) {
        while (start < end) {
            if (previous && room(previous) <= memory::min_frame_room) previous = 0;
            if (previous) {
                uint32_t part = front_part(start, end, room(previous));
                if (part > 0) {
                    SeriesFrame* p = memory::series_frame_at(previous);
                    relocate(start, part, p->heap);
                    p->heap += part;
                    start += part;
                    continue;
                }
            }
            relocate(start, end - start, write);
            write += end - start;
            return;
        }
    }

    void run() {
        SeriesFrame* f = memory::series_frame_at(frame);
        Ref heap = f->heap;
        Ref run_start = 0;
        for (Ref b = memory::frame_data(frame); b < heap;) {
            SeriesBuffer* sb = buffer_at(b);
            Ref next = b + footprint(b);
            if (sb->flags & series_flag::mark) {
                sb->flags &= ~series_flag::mark;
                if (!run_start) run_start = b;
            } else {
                if (run_start) move_run(run_start, b);
                run_start = 0;
                // A dead buffer still named by its node gives the node back.
                if (sb->node && *arena::at<Ref>(sb->node) == b)
                    memory::queue_node_release(sb->node);
            }
            b = next;
        }
        if (run_start) move_run(run_start, heap);
        f = memory::series_frame_at(frame);
        f->heap = write;
#ifdef ZEP_GC_TORTURE
        // The space the buffers left reads as garbage.
        memory::fill(static_cast<unsigned char*>(arena::ptr(write)),
                     static_cast<unsigned char*>(arena::ptr(heap)), poison_byte);
#endif
    }
};

bool is_empty(Ref frame) {
    return memory::series_frame_at(frame)->heap == memory::frame_data(frame);
}

} // namespace

void record_interior(void* slot) {
    unsigned char* address = read_slot(slot);
    // Only addresses inside a series frame move.
    bool in_frame = false;
    for (Ref f = record.first_series_frame; f && !in_frame; f = memory::series_frame_at(f)->next) {
        unsigned char* low = static_cast<unsigned char*>(arena::ptr(memory::frame_data(f)));
        unsigned char* high =
            static_cast<unsigned char*>(arena::ptr(memory::series_frame_at(f)->end));
        in_frame = address >= low && address < high;
    }
    if (!in_frame) return;
    uint32_t used = static_cast<uint32_t>(record.interior_pointers_end - record.interior_pointers);
    if (used == record.interior_pointer_capacity) {
        uint32_t capacity = record.interior_pointer_capacity + memory::interior_pointer_step;
        record.interior_pointers = static_cast<InteriorPointer*>(
            heap::realloc(record.interior_pointers, capacity * sizeof(InteriorPointer)));
        record.interior_pointer_capacity = capacity;
        record.interior_pointers_end = record.interior_pointers + used;
    }
    *record.interior_pointers_end++ = {address, slot};
}

void sort_interiors() {
    std::sort(
        interiors_begin(), interiors_end(),
        [](const InteriorPointer& a, const InteriorPointer& b) { return a.address < b.address; });
}

void compact_series_frames() {
    Ref frame = record.first_series_frame;
    while (frame) {
        Ref next = memory::series_frame_at(frame)->next;
        Ref previous = memory::series_frame_at(frame)->prev;
        Compactor c{frame, previous && room(previous) > memory::min_frame_room ? previous : 0,
                    memory::frame_data(frame)};
        c.run();
        if (is_empty(frame) && frame != record.last_series_frame)
            memory::unlink_series_frame(frame);
        frame = next;
    }
}

void evacuate_all() {
    // The interior pointers now hold their post-compaction addresses.
    for (InteriorPointer* e = interiors_begin(); e < interiors_end(); ++e)
        e->address = read_slot(e->slot);
    sort_interiors();

    std::vector<Ref> old;
    for (Ref f = record.first_series_frame; f; f = memory::series_frame_at(f)->next)
        old.push_back(f);
    record.first_series_frame = record.last_series_frame = record.current_series_frame = 0;
    uint32_t saved_next_size = record.next_frame_size;
    record.next_frame_size = record.max_frame_size;
    Ref target = 0;
    for (Ref frame : old) {
        Ref heap = memory::series_frame_at(frame)->heap;
        for (Ref b = memory::frame_data(frame); b < heap;) {
            uint32_t bytes = footprint(b);
            if (!target || uint64_t{memory::series_frame_at(target)->heap} + bytes >=
                               memory::series_frame_at(target)->end)
                target = memory::alloc_series_frame();
            SeriesFrame* t = memory::series_frame_at(target);
            Ref to = t->heap;
            t->heap += bytes;
            std::memcpy(arena::ptr(to), arena::ptr(b), bytes);
            SeriesBuffer* sb = buffer_at(to);
            Ref shift = to - b;
            *arena::at<Ref>(sb->node) = to;
            sb->head += shift;
            sb->tail += shift;
            fix_interiors(b, bytes, to);
            b += bytes;
        }
    }
    // The old frames' pages are discarded and, in the torture build, made to
    // fault when touched (see arena::free_pages).
    for (Ref frame : old) memory::free_virtual(frame);
    if (!record.first_series_frame) memory::alloc_series_frame();
    record.next_frame_size = saved_next_size;
    record.current_series_frame = record.last_series_frame;
}

void clear_static_marks() {
    for (Ref block = record.static_series; block; block = arena::at<BigSeriesLink>(block)->next)
        buffer_at(block + sizeof(BigSeriesLink))->flags &= ~series_flag::mark;
}

} // namespace zep::gc::detail
