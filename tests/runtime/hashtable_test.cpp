// Hash tables: the hash function against published vectors, sizing, hash!
// chains, map! duplicates, growth and index shifting against a model, the
// pointer-keyed kinds and their sweep.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <random>
#include <unordered_map>
#include <vector>

#include "datatypes/registry.h"
#include "datatypes/string_buffer.h"
#include "runtime/hashtable.h"
#include "runtime/memory.h"
#include "runtime/record_series.h"
#include "runtime/value_make.h"
#include "tests/runtime/memory_fixture.h"

namespace zep {
namespace {

struct Vector {
    const char* text;
    uint32_t seed;
    uint32_t hash;
};

TEST(Murmur3, PublishedVectors) {
    const Vector vectors[] = {
        {"", 0, 0},
        {"", 1, 0x514E28B7},
        {"", 0xFFFFFFFF, 0x81F16F39},
        {"a", 0x9747B28C, 0x7FA09EA6},
        {"aa", 0x9747B28C, 0x5D211726},
        {"aaa", 0x9747B28C, 0x283E0130},
        {"aaaa", 0x9747B28C, 0x5A97808A},
        {"abcd", 0x9747B28C, 0xF0478627},
        {"Hello, world!", 0x9747B28C, 0x24884CBA},
        {"The quick brown fox jumps over the lazy dog", 0x9747B28C, 0x2FA826CD},
    };
    for (const Vector& v : vectors)
        EXPECT_EQ(hash::murmur3_seeded(v.text, static_cast<uint32_t>(std::strlen(v.text)), v.seed),
                  v.hash)
            << '"' << v.text << '"';
    const unsigned char zeros[4] = {0, 0, 0, 0};
    EXPECT_EQ(hash::murmur3_seeded(zeros, 4, 0), 0x2362F9DEu);
}

TEST(Murmur3, NameHashLowersAsciiOnly) {
    auto name = [](const char* s) {
        return hash::name_hash(reinterpret_cast<const unsigned char*>(s),
                               static_cast<uint32_t>(std::strlen(s)));
    };
    EXPECT_EQ(name("Hello-World"), hash::murmur3("hello-world", 11));
    EXPECT_EQ(name("\xC3\x89t\xC3\xA9"), hash::murmur3("\xC3\x89t\xC3\xA9", 5));
    // Every byte value at every place of names of every length up to three
    // eight-byte steps and a tail: whole blocks and tails of 1 to 3 bytes.
    const unsigned char base[] = "MiX@[Za`{Q-zAb\xC3\x89Z9_~YyKkAZaz";
    for (uint32_t length = 0; length <= 27; ++length) {
        for (uint32_t place = 0; place < length; ++place) {
            for (uint32_t c = 0; c < 256; ++c) {
                unsigned char text[27];
                std::memcpy(text, base, length);
                text[place] = static_cast<unsigned char>(c);
                unsigned char lowered[27];
                for (uint32_t i = 0; i < length; ++i)
                    lowered[i] = text[i] >= 'A' && text[i] <= 'Z' ? text[i] + 32 : text[i];
                ASSERT_EQ(hash::name_hash(text, length), hash::murmur3(lowered, length))
                    << length << ' ' << place << ' ' << c;
            }
        }
    }
}

int integer_compare(const Cell* a, const Cell* b, int) {
    if (cell_type(b) != type_id::integer) return compare_code::not_comparable;
    int32_t x = value::integer_of(a), y = value::integer_of(b);
    return x < y ? -1 : x > y ? 1 : 0;
}

int text_compare(const Cell* a, const Cell* b, int code) {
    if (cell_type(b) != type_id::string) return compare_code::not_comparable;
    return string::compare(a, b, code, false);
}

class HashTableTest : public testing::MemoryTest {
  protected:
    void SetUp() override {
        MemoryTest::SetUp();
        std::memcpy(saved_actions, actions::action_table, sizeof saved_actions);
        // Stand-in compare slots for the key types used here.
        actions::action_table[type_id::integer * slots_per_row + action_slot::compare - 1] =
            reinterpret_cast<ActionSlot>(&integer_compare);
        actions::action_table[type_id::string * slots_per_row + action_slot::compare - 1] =
            reinterpret_cast<ActionSlot>(&text_compare);
    }
    void TearDown() override {
        std::memcpy(actions::action_table, saved_actions, sizeof saved_actions);
        MemoryTest::TearDown();
    }

