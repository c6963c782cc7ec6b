// Record sorts against the standard library's on 16-byte records (the size of
// a cell) ordered by a 32-bit key through a comparator function pointer.
//
// Build (from the worktree, after building the library into build/):
//   g++ -O2 -std=c++20 -I. bench/sort_bench.cpp build/libzepcore.a
//       -lbenchmark -lpthread -lz -lcrypto -o build/sort_bench
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstring>
#include <random>
#include <vector>

#include "runtime/sort.h"

namespace {

struct Record {
    int32_t key;
    uint32_t serial;
    uint64_t payload;
};
static_assert(sizeof(Record) == 16);

uint64_t comparisons = 0;

int by_key(const void* a, const void* b, intptr_t, intptr_t) {
    ++comparisons;
    int32_t x, y;
    std::memcpy(&x, a, 4);
    std::memcpy(&y, b, 4);
    return (x > y) - (x < y);
}

// The standard sorts call the comparator through a pointer too, as the
// record sorts do.
zep::sort::Compare volatile compare_through = by_key;
bool less(const Record& a, const Record& b) {
    return compare_through(&a, &b, 0, 0) < 0;
}

enum Shape { random_keys, few_distinct, sorted, mostly_sorted, reversed };

std::vector<Record> make(Shape shape, size_t n) {
    std::mt19937 rng(42);
    std::vector<Record> v(n);
    for (size_t i = 0; i < n; ++i) {
        int32_t k = static_cast<int32_t>(i);
        if (shape == random_keys) k = static_cast<int32_t>(rng());
        if (shape == few_distinct) k = static_cast<int32_t>(rng() % 16);
        if (shape == reversed) k = static_cast<int32_t>(n - i);
        v[i] = {k, static_cast<uint32_t>(i), i};
    }
    if (shape == mostly_sorted)
        for (size_t s = 0; s < n / 100; ++s) std::swap(v[rng() % n], v[rng() % n]);
    return v;
}

template <class Sorter> void run(benchmark::State& state, Sorter sorter) {
    const auto shape = static_cast<Shape>(state.range(0));
    const auto n = static_cast<size_t>(state.range(1));
    const std::vector<Record> input = make(shape, n);
    comparisons = 0;
    for (auto _ : state) {
        state.PauseTiming();
        std::vector<Record> v = input;
        state.ResumeTiming();
        sorter(v);
        benchmark::DoNotOptimize(v.data());
    }
    state.counters["cmp/record"] =
        static_cast<double>(comparisons) / static_cast<double>(state.iterations() * n);
}

void BM_quick(benchmark::State& state) {
    run(state, [](std::vector<Record>& v) {
        zep::sort::quick(v.data(), v.size(), sizeof(Record), 0, 0, by_key);
    });
}

void BM_std_sort(benchmark::State& state) {
    run(state, [](std::vector<Record>& v) { std::sort(v.begin(), v.end(), less); });
}

void BM_merge_stable(benchmark::State& state) {
    run(state, [](std::vector<Record>& v) {
        zep::sort::merge_stable(v.data(), v.size(), sizeof(Record), 0, 0, by_key);
    });
}

void BM_std_stable_sort(benchmark::State& state) {
    run(state, [](std::vector<Record>& v) { std::stable_sort(v.begin(), v.end(), less); });
}

void shapes(benchmark::internal::Benchmark* b) {
    for (int shape : {random_keys, few_distinct, sorted, mostly_sorted, reversed})
        b->Args({shape, 100000});
}

} // namespace

BENCHMARK(BM_quick)->Apply(shapes);
BENCHMARK(BM_std_sort)->Apply(shapes);
BENCHMARK(BM_merge_stable)->Apply(shapes);
BENCHMARK(BM_std_stable_sort)->Apply(shapes);
BENCHMARK_MAIN();
