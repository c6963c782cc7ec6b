#include "runtime/record_series.h"

#include <algorithm>
#include <cstring>

#include "runtime/memory.h"
#include "runtime/memory_internal.h"

namespace zep::series {

namespace {

uint32_t used_bytes(const SeriesBuffer* b) {
    return b->tail - b->head;
}

// Address of the record of width bytes at an index from 1, or null when the
// record does not lie wholly before the tail.
unsigned char* record_at(Ref series, uint32_t index, uint32_t width) {
    SeriesBuffer* b = node_buffer(series);
    if (index == 0 || (uint64_t{index} - 1) * width + width > used_bytes(b)) return nullptr;
    return buffer_head(b) + (uint64_t{index} - 1) * width;
}

int32_t find_record(Ref series, const void* value, uint32_t width) {
    SeriesBuffer* b = node_buffer(series);
    uint32_t used = used_bytes(b);
    const unsigned char* head = buffer_head(b);
    for (uint32_t offset = 0; uint64_t{offset} + width <= used; offset += width)
        if (std::memcmp(head + offset, value, width) == 0) return static_cast<int32_t>(offset);
    return -1;
}

} // namespace

Ref make_with_unit(uint32_t count, uint32_t unit) {
    uint64_t bytes = uint64_t{count} * unit;
    if (bytes > memory::max_data_size) memory::detail::no_memory();
    memory::detail::check_unit(unit);
    Ref node = alloc_bytes(static_cast<uint32_t>(bytes));
    SeriesBuffer* b = node_buffer(node);
    b->flags = (b->flags & ~series_flag::unit_mask) | unit;
    return node;
}

uint32_t length_in_units(Ref series) {
    const SeriesBuffer* b = node_buffer(series);
    uint32_t unit = buffer_unit(b);
    return unit ? used_bytes(b) / unit : used_bytes(b);
}

void clear(Ref series) {
    SeriesBuffer* b = node_buffer(series);
    b->tail = b->head;
}

void set_tail(Ref series, uint32_t n) {
    SeriesBuffer* b = node_buffer(series);
    uint32_t unit = buffer_unit(b) ? buffer_unit(b) : 1;
    uint64_t bytes = n ? (uint64_t{n} - 1) * unit : 0;
    if (bytes > memory::max_data_size) memory::detail::no_memory();
    uint64_t room = arena::ref(buffer_end(b)) - b->head;
    if (bytes > room) b = expand(b, bytes);
    b->tail = b->head + static_cast<uint32_t>(bytes);
}

Ref copy(Ref series) {
    return copy_buffer(node_buffer(series));
}

uint32_t flags(Ref series) {
    return node_buffer(series)->flags;
}

void append_bytes(Ref series, const void* source, uint32_t length) {
    if (length == 0) return;
    std::memcpy(alloc_tail_bytes(node_buffer(series), length), source, length);
}

void append_byte(Ref series, uint8_t byte) {
    append_bytes(series, &byte, 1);
}

void append_int(Ref series, uint32_t value) {
    append_bytes(series, &value, sizeof value);
}

void append_pointer(Ref series, const void* pointer) {
    append_bytes(series, &pointer, sizeof pointer);
}

uint32_t u32_at(Ref series, uint32_t index) {
    uint32_t value = 0;
    if (auto* p = record_at(series, index, sizeof value)) std::memcpy(&value, p, sizeof value);
    return value;
}

bool set_u32_at(Ref series, uint32_t index, uint32_t value) {
    auto* p = record_at(series, index, sizeof value);
    if (!p) return false;
    std::memcpy(p, &value, sizeof value);
    return true;
}

void* item_at(Ref series, uint32_t index) {
    void* pointer = nullptr;
    if (auto* p = record_at(series, index, sizeof pointer))
        std::memcpy(&pointer, p, sizeof pointer);
    return pointer;
}

int32_t find_pointer(Ref series, const void* pointer) {
    return find_record(series, &pointer, sizeof pointer);
}

int32_t find_int(Ref series, uint32_t value) {
    return find_record(series, &value, sizeof value);
}

void remove_bytes(Ref series, uint32_t offset, uint32_t n) {
    SeriesBuffer* b = node_buffer(series);
    uint32_t used = used_bytes(b);
    if (offset >= used || n == 0) return;
    n = std::min(n, used - offset);
    unsigned char* head = buffer_head(b);
    std::memmove(head + offset, head + offset + n, used - offset - n);
    b->tail -= n;
}

int32_t remove_pointer(Ref series, const void* pointer) {
    int32_t offset = find_pointer(series, pointer);
    if (offset >= 0) remove_bytes(series, static_cast<uint32_t>(offset), sizeof pointer);
    return offset;
}

} // namespace zep::series
