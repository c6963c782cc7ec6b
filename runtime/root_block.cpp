#include "runtime/root_block.h"

#include "runtime/gc_roots.h"
#include "runtime/memory.h"
#include "runtime/value_make.h"

namespace zep::roots {

Ref block = 0;

void init() {
    block = series::alloc_cells(first_capacity);
}

Cell* append(const Cell* value) {
    Cell copy = *value;   // the value may live in a buffer the append moves
    gc::Root keep(&copy); // and nothing may hold it while the block grows
    if (!block) init();
    Cell* cell = series::alloc_tail_cell(node_buffer(block));
    *cell = copy;
    return cell;
}

void hold(Ref node) {
    Cell held;
    value::set_series(&held, type_id::block, node);
    append(&held);
}

uint32_t length() {
    return block ? node_cell_count(block) : 0;
}

void forget() {
    block = 0;
}

} // namespace zep::roots
