#include "runtime/sort.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <numeric>
#include <random>
#include <string>
#include <vector>

#include "runtime/catch.h"
#include "runtime/heap.h"
#include "runtime/raise.h"

using namespace zep;

namespace {

// What the test comparator does besides comparing keys.
struct Probe {
    uint64_t calls = 0;
    uint64_t throw_at = 0; // the call that throws; 0: none
    intptr_t flags = 0;    // the flags every call must receive
};

int32_t key_of(const void* record) {
    int32_t k;
    std::memcpy(&k, record, 4);
    return k;
}

// Orders records by the 32-bit key at their start.
int by_key(const void* a, const void* b, intptr_t flags, intptr_t extra) {
    auto* probe = reinterpret_cast<Probe*>(extra);
    if (flags != probe->flags) ADD_FAILURE() << "flags not passed through";
    if (++probe->calls == probe->throw_at) catch_::throw_code(catch_::code_error);
    int32_t x = key_of(a), y = key_of(b);
    return (x > y) - (x < y);
}

using Sort = void (*)(void*, size_t, size_t, intptr_t, intptr_t, sort::Compare);

// n records of `size` bytes (at least 8): the key, a serial number, and
// filler bytes derived from the serial, so that any torn or duplicated record
// shows.
struct Table {
    size_t size;
    std::vector<unsigned char> bytes;

    Table(const std::vector<int32_t>& keys, size_t record_size)
        : size(record_size), bytes(keys.size() * record_size) {
        for (uint32_t i = 0; i < keys.size(); ++i) fill(bytes.data() + i * size, keys[i], i);
    }
    void fill(unsigned char* at, int32_t key, uint32_t serial) const {
        std::memcpy(at, &key, 4);
        std::memcpy(at + 4, &serial, 4);
        for (size_t b = 8; b < size; ++b) at[b] = static_cast<unsigned char>(serial * 31 + b);
    }
    size_t count() const { return bytes.size() / size; }
    const unsigned char* at(size_t i) const { return bytes.data() + i * size; }
    int32_t key(size_t i) const { return key_of(at(i)); }
    uint32_t serial(size_t i) const {
        uint32_t s;
        std::memcpy(&s, at(i) + 4, 4);
        return s;
    }

