// Block editing: append and insert (one routine), change, take, swap, trim.
#include <algorithm>
#include <cstring>
#include <vector>

#include "datatypes/block.h"
#include "datatypes/block_internal.h"
#include "datatypes/registry.h"
#include "datatypes/series.h"
#include "evaluator/compiled_support.h"
#include "evaluator/stack.h"
#include "runtime/hashtable.h"
#include "runtime/value_make.h"

namespace zep::block {

namespace {

using detail::cells_of;
using detail::clamp_head;
using detail::table_of;

[[noreturn]] void no_memory() {
    error::fire(error::Category::internal, "no-memory");
}

// The cells a value contributes: a block type's cells from its head unless
// /only, else the value itself. Taken out before the target changes, as the
// source may share the target's buffer. A single cell is kept inline, so the
// common one-value edit allocates nothing.
class SourceCells {
  public:
    SourceCells(const Cell* value, bool only) {
        if (only || !series::is_block_type(cell_type(value))) {
            one_ = *value;
            size_ = 1;
            inline_ = true;
            return;
        }
        int32_t h = series::clamped_head(value);
        int32_t n = series::total_length(value) - h;
        const Cell* first = cells_of(value) + h;
        many_.assign(first, first + n);
        size_ = many_.size();
    }
    const Cell* data() const { return inline_ ? &one_ : many_.data(); }
    size_t size() const { return size_; }

