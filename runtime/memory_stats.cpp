#include "runtime/memory_stats.h"

#include <cstring>

#include "runtime/heap.h"
#include "runtime/memory.h"

namespace zep::stats {

namespace {

// Holds the collector off for a scope.
class CollectorPause {
  public:
    CollectorPause() : saved_(memory::collector_enabled) { memory::collector_enabled = false; }
    ~CollectorPause() { memory::collector_enabled = saved_; }
    CollectorPause(const CollectorPause&) = delete;
    CollectorPause& operator=(const CollectorPause&) = delete;

  private:
    bool saved_;
};

Cell* append_cell(Ref block) {
    return series::alloc_tail_cell(node_buffer(block));
}

void append_block(Ref block, Ref child) {
    *append_cell(block) = Cell{type_id::block, 0, child, 0};
}

// Appends a number; the first of a row starts a new line.
void append_row_number(Ref block, double value, bool new_line) {
    append_number(block, value);
    if (new_line) {
        SeriesBuffer* b = node_buffer(block);
        arena::at<Cell>(b->tail - sizeof(Cell))->header |= cell_flag_new_line;
    }
}

uint32_t count_node_frames() {
    uint32_t n = 0;
    for (Ref f = memory::record.first_node_frame; f; f = memory::node_frame_at(f)->next) ++n;
    return n;
}

uint32_t count_series_frames() {
    uint32_t n = 0;
    for (Ref f = memory::record.first_series_frame; f; f = memory::series_frame_at(f)->next) ++n;
    return n;
}

uint32_t count_links(Ref first) {
    uint32_t n = 0;
    for (Ref b = first; b; b = arena::at<BigSeriesLink>(b)->next) ++n;
    return n;
}

double memory_in_use() {
    double total = 0;
    for (Ref f = memory::record.first_node_frame; f; f = memory::node_frame_at(f)->next)
        total += 4.0 * memory::node_frame_at(f)->used;
    for (Ref f = memory::record.first_series_frame; f; f = memory::series_frame_at(f)->next)
        total += memory::series_frame_at(f)->heap - memory::frame_data(f);
    for (Ref b = memory::record.big_series; b; b = arena::at<BigSeriesLink>(b)->next)
        total += arena::at<BigSeriesLink>(b)->block_size;
    return total;
}

// Static buffers count as the tracked-heap blocks they stand in for.
double static_buffer_bytes() {
    double total = 0;
    for (Ref b = memory::record.static_series; b; b = arena::at<BigSeriesLink>(b)->next)
        total += arena::at<BigSeriesLink>(b)->block_size + double{heap::accounted_header};
    return total;
}

double fill_info(Ref block) {
    // The three child blocks first, with room for every row, so that the
    // figures below already include them.
    Ref nodes = series::alloc_cells(3 * (count_node_frames() + 4));
    append_block(block, nodes);
    Ref frames = series::alloc_cells(3 * (count_series_frames() + 4));
    append_block(block, frames);
    Ref bigs = series::alloc_cells(count_links(memory::record.big_series) + 4);
    append_block(block, bigs);

    double total = 0;
    for (Ref f = memory::record.first_node_frame; f; f = memory::node_frame_at(f)->next) {
        const NodeFrame* nf = memory::node_frame_at(f);
        append_row_number(nodes, nf->capacity - nf->used, true);
        append_row_number(nodes, nf->used, false);
        append_row_number(nodes, nf->capacity, false);
        total += 4.0 * nf->capacity + sizeof(NodeFrame);
    }
    for (Ref f = memory::record.first_series_frame; f; f = memory::series_frame_at(f)->next) {
        const SeriesFrame* sf = memory::series_frame_at(f);
        Ref data = memory::frame_data(f);
        append_row_number(frames, sf->end - sf->heap, true);
        append_row_number(frames, sf->heap - data, false);
        append_row_number(frames, sf->end - data, false);
        total += (sf->end - data) + 40.0;
    }
    for (Ref b = memory::record.big_series; b; b = arena::at<BigSeriesLink>(b)->next) {
        uint32_t size = arena::at<BigSeriesLink>(b)->block_size;
        append_row_number(bigs, size, true);
        total += size + double{sizeof(BigSeriesLink)};
    }
    double tracked = static_cast<double>(heap::accounted_bytes()) + static_buffer_bytes();
    total += tracked;
    append_number(block, total);
    append_number(block, tracked);
    return total;
}

} // namespace

void append_number(Ref block, double value) {
    Cell* cell = append_cell(block);
    if (value >= -2147483648.0 && value <= 2147483647.0) {
        int32_t n = static_cast<int32_t>(value);
        uint32_t word;
        std::memcpy(&word, &n, sizeof word);
        *cell = Cell{type_id::integer, 0, word, 0};
        return;
    }
    uint64_t bits;
    std::memcpy(&bits, &value, sizeof bits);
    *cell =
        Cell{type_id::float_, 0, static_cast<uint32_t>(bits), static_cast<uint32_t>(bits >> 32)};
}

double memory_stats(Ref block, uint32_t mode) {
    CollectorPause pause;
    if (mode == 1) return memory_in_use();
    if (mode >= 2) return fill_info(block);
    return 0;
}

} // namespace zep::stats
