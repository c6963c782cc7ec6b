// map! comparison: equality by content (each live pair of one map found in
// the other), and a sort order by content that does not depend on where the
// maps live in memory.
#include "datatypes/map.h"
#include "datatypes/map_internal.h"
#include "datatypes/registry.h"
#include "evaluator/compiled_support.h"

namespace zep::map {

using namespace detail;

namespace {

int sign(int64_t n) {
    return n < 0 ? -1 : n > 0 ? 1 : 0;
}

// Some case-insensitive match of the key in the map holds an equal value.
bool has_equal_pair(const Cell* map, const Cell* key, const Cell* value) {
    Ref table = table_of(map);
    int32_t cursor = -1;
    int32_t step = 0;
    while (const Cell* found = hash::find_from(table, key, &cursor, &step)) {
        int32_t index = static_cast<int32_t>(found - cells_of(map));
        if (is_removed(map, index)) continue;
        Cell stored = cells_of(map)[index + 1];
        if (actions::compare_values(&stored, value, compare_code::equal) == 0) return true;
    }
    return false;
}

int compare_cells(const Cell* a, const Cell* b, int code) {
    if (cell_type(a) != cell_type(b)) return sign(int64_t{cell_type(a)} - cell_type(b));
    int result = actions::compare_values(a, b, code);
    return result == compare_code::not_comparable ? 0 : result;
}

// Sort order: by live count, then pair by pair in insertion order.
int sort_order(const Cell* a, const Cell* b, int code) {
    int by_count = sign(int64_t{count(a)} - count(b));
    if (by_count != 0) return by_count;
    int32_t i = 0, j = 0;
    for (;;) {
        while (i + 1 < total_cells(a) && is_removed(a, i)) i += 2;
        while (j + 1 < total_cells(b) && is_removed(b, j)) j += 2;
        if (i + 1 >= total_cells(a) || j + 1 >= total_cells(b)) return 0;
        Cell ka = cells_of(a)[i], kb = cells_of(b)[j];
        int result = compare_cells(&ka, &kb, code);
        if (result != 0) return result;
        Cell va = cells_of(a)[i + 1], vb = cells_of(b)[j + 1];
        result = compare_cells(&va, &vb, code);
        if (result != 0) return result;
        i += 2;
        j += 2;
    }
}

int equality(const Cell* a, const Cell* b, int code) {
    if (a->data2 == b->data2 && a->data1 == b->data1) return 0;
    if (code == compare_code::same) return -1;
    if (cycles::find(a->data2)) return cycles::find(b->data2) ? 0 : -1;
    int32_t na = count(a), nb = count(b);
    if (na != nb) {
        bool plain = code <= compare_code::strict_equal || code == compare_code::find;
        return plain ? 1 : sign(int64_t{na} - nb);
    }
    if (na == 0) return 0;
    cycles::push(a->data2);
    int result = 0;
    for (int32_t i = 0; i + 1 < total_cells(a) && result == 0; i += 2) {
        if (is_removed(a, i)) continue;
        Cell key = cells_of(a)[i];
        Cell value = cells_of(a)[i + 1];
        if (code == compare_code::strict_equal) {
            int32_t index = lookup(b, &key, case_sensitive);
            if (index < 0 || is_removed(b, index)) {
                result = 1;
                break;
            }
            Cell other = cells_of(b)[index + 1];
            if (actions::compare_values(&value, &other, compare_code::strict_equal) != 0)
                result = 1;
        } else if (!has_equal_pair(b, &key, &value)) {
            result = 1;
        }
    }
    cycles::pop();
    return result;
}

} // namespace

int compare(const Cell* a, const Cell* b, int code) {
    if (cell_type(b) != type_id::map) return compare_code::not_comparable;
    switch (code) {
    case compare_code::sort:
    case compare_code::case_sort:
        return sort_order(a, b, code);
    case compare_code::lesser:
    case compare_code::lesser_or_equal:
    case compare_code::greater:
    case compare_code::greater_or_equal:
        return compare_code::not_comparable;
    default:
        return equality(a, b, code);
    }
}

} // namespace zep::map
