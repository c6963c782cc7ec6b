// The order of a collection, its switches and counters, and the mark- and
// remap-callback tables.
#include "runtime/collector.h"

#include <atomic>
#include <vector>

#include "runtime/collector_internal.h"
#include "runtime/gc_roots.h"
#include "runtime/gc_state.h"
#include "runtime/handles.h"
#include "runtime/hashtable.h"
#include "runtime/memory.h"
#include "runtime/ownership.h"
#include "runtime/root_block.h"

namespace zep::gc {

namespace {

uint32_t compactions_done = 0;
MarkCallback callbacks[mark_callback_capacity] = {};
uint32_t callback_cursor = 0;
RemapCallback remap_callbacks[remap_callback_capacity] = {};
uint32_t remap_cursor = 0;

// The collecting state is fenced on both sides.
void set_running(bool on) {
    std::atomic_thread_fence(std::memory_order_seq_cst);
    running = on;
    std::atomic_thread_fence(std::memory_order_seq_cst);
}

void collect_hook() {
    collect_if_enabled();
}

} // namespace

uint32_t collect() {
    if (running) return memory::collections_done;
    set_running(true);
    ++memory::buffer_moves;
#ifdef ZEP_GC_TORTURE
    detail::check_free_chains("before the collection");
#endif
    if (!compaction_held) detail::compact_node_frames();
    memory::record.interior_pointers_end = memory::record.interior_pointers;
    detail::mark_roots();
    if (detail::nodes_moved) detail::run_remap_callbacks();
    if (detail::nodes_moved && ownership::table())
        hash::remap_keys(ownership::table(), detail::moved_to);
    ownership::sweep();
    detail::mark_owner_survivors();
    handles::sweep();
    detail::sort_interiors();
    detail::compact_series_frames();
#ifdef ZEP_GC_TORTURE
    detail::evacuate_all();
#endif
    memory::sweep_big_series();
    memory::release_queued_nodes();
    memory::free_node_frames();
    detail::nodes_moved = false;
    detail::clear_static_marks();
    memory::record.interior_pointers_end = memory::record.interior_pointers;
#ifdef ZEP_GC_TORTURE
    detail::check_free_chains("after the collection");
#endif
    ++memory::collections_done;
    ++memory::buffer_moves;
    set_running(false);
    return memory::collections_done;
}

void collect_if_enabled() {
    if (memory::collector_enabled && !running) collect();
}

uint32_t recycle() {
    return collect();
}

bool is_active() {
    return running;
}

void init_stats() {
    memory::collections_done = 0;
    compactions_done = 0;
    for (MarkCallback& c : callbacks) c = nullptr;
    callback_cursor = 0;
    for (RemapCallback& c : remap_callbacks) c = nullptr;
    remap_cursor = 0;
}

void enable() {
    memory::start_collection = collect_hook;
    memory::collector_enabled = true;
}

uint32_t collections() {
    return memory::collections_done;
}

uint32_t node_compactions() {
    return compactions_done;
}

void add_mark_callback(MarkCallback callback) {
    for (uint32_t i = 0; i < callback_cursor; ++i)
        if (callbacks[i] == callback) return;
    if (callback_cursor < mark_callback_capacity) callbacks[callback_cursor++] = callback;
}

void remove_mark_callback(MarkCallback callback) {
    for (uint32_t i = 0; i < callback_cursor; ++i) {
        if (callbacks[i] == callback) {
            callbacks[i] = nullptr;
            return;
        }
    }
}

void add_remap_callback(RemapCallback callback) {
    for (uint32_t i = 0; i < remap_cursor; ++i)
        if (remap_callbacks[i] == callback) return;
    if (remap_cursor < remap_callback_capacity) remap_callbacks[remap_cursor++] = callback;
}

namespace detail {

void run_mark_callbacks() {
    for (uint32_t i = 0; i < callback_cursor; ++i) {
        if (callbacks[i]) callbacks[i]();
        drain();
    }
}

void run_remap_callbacks() {
    for (uint32_t i = 0; i < remap_cursor; ++i) remap_callbacks[i](moved_to);
}

void count_node_compaction() {
    ++compactions_done;
}

} // namespace detail

} // namespace zep::gc
