#include "runtime/sort.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <limits>

#include "runtime/heap.h"
#include "runtime/raise.h"

namespace zep::sort {

namespace {

// Exchanges the 32-bit words of two records of `size` bytes (a multiple of 4).
inline void exchange_words(unsigned char* p, unsigned char* q, size_t size) {
    for (size_t i = 0; i < size; i += 4) {
        uint32_t x, y;
        std::memcpy(&x, p + i, 4);
        std::memcpy(&y, q + i, 4);
        std::memcpy(p + i, &y, 4);
        std::memcpy(q + i, &x, 4);
    }
}

// swap_records, inlined where the sorts use it; the 16-byte cell gets its own
// path so that its loop is unrolled.
inline void exchange(void* a, void* b, size_t size) {
    auto* p = static_cast<unsigned char*>(a);
    auto* q = static_cast<unsigned char*>(b);
    if (size == 16)
        exchange_words(p, q, 16);
    else if (size % 4 == 0)
        exchange_words(p, q, size);
    else
        for (size_t i = 0; i < size; ++i) std::swap(p[i], q[i]);
}

// Indexed access to the records of one sort.
class Records {
  public:
    Records(std::byte* base, const Ordering& order) : base_(base), order_(order) {}

    std::byte* at(size_t i) const { return base_ + i * order_.size; }
    Records from(size_t i) const { return Records(at(i), order_); }
    const Ordering& order() const { return order_; }

    int compare(const std::byte* a, const std::byte* b) const {
        return order_.cmp(a, b, order_.flags, order_.extra);
    }
    int compare(size_t i, size_t j) const { return compare(at(i), at(j)); }
    void swap(size_t i, size_t j) const { exchange(at(i), at(j), order_.size); }
    void copy(std::byte* to, const std::byte* from, size_t count) const {
        std::memcpy(to, from, count * order_.size);
    }
    void copy_one(std::byte* to, const std::byte* from) const {
        if (order_.size == 16)
            std::memcpy(to, from, 16);
        else
            std::memcpy(to, from, order_.size);
    }
    void reverse(size_t first, size_t last) const {
        while (first + 1 < last) swap(first++, --last);
    }

    // Swaps [i, i + count) with [j, j + count); the ranges must not overlap.
    void swap_ranges(size_t i, size_t j, size_t count) const {
        for (size_t t = 0; t < count; ++t) swap(i + t, j + t);
    }

    // Moves the block [from, from + count) down to start at `to` (to <= from),
    // keeping its order; the records it passes end up after it, in some order.
    // Costs `count` swaps, however far the block moves.
    void move_block_down(size_t to, size_t from, size_t count) const {
        if (to == from) return;
        for (size_t t = 0; t < count; ++t) swap(to + t, from + t);
    }

    // Moves the block [from, from + count) up to end at `end`, keeping its
    // order; the mirror of move_block_down.
    void move_block_up(size_t from, size_t count, size_t end) const {
        if (from + count == end) return;
        for (size_t t = 1; t <= count; ++t) swap(from + count - t, end - t);
    }

    // Sorts [first, last) by insertion, where [first, sorted) is already
    // sorted: each further record moves back while its left neighbour
    // compares greater. Stable.
    void insertion_sort(size_t first, size_t sorted, size_t last) const {
        for (size_t i = sorted; i < last; ++i)
            for (size_t j = i; j > first && compare(j - 1, j) > 0; --j) swap(j - 1, j);
    }

