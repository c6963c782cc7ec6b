// Node-frame compaction: a node frame that is both sparse and stable is
// emptied into the others, so that it can be freed at the end of the
// collection. Each moved node leaves a forward to its new node, through
// which marking rewrites every field that still names the old one.
#include <cstdio>
#include <cstdlib>

#include "runtime/collector.h"
#include "runtime/collector_internal.h"
#include "runtime/memory.h"

namespace zep::gc::detail {

namespace {

constexpr uint32_t stable_bits = (1u << (history_depth + 1)) - 1;

bool holds_node(Ref frame, Ref address) {
    Ref first = memory::first_node(frame);
    uint64_t end = first + uint64_t{memory::node_frame_at(frame)->capacity} * 4;
    return address >= first && address < end;
}

// Moves every used node of the frame to a node of another frame.
void empty_frame(Ref frame) {
    NodeFrame* f = memory::node_frame_at(frame);
    f->release = 1; // take_node skips the frame from now on
    Ref first = memory::first_node(frame);
    for (uint32_t i = 0; i < f->capacity; ++i) {
        Ref node = first + 4 * i;
        Ref content = *arena::at<Ref>(node);
        // Free nodes chain to nodes of the same frame (or hold 0).
        if (content == 0 || holds_node(frame, content) || (content & forward_tag)) continue;
        Ref fresh = memory::take_node();
        *arena::at<Ref>(fresh) = content;
        buffer_at(content)->node = fresh;
        *arena::at<Ref>(node) = fresh | forward_tag;
        --memory::node_frame_at(frame)->used;
    }
}

} // namespace

void check_free_chains(const char* when) {
    for (Ref f = memory::record.first_node_frame; f; f = memory::node_frame_at(f)->next) {
        const NodeFrame* nf = memory::node_frame_at(f);
        uint32_t count = 0;
        for (Ref node = nf->free_head; node; node = *arena::at<Ref>(node)) {
            if (!holds_node(f, node) || ++count > nf->capacity) {
                std::fprintf(stderr, "node frame %u: free chain broken %s number %u\n", f, when,
                             memory::collections_done);
                std::abort();
            }
        }
    }
}

void compact_node_frames() {
    using memory::record;
    Ref current = 0;
    for (Ref f = record.first_node_frame; f; f = memory::node_frame_at(f)->next) {
        if (memory::node_frame_at(f)->free_head) {
            current = f;
            break;
        }
    }
    if (current == 0) return;
    record.current_node_frame = current;

    uint64_t free_nodes = 0;
    for (Ref f = record.first_node_frame; f; f = memory::node_frame_at(f)->next) {
        const NodeFrame* nf = memory::node_frame_at(f);
        if (nf->free_head && nf->release == 0) free_nodes += nf->capacity - nf->used;
    }

    bool emptied = false;
    for (Ref f = record.last_node_frame; f; f = memory::node_frame_at(f)->prev) {
        const NodeFrame* nf = memory::node_frame_at(f);
        bool stable = (nf->stability_history & stable_bits) == stable_bits;
        if (!stable || nf->used >= sparse_node_limit || free_nodes <= free_node_threshold ||
            f == record.current_node_frame || nf->release)
            continue;
        empty_frame(f);
        nodes_moved = true;
        emptied = true;
        free_nodes -= memory::nodes_per_frame;
    }
    if (emptied) count_node_compaction();
}

} // namespace zep::gc::detail
