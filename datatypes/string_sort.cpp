// sort on text, binary! and vector! series: records of /skip units compared
// by their first unit, by all units (/all), by the unit at an offset
// (/compare with an integer) or by a function (/compare with a function).
#include <cstring>

#include "datatypes/series.h"
#include "datatypes/string_action_support.h"
#include "datatypes/string_actions.h"
#include "datatypes/string_buffer.h"
#include "datatypes/string_internal.h"
#include "evaluator/stack.h"
#include "runtime/case_fold.h"
#include "runtime/sort.h"
#include "runtime/unicode/units.h"
#include "runtime/value_make.h"

namespace zep::string {

namespace {

enum class Fold { none, ascii_lower, upper };

// How two records compare; passed to the comparators as `extra`.
struct RecordOrder {
    uint32_t unit;
    uint32_t units; // units compared from `offset`
    uint32_t offset;
    Fold fold;
    bool reverse;
    bool float_elements;
    const Cell* function;
    uint8_t type; // of the records handed to a function
    uint32_t record_units;
};

uint32_t folded(uint32_t c, Fold fold) {
    switch (fold) {
    case Fold::none:
        return c;
    case Fold::ascii_lower:
        return c >= 'A' && c <= 'Z' ? c + 0x20 : c;
    case Fold::upper:
        return case_::fold_char(c, case_::to_upper);
    }
    return c;
}

double float_at(const unsigned char* p, uint32_t unit) {
    if (unit == 8) {
        double d;
        std::memcpy(&d, p, 8);
        return d;
    }
    float f;
    std::memcpy(&f, p, 4);
    return f;
}

int64_t integer_at(const unsigned char* p, uint32_t unit) {
    if (unit == 8) {
        int64_t v;
        std::memcpy(&v, p, 8);
        return v;
    }
    return unicode::read_unit(p, unit);
}

int compare_units(const void* a, const void* b, intptr_t, intptr_t extra) {
    const auto& order = *reinterpret_cast<const RecordOrder*>(extra);
    auto pa = static_cast<const unsigned char*>(a) + uint64_t{order.offset} * order.unit;
    auto pb = static_cast<const unsigned char*>(b) + uint64_t{order.offset} * order.unit;
    int result = 0;
    for (uint32_t i = 0; i < order.units && result == 0; ++i) {
        const unsigned char* x = pa + uint64_t{i} * order.unit;
        const unsigned char* y = pb + uint64_t{i} * order.unit;
        if (order.float_elements) {
            double u = float_at(x, order.unit), v = float_at(y, order.unit);
            result = u < v ? -1 : u > v ? 1 : 0;
        } else if (order.unit == 8) {
            int64_t u = integer_at(x, 8), v = integer_at(y, 8);
            result = u < v ? -1 : u > v ? 1 : 0;
        } else {
            uint32_t u = folded(unicode::read_unit(x, order.unit), order.fold);
            uint32_t v = folded(unicode::read_unit(y, order.unit), order.fold);
            result = u < v ? -1 : u > v ? 1 : 0;
        }
    }
    return order.reverse ? -result : result;
}

// A record as a value for a comparator function: one element, or with whole
// records a new text of the series' type.
Cell* push_record(const unsigned char* record, const RecordOrder& order) {
    Cell* slot = stack::push_slot();
    value::set_none(slot); // the stack is marked while the record is made
    if (order.units == 1 && order.record_units == 1) {
        Cell holder;
        Ref node = series::alloc_unit(1, order.unit);
        SeriesBuffer* b = node_buffer(node);
        std::memcpy(buffer_head(b), record, order.unit);
        b->tail = b->head + order.unit;
        value::set_series(&holder, order.type, node);
        support::element_at(&holder, 0, slot);
        return slot;
    }
    Ref node = series::alloc_unit(order.record_units, order.unit);
    SeriesBuffer* b = node_buffer(node);
    std::memcpy(buffer_head(b), record, uint64_t{order.record_units} * order.unit);
    b->tail = b->head + order.record_units * order.unit;
    value::set_series(slot, order.type, node);
    return slot;
}

// What a comparator function's answer means for the order of the records.
int function_answer(const Cell* answer) {
    switch (cell_type(answer)) {
    case type_id::logic:
        return answer->data1 == 1 ? 1 : -1;
    case type_id::integer: {
        int32_t n = value::integer_of(answer);
        return n > 0 ? -1 : n < 0 ? 1 : 0;
    }
    case type_id::float_: {
        double d = value::double_of(answer);
        return d > 0.0 ? -1 : d < 0.0 ? 1 : 0;
    }
    case type_id::none:
        return -1;
    default:
        return 1;
    }
}

int compare_with_function(const void* a, const void* b, intptr_t, intptr_t extra) {
    const auto& order = *reinterpret_cast<const RecordOrder*>(extra);
    // The records live in a heap copy, which the call cannot move.
    Cell* first = push_record(static_cast<const unsigned char*>(order.reverse ? a : b), order);
    Cell* second = push_record(static_cast<const unsigned char*>(order.reverse ? b : a), order);
    Cell* answer = stack::push_slot();
    value::set_none(answer);
    series::call_two(order.function, first, second, answer);
    int result = function_answer(answer);
    stack::pop(3);
    return result;
}

} // namespace

Cell* sort(Cell* series, bool case_, const Cell* skip, const Cell* comparator, const Cell* part,
           bool all, bool reverse, bool stable) {
    support::UnitView units = support::view_of(series);
    int64_t head = support::clamped_head(series);
    int64_t length = units.total - head;
    if (series::is_given(part)) {
        int32_t n = support::part_length(series, part);
        if (n < 0) {
            head += n;
            if (head < 0) {
                series->data1 = 0;
                return series;
            }
            series->data1 = static_cast<uint32_t>(head);
            length = -int64_t{n};
        } else {
            length = std::min<int64_t>(n, length);
        }
    }
    if (length == 0) return series;

    bool has_skip = series::is_given(skip);
    int64_t size = 1;
    if (has_skip) {
        size = cell_type(skip) == type_id::integer ? value::integer_of(skip) : 0;
        if (size < 1 || size > length || length % size != 0)
            support::fire_refine_arg(words::refinement::skip, skip);
    } else if (all) {
        support::fire_bad_refines();
    }
    uint8_t type = cell_type(series);
    RecordOrder order{};
    order.unit = units.unit;
    order.units = all ? static_cast<uint32_t>(size) : 1;
    order.offset = 0;
    auto fold_for = [&](uint32_t unit) {
        return case_ || type == type_id::vector ? Fold::none
               : unit == 1                      ? Fold::ascii_lower
                                                : Fold::upper;
    };
    order.fold = fold_for(units.unit);
    order.reverse = reverse;
    order.float_elements = type == type_id::vector && series->data3 == type_id::float_;
    order.type = type;
    order.record_units = static_cast<uint32_t>(size);
    sort::Compare cmp = compare_units;

    bool has_comparator = series::is_given(comparator);
    if (has_comparator && cell_type(comparator) == type_id::integer) {
        if (!has_skip || all) support::fire_bad_refines();
        int32_t offset = value::integer_of(comparator);
        if (offset < 1 || offset > size) support::fire_out_of_range(comparator);
        order.offset = static_cast<uint32_t>(offset - 1);
    } else if (has_comparator && cell_type(comparator) == type_id::function) {
        if (!series::call_two) support::fire_not_done();
        order.function = comparator;
        cmp = compare_with_function;
    } else if (has_comparator) {
        support::fire_refine_arg(words::refinement::compare, comparator);
    }

    uint64_t count = static_cast<uint64_t>(length / size);
    uint64_t record_bytes = static_cast<uint64_t>(size) * units.unit;
    if (support::notify(series, words::global::sort, nullptr, static_cast<int32_t>(head),
                        static_cast<int32_t>(length))) {
        // The owner's handler may have changed the series: sort the whole
        // records that are left of the range, in the width the text has now.
        units = support::view_of(series);
        head = std::min<int64_t>(head, units.total);
        length = std::min<int64_t>(length, units.total - head);
        count = static_cast<uint64_t>(length / size);
        order.unit = units.unit;
        order.fold = fold_for(units.unit);
        record_bytes = static_cast<uint64_t>(size) * units.unit;
    }
    SeriesBuffer* b = node_buffer(series->data2);
    unsigned char* base = buffer_head(b) + static_cast<uint64_t>(head) * units.unit;
    intptr_t extra = reinterpret_cast<intptr_t>(&order);
    if (count == 0) {
        // The owner's handler left no whole record to sort.
    } else if (order.function) {
        // A function may allocate and move the buffer: the records are sorted
        // in a heap copy and written back into the range as it is then.
        uint64_t bytes = count * record_bytes;
        detail::HeapBlock<unsigned char> copy(bytes);
        std::memcpy(copy.data(), base, bytes);
        if (stable)
            sort::merge_stable(copy.data(), count, record_bytes, 0, extra, cmp);
        else
            sort::quick(copy.data(), count, record_bytes, 0, extra, cmp);
        b = node_buffer(series->data2);
        uint64_t room = b->tail - b->head;
        uint64_t at = static_cast<uint64_t>(head) * units.unit;
        if (buffer_unit(b) == units.unit && at < room)
            std::memcpy(buffer_head(b) + at, copy.data(), std::min(bytes, room - at));
    } else if (stable) {
        sort::merge_stable(base, count, record_bytes, 0, extra, cmp);
    } else {
        sort::quick(base, count, record_bytes, 0, extra, cmp);
    }
    support::notify(series, words::global::sorted, nullptr, static_cast<int32_t>(head),
                    static_cast<int32_t>(length));
    return series;
}

} // namespace zep::string
