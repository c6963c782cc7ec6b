#include "runtime/case_change.h"

#include <algorithm>
#include <cstring>

#include "runtime/case_fold.h"
#include "runtime/error_exit.h"
#include "runtime/memory.h"
#include "runtime/raise.h"

namespace zep::case_ {

namespace {

ChangeNotifier change_notifier = nullptr;

[[noreturn]] void switch_fault() {
    runtime::error_exit(101, reinterpret_cast<uintptr_t>(__builtin_return_address(0)));
}

bool is_any_string(uint8_t type) {
    switch (type) {
    case type_id::string:
    case type_id::file:
    case type_id::url:
    case type_id::tag:
    case type_id::email:
    case type_id::ref:
        return true;
    default:
        return false;
    }
}

uint32_t unit_shift(uint32_t unit) {
    switch (unit) {
    case 1:
        return 0;
    case 2:
        return 1;
    case 4:
        return 2;
    default:
        switch_fault();
    }
}

uint32_t read_unit(const unsigned char* p, uint32_t unit) {
    switch (unit) {
    case 1:
        return p[0];
    case 2:
        return static_cast<uint32_t>(p[1]) << 8 | p[0];
    case 4: {
        uint32_t v;
        std::memcpy(&v, p, 4);
        return v;
    }
    default:
        switch_fault();
    }
}

void write_unit(unsigned char* p, uint32_t unit, uint32_t cp) {
    switch (unit) {
    case 1:
        p[0] = static_cast<unsigned char>(cp);
        return;
    case 2:
        p[0] = static_cast<unsigned char>(cp);
        p[1] = static_cast<unsigned char>(cp >> 8);
        return;
    case 4:
        std::memcpy(p, &cp, 4);
        return;
    default:
        switch_fault();
    }
}

uint32_t used_units(SeriesBuffer* b) {
    return (b->tail - b->head) >> unit_shift(buffer_unit(b));
}

// Widens a text buffer in place to a larger unit, converting from the last
// unit backwards so that nothing is overwritten before it is read. The text
// layer's own widening takes this over once it exists; this one serves the
// case change alone.
SeriesBuffer* widen_text(SeriesBuffer* b, uint32_t new_unit) {
    uint32_t old_unit = buffer_unit(b);
    uint32_t count = used_units(b);
    uint64_t needed = (static_cast<uint64_t>(count) + 1) << unit_shift(new_unit);
    uint64_t head_offset = buffer_head(b) - buffer_data(b);
    if (static_cast<uint64_t>(buffer_end(b) - buffer_head(b)) < needed) {
        b = series::expand(b, head_offset + needed);
    }
    unsigned char* head = buffer_head(b);
    for (uint32_t i = count; i-- > 0;) {
        uint32_t cp = read_unit(head + (static_cast<size_t>(i) << unit_shift(old_unit)), old_unit);
        write_unit(head + (static_cast<size_t>(i) << unit_shift(new_unit)), new_unit, cp);
    }
    b->tail = b->head + (count << unit_shift(new_unit));
    b->flags = (b->flags & ~series_flag::unit_mask) | new_unit;
    return b;
}

uint32_t unit_needed(uint32_t cp) {
    return cp <= 0xFF ? 1 : cp <= 0xFFFF ? 2 : 4;
}

// The number of units to change from `head`, of `available` in all.
uint32_t part_count(const Cell* series, const Cell* part, uint32_t head, uint32_t available) {
    int64_t count;
    if (cell_type(part) == type_id::integer) {
        count = static_cast<int32_t>(part->data2);
    } else if (cell_type(part) == cell_type(series) && part->data2 == series->data2) {
        count = static_cast<int64_t>(part->data1) - head;
    } else {
        error::fire_named(error::Category::script, "invalid-refine-arg");
    }
    return static_cast<uint32_t>(std::clamp<int64_t>(count, 0, available));
}

} // namespace

void set_change_notifier(ChangeNotifier notifier) {
    change_notifier = notifier;
}

Cell* change_series(Cell* args, uint32_t part_index, int direction) {
    Cell* value = &args[0];
    if (cell_type(value) == type_id::char_) {
        value->data2 = fold_char(value->data2, direction);
        return value;
    }
    if (!is_any_string(cell_type(value))) switch_fault();

    Ref node = value->data2;
    SeriesBuffer* b = node_buffer(node);
    uint32_t total = used_units(b);
    uint32_t head = std::min(value->data1, total);
    value->data1 = head;
    uint32_t count = total - head;
    if (part_index != 0) count = part_count(value, &args[part_index], head, count);

    for (uint32_t i = head; i < head + count; ++i) {
        uint32_t unit = buffer_unit(b);
        unsigned char* at = buffer_head(b) + (static_cast<size_t>(i) << unit_shift(unit));
        uint32_t cp = read_unit(at, unit);
        uint32_t folded = fold_char(cp, direction);
        if (folded == cp) continue;
        if (unit_needed(folded) > unit) {
            // Widening may move the buffer: positions are recomputed from
            // the index after it.
            b = widen_text(b, unit_needed(folded));
            unit = buffer_unit(b);
            at = buffer_head(b) + (static_cast<size_t>(i) << unit_shift(unit));
        }
        write_unit(at, unit, folded);
    }

    if (change_notifier && (node_buffer(node)->flags & series_flag::owned)) {
        change_notifier(value, direction, head, count);
    }
    return value;
}

} // namespace zep::case_
