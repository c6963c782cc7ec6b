// block!/compare: blocks compared cell by cell under a comparison code.
#include "datatypes/block.h"
#include "datatypes/block_internal.h"
#include "datatypes/registry.h"
#include "datatypes/series.h"
#include "datatypes/word.h"
#include "evaluator/compiled_support.h"

namespace zep::block {

namespace {

int order(int64_t a, int64_t b) {
    return a < b ? -1 : (a > b ? 1 : 0);
}

bool is_equality_code(int code) {
    switch (code) {
    case compare_code::equal:
    case compare_code::not_equal:
    case compare_code::strict_equal:
    case compare_code::word_equal:
    case compare_code::word_not_equal:
    case compare_code::find:
        return true;
    default:
        return false;
    }
}

bool is_number_type(uint8_t type) {
    return type == type_id::integer || type == type_id::float_ || type == type_id::percent;
}

// Cells from the head, a head past the tail counting as none.
int32_t length_from_head(const Cell* block) {
    int32_t n = series::total_length(block) - series::clamped_head(block);
    return n < 0 ? 0 : n;
}

} // namespace

int compare(const Cell* a, const Cell* b, int code) {
    uint8_t ta = cell_type(a);
    uint8_t tb = cell_type(b);
    if (ta != tb) {
        bool paths = (ta == type_id::path && tb == type_id::lit_path) ||
                     (ta == type_id::lit_path && tb == type_id::path);
        if (!paths || (code != compare_code::word_equal && code != compare_code::word_not_equal))
            return compare_code::not_comparable;
    }
    return compare_blocks(a, b, code);
}

int compare_blocks(const Cell* a, const Cell* b, int code) {
    Cell first = *a;
    Cell second = *b;
    if (first.data2 == second.data2 && first.data1 == second.data1) return 0;
    if (code == compare_code::same) return -1;
    if (cycles::find(first.data2)) return cycles::find(second.data2) ? 0 : -1;
    int32_t la = length_from_head(&first);
    int32_t lb = length_from_head(&second);
    if (la != lb && is_equality_code(code)) return 1;
    if (la == 0 || lb == 0) return order(la, lb);
    int32_t ha = series::clamped_head(&first);
    int32_t hb = series::clamped_head(&second);
    cycles::push(first.data2);
    cycles::push_partner(second.data2);
    int result = 0;
    for (int32_t i = 0; i < la && i < lb && result == 0; ++i) {
        // Read again each time: a nested comparison may allocate.
        Cell x = detail::cells_of(&first)[ha + i];
        Cell y = detail::cells_of(&second)[hb + i];
        uint8_t tx = cell_type(&x);
        uint8_t ty = cell_type(&y);
        if (tx != ty && !(word::is_any_word_type(tx) && word::is_any_word_type(ty)) &&
            !(is_number_type(tx) && is_number_type(ty)))
            result = order(tx, ty);
        else
            result = actions::compare_values(&x, &y, code);
    }
    cycles::drop(2);
    return result != 0 ? result : order(la, lb);
}

} // namespace zep::block
