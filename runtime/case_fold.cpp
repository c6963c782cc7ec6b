#include "runtime/case_fold.h"

#include "runtime/heap.h"
#include "runtime/unicode/case_tables.h"

namespace zep::case_ {

namespace detail {
uint32_t* upper_table = nullptr;
uint32_t* lower_table = nullptr;
} // namespace detail

namespace {

constexpr uint32_t bmp_entries = 0x10000;

uint32_t* build_table(const uint32_t* pairs, uint32_t count) {
    auto* table = static_cast<uint32_t*>(heap::alloc_zeroed(bmp_entries * sizeof(uint32_t)));
    for (uint32_t i = 0; i < count; ++i) table[pairs[2 * i]] = pairs[2 * i + 1];
    return table;
}

} // namespace

void init_tables() {
    // Running start-up again (tests do) replaces the tables.
    heap::free(detail::upper_table);
    heap::free(detail::lower_table);
    detail::upper_table = build_table(tables::to_upper_bmp, tables::upper_bmp_pairs);
    detail::lower_table = build_table(tables::to_lower_bmp, tables::lower_bmp_pairs);
}

uint32_t detail::fold_supplementary(uint32_t cp, int direction) {
    const uint32_t* pairs =
        direction == to_upper ? tables::to_upper_supplementary : tables::to_lower_supplementary;
    constexpr uint32_t n = tables::supplementary_pairs;
    if (cp < pairs[0] || cp > pairs[2 * (n - 1)]) return cp;
    for (uint32_t i = 0; i < n; ++i) {
        uint32_t key = pairs[2 * i];
        if (key > cp) break;
        if (key == cp) return pairs[2 * i + 1];
    }
    return cp;
}

} // namespace zep::case_
