// Marking: from the roots, through every cell by its type, with an explicit
// stack of blocks whose cells wait to be marked.
#include <cstdio>
#include <cstdlib>
#include <vector>

#include "datatypes/context.h"
#include "datatypes/registry.h"
#include "datatypes/symbol.h"
#include "evaluator/call.h"
#include "evaluator/interp.h"
#include "evaluator/runtime_words.h"
#include "evaluator/stack.h"
#include "runtime/collector.h"
#include "runtime/collector_internal.h"
#include "runtime/gc_roots.h"
#include "runtime/handles.h"
#include "runtime/hashtable.h"
#include "runtime/memory.h"
#include "runtime/ownership.h"
#include "runtime/root_block.h"
#include "runtime/slots.h"
#include "services/lexer.h"

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

void mark_table(Ref* field) {
    hash::mark(field, marker);
}

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
        if (!(c->header & context::flag::values_on_stack)) mark_block(&c->data2);
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

void mark_one_cell(Cell* c) {
    mark_cell(c);
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

template <size_t N> void mark_cell_array(Cell (&cells)[N]) {
    mark_cells(cells, cells + N);
}

// Cells kept outside any series by the runtime's own tables.
void mark_runtime_cells() {
    mark_cell_array(words::globals);
    mark_cell_array(words::symbol_words);
    mark_cell_array(words::refinements);
    mark_cells(&words::internal_ooo, &words::internal_ooo + 1);
    // The value of a return or break on its way to its receiver (once it
    // arrived, the cell is stale and no longer looked at).
    if (interp::is_exit_pending()) mark_cells(&interp::pending_value, &interp::pending_value + 1);
    // The interpreter's held cells, up to the held stack's top.
    interp::HeldCells held = interp::held_cells();
    if (held.begin) mark_cells(held.begin, held.top);
    for (TypeRow& row : datatype::type_table) mark_cells(&row.word, &row.word + 1);
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
    // The stack blocks first, as nodes only: their cells are marked below
    // up to the top, never past it.
    mark_node(&stack::argument_block);
    mark_node(&stack::frame_block);
    mark_block(&roots::block);
    mark_table(&symbol::table);
    if (Ref* owners = ownership::table_field(); owners && *owners) mark_table(owners);
    if (stack::arguments.begin) mark_cells(stack::arguments.begin, stack::arguments.top);
    if (stack::frames.begin) stack::mark_gc(mark_block_field, mark_context);
    mark_context(&context::global);
    mark_block(&slots::registry);
    mark_runtime_cells();
    lexer::mark_active(mark_one_cell);
    run_mark_callbacks();
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
