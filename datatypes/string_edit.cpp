// Changing text buffers: writing, inserting and removing code points with
// widening on write, converting copies between unit sizes, and moving text
// between two values.
#include <algorithm>
#include <cstring>

#include "datatypes/string_buffer.h"
#include "datatypes/string_internal.h"
#include "runtime/error_exit.h"
#include "runtime/gc_roots.h"
#include "runtime/raise.h"
#include "runtime/unicode/widen.h"

namespace zep::string {

using detail::shift_of;
using detail::used_units;

SeriesBuffer* detail::ensure_room(SeriesBuffer* b, uint64_t bytes) {
    if (uint64_t{b->tail} + bytes <= arena::ref(buffer_end(b))) return b;
    uint64_t used = b->tail - b->head;
    // Twice the used size and the room asked for, as far as the unit allows;
    // more than it allows raises no-memory.
    return series::expand(b, memory::grown_size(used + bytes, used * 2 + bytes, buffer_unit(b)));
}

namespace {

[[noreturn]] void copy_fault() {
    runtime::error_exit(100, reinterpret_cast<uintptr_t>(__builtin_return_address(0)));
}

SeriesBuffer* widen_for(SeriesBuffer* b, uint32_t needed_unit) {
    return needed_unit > buffer_unit(b) ? unicode::widen_to(b, needed_unit) : b;
}

} // namespace

SeriesBuffer* append_char(SeriesBuffer* b, uint32_t cp) {
    b = widen_for(b, detail::unit_for_append(cp));
    uint32_t unit = buffer_unit(b);
    b = detail::ensure_room(b, unit);
    unicode::write_unit(buffer_tail(b), unit, cp);
    b->tail += unit;
    return b;
}

SeriesBuffer* poke_char_at(SeriesBuffer* b, uint32_t index, uint32_t cp) {
    b = widen_for(b, detail::unit_for_poke(cp));
    uint32_t unit = buffer_unit(b);
    uint32_t total = used_units(b);
    if (index >= total) {
        // At (or, defensively, past) the tail the text grows by one unit.
        index = total;
        b = detail::ensure_room(b, unit);
        b->tail += unit;
    }
    unicode::write_unit(detail::unit_address(b, index), unit, cp);
    return b;
}

SeriesBuffer* poke_char(SeriesBuffer* b, unsigned char* address, uint32_t cp) {
    // Widening moves every unit: the address is turned into an index first.
    uint32_t index = static_cast<uint32_t>((address - buffer_head(b)) >> shift_of(b));
    return poke_char_at(b, index, cp);
}

SeriesBuffer* insert_char(SeriesBuffer* b, uint32_t index, uint32_t cp) {
    b = widen_for(b, detail::unit_for_poke(cp));
    uint32_t unit = buffer_unit(b);
    b = detail::ensure_room(b, unit);
    uint32_t total = used_units(b);
    index = std::min(index, total);
    unsigned char* at = detail::unit_address(b, index);
    std::memmove(at + unit, at, static_cast<size_t>(total - index) * unit);
    unicode::write_unit(at, unit, cp);
    b->tail += unit;
    return b;
}

SeriesBuffer* remove_units(Cell* value, uint32_t index, uint32_t n) {
    SeriesBuffer* b = node_buffer(value->data2);
    uint32_t total = used_units(b);
    if (index >= total) return b;
    uint32_t shift = shift_of(b);
    if (n >= total - index) {
        b->tail = b->head + (index << shift);
        return b;
    }
    unsigned char* at = detail::unit_address(b, index);
    size_t moved = static_cast<size_t>(total - index - n) << shift;
    std::memmove(at, at + (static_cast<size_t>(n) << shift), moved);
    b->tail -= n << shift;
    return b;
}

SeriesBuffer* remove_char(Cell* value, uint32_t index) {
    return remove_units(value, index, 1);
}

SeriesBuffer* widen_to_unit(SeriesBuffer* b, uint32_t old_unit, uint32_t new_unit) {
    if (old_unit == 1 && new_unit == 2) return unicode::widen_1_to_2(b);
    if (old_unit == 1 && new_unit == 4) return unicode::widen_1_to_4(b);
    if (old_unit == 2 && new_unit == 4) return unicode::widen_2_to_4(b);
    detail::case_fault();
}

SeriesBuffer* copy_units(SeriesBuffer* source, SeriesBuffer* target, uint32_t size,
                         uint32_t new_unit, uint32_t source_offset, uint32_t target_offset,
                         uint32_t source_end, bool keep) {
    uint32_t source_unit = buffer_unit(source);
    if ((source_unit != 1 && source_unit != 2) || (new_unit != 2 && new_unit != 4) ||
        new_unit <= source_unit)
        copy_fault();
    uint32_t used = source->tail - source->head;
    uint32_t end = source_end ? std::min(source_end, used) : used;
    uint32_t start = std::min(source_offset, end);
    uint32_t count = (end - start) / source_unit;
    uint64_t needed = uint64_t{target_offset} + uint64_t{count} * new_unit;

    // Allocation may move the source: it is found again through its node.
    Ref source_node = source->node;
    Ref target_node = 0;
    gc::RootRef keep_target(target_node);
    if (!target) {
        target_node = series::alloc_unit(static_cast<uint32_t>(std::max<uint64_t>(
                                             (uint64_t{size} + new_unit - 1) / new_unit, 1)),
                                         new_unit);
        target = node_buffer(target_node);
    }
    if (uint64_t{target->head} + needed > arena::ref(buffer_end(target))) {
        // Sound growth instead of writing past the target's data area.
        target = series::expand(target, needed);
    }
    if (source_node) source = node_buffer(source_node);

    unsigned char* from = buffer_head(source) + start;
    unsigned char* to = buffer_head(target) + target_offset;
    detail::HeapBlock<unsigned char> staged(0);
    if (source == target && to < from + (end - start) &&
        from < to + static_cast<size_t>(count) * new_unit) {
        // Overlapping regions of one buffer go through a copy.
        staged = detail::HeapBlock<unsigned char>(end - start);
        std::memcpy(staged.data(), from, end - start);
        from = staged.data();
    }
    for (uint32_t i = 0; i < count; ++i) {
        unicode::write_unit(
            to + static_cast<size_t>(i) * new_unit, new_unit,
            unicode::read_unit(from + static_cast<size_t>(i) * source_unit, source_unit));
    }
    if (!keep) {
        target->tail = static_cast<Ref>(arena::ref(to) + static_cast<uint64_t>(count) * new_unit);
        target->flags = (target->flags & ~series_flag::unit_mask) | new_unit;
    }
    return target;
}

void insert_string(Cell* source, Cell* target, uint32_t n_bytes) {
    Cell source_copy = *source;
    Cell target_copy = *target;
    SeriesBuffer* sb = node_buffer(source_copy.data2);
    uint32_t source_head = detail::clamped_head(&source_copy, sb);
    uint32_t count = std::min(n_bytes >> shift_of(sb), used_units(sb) - source_head);
    uint32_t target_head = detail::clamped_head(&target_copy, node_buffer(target_copy.data2));
    // The code points are taken out first: the target may be the same buffer.
    detail::HeapBlock<uint32_t> chars(count);
    for (uint32_t i = 0; i < count; ++i)
        chars[i] = unicode::read_unit(detail::unit_address(sb, source_head + i), buffer_unit(sb));
    remove_units(&source_copy, source_head, count);
    // In a shared buffer a target after the removed units moved down with them.
    if (source_copy.data2 == target_copy.data2 && target_head > source_head)
        target_head = target_head >= source_head + count ? target_head - count : source_head;
    SeriesBuffer* tb = node_buffer(target_copy.data2);
    for (uint32_t i = 0; i < count; ++i) tb = insert_char(tb, target_head + i, chars[i]);
}

Cell* clear_buffer(Cell* value) {
    SeriesBuffer* b = node_buffer(value->data2);
    b->tail = b->head;
    b->flags = (b->flags & ~series_flag::unit_mask) | 1;
    value->data1 = 0;
    return value;
}

} // namespace zep::string

namespace zep::series {

void shorten(SeriesBuffer* b, uint32_t n) {
    uint64_t end = b->head + uint64_t{n} * buffer_unit(b);
    if (end < b->tail) b->tail = static_cast<Ref>(end);
}

} // namespace zep::series