  private:
    std::byte* base_;
    const Ordering& order_;
};

// ---------------------------------------------------------------------------
// Stable merge sort

// Natural runs shorter than this are extended by insertion.
constexpr size_t min_run = 24;
// The temporary buffer's size must fit in 31 bits.
constexpr size_t max_buffer_bytes = 0x7FFFFFFF;

// A run waiting on the run stack: where it starts and the power of the
// boundary at its end.
struct PendingRun {
    size_t start;
    unsigned power;
};

// Powers on the run stack strictly increase and never exceed the number of
// bits in a record count plus one, which bounds the stack.
constexpr size_t run_stack_size = std::numeric_limits<size_t>::digits + 2;

// The power of the boundary b between the runs [a, b) and [b, c) of n records:
// the depth at which the runs' midpoints fall on different sides of a binary
// subdivision of [0, n). Runs are merged so that boundaries of greater power
// are merged first, which keeps merges balanced.
unsigned boundary_power(size_t a, size_t b, size_t c, size_t n) {
    // Twice the midpoints, so that everything stays integral.
    size_t l = a + b;
    size_t r = b + c;
    unsigned p = 0;
    while ((l < n) == (r < n)) {
        ++p;
        if (l >= n) {
            l -= n;
            r -= n;
        }
        l *= 2;
        r *= 2;
    }
    return p + 1;
}

// The run starting at `start`, made ascending and at least min_run records
// long (or up to the end).
size_t next_run(const Records& records, std::byte* base, size_t start, size_t n) {
    size_t end = find_run(base, start, n, records.order());
    size_t wanted = start + std::min(min_run, n - start);
    if (end < wanted) {
        records.insertion_sort(start, end, wanted);
        end = wanted;
    }
    return end;
}

// The merge sort's temporary buffer on the tracked heap, freed however the
// sort ends.
class MergeBuffer {
  public:
    explicit MergeBuffer(size_t bytes) : data_(static_cast<std::byte*>(heap::try_alloc(bytes))) {
        if (!data_) error::fire_named(error::Category::internal, "no-memory");
    }
    ~MergeBuffer() { heap::free(data_); }
    MergeBuffer(const MergeBuffer&) = delete;
    MergeBuffer& operator=(const MergeBuffer&) = delete;

    std::byte* data() const { return data_; }