    // A block cell over a fresh series holding the integers.
    static Cell int_block(const std::vector<int32_t>& values) {
        Ref node = series::alloc_cells(static_cast<uint32_t>(values.size()) + 1);
        for (int32_t v : values) value::set_integer(series::alloc_tail_cell(node_buffer(node)), v);
        Cell block;
        value::set_series(&block, type_id::block, node);
        return block;
    }
    static Cell* cells(Ref table) {
        return reinterpret_cast<Cell*>(buffer_head(node_buffer(hash::table_at(table)->data)));
    }
    static uint32_t items(Ref table) {
        SeriesBuffer* b = node_buffer(hash::table_at(table)->data);
        return (b->tail - b->head) / sizeof(Cell);
    }
    static Cell* append_int(Ref table, int32_t v) {
        Cell* c = series::alloc_tail_cell(node_buffer(hash::table_at(table)->data));
        value::set_integer(c, v);
        return c;
    }
    static int32_t find_int(Ref table, int32_t v, int32_t from = 0, int32_t skip = 1,
                            bool before = false, bool last = false) {
        Cell key;
        value::set_integer(&key, v);
        Cell* hit = hash::get(table, &key, from, skip, hash::code_equal, before, last);
        return hit ? static_cast<int32_t>(hit - cells(table)) : -1;
    }

