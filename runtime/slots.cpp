#include "runtime/slots.h"

#include "runtime/memory.h"

namespace zep::slots {

Ref registry = 0;
int32_t free_head = -1;

void init() {
    registry = series::alloc_cells(first_capacity);
    SeriesBuffer* b = node_buffer(registry);
    auto* cells = reinterpret_cast<Cell*>(buffer_head(b));
    for (uint32_t i = 0; i < first_capacity; ++i) {
        int32_t next = i + 1 < first_capacity ? static_cast<int32_t>(i + 2) : -1;
        cells[i] = Cell{type_id::integer, 0, static_cast<uint32_t>(next), 0};
    }
    b->tail = b->head + first_capacity * sizeof(Cell);
    free_head = 1;
}

} // namespace zep::slots
