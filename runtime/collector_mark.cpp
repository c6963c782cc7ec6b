// Marking: from the roots, through every cell by its type, with an explicit
// stack of blocks whose cells wait to be marked.
#include <cstdio>
#include <cstdlib>
#include <vector>

#include "runtime/collector.h"
#include "runtime/collector_internal.h"
#include "runtime/gc_roots.h"
#include "runtime/handles.h"
#include "runtime/hashtable.h"
#include "runtime/memory.h"
#include "runtime/ownership.h"
#include "runtime/root_block.h"
#include "runtime/slots.h"

namespace zep::gc {

void (*image_collect_release)(Cell* image) = nullptr;

namespace detail {
bool nodes_moved = false;
}

namespace {

// Blocks whose buffers are marked and whose cells are still to be marked.
std::vector<Ref> pending;
bool draining = false;

// An op! whose header byte 2 names the type it wraps.
constexpr uint32_t op_wrapped_shift = 16;
// An event! made by `make` holds a block.
constexpr uint32_t event_made_flag = 0x1000;

void mark_series_field(Ref* field) {
    mark_node(field);
}
void mark_block_field(Ref* field) {
    mark_block(field);
}

const hash::Marker marker{mark_series_field, mark_block_field, mark_cells};

void mark_cell(Cell* c) {
    switch (cell_type(c)) {
    case type_id::block:
    case type_id::paren:
    case type_id::path:
    case type_id::lit_path:
    case type_id::set_path:
    case type_id::get_path:
        mark_block(&c->data2);
        break;
    case type_id::string:
    case type_id::file:
    case type_id::url:
    case type_id::tag:
    case type_id::email:
    case type_id::ref:
        mark_node(&c->data2);
        mark_node(&c->data3); // the cached conversion buffer, when set
        break;
    case type_id::symbol:
        mark_node(&c->data3);
        mark_node(&c->data2);
        break;
    case type_id::context:
        mark_table(&c->data1);
        if (!(c->header & cell_flag_values_on_stack)) mark_block(&c->data2);
        break;
    case type_id::word:
    case type_id::set_word:
    case type_id::lit_word:
    case type_id::get_word:
    case type_id::refinement:
        // A `self` word names the context record as a block: marking the
        // record's cells marks the same things as marking the context.
        mark_context(&c->data1);
        break;
    case type_id::native:
    case type_id::action:
    case type_id::op: {
        mark_block(&c->data2);
        mark_block(&c->data3);
        uint32_t wrapped = (c->header >> op_wrapped_shift) & 0xFF;
        if (cell_type(c) == type_id::op &&
            (wrapped == type_id::function || wrapped == type_id::routine))
            mark_context(&c->data1);
        break;
    }
    case type_id::function:
    case type_id::routine:
        mark_context(&c->data1);
        mark_block(&c->data2);
        mark_block(&c->data3);
        break;
    case type_id::bitset:
    case type_id::vector:
    case type_id::binary:
        mark_node(&c->data2);
        break;
    case type_id::object:
    case type_id::error:
    case type_id::port:
        mark_context(&c->data1);
        mark_block(&c->data3); // the change-handler record, when set
        break;
    case type_id::hash:
    case type_id::map:
        mark_block(&c->data2);
        mark_table(&c->data3);
        break;
    case type_id::handle: {
        auto index = static_cast<int32_t>(c->data3);
        if (index >= 0) handles::mark(index, nullptr);
        break;
    }
    case type_id::image:
        if (c->data2) {
            mark_node(&c->data2);
            if (image_collect_release) image_collect_release(c);
        }
        break;
    case type_id::event:
        if (c->header & event_made_flag) mark_block(&c->data2);
        break;
    default:
        break;
    }
}

#ifdef ZEP_GC_TORTURE
// A node reached from a root must name a buffer that names it back: anything
// else is a value whose series died while C++ code held it unrooted.
void check_node(Ref node) {
    Ref content = *arena::at<Ref>(node);
    bool valid = content != 0 && (content & 3) == 0 && memory::node_frame_of(node) != 0 &&
                 !memory::node_frame_of(content) && buffer_at(content)->node == node;
    if (!valid) {
        std::fprintf(stderr, "collection %u reached node %u, which names no live series\n",
                     memory::collections_done, node);
        std::abort();
    }
}
#endif

void mark_node_root(Ref* field) {
    mark_block(field);
}

void mark_registered_roots() {
    for (const RootEntry* e = gc::detail::roots_begin(); e < gc::detail::roots_end(); ++e) {
        switch (e->kind) {
        case RootKind::cells: {
            auto* first = static_cast<Cell*>(e->slot);
            mark_cells(first, first + e->count);
            break;
        }
        case RootKind::node:
            mark_node_root(static_cast<Ref*>(e->slot));
            break;
        case RootKind::table:
            mark_table(static_cast<Ref*>(e->slot));
            break;
        case RootKind::interior:
            gc::detail::record_interior(e->slot);
            break;
        }
        gc::detail::drain();
    }
}

} // namespace

bool mark_node(Ref* field) {
    Ref node = *field;
    if (node == 0) return false;
    Ref to = detail::moved_to(node);
    if (to != node) *field = node = to;
#ifdef ZEP_GC_TORTURE
    check_node(node);
#endif
    SeriesBuffer* b = node_buffer(node);
    if (b->flags & series_flag::mark) return false;
    b->flags |= series_flag::mark;
    return true;
}

void unmark_node(Ref node) {
    if (node) node_buffer(node)->flags &= ~series_flag::mark;
}

void mark_block(Ref* field) {
    if (!mark_node(field)) return;
    if (buffer_unit(node_buffer(*field)) != sizeof(Cell)) return;
    pending.push_back(*field);
    detail::drain();
}

void mark_block_cell(Cell* cell) {
    mark_block(&cell->data2);
}

void mark_context(Ref* field) {
    mark_block(field);
}

void mark_table(Ref* field) {
    hash::mark(field, marker);
}

void mark_cells(Cell* first, Cell* last) {
    for (Cell* c = first; c < last; ++c) mark_cell(c);
    detail::drain();
}

namespace detail {

void drain() {
    if (draining) return;
    draining = true;
    while (!pending.empty()) {
        Ref node = pending.back();
        pending.pop_back();
        SeriesBuffer* b = node_buffer(node);
        auto* cell = reinterpret_cast<Cell*>(buffer_head(b));
        uint32_t count = (b->tail - b->head) / sizeof(Cell);
        for (uint32_t i = 0; i < count; ++i) mark_cell(cell + i);
    }
    draining = false;
}

void mark_roots() {
    // The modules' roots first: the stacks' callback marks the stacks'
    // blocks as nodes only, before the root block, which holds them, is
    // reached.
    run_mark_callbacks();
    mark_block(&roots::block);
    if (Ref* owners = ownership::table_field(); owners && *owners) mark_table(owners);
    mark_block(&slots::registry);
    mark_registered_roots();
    drain();
}

void mark_owner_survivors() {
    Ref* owners = ownership::table_field();
    if (!owners || *owners == 0) return;
    hash::mark_records(*owners, marker);
    drain();
}

} // namespace detail

} // namespace zep::gc