    ActionSlot saved_actions[type_rows * slots_per_row];
};

TEST_F(HashTableTest, SmallTablesHaveEightBucketsAndBoundSix) {
    for (uint32_t kind = 0; kind <= 4; ++kind) {
        for (uint32_t n = 0; n <= 4; ++n) {
            Ref t = hash::make_table(n, nullptr, kind, kind >= 3 ? 1 : 0);
            EXPECT_EQ(hash::table_at(t)->buckets, 8u);
            EXPECT_EQ(hash::table_at(t)->upper, 6u);
        }
    }
    EXPECT_EQ(hash::table_at(hash::make_table(5, nullptr, 0, 0))->buckets, 8u);
    EXPECT_EQ(hash::table_at(hash::make_table(7, nullptr, 0, 0))->buckets, 16u);
    // The symbol kind doubles requests of 4,000 and more first.
    EXPECT_EQ(hash::table_at(hash::make_table(3999, nullptr, 2, 0))->buckets, 8192u);
    EXPECT_EQ(hash::table_at(hash::make_table(4000, nullptr, 2, 0))->buckets, 16384u);
    EXPECT_EQ(hash::table_at(hash::make_table(4000, nullptr, 0, 0))->buckets, 8192u);
}

TEST_F(HashTableTest, EqualStringsShareOneChainAndSkipSelectsPositions) {
    Ref node = series::alloc_cells(100);
    for (int i = 0; i < 100; ++i) {
        Cell* c = series::alloc_tail_cell(node_buffer(node));
        Cell text;
        string::make_at(&text, 4);
        string::append_text(&text, i % 2 ? "ABC" : "abc");
        *arena::at<Cell>(node_buffer(node)->head + i * 16u) = text;
        (void)c;
    }
    Cell block;
    value::set_series(&block, type_id::block, node);
    Ref t = hash::make_table(100, &block, hash::kind::hash, 0);
    EXPECT_EQ(hash::table_at(t)->size, 1u); // one bucket, one chain
    Cell key = cells(t)[0];
    auto at = [&](int32_t from, int32_t skip, int code, bool before, bool last) {
        Cell* hit = hash::get(t, &key, from, skip, code, before, last);
        return hit ? static_cast<int32_t>(hit - cells(t)) : -1;
    };
    EXPECT_EQ(at(0, 1, hash::code_equal, false, false), 0);
    EXPECT_EQ(at(5, 7, hash::code_equal, false, false), 5);
    EXPECT_EQ(at(10, 3, hash::code_equal, true, false), 9);
    EXPECT_EQ(at(0, 3, hash::code_equal, false, true), 98);
    // Case-sensitive: only the even positions hold "abc".
    EXPECT_EQ(at(1, 1, hash::code_strict_equal, false, false), 2);
    EXPECT_EQ(at(1, 2, hash::code_strict_equal, false, false), -1);
    // Removing every member empties the chain and frees the bucket.
    for (int i = 0; i < 100; ++i) hash::remove_index(t, i);
    EXPECT_EQ(hash::table_at(t)->size, 0u);
    EXPECT_EQ(at(0, 1, hash::code_equal, false, false), -1);
}

TEST_F(HashTableTest, MapRefusesDuplicateKeysAndTakesTheNewValue) {
    Cell block = int_block({1, 10, 2, 20, 1, 30, 3, 40, 2, 50});
    Ref t = hash::make_table(8, &block, hash::kind::map, 0);
    std::vector<int32_t> expected = {1, 30, 2, 50, 3, 40};
    ASSERT_EQ(items(t), expected.size());
    for (size_t i = 0; i < expected.size(); ++i)
        EXPECT_EQ(value::integer_of(cells(t) + i), expected[i]);
    EXPECT_EQ(hash::table_at(t)->size, 3u);
    EXPECT_EQ(find_int(t, 2), 2);
    EXPECT_EQ(find_int(t, 4), -1);
}

TEST_F(HashTableTest, GrowthKeepsEveryKeyFindableAgainstAModel) {
    std::mt19937 rng(12345);
    for (uint32_t kind : {hash::kind::hash, hash::kind::symbols}) {
        Ref t = hash::make_table(0, nullptr, kind, 0);
        std::unordered_map<int32_t, int32_t> first_at;
        int32_t status = 0;
        for (int i = 0; i < 5000; ++i) {
            int32_t v = static_cast<int32_t>(rng() % 3000);
            Cell* c = append_int(t, v);
            Cell* stored = hash::put(t, c, &status);
            int32_t index = static_cast<int32_t>(stored - cells(t));
            if (kind == hash::kind::symbols) {
                auto it = first_at.find(v);
                EXPECT_EQ(index, it == first_at.end() ? i : it->second);
            }
            first_at.emplace(v, i);
        }
        for (int32_t v = 0; v < 3000; ++v) {
            auto it = first_at.find(v);
            ASSERT_EQ(find_int(t, v), it == first_at.end() ? -1 : it->second) << v;
        }
        EXPECT_EQ(hash::table_at(t)->size, first_at.size());
        EXPECT_LT(hash::table_at(t)->occupied, hash::table_at(t)->buckets);
    }
}

// Inserts, removals and moves inside a hash! block, kept valid by shifting
// indexes, checked against a vector model after every step.
TEST_F(HashTableTest, ShiftingAndMovingKeepAHashIndexValid) {
    std::mt19937 rng(99);
    Ref t = hash::make_table(0, nullptr, hash::kind::hash, 0);
    std::vector<int32_t> model;
    auto check = [&] {
        ASSERT_EQ(items(t), model.size());
        for (int32_t v = 0; v < 40; ++v) {
            auto first = std::find(model.begin(), model.end(), v);
            ASSERT_EQ(find_int(t, v), first == model.end() ? -1 : first - model.begin()) << v;
            auto last = std::find(model.rbegin(), model.rend(), v);
            int32_t last_index = last == model.rend() ? -1 : int32_t(model.rend() - last) - 1;
            ASSERT_EQ(find_int(t, v, 0, 1, false, true), last_index);
        }
    };
    for (int step = 0; step < 600; ++step) {
        uint32_t n = static_cast<uint32_t>(model.size());
        uint32_t op = rng() % 4;
        int32_t v = static_cast<int32_t>(rng() % 40);
        if (op == 0 || n < 4) {
            hash::put(t, append_int(t, v), nullptr);
            model.push_back(v);
        } else if (op == 1) { // insert at p
            uint32_t p = rng() % n;
            append_int(t, 0);
            Cell* c = cells(t);
            std::memmove(c + p + 1, c + p, (n - p) * sizeof(Cell));
            value::set_integer(c + p, v);
            ASSERT_EQ(hash::shift_indexes(t, 1, static_cast<int32_t>(p),
                                          static_cast<int32_t>(n - p), true),
                      0);
            hash::put(t, cells(t) + p, nullptr);
            model.insert(model.begin() + p, v);
        } else if (op == 2) { // remove k at p
            uint32_t p = rng() % n;
            uint32_t k = 1 + rng() % std::min<uint32_t>(3, n - p);
            hash::shift_indexes(t, -static_cast<int32_t>(k), static_cast<int32_t>(p + k),
                                static_cast<int32_t>(n - p - k), true);
            Cell* c = cells(t);
            std::memmove(c + p, c + p + k, (n - p - k) * sizeof(Cell));
            node_buffer(hash::table_at(t)->data)->tail -= k * sizeof(Cell);
            model.erase(model.begin() + p, model.begin() + p + k);
        } else { // move k items from p to before target
            uint32_t p = rng() % n;
            uint32_t k = 1 + rng() % std::min<uint32_t>(3, n - p);
            uint32_t target = rng() % (n + 1);
            hash::move_indexes(t, static_cast<int32_t>(target), static_cast<int32_t>(p),
                               static_cast<int32_t>(k));
            if (target < p || target > p + k) {
                Cell* c = cells(t);
                if (target > p) {
                    std::rotate(c + p, c + p + k, c + target);
                    std::rotate(model.begin() + p, model.begin() + p + k, model.begin() + target);
                } else {
                    std::rotate(c + target, c + p, c + p + k);
                    std::rotate(model.begin() + target, model.begin() + p, model.begin() + p + k);
                }
            }
        }
        check();
        if (HasFatalFailure()) return;
    }
}

TEST_F(HashTableTest, LargeShiftsAskForARebuild) {
    Ref t = hash::make_table(0, nullptr, hash::kind::hash, 0);
    for (int i = 0; i < 10; ++i) hash::put(t, append_int(t, i), nullptr);
    EXPECT_EQ(hash::shift_indexes(t, 1, 0, hash::shift_limit + 1, true), 1);
    EXPECT_EQ(find_int(t, 3), 3); // nothing was shifted
    EXPECT_EQ(hash::shift_indexes(t, 0, 0, hash::shift_limit, false), 0);
    // A full table is rebuilt from its block on the next insertion.
    int32_t status = 0;
    for (int i = 10; i < 40 && status != 2; ++i) hash::put(t, append_int(t, i), &status);
    EXPECT_EQ(status, 2);
    for (int i = 0; i < static_cast<int>(items(t)); ++i) EXPECT_EQ(find_int(t, i), i);
}

TEST_F(HashTableTest, PointerRecordsPutFindRemoveGrowAndSweep) {
    Ref t = hash::make_table(4, nullptr, hash::kind::owners, 3);
    std::vector<Ref> keys;
    for (int i = 0; i < 50; ++i) keys.push_back(series::alloc_bytes(16));
    for (size_t i = 0; i < keys.size(); ++i) {
        Cell* values = hash::put_new(t, keys[i]);
        EXPECT_EQ(cell_type(values + 2), type_id::unset);
        value::set_integer(values, static_cast<int32_t>(i));
    }
    EXPECT_EQ(value::integer_of(hash::put_new(t, keys[7])), 7); // existing record
    for (size_t i = 0; i < keys.size(); ++i)
        EXPECT_EQ(value::integer_of(hash::find_key(t, keys[i])), static_cast<int32_t>(i));
    EXPECT_EQ(value::integer_of(hash::remove_by_pointer(t, keys[3])), 3);
    EXPECT_EQ(hash::find_key(t, keys[3]), nullptr);
    EXPECT_EQ(hash::remove_by_pointer(t, keys[3]), nullptr);

    // A collection happened: keys hashed by node are rehashed lazily.
    uint32_t saved = memory::collections_done;
    memory::collections_done += 1;
    EXPECT_EQ(value::integer_of(hash::find_key(t, keys[20])), 20);
    EXPECT_EQ(hash::table_at(t)->stamp, memory::collections_done + 1);
    memory::collections_done = saved;

    // Weak sweep: records whose key (or named node) is unmarked go.
    for (size_t i = 0; i < keys.size(); i += 2) node_buffer(keys[i])->flags |= series_flag::mark;
    hash::find_key(t, keys[1])[1].data1 = keys[0]; // second value cell names a marked node
    hash::find_key(t, keys[2])[1].data1 = keys[1]; // ... an unmarked one
    hash::sweep_unmarked(t);
    for (size_t i = 0; i < keys.size(); ++i) {
        bool kept = i % 2 == 0 && i != 2;
        EXPECT_EQ(hash::find_key(t, keys[i]) != nullptr, kept) << i;
    }
    for (Ref k : keys) node_buffer(k)->flags &= ~series_flag::mark;
}

TEST_F(HashTableTest, CopyAndClearLeaveTheSourceAlone) {
    Cell block = int_block({5, 6, 5, 7});
    Ref t = hash::make_table(4, &block, hash::kind::hash, 0);
    Ref copy = hash::copy_table(t, series::copy(hash::table_at(t)->data));
    hash::clear(copy, 0, 4);
    EXPECT_EQ(find_int(copy, 5), -1);
    EXPECT_EQ(find_int(t, 5), 0);
    EXPECT_EQ(find_int(t, 5, 1), 2);
    hash::clear_all(t);
    EXPECT_EQ(items(t), 0u);
    EXPECT_EQ(find_int(t, 6), -1);
    hash::put(t, append_int(t, 6), nullptr);
    EXPECT_EQ(find_int(t, 6), 0);
}

} // namespace
} // namespace zep
