// block!/find, block!/select and block!/put.
#include <algorithm>

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

enum class Mode { single, type, typeset, sequence };

// One search, with every refinement resolved.
struct Search {
    Mode mode = Mode::single;
    Cell value{};
    int code = compare_code::find;
    int64_t step = 1;
    int64_t limit = -1; // the limit cell of /part, -1 without
    bool last = false;
    bool reverse = false;
    bool match = false;
    int32_t pattern = 1; // cells a match covers
};

bool matches_at(const Cell* block, const Search& s, int64_t at, int64_t end) {
    const Cell* cell = cells_of(block) + at;
    switch (s.mode) {
    case Mode::type:
        return cell_type(cell) == s.value.data1;
    case Mode::typeset:
        return detail::names_type(&s.value, cell_type(cell));
    case Mode::single: {
        Cell copy = *cell;
        return actions::compare_values(&copy, &s.value, s.code) == 0;
    }
    case Mode::sequence: {
        if (at + s.pattern > end) return false;
        int32_t from = series::clamped_head(&s.value);
        for (int32_t k = 0; k < s.pattern; ++k) {
            Cell x = cells_of(block)[at + k];
            Cell y = cells_of(&s.value)[from + k];
            if (actions::compare_values(&x, &y, s.code) != 0) return false;
        }
        return true;
    }
    }
    return false;
}

// The candidate of the first match, or -1.
int64_t search(const Cell* block, const Search& s) {
    int64_t total = series::total_length(block);
    int64_t h = std::clamp<int64_t>(value::series_head(block), 0, total);
    bool backward = s.last || s.reverse;
    if (!backward) {
        int64_t end = s.limit >= 0 ? s.limit + 1 : total;
        Ref table = detail::table_of(block);
        if (table && s.mode == Mode::single && !s.match &&
            (cell_type(&s.value) != type_id::object || s.code == compare_code::same)) {
            const Cell* found = hash::get(table, &s.value, static_cast<int32_t>(h),
                                          static_cast<int32_t>(s.step), s.code, false, false);
            if (!found) return -1;
            int64_t at = found - cells_of(block);
            return at < end ? at : -1;
        }
        for (int64_t at = h; at < end; at += s.step) {
            if (matches_at(block, s, at, end)) return at;
            if (s.match) break;
        }
        return -1;
    }
    int64_t span = s.mode == Mode::sequence ? s.pattern : 1;
    int64_t start;
    if (s.limit >= 0)
        start = s.limit;
    else
        start = s.last ? total - span : h - span;
    for (int64_t at = start; at >= 0; at -= s.step) {
        if (matches_at(block, s, at, total)) return at;
        if (s.match) break;
    }
    return -1;
}

// Resolves the refinements; false when the search can find nothing.
bool prepare(Cell* series, const Cell* value, const Cell* part, bool only, bool case_, bool same,
             const Cell* skip, bool last, bool reverse, bool match, Search& s) {
    s.value = *value;
    s.last = last;
    s.reverse = reverse;
    s.match = match;
    s.code = same ? compare_code::same : (case_ ? compare_code::strict_equal : compare_code::find);
    int64_t total = series::total_length(series);
    int64_t h = value::series_head(series);
    if (series::is_given(skip)) {
        if (cell_type(skip) != type_id::integer) series::fire_refine("skip", skip);
        if (value::integer_of(skip) < 1) {
            Cell copy = *skip;
            error::fire(error::Category::script, "out-of-range", &copy);
        }
        s.step = value::integer_of(skip);
    }
    if (total == 0 || (!last && !reverse && h >= total)) return false;
    if (series::is_given(part)) {
        if (cell_type(part) == type_id::integer) {
            if (value::integer_of(part) <= 0) return false;
            s.limit = std::max<int64_t>(h, 0) + value::integer_of(part) - 1;
        } else if (cell_type(part) == cell_type(series) && part->data2 == series->data2) {
            s.limit = value::series_head(part);
        } else {
            series::fire_refine("part", part);
        }
        s.limit = std::clamp<int64_t>(s.limit, 0, total - 1);
    }
    uint8_t type = cell_type(value);
    if (!only && type == type_id::datatype) {
        s.mode = Mode::type;
    } else if (!only && type == type_id::typeset) {
        s.mode = Mode::typeset;
    } else if (!only && series::is_block_type(type)) {
        s.mode = Mode::sequence;
        int32_t n = series::total_length(value) - series::clamped_head(value);
        s.pattern = n < 0 ? 0 : n;
    }
    return true;
}

Cell* push_none() {
    Cell* out = stack::push_slot();
    value::set_none(out);
    return out;
}

} // namespace

Cell* find(Cell* series, Cell* value, Cell* part, bool only, bool case_, bool same, bool, Cell*,
           Cell* skip, bool last, bool reverse, bool tail, bool match) {
    Search s;
    if (!prepare(series, value, part, only, case_, same, skip, last, reverse, match, s))
        return push_none();
    int64_t at = search(series, s);
    if (at < 0) return push_none();
    if (tail) {
        if (s.mode == Mode::sequence)
            at += s.pattern;
        else
            at += (last || reverse) ? 1 : s.step;
        at = std::min<int64_t>(at, series::total_length(series));
    }
    Cell* out = stack::push(series);
    out->data1 = static_cast<uint32_t>(at);
    return out;
}

Cell* select(Cell* series, Cell* value, Cell* part, bool only, bool case_, bool same, bool, Cell*,
             Cell* skip, bool last, bool reverse) {
    Search s;
    if (!prepare(series, value, part, only, case_, same, skip, last, reverse, false, s))
        return push_none();
    int64_t at = search(series, s);
    if (at < 0) return push_none();
    uint8_t type = cell_type(value);
    bool spread = !only && (series::is_block_type(type) && type != type_id::hash);
    at += spread ? s.pattern : 1;
    if (at >= series::total_length(series)) return push_none();
    return stack::push(cells_of(series) + at);
}

Cell* put(Cell* series, Cell* key, Cell* value, bool case_) {
    Cell block = *series;
    Cell wanted = *key;
    Cell stored = *value;
    auto find_key = [&]() -> int64_t {
        Search s;
        if (!prepare(&block, &wanted, nullptr, false, case_, false, nullptr, false, false, false,
                     s))
            return -1;
        return search(&block, s);
    };
    int64_t at = find_key();
    bool owned = series::notify(&block, "put", &stored,
                                at < 0 ? length(&block) : static_cast<int32_t>(at + 1), 1);
    // The owner's handler may have changed the block: the key is looked for
    // again.
    if (owned) at = find_key();
    Ref table = detail::table_of(&block);
    if (at < 0) {
        append_value(&block, &wanted);
        append_value(&block, &stored);
        if (owned) series::notify(&block, "put-ed", &stored, length(&block), 1);
        *series = stored;
        return series;
    }
    int32_t index = static_cast<int32_t>(at + 1);
    if (index == series::total_length(&block)) {
        Cell none;
        value::set_none(&none);
        append_value(&block, &none);
    }
    // Stored unless the cell holds the very same value: a value that
    // differs only in letter case is stored.
    Cell current = cells_of(&block)[index];
    if (actions::compare_values(&current, &stored, compare_code::strict_equal) != 0) {
        if (table) hash::remove_index(table, index);
        cells_of(&block)[index] = stored;
        if (table) hash::put(table, cells_of(&block) + index, nullptr);
    }
    if (owned) series::notify(&block, "put-ed", &stored, index, 1);
    *series = stored;
    return series;
}

} // namespace zep::block