    // Whether the records are those of `original`, each exactly once.
    bool is_permutation_of(const Table& original) const {
        std::vector<bool> seen(count());
        for (size_t i = 0; i < count(); ++i) {
            uint32_t s = serial(i);
            if (s >= count() || seen[s]) return false;
            if (std::memcmp(at(i), original.at(s), size) != 0) return false;
            seen[s] = true;
        }
        return true;
    }
    bool is_sorted() const {
        for (size_t i = 1; i < count(); ++i)
            if (key(i - 1) > key(i)) return false;
        return true;
    }
};

enum class Pattern {
    few_distinct,
    random_wide,
    ascending_ties,
    descending_ties,
    strictly_descending,
    mixed_runs,
    all_equal,
    organ_pipe,
    mostly_sorted,
    sawtooth,
    sorted_then_random,
};

const Pattern all_patterns[] = {
    Pattern::few_distinct,    Pattern::random_wide,        Pattern::ascending_ties,
    Pattern::descending_ties, Pattern::mixed_runs,         Pattern::strictly_descending,
    Pattern::all_equal,       Pattern::organ_pipe,         Pattern::mostly_sorted,
    Pattern::sawtooth,        Pattern::sorted_then_random,
};

std::vector<int32_t> make_keys(Pattern pattern, size_t n, uint32_t seed) {
    std::mt19937 rng(seed);
    std::vector<int32_t> k(n);
    auto below = [&](uint32_t bound) { return static_cast<int32_t>(rng() % bound); };
    for (size_t i = 0; i < n; ++i) {
        auto ii = static_cast<int32_t>(i), nn = static_cast<int32_t>(n);
        switch (pattern) {
        case Pattern::few_distinct:
            k[i] = below(16);
            break;
        case Pattern::random_wide:
            k[i] = static_cast<int32_t>(rng());
            break;
        case Pattern::ascending_ties:
            k[i] = ii / 3;
            break;
        case Pattern::descending_ties:
            k[i] = (nn - ii) / 3;
            break;
        case Pattern::strictly_descending:
            k[i] = nn - ii;
            break;
        case Pattern::all_equal:
            k[i] = 7;
            break;
        case Pattern::organ_pipe:
            k[i] = std::min(ii, nn - ii);
            break;
        case Pattern::mostly_sorted:
            k[i] = ii;
            break;
        case Pattern::sawtooth:
            k[i] = ii % 37;
            break;
        case Pattern::sorted_then_random:
            k[i] = ii < nn * 3 / 4 ? ii : below(1000000);
            break;
        case Pattern::mixed_runs:
            break;
        }
    }
    if (pattern == Pattern::mostly_sorted)
        for (size_t s = 0; s < n / 100; ++s) std::swap(k[rng() % n], k[rng() % n]);
    if (pattern == Pattern::mixed_runs) {
        // Ascending, descending and equal stretches of random lengths.
        for (size_t i = 0; i < n;) {
            size_t length = std::min<size_t>(1 + rng() % 100, n - i);
            int32_t start = below(1000), step = below(3) - 1;
            for (size_t j = 0; j < length; ++j)
                k[i + j] = start + step * static_cast<int32_t>(j / (1 + rng() % 2));
            i += length;
        }
    }
    return k;
}

std::string describe(Pattern p, size_t n, size_t size) {
    return "pattern " + std::to_string(static_cast<int>(p)) + ", n " + std::to_string(n) +
           ", size " + std::to_string(size);
}

const size_t record_sizes[] = {8, 10, 16};
const size_t counts[] = {0, 1, 2, 3, 7, 8, 23, 24, 25, 49, 100, 511, 512, 1000, 4099};
constexpr size_t large_count = 200003;

double n_log_n(size_t n) {
    return static_cast<double>(n) * std::log2(static_cast<double>(n));
}

// Stable sort agrees with std::stable_sort, record for record.
void check_merge(Pattern p, size_t n, size_t size) {
    SCOPED_TRACE(describe(p, n, size));
    const Table original(make_keys(p, n, static_cast<uint32_t>(n * 7 + size)), size);
    Table t = original;
    Probe probe{0, 0, 5};
    sort::merge_stable(t.bytes.data(), n, size, 5, reinterpret_cast<intptr_t>(&probe), by_key);

    std::vector<size_t> order(n);
    std::iota(order.begin(), order.end(), 0);
    std::stable_sort(order.begin(), order.end(),
                     [&](size_t a, size_t b) { return original.key(a) < original.key(b); });
    std::vector<unsigned char> expected;
    for (size_t i : order) expected.insert(expected.end(), original.at(i), original.at(i) + size);
    ASSERT_TRUE(t.bytes == expected);
    if (n > 1) {
        // Runs shorter than 24 are completed by insertion (at most 11.5
        // comparisons a record), the rest is merging.
        EXPECT_LE(probe.calls, n_log_n(n) + 12 * n);
    }
    if (p == Pattern::ascending_ties || p == Pattern::all_equal) {
        EXPECT_EQ(probe.calls, n - (n > 0));
    }
}

// Quicksort gives a sorted permutation without going quadratic.
void check_quick(Pattern p, size_t n, size_t size) {
    SCOPED_TRACE(describe(p, n, size));
    const Table original(make_keys(p, n, static_cast<uint32_t>(n * 5 + size)), size);
    Table t = original;
    Probe probe{0, 0, -3};
    sort::quick(t.bytes.data(), n, size, -3, reinterpret_cast<intptr_t>(&probe), by_key);
    ASSERT_TRUE(t.is_sorted());
    ASSERT_TRUE(t.is_permutation_of(original));
    if (n > 1) {
        EXPECT_LE(probe.calls, 2 * n_log_n(n) + 8 * n);
    }
    // Ordered input costs one pass and the sampling.
    if (p == Pattern::ascending_ties || p == Pattern::descending_ties ||
        p == Pattern::strictly_descending || p == Pattern::all_equal) {
        EXPECT_LE(probe.calls, n + n / 97);
    }
    // A few displaced records: the ordered prefix grows around them.
    if (p == Pattern::mostly_sorted && n >= 1000) {
        EXPECT_LE(probe.calls, 3 * n);
    }
}

TEST(Sort, MergeStableAgreesWithStableSort) {
    for (Pattern p : all_patterns) {
        for (size_t size : record_sizes)
            for (size_t n : counts) check_merge(p, n, size);
        check_merge(p, large_count, record_sizes[static_cast<int>(p) % 3]);
    }
}

TEST(Sort, QuickSortsEveryPattern) {
    for (Pattern p : all_patterns) {
        for (size_t size : record_sizes)
            for (size_t n : counts) check_quick(p, n, size);
        check_quick(p, large_count, record_sizes[static_cast<int>(p) % 3]);
    }
}

TEST(Sort, NoComparisonsForFewerThanTwoRecords) {
    for (Sort sorter : {Sort{sort::merge_stable}, Sort{sort::quick}}) {
        Probe probe;
        unsigned char record[16] = {1};
        sorter(nullptr, 0, 16, 0, reinterpret_cast<intptr_t>(&probe), by_key);
        sorter(record, 1, 16, 0, reinterpret_cast<intptr_t>(&probe), by_key);
        EXPECT_EQ(probe.calls, 0u);
        EXPECT_EQ(record[0], 1);
    }
}

TEST(Sort, FindRunReversesOnlyStrictlyDescendingStretches) {
    struct Case {
        std::vector<int32_t> keys;
        size_t run_end;
        std::vector<uint32_t> serials_after;
    };
    const Case cases[] = {
        {{9, 8, 7, 7, 6}, 3, {2, 1, 0, 3, 4}},
        {{3, 3, 2, 1}, 2, {0, 1, 2, 3}},
        {{1, 2, 2, 5, 4}, 4, {0, 1, 2, 3, 4}},
        {{5, 4, 3}, 3, {2, 1, 0}},
        {{4}, 1, {0}},
    };
    for (const Case& c : cases) {
        Table t(c.keys, 10);
        Probe probe;
        const sort::Ordering order{10, by_key, 0, reinterpret_cast<intptr_t>(&probe)};
        auto* base = reinterpret_cast<std::byte*>(t.bytes.data());
        EXPECT_EQ(sort::find_run(base, 0, t.count(), order), c.run_end);
        for (size_t i = 0; i < t.count(); ++i) EXPECT_EQ(t.serial(i), c.serials_after[i]);
    }
}

// A comparator that raises partway, or answers at random, leaves every
// record present exactly once, and the merge sort's buffer freed.
TEST(Sort, HostileComparatorsKeepEveryRecord) {
    auto random_order = [](const void*, const void*, intptr_t, intptr_t extra) {
        return static_cast<int>(reinterpret_cast<std::mt19937*>(extra)->operator()() % 3) - 1;
    };
    for (Sort sorter : {Sort{sort::merge_stable}, Sort{sort::quick}}) {
        for (size_t size : {size_t{10}, size_t{16}}) {
            const Table original(make_keys(Pattern::few_distinct, 5000, 1), size);
            for (uint64_t throw_at : {1, 2, 100, 3000, 20000, 50000}) {
                SCOPED_TRACE("size " + std::to_string(size) + ", throw at " +
                             std::to_string(throw_at));
                Table t = original;
                Probe probe{0, throw_at, 0};
                const size_t blocks = heap::block_count();
                uint32_t code = catch_::receive(catch_::threshold_call, [&] {
                    sorter(t.bytes.data(), t.count(), size, 0, reinterpret_cast<intptr_t>(&probe),
                           by_key);
                });
                EXPECT_EQ(code != 0, probe.calls >= throw_at);
                EXPECT_EQ(heap::block_count(), blocks);
                EXPECT_TRUE(t.is_permutation_of(original));
            }
            Table t = original;
            std::mt19937 rng(size);
            sorter(t.bytes.data(), t.count(), size, 0, reinterpret_cast<intptr_t>(&rng),
                   random_order);
            EXPECT_TRUE(t.is_permutation_of(original));
        }
    }
}

// An adversary that decides each comparison as late as possible (the
// classic way to drive a quicksort quadratic) does not get quadratic time.
struct Adversary {
    std::vector<int32_t> value;
    int32_t gas;
    int32_t solid = 0;
    size_t candidate = 0;
    uint64_t calls = 0;
};

int adversary_compare(const void* a, const void* b, intptr_t, intptr_t extra) {
    auto* adv = reinterpret_cast<Adversary*>(extra);
    ++adv->calls;
    auto x = static_cast<size_t>(key_of(a)), y = static_cast<size_t>(key_of(b));
    auto& v = adv->value;
    if (v[x] == adv->gas && v[y] == adv->gas) v[x == adv->candidate ? x : y] = adv->solid++;
    if (v[x] == adv->gas)
        adv->candidate = x;
    else if (v[y] == adv->gas)
        adv->candidate = y;
    return (v[x] > v[y]) - (v[x] < v[y]);
}

TEST(Sort, QuickResistsAnAdaptiveAdversary) {
    const size_t n = 100000;
    std::vector<int32_t> ids(n);
    std::iota(ids.begin(), ids.end(), 0);
    // Through the whole sort (whose pre-scan the adversary's answers make a
    // sorted run) and through the recursive step alone.
    for (bool whole : {true, false}) {
        Table t(ids, 8);
        Adversary adv{std::vector<int32_t>(n, static_cast<int32_t>(n)), static_cast<int32_t>(n)};
        if (whole) {
            sort::quick(t.bytes.data(), n, 8, 0, reinterpret_cast<intptr_t>(&adv),
                        adversary_compare);
        } else {
            const sort::Ordering order{8, adversary_compare, 0, reinterpret_cast<intptr_t>(&adv)};
            sort::quick_recursive(reinterpret_cast<std::byte*>(t.bytes.data()), n, 0, order);
        }
        for (size_t i = 1; i < n; ++i)
            ASSERT_LE(adv.value[static_cast<size_t>(t.key(i - 1))],
                      adv.value[static_cast<size_t>(t.key(i))]);
        // Ranges of up to 511 records take median-of-three pivots, which the
        // adversary can drive quadratic inside such a range: a linear term
        // with a large factor, never quadratic in n.
        EXPECT_LE(adv.calls, 4 * n_log_n(n) + 256 * n);
    }
}

TEST(Sort, MergeStableRefusesImpossibleBufferBeforeAllocating) {
    struct Case {
        size_t n, size;
    };
    const Case cases[] = {{size_t{1} << 28, 16}, {SIZE_MAX, 16}, {SIZE_MAX, 1}, {5, SIZE_MAX}};
    for (const Case& c : cases) {
        Probe probe;
        const size_t blocks = heap::block_count();
        error::last_raised = {error::Category::internal, nullptr};
        uint32_t code = catch_::receive(catch_::threshold_call, [&] {
            sort::merge_stable(reinterpret_cast<void*>(16), c.n, c.size, 0,
                               reinterpret_cast<intptr_t>(&probe), by_key);
        });
        EXPECT_EQ(code, catch_::code_error);
        EXPECT_EQ(error::last_raised.category, error::Category::script);
        ASSERT_NE(error::last_raised.id, nullptr);
        EXPECT_STREQ(error::last_raised.id, "too-long");
        EXPECT_EQ(probe.calls, 0u);
        EXPECT_EQ(heap::block_count(), blocks);
    }
}

} // namespace