  private:
    std::byte* data_;
};

// Merges from the front with the left run [a, b) copied to the buffer.
void merge_front(const Records& records, size_t a, size_t b, size_t c, std::byte* buffer) {
    const size_t left = b - a;
    records.copy(buffer, records.at(a), left);
    size_t i = 0; // next buffered record
    size_t j = b; // next record of the right run
    size_t d = a; // next place to fill
    // The unfilled places [d, j) are exactly as many as the buffered records
    // not yet placed; putting those back completes the merge, and after a
    // throwing comparator it restores every record.
    auto place_buffered = [&] {
        records.copy(records.at(d), buffer + i * records.order().size, left - i);
    };
    try {
        while (i < left && j < c) {
            const std::byte* from_buffer = buffer + i * records.order().size;
            if (records.compare(from_buffer, records.at(j)) <= 0) {
                records.copy_one(records.at(d), from_buffer);
                ++i;
            } else {
                records.copy_one(records.at(d), records.at(j));
                ++j;
            }
            ++d;
        }
    } catch (...) {
        place_buffered();
        throw;
    }
    place_buffered();
}

// Merges from the back with the right run [b, c) copied to the buffer.
void merge_back(const Records& records, size_t a, size_t b, size_t c, std::byte* buffer) {
    records.copy(buffer, records.at(b), c - b);
    size_t i = b;     // past the last unplaced record of the left run
    size_t j = c - b; // past the last unplaced buffered record
    size_t d = c;     // past the last unfilled place
    // The unfilled places [i, d) are exactly j: the buffered records left.
    auto place_buffered = [&] { records.copy(records.at(i), buffer, j); };
    try {
        while (i > a && j > 0) {
            const std::byte* from_buffer = buffer + (j - 1) * records.order().size;
            if (records.compare(records.at(i - 1), from_buffer) > 0) {
                records.copy_one(records.at(d - 1), records.at(i - 1));
                --i;
            } else {
                records.copy_one(records.at(d - 1), from_buffer);
                --j;
            }
            --d;
        }
    } catch (...) {
        place_buffered();
        throw;
    }
    place_buffered();
}

// ---------------------------------------------------------------------------
// Quicksort

// Ranges up to this size are sorted by insertion.
constexpr size_t insertion_limit = 7;
// Without a sample, ranges above this size first sort a leading block of
// `bootstrap_size` records, drawn from across the range, to serve as one.
constexpr size_t median_range_limit = 511;
constexpr size_t bootstrap_size = 63;
// A sample of at most 1/sample_ratio of the range first sorts a leading block
// `sample_growth` times its size (less one), the sample and records drawn
// from across the range, which becomes the next sample.
constexpr size_t sample_ratio = 256;
constexpr size_t sample_growth = 16;
// Pre-scan: one pair in this many is sampled after the ordered prefix; the
// data count as mostly ordered when the score exceeds n / ordered_ratio.
constexpr size_t scan_stride = 97;
constexpr size_t ordered_ratio = 512;
// Growing an ordered prefix: the rest is examined in blocks of this many
// records, and stretches of at least min_stretch ordered records join it.
constexpr size_t grow_block = 10;
constexpr size_t min_stretch = 4;

// Whether the pair (i, j) keeps the direction (+1 ascending, -1 descending).
bool in_direction(const Records& records, size_t i, size_t j, int direction) {
    int c = records.compare(i, j);
    return direction > 0 ? c <= 0 : c >= 0;
}

// Grows the ordered prefix [0, prefix) over the rest of n records: stretches
// of up to grow_block records that continue the order for at least
// min_stretch records (or up to the end) move up to join it; other records
// stay behind it. A stretch may also continue the order from a record a few
// places before the prefix's end: the records after that one are outliers
// that happened to extend the prefix, and stay behind instead (at most
// min_stretch - 1 of them, fewer than the stretch brings in). Answers the new prefix length.
size_t grow_prefix(const Records& records, size_t prefix, size_t n, int direction) {
    size_t next = prefix; // the records [prefix, next) were left behind
    while (next < n) {
        // How many of the prefix's last records must stay behind for the
        // record at `next` to continue the order.
        size_t drop = 0;
        while (drop < min_stretch && drop < prefix &&
               !in_direction(records, prefix - 1 - drop, next, direction))
            ++drop;
        if (drop == min_stretch) {
            ++next;
            continue;
        }
        const size_t limit = std::min(next + grow_block, n);
        size_t end = next + 1;
        while (end < limit && in_direction(records, end - 1, end, direction)) ++end;
        const size_t length = end - next;
        if (length >= min_stretch || (end == n && drop == 0)) {
            prefix -= drop;
            records.move_block_down(prefix, next, length);
            prefix += length;
        }
        next = end;
    }
    return prefix;
}

// Brings `count` records taken evenly from [first, m) to [first, first +
// count), so that a block sorted to serve as a sample represents the whole
// range even when the input has a trend.
void gather_spread(const Records& records, size_t first, size_t count, size_t m) {
    const size_t stride = (m - first) / count;
    for (size_t t = 1; t < count; ++t) records.swap(first + t, first + t * stride);
}

// Sets the median of the first, middle and last records in the middle with at
// most three compare-and-swaps, then moves it to the front as the pivot.
void median_of_three_to_front(const Records& records, size_t m) {
    const size_t mid = m / 2;
    const size_t last = m - 1;
    if (records.compare(0, mid) > 0) records.swap(0, mid);
    if (records.compare(mid, last) > 0) records.swap(mid, last);
    if (records.compare(0, mid) > 0) records.swap(0, mid);
    records.swap(0, mid);
}

// Outcome of a three-way partition: [0, less_end) sorts before the pivot (or
// equal, for sample records), [greater_start, m) after it, and everything
// between equals the pivot.
struct Partition {
    size_t less_end;
    size_t greater_start;
};

// Partitions [lo, hi) against the pivot at index lo - 1. Records equal to the
// pivot are gathered at both ends while the rest is split, then moved into
// the middle beside the pivot.
Partition partition_three_way(const Records& records, size_t lo, size_t hi) {
    const size_t pivot = lo - 1;
    size_t a = lo; // [pivot, a): equal, at the left end
    size_t b = lo; // [a, b): less
    size_t c = hi; // [c, d): greater
    size_t d = hi; // [d, hi): equal, at the right end
    for (;;) {
        while (b < c) {
            int x = records.compare(b, pivot);
            if (x > 0) break;
            if (x == 0) records.swap(a++, b);
            ++b;
        }
        while (b < c) {
            int x = records.compare(c - 1, pivot);
            if (x < 0) break;
            if (x == 0) records.swap(c - 1, --d);
            --c;
        }
        if (b == c) break;
        // b holds a greater record and c - 1 a smaller one. They are the same
        // record only when the comparator contradicts itself; it then counts
        // as smaller, its last answer.
        if (b + 1 == c) {
            ++b;
            break;
        }
        records.swap(b++, --c);
    }
    const size_t left_equal = a - pivot;
    const size_t less = b - a;
    records.swap_ranges(pivot, b - std::min(left_equal, less), std::min(left_equal, less));
    const size_t right_equal = hi - d;
    const size_t greater = d - c;
    records.swap_ranges(c, hi - std::min(right_equal, greater), std::min(right_equal, greater));
    return {pivot + less, hi - greater};
}

} // namespace

// ---------------------------------------------------------------------------

void swap_records(void* a, void* b, size_t size) {
    exchange(a, b, size);
}

size_t find_run(std::byte* base, size_t start, size_t n, const Ordering& order) {
    Records records(base, order);
    size_t end = start + 1;
    if (end >= n) return n;
    if (records.compare(start, end) <= 0) {
        ++end;
        while (end < n && records.compare(end - 1, end) <= 0) ++end;
    } else {
        ++end;
        while (end < n && records.compare(end - 1, end) > 0) ++end;
        records.reverse(start, end);
    }
    return end;
}

void merge_runs(std::byte* base, size_t a, size_t b, size_t c, std::byte* buffer,
                const Ordering& order) {
    Records records(base, order);
    if (c - b < b - a)
        merge_back(records, a, b, c, buffer);
    else
        merge_front(records, a, b, c, buffer);
}

void merge_stable(void* base, size_t n, size_t s, intptr_t flags, intptr_t extra, Compare cmp) {
    if (n < 2 || s == 0) return;
    size_t buffer_bytes;
    if (__builtin_mul_overflow(s, n / 2, &buffer_bytes) || buffer_bytes > max_buffer_bytes)
        error::fire_named(error::Category::script, "too-long");
    MergeBuffer buffer(buffer_bytes);
    merge_stable_with(base, n, s, flags, extra, cmp, buffer.data());
}

void merge_stable_with(void* base, size_t n, size_t s, intptr_t flags, intptr_t extra, Compare cmp,
                       std::byte* buffer) {
    if (n < 2 || s == 0) return;
    const Ordering order{s, cmp, flags, extra};
    auto* bytes = static_cast<std::byte*>(base);
    Records records(bytes, order);
    std::array<PendingRun, run_stack_size> stack;
    size_t depth = 0;

    // The current run is [a, b); the next one [b, c).
    size_t a = 0;
    size_t b = next_run(records, bytes, 0, n);
    while (b < n) {
        const size_t c = next_run(records, bytes, b, n);
        const unsigned power = boundary_power(a, b, c, n);
        while (depth > 0 && stack[depth - 1].power > power) {
            merge_runs(bytes, stack[depth - 1].start, a, b, buffer, order);
            a = stack[--depth].start;
        }
        stack[depth++] = {a, power};
        a = b;
        b = c;
    }
    while (depth > 0) {
        merge_runs(bytes, stack[depth - 1].start, a, n, buffer, order);
        a = stack[--depth].start;
    }
}

void quick_recursive(std::byte* base, size_t m, ptrdiff_t k, const Ordering& order) {
    for (;;) {
        Records records(base, order);
        const size_t sample = static_cast<size_t>(k < 0 ? -k : k);
        if (k < 0) {
            // A sample at the back moves to the front.
            records.move_block_down(0, m - sample, sample);
            k = -k;
        }
        if (sample >= m) return;
        if (m <= insertion_limit) {
            records.insertion_sort(0, 1, m);
            return;
        }

        // Too small a sample against the range: sort a leading block first
        // and take it as the sample.
        if (sample <= 2 && m > median_range_limit) {
            gather_spread(records, 0, bootstrap_size, m);
            quick_recursive(base, bootstrap_size, 0, order);
            k = bootstrap_size;
            continue;
        }
        if (sample > 2 && sample <= m / sample_ratio) {
            const size_t block = sample_growth * sample - 1;
            gather_spread(records, sample, block - sample, m);
            quick_recursive(base, block, k, order);
            k = static_cast<ptrdiff_t>(block);
            continue;
        }

        // Pivot at index `lower`, with the lower half of the sample before it
        // and the upper half (`upper` records) moved to the back, so that
        // neither half needs comparing.
        size_t lower = 0;
        size_t upper = 0;
        if (sample <= 2) {
            median_of_three_to_front(records, m);
        } else {
            lower = sample / 2;
            upper = sample - lower - 1;
            records.move_block_up(lower + 1, upper, m);
        }
        const Partition part = partition_three_way(records, lower + 1, m - upper);

        // Each side keeps its half of the sample: the left one at its front,
        // the right one at its back. Recurse on the smaller, loop on the other.
        std::byte* right_base = records.at(part.greater_start);
        const size_t left_size = part.less_end;
        const size_t right_size = m - part.greater_start;
        const auto left_sample = static_cast<ptrdiff_t>(lower);
        const auto right_sample = -static_cast<ptrdiff_t>(upper);
        if (left_size <= right_size) {
            quick_recursive(base, left_size, left_sample, order);
            base = right_base;
            m = right_size;
            k = right_sample;
        } else {
            quick_recursive(right_base, right_size, right_sample, order);
            m = left_size;
            k = left_sample;
        }
    }
}

void quick(void* base, size_t n, size_t s, intptr_t flags, intptr_t extra, Compare cmp) {
    if (n < 2 || s == 0) return;
    const Ordering order{s, cmp, flags, extra};
    auto* bytes = static_cast<std::byte*>(base);
    Records records(bytes, order);

    // The leading equal records, then the first difference sets the direction.
    size_t i = 0;
    int first_difference = 0;
    while (i + 1 < n && (first_difference = records.compare(i, i + 1)) == 0) ++i;
    if (first_difference == 0) return;
    int direction = first_difference < 0 ? 1 : -1;
    size_t prefix = i + 2;
    while (prefix < n && in_direction(records, prefix - 1, prefix, direction)) ++prefix;

    // Sample the order of the rest.
    ptrdiff_t score = static_cast<ptrdiff_t>(prefix) * direction;
    for (size_t j = prefix + scan_stride; j < n; j += scan_stride) {
        int c = records.compare(j - 1, j);
        score += (c < 0) - (c > 0);
    }
    const auto magnitude = static_cast<size_t>(score < 0 ? -score : score);
    if (magnitude > n / ordered_ratio) {
        if ((score < 0) != (direction < 0)) {
            direction = -direction;
            prefix = 0;
        }
        prefix = grow_prefix(records, prefix, n, direction);
    }
    if (direction < 0) records.reverse(0, prefix);
    if (prefix < n) quick_recursive(bytes, n, static_cast<ptrdiff_t>(prefix), order);
}

} // namespace zep::sort