  private:
    std::vector<Cell> many_;
    Cell one_{};
    size_t size_ = 0;
    bool inline_ = false;
};

// Makes room for `extra` more cells, expanding to the needed size (twice it
// when asked). Answers the buffer.
SeriesBuffer* room_for(const Cell* block, uint64_t extra, bool twice) {
    SeriesBuffer* b = node_buffer(block->data2);
    uint64_t used = b->tail - b->head;
    uint64_t needed = used + extra * sizeof(Cell);
    if (needed > memory::max_size_for(sizeof(Cell))) no_memory();
    if (b->head + needed <= arena::ref(buffer_end(b))) return b;
    return series::expand(b, memory::grown_size(needed, twice ? needed * 2 : needed, sizeof(Cell)));
}

int64_t checked_product(int64_t a, int64_t b) {
    int64_t n = a * b; // both below 2^31: no overflow in 64 bits
    if (n > INT32_MAX) no_memory();
    return n;
}

// Copies count cells in at the index and repeats them dup times.
void write_cells(const Cell* block, int32_t at, const Cell* cells, size_t count, int32_t dup) {
    Cell* start = cells_of(block) + at;
    if (count == 1)
        *start = *cells; // the common one-value edit: no library call
    else
        std::memcpy(start, cells, count * sizeof(Cell));
    if (dup > 1)
        series::fill_pattern(reinterpret_cast<unsigned char*>(start),
                             static_cast<uint32_t>(count * sizeof(Cell)),
                             static_cast<uint32_t>(dup));
}

// Puts count cells, repeated dup times (both at least 1), at the series'
// head, or at its tail when appending: notifies the owner before and after,
// makes room and keeps a hash!'s index. `value` is the value the owner is
// told of. The cells must not lie in the target's buffer.
Cell* insert_cells(Cell* series, const Cell* value, const Cell* cells, size_t count, int32_t dup,
                   bool append) {
    int32_t h = clamp_head(series);
    Cell block = *series;
    int32_t total = series::total_length(&block);
    int32_t at = append ? total : h;
    auto n = static_cast<int32_t>(checked_product(static_cast<int64_t>(count), dup));
    Cell involved = *value;
    bool owned = series::notify(&block, append ? "append" : "insert", &involved, at, n);
    if (owned) {
        // The owner's handler may have changed the block: insert into what
        // is there now.
        total = series::total_length(&block);
        h = std::min(h, total);
        at = append ? total : h;
    }
    SeriesBuffer* b = room_for(&block, static_cast<uint64_t>(n), dup <= 4);
    Cell* first = cells_of(&block);
    if (at < total)
        std::memmove(first + at + n, first + at, static_cast<size_t>(total - at) * sizeof(Cell));
    b->tail += static_cast<uint32_t>(n) * sizeof(Cell);
    Ref table = table_of(&block);
    bool rebuild = false;
    if (table && at < total) rebuild = hash::shift_indexes(table, n, at, total - at, true) != 0;
    write_cells(&block, at, cells, count, dup);
    if (table) {
        for (int32_t k = 0; k < n && !rebuild; ++k) {
            int32_t status = 0;
            hash::put(table, cells_of(&block) + at + k, &status);
            if (status == 2) break;
        }
        if (rebuild) hash::rebuild(table, static_cast<uint32_t>(total + n));
    }
    if (owned) series::notify(&block, append ? "appended" : "inserted", &involved, at, n);
    series->data1 = append ? 0 : static_cast<uint32_t>(std::min(h + n, total + n));
    return series;
}

// The common append of one cell to a block with room for it, no index and
// no owner to notify: the cell goes straight to the tail. Answers false when
// insert_cells must run.
bool append_one_directly(Cell* series, const Cell* value) {
    SeriesBuffer* b = node_buffer(series->data2);
    uint64_t used = b->tail - b->head;
    if (table_of(series) || uint64_t{b->tail} + sizeof(Cell) > arena::ref(buffer_end(b)) ||
        used + sizeof(Cell) > memory::max_data_size || series::has_owner(series))
        return false;
    *reinterpret_cast<Cell*>(buffer_tail(b)) = *value;
    b->tail += sizeof(Cell);
    series->data1 = 0;
    return true;
}

// append and insert of any value (kept out of line, so that the direct path
// in append needs no frame).
[[gnu::noinline]] Cell* add_value(Cell* series, const Cell* value, int32_t part, bool only,
                                  int32_t dup, bool append) {
    if (only || !series::is_block_type(cell_type(value))) {
        // One cell, the value itself: copied out before the target changes.
        if (part == 0 || dup <= 0) return series;
        Cell one = *value;
        return insert_cells(series, value, &one, 1, dup, append);
    }
    SourceCells cells(value, only);
    auto available = static_cast<int32_t>(cells.size());
    if (part < 0 || part > available) part = available;
    if (part == 0 || dup <= 0) return series;
    return insert_cells(series, value, cells.data(), static_cast<size_t>(part), dup, append);
}

} // namespace

Cell* append(Cell* series, const Cell* value, int32_t part, bool only, int32_t dup, bool append) {
    if (append && part != 0 && dup == 1 && (only || !series::is_block_type(cell_type(value))) &&
        append_one_directly(series, value))
        return series;
    return add_value(series, value, part, only, dup, append);
}

Cell* change(Cell* series, const Cell* value, int32_t part, bool only, int32_t dup, bool) {
    int32_t h = clamp_head(series);
    Cell block = *series;
    int32_t total = series::total_length(&block);
    int32_t available = total - h;
    SourceCells cells(value, only);
    auto k = static_cast<int32_t>(cells.size());
    if (dup < 0) dup = 0;
    int64_t inserted = checked_product(k, dup);
    int64_t wanted = part >= 0 ? part : inserted;
    int64_t replaced = std::min<int64_t>(wanted, available);
    Cell involved = *value;
    bool owned = series::notify(&block, "change", &involved, h, static_cast<int32_t>(replaced));
    if (owned) {
        // The owner's handler may have changed the block: change what is
        // there now.
        total = series::total_length(&block);
        h = std::min(h, total);
        replaced = std::min<int64_t>(wanted, total - h);
    }
    int64_t new_total = int64_t{total} + inserted - replaced;
    if (new_total > INT32_MAX) no_memory();
    if (inserted > replaced) room_for(&block, static_cast<uint64_t>(inserted - replaced), false);
    SeriesBuffer* b = node_buffer(block.data2);
    Cell* first = cells_of(&block);
    if (inserted != replaced) {
        std::memmove(first + h + inserted, first + h + replaced,
                     static_cast<size_t>(total - h - replaced) * sizeof(Cell));
        b->tail = b->head + static_cast<uint32_t>(new_total) * sizeof(Cell);
    }
    if (k > 0 && dup > 0) write_cells(&block, h, cells.data(), cells.size(), dup);
    if (Ref table = table_of(&block)) hash::rebuild(table, static_cast<uint32_t>(new_total));
    if (owned) series::notify(&block, "changed", &involved, h, static_cast<int32_t>(inserted));
    series->data1 = static_cast<uint32_t>(std::min<int64_t>(h + inserted, new_total));
    return series;
}

Cell* take(Cell* series, Cell* part, bool deep, bool last) {
    Cell* top = stack::arguments.top;
    bool with_part = series::is_given(part);
    Cell* taken = series::take(series, part, deep, last);
    if (taken == series) return series; // nothing to take: none
    Cell result = *taken;
    if (deep) {
        for (int32_t i = 0; i < series::total_length(&result); ++i)
            if (detail::is_series_type(cell_type(cells_of(&result) + i)))
                detail::copy_in_place(&result, i, true);
    }
    if (!with_part && series::total_length(&result) == 1) result = cells_of(&result)[0];
    stack::arguments.top = top;
    *series = result;
    return series;
}

Cell* swap(Cell* series, Cell* other) {
    if (!series::is_block_type(cell_type(other))) {
        Cell copy = *other;
        error::fire(error::Category::script, "invalid-arg", &copy);
    }
    Cell first = *series;
    Cell second = *other;
    if (series::is_at_tail(&first) || series::is_at_tail(&second) ||
        value::series_head(&first) < 0 || value::series_head(&second) < 0)
        return series;
    int32_t a = value::series_head(&first);
    int32_t b = value::series_head(&second);
    Cell x = cells_of(&first)[a];
    Cell y = cells_of(&second)[b];
    bool first_owned = series::notify(&first, "swap", &y, a, 1);
    bool second_owned = series::notify(&second, "swap", &x, b, 1);
    // An owner's handler may have shrunk either block: with nothing left at
    // a position there is nothing to swap.
    if ((first_owned || second_owned) &&
        (a >= series::total_length(&first) || b >= series::total_length(&second))) {
        if (first_owned) series::notify(&first, "swaped", &y, a, 1);
        if (second_owned) series::notify(&second, "swaped", &x, b, 1);
        return series;
    }
    Ref ta = table_of(&first);
    Ref tb = table_of(&second);
    if (ta) hash::remove_index(ta, a);
    if (tb) hash::remove_index(tb, b);
    x = cells_of(&first)[a];
    y = cells_of(&second)[b];
    cells_of(&first)[a] = y;
    cells_of(&second)[b] = x;
    if (ta) hash::put(ta, cells_of(&first) + a, nullptr);
    if (tb) hash::put(tb, cells_of(&second) + b, nullptr);
    if (first_owned) series::notify(&first, "swaped", &y, a, 1);
    if (second_owned) series::notify(&second, "swaped", &x, b, 1);
    return series;
}

Cell* trim(Cell* series, bool, bool, bool, bool, bool, const Cell*) {
    int32_t h = clamp_head(series);
    Cell block = *series;
    bool owned = series::notify(&block, "trim", nullptr, h, 0);
    int32_t total = series::total_length(&block);
    h = std::min(h, total); // the owner's handler may have shrunk the block
    Cell* first = cells_of(&block);
    int32_t kept = h;
    for (int32_t i = h; i < total; ++i)
        if (cell_type(first + i) != type_id::none) first[kept++] = first[i];
    SeriesBuffer* b = node_buffer(block.data2);
    b->tail = b->head + static_cast<uint32_t>(kept) * sizeof(Cell);
    if (Ref table = table_of(&block)) {
        if (kept != total) hash::rebuild(table, static_cast<uint32_t>(kept));
    }
    if (owned) series::notify(&block, "trimmed", nullptr, h, 0);
    return series;
}

} // namespace zep::block
