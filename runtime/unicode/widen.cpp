#include "runtime/unicode/widen.h"

#include "runtime/raise.h"
#include "runtime/unicode/units.h"

namespace zep::unicode {

namespace {

SeriesBuffer* widen(SeriesBuffer* b, uint32_t from, uint32_t to) {
    if (buffer_unit(b) != from) unit_fault();
    uint32_t count = (b->tail - b->head) / from;
    // Room for every unit in the new width and one more.
    uint64_t needed = (static_cast<uint64_t>(count) + 1) * to;
    if (needed > UINT32_MAX) error::fire_named(error::Category::internal, "no-memory");
    if (static_cast<uint64_t>(buffer_end(b) - buffer_head(b)) < needed) {
        // Grown for the new width, whose units the limits are counted in.
        b = series::expand(b, needed, to);
    }
    // Back to front, so that no unit is overwritten before it is read.
    unsigned char* head = buffer_head(b);
    for (uint32_t i = count; i-- > 0;) {
        write_unit(head + static_cast<uint64_t>(i) * to, to,
                   read_unit(head + static_cast<uint64_t>(i) * from, from));
    }
    b->tail = b->head + count * to;
    b->flags = (b->flags & ~series_flag::unit_mask) | to;
    return b;
}

} // namespace

SeriesBuffer* widen_1_to_2(SeriesBuffer* buffer) {
    return widen(buffer, 1, 2);
}
SeriesBuffer* widen_1_to_4(SeriesBuffer* buffer) {
    return widen(buffer, 1, 4);
}
SeriesBuffer* widen_2_to_4(SeriesBuffer* buffer) {
    return widen(buffer, 2, 4);
}

SeriesBuffer* widen_to_wider(SeriesBuffer* buffer, uint32_t unit) {
    return widen(buffer, buffer_unit(buffer), unit);
}

} // namespace zep::unicode
