#include "runtime/case_change.h"

#include <algorithm>
#include <cstring>

#include "runtime/case_fold.h"
#include "runtime/error_exit.h"
#include "runtime/memory.h"
#include "runtime/raise.h"
#include "runtime/type_sets.h"
#include "runtime/unicode/units.h"
#include "runtime/unicode/widen.h"

namespace zep::case_ {

namespace {

ChangeNotifier change_notifier = nullptr;

[[noreturn]] void switch_fault() {
    runtime::error_exit(101, reinterpret_cast<uintptr_t>(__builtin_return_address(0)));
}

uint32_t used_units(SeriesBuffer* b) {
    return (b->tail - b->head) >> unicode::unit_shift(buffer_unit(b));
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
    if (!type_set::is_any_string(cell_type(value))) switch_fault();

    Ref node = value->data2;
    SeriesBuffer* b = node_buffer(node);
    uint32_t total = used_units(b);
    uint32_t head = std::min(value->data1, total);
    value->data1 = head;
    uint32_t count = total - head;
    if (part_index != 0) count = part_count(value, &args[part_index], head, count);

    for (uint32_t i = head; i < head + count; ++i) {
        uint32_t unit = buffer_unit(b);
        unsigned char* at = buffer_head(b) + (static_cast<size_t>(i) << unicode::unit_shift(unit));
        uint32_t cp = unicode::read_unit(at, unit);
        uint32_t folded = fold_char(cp, direction);
        if (folded == cp) continue;
        if (unit_needed(folded) > unit) {
            // Widening may move the buffer: positions are recomputed from
            // the index after it.
            b = unicode::widen_to(b, unit_needed(folded));
            unit = buffer_unit(b);
            at = buffer_head(b) + (static_cast<size_t>(i) << unicode::unit_shift(unit));
        }
        unicode::write_unit(at, unit, folded);
    }

    if (change_notifier && (node_buffer(node)->flags & series_flag::owned)) {
        change_notifier(value, direction, head, count);
    }
    return value;
}

} // namespace zep::case_
