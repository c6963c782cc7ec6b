// series!: the actions that cut, reorder or copy units: clear, remove,
// reverse, take and copy.
#include <algorithm>
#include <cstring>
#include <vector>

#include "datatypes/registry.h"
#include "datatypes/series.h"
#include "evaluator/compiled_support.h"
#include "evaluator/stack.h"
#include "runtime/hashtable.h"
#include "runtime/value_make.h"

namespace zep::series {

namespace {

Ref table_of(const Cell* series) {
    return cell_type(series) == type_id::hash ? series->data3 : 0;
}

unsigned char* unit_address(const Cell* series, int64_t index) {
    SeriesBuffer* b = node_buffer(series->data2);
    return buffer_head(b) + static_cast<uint64_t>(index) * buffer_unit(b);
}

// Drops `count` units at `at` from the buffer, closing the gap; a hash!
// table drops their entries and renumbers the rest (rebuilt when the shift
// gives up).
void cut_units(const Cell* series, int32_t at, int32_t count) {
    SeriesBuffer* b = node_buffer(series->data2);
    uint32_t unit = buffer_unit(b);
    int32_t total = total_length(series);
    unsigned char* from = buffer_head(b) + uint64_t{static_cast<uint32_t>(at)} * unit;
    uint64_t bytes = uint64_t{static_cast<uint32_t>(count)} * unit;
    uint64_t after = uint64_t{static_cast<uint32_t>(total - at - count)} * unit;
    std::memmove(from, from + bytes, after);
    b->tail -= static_cast<uint32_t>(bytes);
    if (Ref table = table_of(series)) {
        if (hash::shift_indexes(table, -count, at + count, total - at - count, true))
            hash::rebuild(table, static_cast<uint32_t>(total - count));
    }
}

void fire_out_of_range(const Cell* value) {
    Cell copy = *value;
    error::fire(error::Category::script, "out-of-range", &copy);
}

} // namespace

Cell* clear(Cell* series) {
    int32_t count = length(series, false);
    if (count <= 0) return series;
    int32_t h = clamped_head(series);
    bool owned = notify(series, "clear", nullptr, h, count);
    if (owned) {
        // The owner's handler may have changed the series: clear what is there.
        h = clamped_head(series);
        count = total_length(series) - h;
    }
    if (Ref table = table_of(series)) hash::clear(table, h, count);
    SeriesBuffer* b = node_buffer(series->data2);
    b->tail = b->head + static_cast<uint32_t>(h) * buffer_unit(b);
    if (owned) notify(series, "cleared", nullptr, h, 0);
    return series;
}

Cell* remove(Cell* series, Cell* part, Cell* key) {
    int32_t count = is_given(part) ? part_count(series, part) : 1;
    if (count <= 0) return series;
    if (is_given(key)) {
        auto find = actions::slot_as<FindFn>(cell_type(series), action_slot::find);
        if (!find) error::fire(error::Category::internal, "not-done");
        Cell* top = stack::arguments.top;
        Cell subject = *series;
        Cell wanted = *key;
        Cell found = *find(&subject, &wanted, nullptr, false, true, false, false, nullptr, nullptr,
                           false, false, false, false);
        stack::arguments.top = top;
        if (cell_type(&found) == type_id::none) {
            value::set_none(series);
            return series;
        }
        series->data1 = found.data1;
        count = count == INT32_MAX ? count : count + 1;
    }
    int32_t h = clamped_head(series);
    int32_t total = total_length(series);
    if (h >= total) return series;
    count = std::min(count, total - h);
    bool owned = notify(series, "remove", nullptr, h, count);
    if (owned) {
        // The owner's handler may have shrunk the series: remove what is
        // left of the range.
        h = clamped_head(series);
        count = std::min(count, total_length(series) - h);
    }
    if (count > 0) cut_units(series, h, count);
    if (owned) notify(series, "removed", nullptr, h, 0);
    return series;
}

Cell* reverse(Cell* series, Cell* part, Cell* skip) {
    int32_t available = length(series, false);
    if (available <= 0) return series;
    int32_t count = available;
    if (is_given(part)) {
        count = part_count(series, part);
        if (count <= 0) return series;
        count = std::min(count, available);
    }
    int32_t size = 1;
    if (is_given(skip)) {
        if (cell_type(skip) != type_id::integer) fire_refine("skip", skip);
        size = value::integer_of(skip);
        if (size == count) return series;
        if (size <= 0) fire_out_of_range(skip);
        if (size > count || count % size != 0) fire_refine("skip", skip);
    }
    int32_t h = clamped_head(series);
    bool owned = notify(series, "reverse", nullptr, h, count);
    if (owned) {
        // The owner's handler may have shrunk the series: reverse the whole
        // records that are left of the range.
        h = clamped_head(series);
        count = std::min(count, total_length(series) - h);
    }
    uint32_t unit = unit_of(series);
    size_t record = size_t{unit} * static_cast<uint32_t>(size);
    std::vector<unsigned char> temporary(record);
    Ref table = table_of(series);
    int32_t records = count / size;
    for (int32_t a = 0, z = records - 1; a < z; ++a, --z) {
        int32_t first = h + a * size;
        int32_t second = h + z * size;
        if (table)
            for (int32_t k = 0; k < size; ++k) {
                hash::remove_index(table, first + k);
                hash::remove_index(table, second + k);
            }
        unsigned char* x = unit_address(series, first);
        unsigned char* y = unit_address(series, second);
        std::memcpy(temporary.data(), x, record);
        std::memcpy(x, y, record);
        std::memcpy(y, temporary.data(), record);
        if (table)
            for (int32_t k = 0; k < size; ++k) {
                hash::put(table, reinterpret_cast<Cell*>(unit_address(series, first + k)), nullptr);
                hash::put(table, reinterpret_cast<Cell*>(unit_address(series, second + k)),
                          nullptr);
            }
    }
    if (owned) notify(series, "reversed", nullptr, h, count);
    return series;
}

namespace {

// What take cuts from a series: n units from `from`. nothing: the series has
// no units from its head (take answers none); empty: nothing is cut.
struct TakePlan {
    int32_t h = 0;
    int32_t requested = 1;
    int32_t from = 0;
    int32_t n = 0;
    bool nothing = false;
    bool empty = true;
};

TakePlan plan_take(Cell* series, const Cell* part, bool last) {
    TakePlan plan;
    int32_t available = length(series, false);
    if (available <= 0) {
        plan.nothing = true;
        return plan;
    }
    int32_t h = value::series_head(series) < 0 ? 0 : value::series_head(series);
    plan.h = h;
    if (is_given(part)) {
        if (cell_type(part) == type_id::integer) {
            plan.requested = value::integer_of(part);
        } else if (cell_type(part) == cell_type(series) && part->data2 == series->data2) {
            int32_t d = std::max(value::series_head(part), 0) - h;
            plan.requested = d < 0 ? 0 : (last ? available - d : d);
        } else {
            fire_refine("part", part);
        }
    }
    int32_t requested = plan.requested;
    int32_t n = requested;
    if (requested < 0) {
        available = h;
        n = last ? 1 : (requested == INT32_MIN ? INT32_MAX : -requested);
    }
    n = std::min(n, available);
    // Taking nothing changes nothing (a count of 0 is not widened to 1).
    plan.empty = n <= 0 || (requested < 0 && (last || n > h));
    if (!plan.empty) {
        plan.n = n;
        plan.from = requested > 0 ? (last ? h + available - n : h) : h - n;
    }
    return plan;
}

} // namespace

Cell* take(Cell* series, Cell* part, bool, bool last) {
    Cell subject = *series;
    TakePlan plan = plan_take(&subject, part, last);
    if (plan.nothing) {
        value::set_none(series);
        return series;
    }
    bool owned = !plan.empty && notify(&subject, "take", nullptr, plan.h, plan.requested);
    int32_t h = plan.h;
    // The owner's handler may have changed the series: take from what is
    // there now.
    if (owned) plan = plan_take(&subject, part, last);
    if (plan.nothing) {
        notify(&subject, "taken", nullptr, h, 0);
        value::set_none(series);
        return series;
    }
    uint8_t type = cell_type(&subject);
    uint32_t count = static_cast<uint32_t>(plan.n);
    Ref node = copy_range(&subject, static_cast<uint32_t>(plan.from), count);
    Cell* result = stack::push_slot();
    value::set_series(result, type, node, 0, type == type_id::vector ? subject.data3 : 0);
    if (!plan.empty) {
        if (last) {
            if (Ref table = table_of(&subject)) hash::clear(table, plan.from, plan.n);
            node_buffer(subject.data2)->tail -= count * unit_of(&subject);
        } else
            cut_units(&subject, plan.from, plan.n);
        if (type == type_id::hash) {
            Cell made = *result;
            Ref table = hash::make_table(count, &made, hash::kind::hash, 0);
            result->data3 = table;
        }
    }
    if (owned) notify(&subject, "taken", nullptr, h, 0);
    return result;
}

Cell* copy(Cell* series, Cell* destination, const Cell* part, bool, const Cell*) {
    Cell source = *series;
    int64_t h = value::series_head(&source);
    int64_t total = total_length(&source);
    int64_t offset = h;
    int64_t count = total - h < 0 ? 0 : total - h;
    if (is_given(part)) {
        if (cell_type(part) == type_id::pair) {
            int64_t x = static_cast<int32_t>(part->data2);
            int64_t y = static_cast<int32_t>(part->data3);
            offset = std::max<int64_t>(x > 0 ? h + x - 1 : h + x, 0);
            count = y < x ? 0 : y - x;
        } else {
            count = part_count(&source, part);
        }
    }
    if (count < 0) {
        offset += count;
        count = -count;
        if (offset < 0) {
            offset = 0;
            count = h < 0 ? 0 : h;
        }
    }
    if (offset > total) {
        offset = total;
        count = 0;
    }
    count = std::min(count, total - offset);
    if (destination != series) value::set_unset(destination);
    Ref node = copy_range(&source, static_cast<uint32_t>(offset), static_cast<uint32_t>(count));
    uint8_t type = cell_type(&source);
    value::set_series(destination, type, node, 0, type == type_id::vector ? source.data3 : 0);
    destination->header |= source.header & cell_flag_new_line;
    return destination;
}

} // namespace zep::series
