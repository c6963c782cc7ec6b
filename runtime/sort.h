// Generic in-place sorts over arrays of fixed-size records, driven by a
// comparator: a stable merge sort that exploits natural runs, and an unstable
// quicksort that takes its pivots from a sorted sample and first looks for
// input that is already (mostly) ordered.
//
// A comparator may throw (a raised error is a C++ exception): the sorts then
// leave the records partly sorted but every record present exactly once, and
// free everything they allocated.
#pragma once
#include <cstddef>
#include <cstdint>

namespace zep::sort {

// cmp(a, b, flags, extra): above 0 when record a sorts after record b, 0 when
// they are equal, below 0 when a sorts before b. Only the sign is used.
// flags and extra are the caller's own words, passed through unchanged.
using Compare = int (*)(const void* a, const void* b, intptr_t flags, intptr_t extra);

// Record size and comparator of one sort, shared by all its steps.
struct Ordering {
    size_t size;
    Compare cmp;
    intptr_t flags;
    intptr_t extra;
};

// Sorts n records of s bytes at base stably. Raises script "too-long" when the
// temporary buffer (s x n/2 bytes) exceeds 31 bits, internal "no-memory" when
// it cannot be allocated.
void merge_stable(void* base, size_t n, size_t s, intptr_t flags, intptr_t extra, Compare cmp);

// merge_stable through a caller's buffer of at least s x n/2 bytes (which a
// caller can keep visible to the collector while the comparator runs).
void merge_stable_with(void* base, size_t n, size_t s, intptr_t flags, intptr_t extra, Compare cmp,
                       std::byte* buffer);

// Sorts n records of s bytes at base; equal records may change order.
// Allocates nothing.
void quick(void* base, size_t n, size_t s, intptr_t flags, intptr_t extra, Compare cmp);

// Exchanges two records of `size` bytes: 32 bits at a time when the size is a
// multiple of 4, byte by byte otherwise.
void swap_records(void* a, void* b, size_t size);

// The natural run that starts at record `start` of n: an ascending run (each
// pair compares <= 0) is left as it is, a strictly descending one is reversed
// in place. Answers the index past the run's end.
size_t find_run(std::byte* base, size_t start, size_t n, const Ordering& order);

// Merges the sorted records [a, b) and [b, c) stably, through a buffer that
// holds at least min(b - a, c - b) records. On equal records the left run's
// come first.
void merge_runs(std::byte* base, size_t a, size_t b, size_t c, std::byte* buffer,
                const Ordering& order);

// Sorts m records at base, of which the first k (or the last -k when k is
// negative) are already sorted and serve as the sample that pivots come from.
void quick_recursive(std::byte* base, size_t m, ptrdiff_t k, const Ordering& order);

} // namespace zep::sort
