#include "runtime/case_fold.h"

#include "runtime/unicode/case_tables.h"

namespace zep::case_ {

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
