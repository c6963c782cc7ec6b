// block!/sort: records of one or more cells sorted in place by the runtime's
// merge sort (stable) or quicksort, compared by the cells' compare actions
// or by a function value called through the evaluator's hook.
//
// A comparison can allocate, and so collect: a comparator written in the
// language can do anything, and comparing words makes their symbols' name
// strings on first use. A sort therefore works on a copy of the records
// outside the block (with the merge sort's temporary records), kept visible
// to the collector, and copies the result back.
#include <algorithm>
#include <cstring>
#include <utility>
#include <vector>

#include "datatypes/block.h"
#include "datatypes/block_internal.h"
#include "datatypes/registry.h"
#include "datatypes/series.h"
#include "evaluator/compiled_support.h"
#include "evaluator/stack.h"
#include "runtime/gc_roots.h"
#include "runtime/hashtable.h"
#include "runtime/sort.h"
#include "runtime/value_make.h"

namespace zep::block {

namespace {

using detail::cells_of;

constexpr int32_t reverse_bit = 1;
constexpr int32_t whole_bit = 2;

int32_t flags_size(int32_t flags) {
    return flags >> 2;
}

// Cells of a function comparison on the argument stack: the function and,
// for whole records, the two blocks that carry the records.
struct CallContext {
    Cell function;
    Cell first;
    Cell second;
};

void fill_record(const Cell* scratch, const Cell* record, int32_t size) {
    SeriesBuffer* b = node_buffer(scratch->data2);
    std::memcpy(buffer_head(b), record, static_cast<size_t>(size) * sizeof(Cell));
    b->tail = b->head + static_cast<uint32_t>(size) * sizeof(Cell);
}

int answer_of(const Cell* result) {
    switch (cell_type(result)) {
    case type_id::logic:
        return result->data1 ? 1 : -1;
    case type_id::integer:
        return value::integer_of(result);
    case type_id::float_: {
        double x = value::double_of(result);
        return x > 0.0 ? 1 : (x < 0.0 ? -1 : 0);
    }
    case type_id::none:
        return -1;
    default:
        return 1;
    }
}

int call_compare(const Cell* a, const Cell* b, CallContext* context, int32_t flags) {
    if (!series::call_two) error::fire(error::Category::internal, "not-done");
    Cell x;
    Cell y;
    if (flags & whole_bit) {
        int32_t size = flags_size(flags);
        fill_record(&context->first, a, size);
        fill_record(&context->second, b, size);
        x = context->first;
        y = context->second;
    } else {
        x = a[flags_size(flags)];
        y = b[flags_size(flags)];
    }
    Cell result;
    value::set_none(&result);
    gc::Root keep_x(&x);
    gc::Root keep_y(&y);
    gc::Root keep_result(&result);
    if (flags & reverse_bit)
        series::call_two(&context->function, &x, &y, &result);
    else
        series::call_two(&context->function, &y, &x, &result);
    return answer_of(&result);
}

int by_cells(const void* a, const void* b, intptr_t flags, intptr_t code) {
    return sort_compare(static_cast<const Cell*>(a), static_cast<const Cell*>(b),
                        static_cast<int>(code), static_cast<int32_t>(flags));
}

int by_function(const void* a, const void* b, intptr_t flags, intptr_t context) {
    return call_compare(static_cast<const Cell*>(a), static_cast<const Cell*>(b),
                        reinterpret_cast<CallContext*>(context), static_cast<int32_t>(flags));
}

// Pushes the function and, for whole records, two blocks of `size` cells.
CallContext* push_context(const Cell* function, int32_t size, bool whole) {
    Cell copy = *function;
    auto* context = reinterpret_cast<CallContext*>(stack::push(&copy));
    Cell* first = stack::push_slot();
    Cell* second = stack::push_slot();
    value::set_none(first);
    value::set_none(second);
    if (whole) {
        make_at(first, size);
        make_at(second, size);
    }
    return context;
}

// Sorts `count` cells from h in records of `size`: the records and the
// merge sort's buffer live in one rooted array while the comparisons run;
// the sorted records go back into the block (as far as it still reaches,
// should a comparator have shortened it).
void sort_rooted(const Cell* block, int32_t h, int32_t count, int32_t size, bool stable,
                 int32_t flags, intptr_t extra, sort::Compare compare) {
    size_t records = static_cast<size_t>(count / size);
    size_t n = static_cast<size_t>(count);
    size_t spare = stable ? records / 2 * static_cast<size_t>(size) : 0;
    std::vector<Cell> work(n + spare, Cell{type_id::none, 0, 0, 0});
    std::memcpy(work.data(), cells_of(block) + h, n * sizeof(Cell));
    gc::Root keep(work.data(), work.size());
    size_t width = sizeof(Cell) * static_cast<uint32_t>(size);
    if (stable)
        sort::merge_stable_with(work.data(), records, width, flags, extra, compare,
                                reinterpret_cast<std::byte*>(work.data() + n));
    else
        sort::quick(work.data(), records, width, flags, extra, compare);
    int32_t reach = std::min(count, std::max(0, series::total_length(block) - h));
    std::memcpy(cells_of(block) + h, work.data(), static_cast<size_t>(reach) * sizeof(Cell));
}

[[noreturn]] void bad_refines() {
    error::fire(error::Category::script, "bad-refines");
}

} // namespace

int sort_compare(const Cell* a, const Cell* b, int code, int32_t flags) {
    if (flags & reverse_bit) std::swap(a, b);
    int32_t count = 1;
    if (flags & whole_bit)
        count = flags_size(flags);
    else {
        a += flags_size(flags);
        b += flags_size(flags);
    }
    for (int32_t i = 0; i < count; ++i) {
        int r = actions::compare_values(a + i, b + i, code);
        if (r == compare_code::not_comparable) r = cell_type(a + i) - cell_type(b + i);
        if (r != 0) return r;
    }
    return 0;
}

int sort_compare_with(const Cell* a, const Cell* b, const Cell* function, int32_t flags) {
    Cell* top = stack::arguments.top;
    // The records are copied first: making the context allocates.
    int32_t size = (flags & whole_bit) ? flags_size(flags) : flags_size(flags) + 1;
    std::vector<Cell> x(a, a + size);
    std::vector<Cell> y(b, b + size);
    gc::Root keep_x(x.data(), x.size());
    gc::Root keep_y(y.data(), y.size());
    CallContext* context = push_context(function, size, (flags & whole_bit) != 0);
    int answer = call_compare(x.data(), y.data(), context, flags);
    stack::arguments.top = top;
    return answer;
}

Cell* sort(Cell* series, bool case_, const Cell* skip, const Cell* compare, const Cell* part,
           bool all, bool reverse, bool stable) {
    int32_t count = length(series);
    if (count == 0) return series;
    int32_t h = value::series_head(series);
    if (series::is_given(part)) {
        int32_t n = series::part_count(series, part);
        if (n < 0) {
            int64_t start = int64_t{h} + n;
            if (start < 0) {
                series->data1 = 0;
                return series;
            }
            h = static_cast<int32_t>(start);
            series->data1 = static_cast<uint32_t>(h);
            count = -n;
        } else if (n < count) {
            count = n;
        }
    }
    int32_t size = 1;
    bool has_skip = series::is_given(skip);
    if (has_skip) {
        if (cell_type(skip) != type_id::integer) series::fire_refine("skip", skip);
        size = value::integer_of(skip);
        if (size < 1 || size > count || count % size != 0) series::fire_refine("skip", skip);
    } else if (all) {
        bad_refines();
    }
    int code = case_ ? compare_code::case_sort : compare_code::sort;
    int32_t flags = reverse ? reverse_bit : 0;
    bool by_call = false;
    if (series::is_given(compare)) {
        if (cell_type(compare) == type_id::function) {
            by_call = true;
            if (all && has_skip) flags |= whole_bit | (size << 2);
        } else if (cell_type(compare) == type_id::integer) {
            if (!has_skip || all) bad_refines();
            int32_t k = value::integer_of(compare);
            if (k < 1 || k > size) {
                Cell copy = *compare;
                error::fire(error::Category::script, "out-of-range", &copy);
            }
            flags |= (k - 1) << 2;
        } else {
            series::fire_refine("compare", compare);
        }
    } else if (all) {
        flags |= whole_bit | (size << 2);
    }
    Cell block = *series;
    bool owned = series::notify(&block, "sort", nullptr, h, 0);
    if (owned) {
        // The owner's handler may have shrunk the block: sort the whole
        // records that are left of the range.
        int32_t total = series::total_length(&block);
        h = std::min(h, total);
        count = std::min(count, total - h);
        count -= count % size;
    }
    Cell* top = stack::arguments.top;
    intptr_t extra = code;
    sort::Compare compare_fn = by_cells;
    if (by_call) {
        extra = reinterpret_cast<intptr_t>(push_context(compare, size, (flags & whole_bit) != 0));
        compare_fn = by_function;
    }
    if (count > 0) sort_rooted(&block, h, count, size, stable, flags, extra, compare_fn);
    stack::arguments.top = top;
    if (Ref table = detail::table_of(&block))
        hash::rebuild(table, static_cast<uint32_t>(series::total_length(&block)));
    if (owned) series::notify(&block, "sorted", nullptr, h, 0);
    return series;
}

} // namespace zep::block
