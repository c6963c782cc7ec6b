// Node frames: each holds a fixed number of 4-byte nodes, free ones chained
// through their contents, used ones holding the Ref of their buffer.
#include <algorithm>
#include <cstdint>

#include "runtime/heap.h"
#include "runtime/memory.h"
#include "runtime/memory_internal.h"

namespace zep::memory {

uint32_t collections_done = 0;
uint32_t buffer_moves = 0;

namespace {

bool frame_holds(Ref frame, Ref node) {
    Ref first = first_node(frame);
    uint64_t end = first + uint64_t{node_frame_at(frame)->capacity} * 4;
    return node >= first && node < end && (node - first) % 4 == 0;
}

Ref* release_queue = nullptr;
uint32_t release_queue_count = 0;

Ref* node_slot(Ref node) {
    return arena::at<Ref>(node);
}

bool has_free_node(const NodeFrame* frame) {
    return frame->free_head != 0;
}

void unlink_node_frame(Ref frame) {
    NodeFrame* f = node_frame_at(frame);
    if (f->prev)
        node_frame_at(f->prev)->next = f->next;
    else
        record.first_node_frame = f->next;
    if (f->next)
        node_frame_at(f->next)->prev = f->prev;
    else
        record.last_node_frame = f->prev;
    if (record.current_node_frame == frame) record.current_node_frame = record.last_node_frame;
}

} // namespace

void chain_free_nodes(NodeFrame* frame) {
    // Locals and a plain loop: the slots may alias the frame's fields, and
    // the loop vectorises once the capacity is read only once (start-up
    // chains the first frame's 10,000 nodes).
    Ref first = first_node(arena::ref(frame));
    uint32_t capacity = frame->capacity;
    Ref* slots = node_slot(first);
    for (uint32_t i = 0; i + 1 < capacity; ++i) slots[i] = first + 4 * (i + 1);
    if (capacity) slots[capacity - 1] = 0;
    frame->free_head = capacity ? first : 0;
}

Ref alloc_node_frame(uint32_t n) {
    Ref frame = alloc_virtual(uint64_t{n} * 4 + sizeof(NodeFrame));
    NodeFrame* f = node_frame_at(frame);
    *f = NodeFrame{};
    f->capacity = n;
    f->birth = collections_done;
    chain_free_nodes(f);
    f->prev = record.last_node_frame;
    if (record.last_node_frame)
        node_frame_at(record.last_node_frame)->next = frame;
    else
        record.first_node_frame = record.current_node_frame = frame;
    record.last_node_frame = frame;
    return frame;
}

void free_node_frame(Ref frame) {
    unlink_node_frame(frame);
    free_virtual(frame);
}

Ref take_node() {
    Ref frame = record.current_node_frame;
    if (frame == 0 || !has_free_node(node_frame_at(frame))) {
        frame = record.first_node_frame;
        while (frame) {
            NodeFrame* f = node_frame_at(frame);
            if (has_free_node(f) && f->release == 0) break;
            frame = f->next;
        }
        if (frame == 0) frame = alloc_node_frame(nodes_per_frame);
        record.current_node_frame = frame;
    }
    NodeFrame* f = node_frame_at(frame);
    Ref node = f->free_head;
    f->free_head = *node_slot(node);
    *node_slot(node) = 0;
    ++f->used;
    return node;
}

void release_node(Ref frame, Ref node) {
    NodeFrame* f = node_frame_at(frame);
    *node_slot(node) = f->free_head;
    f->free_head = node;
    --f->used;
}

void free_node_frames() {
    Ref current = 0;
    Ref frame = record.first_node_frame;
    while (frame) {
        NodeFrame* f = node_frame_at(frame);
        Ref next = f->next;
        if (f->used == 0 || f->release != 0) {
            free_node_frame(frame);
        } else {
            if (current == 0 && f->used < f->capacity) current = frame;
            bool stable = f->used == f->used_at_last_collection;
            f->stability_history = (f->stability_history << 1) | (stable ? 1u : 0u);
            f->used_at_last_collection = f->used;
        }
        frame = next;
    }
    if (current) record.current_node_frame = current;
}

Ref node_frame_of(Ref node) {
    for (Ref frame = record.first_node_frame; frame; frame = node_frame_at(frame)->next)
        if (frame_holds(frame, node)) return frame;
    return 0;
}

void queue_node_release(Ref node) {
    if (node == 0) return;
    if (!release_queue) detail::init_release_queue();
    if (release_queue_count == release_queue_capacity) release_queued_nodes();
    release_queue[release_queue_count++] = node;
}

void release_queued_nodes() {
    std::sort(release_queue, release_queue + release_queue_count);
    Ref frame = 0;
    for (uint32_t i = 0; i < release_queue_count; ++i) {
        Ref node = release_queue[i];
        // Sorted nodes of one frame come together: try the last frame first.
        if (frame == 0 || !frame_holds(frame, node)) frame = node_frame_of(node);
        if (frame) release_node(frame, node);
    }
    release_queue_count = 0;
}

uint32_t queued_node_count() {
    return release_queue_count;
}

void detail::init_release_queue() {
    if (!release_queue)
        release_queue = static_cast<Ref*>(heap::alloc(release_queue_capacity * sizeof(Ref)));
    release_queue_count = 0;
}

} // namespace zep::memory
