// find, select, append, insert and change on random blocks of words,
// against a model on a vector of names; the same searches on a hash! copy
// of each block go through its index table.
#include <optional>
#include <random>

#include "runtime/hashtable.h"
#include "tests/datatypes/block_fixture.h"

namespace zep {
namespace {

using testing::BlockTest;
using Names = std::vector<std::string>;

std::string join(const Names& names) {
    std::string out;
    for (const std::string& n : names) out += (out.empty() ? "" : " ") + n;
    return out;
}

struct FindCase {
    Names cells;
    int head;
    Names pattern; // one name for a single value
    bool single;   // a word rather than a block
    bool only;     // /only (a block value then never equals a word)
    std::optional<int> part;
    int skip;
    bool last, reverse, tail, match;
};

// The match position, or -1.
int model_find(const FindCase& c) {
    int total = static_cast<int>(c.cells.size());
    bool backward = c.last || c.reverse;
    if (total == 0 || (!backward && c.head >= total)) return -1;
    int limit = -1;
    if (c.part) {
        if (*c.part <= 0) return -1;
        limit = std::min(c.head + *c.part - 1, total - 1);
    }
    bool never = !c.single && c.only;
    int m = c.single ? 1 : static_cast<int>(c.pattern.size());
    auto fits = [&](int at, int end) {
        if (never || at + m > end) return false;
        for (int k = 0; k < m; ++k)
            if (c.cells[at + k] != c.pattern[k]) return false;
        return true;
    };
    int found = -1;
    if (!backward) {
        int end = limit >= 0 ? limit + 1 : total;
        for (int at = c.head; at < end; at += c.skip) {
            if (fits(at, end)) {
                found = at;
                break;
            }
            if (c.match) break;
        }
    } else {
        int start = limit >= 0 ? limit : (c.last ? total - m : c.head - m);
        for (int at = start; at >= 0; at -= c.skip) {
            if (fits(at, total)) {
                found = at;
                break;
            }
            if (c.match) break;
        }
    }
    if (found < 0 || !c.tail) return found;
    int after = c.single ? found + (backward ? 1 : c.skip) : found + m;
    return std::min(after, total);
}

class BlockModelTest : public BlockTest {
  protected:
    std::mt19937 rng{12345};
    int below(int n) { return static_cast<int>(rng() % static_cast<unsigned>(n)); }
    Names random_names(int max) {
        Names out(static_cast<size_t>(below(max + 1)));
        for (std::string& n : out) n = std::string(1, static_cast<char>('a' + below(3)));
        return out;
    }
    // The block, or a hash! holding the same cells.
    Cell* block_of(const Names& names, bool hashed) {
        Cell* b = make(join(names));
        if (hashed) {
            Ref table =
                hash::make_table(static_cast<uint32_t>(names.size()), b, hash::kind::hash, 0);
            value::set_type(b, type_id::hash);
            b->data3 = table;
        }
        return b;
    }
};

TEST_F(BlockModelTest, FindAgreesWithTheModel) {
    for (int round = 0; round < 3000; ++round) {
        FindCase c;
        c.cells = random_names(9);
        c.head = below(static_cast<int>(c.cells.size()) + 1);
        c.single = below(2) == 0;
        c.pattern =
            c.single ? Names{std::string(1, static_cast<char>('a' + below(3)))} : random_names(3);
        c.only = below(4) == 0;
        if (below(3) == 0) c.part = below(6) - 1;
        c.skip = below(3) == 0 ? 1 + below(3) : 1;
        c.last = below(4) == 0;
        c.reverse = !c.last && below(4) == 0;
        c.tail = below(3) == 0;
        c.match = below(5) == 0;
        int expected = model_find(c);
        for (bool hashed : {false, true}) {
            Cell* top = stack::arguments.top;
            Cell* series = block_of(c.cells, hashed);
            series->data1 = static_cast<uint32_t>(c.head);
            Cell value = c.single ? word_cell(c.pattern[0].c_str()) : *make(join(c.pattern));
            Cell part;
            if (c.part) value::set_integer(&part, *c.part);
            Cell skip;
            value::set_integer(&skip, c.skip);
            Cell* found = block::find(series, &value, c.part ? &part : nullptr, c.only, false,
                                      false, false, nullptr, c.skip > 1 ? &skip : nullptr, c.last,
                                      c.reverse, c.tail, c.match);
            int got = cell_type(found) == type_id::none ? -1 : value::series_head(found);
            ASSERT_EQ(got, expected)
                << "round " << round << (hashed ? " hash " : " ") << "[" << join(c.cells)
                << "] head " << c.head << " value " << join(c.pattern) << " only " << c.only
                << " part " << (c.part ? *c.part : 99) << " skip " << c.skip << " last " << c.last
                << " reverse " << c.reverse << " tail " << c.tail << " match " << c.match;
            stack::arguments.top = top;
        }
    }
}

TEST_F(BlockModelTest, SelectAgreesWithTheModel) {
    for (int round = 0; round < 1000; ++round) {
        FindCase c{random_names(8), 0,     {},    below(2) == 0, false, {}, 1,
                   below(3) == 0,   false, false, false};
        c.pattern =
            c.single ? Names{std::string(1, static_cast<char>('a' + below(3)))} : random_names(2);
        int at = model_find(c);
        int m = c.single ? 1 : static_cast<int>(c.pattern.size());
        std::string expected = at < 0 || at + m >= static_cast<int>(c.cells.size())
                                   ? "none"
                                   : c.cells[static_cast<size_t>(at + m)];
        Cell* series = block_of(c.cells, below(2) == 0);
        Cell value = c.single ? word_cell(c.pattern[0].c_str()) : *make(join(c.pattern));
        Cell* got = block::select(series, &value, nullptr, false, false, false, false, nullptr,
                                  nullptr, c.last, false);
        ASSERT_EQ(item_text(got), expected) << join(c.cells) << " / " << join(c.pattern);
    }
}

TEST_F(BlockModelTest, FindRefinementErrors) {
    Cell* b = make("a b c");
    Cell a = word_cell("a");
    Cell zero;
    value::set_integer(&zero, 0);
    Cell other_block = *make("none"); // a local: a stack cell below the base is "not given"
    EXPECT_EQ(raised([&] {
                  block::find(b, &a, nullptr, false, false, false, false, nullptr, &zero, false,
                              false, false, false);
              }),
              code(error::Category::script, "out-of-range"));
    EXPECT_EQ(raised([&] {
                  block::find(b, &a, &other_block, false, false, false, false, nullptr, nullptr,
                              false, false, false, false);
              }),
              code(error::Category::script, "invalid-refine-arg"));
}

TEST_F(BlockModelTest, EditingAgreesWithTheModel) {
    for (int round = 0; round < 3000; ++round) {
        Names cells = random_names(6);
        int total = static_cast<int>(cells.size());
        int head = below(total + 1);
        bool is_block = below(2) == 0;
        Names source = is_block ? random_names(3) : Names{"x"};
        bool only = below(4) == 0;
        int part = below(3) == 0 ? -1 : below(5);
        int dup = below(4) == 0 ? below(3) : 1 + below(3) * (below(2));
        int op = below(3); // 0 append, 1 insert, 2 change
        bool hashed = below(3) == 0;

        Names spread =
            is_block && !only ? source : Names{is_block ? "[" + join(source) + "]" : "x"};
        Names expected = cells;
        int expected_head = head;
        if (op < 2) {
            int n = part < 0 || part > static_cast<int>(spread.size())
                        ? static_cast<int>(spread.size())
                        : part;
            if (n > 0 && dup > 0) {
                Names piece(spread.begin(), spread.begin() + n);
                Names repeated;
                for (int d = 0; d < dup; ++d)
                    repeated.insert(repeated.end(), piece.begin(), piece.end());
                int at = op == 0 ? total : head;
                expected.insert(expected.begin() + at, repeated.begin(), repeated.end());
                expected_head = op == 0 ? 0 : head + static_cast<int>(repeated.size());
            }
        } else {
            Names repeated;
            for (int d = 0; d < dup; ++d)
                repeated.insert(repeated.end(), spread.begin(), spread.end());
            int inserted = static_cast<int>(repeated.size());
            int replaced = std::min(part >= 0 ? part : inserted, total - head);
            expected.erase(expected.begin() + head, expected.begin() + head + replaced);
            expected.insert(expected.begin() + head, repeated.begin(), repeated.end());
            expected_head = head + inserted;
        }

        Cell* top = stack::arguments.top;
        Cell* series = block_of(cells, hashed);
        series->data1 = static_cast<uint32_t>(head);
        Cell value = is_block ? *make(join(source)) : word_cell("x");
        if (op < 2)
            block::append(series, &value, part, only, dup, op == 0);
        else
            block::change(series, &value, part, only, dup);
        ASSERT_EQ(value::series_head(series), expected_head) << "round " << round;
        Cell whole = at(series, 0);
        ASSERT_EQ(text(&whole), join(expected)) << "round " << round << " op " << op;
        if (hashed) {
            // Every item is found through the table at its first occurrence.
            for (int i = 0; i < static_cast<int>(expected.size()); ++i) {
                Cell item = *block::cell_at(series, i);
                Cell* hit =
                    hash::get(series->data3, &item, 0, 1, compare_code::strict_equal, false, false);
                int first = static_cast<int>(
                    std::find(expected.begin(), expected.end(), expected[static_cast<size_t>(i)]) -
                    expected.begin());
                ASSERT_TRUE(hit) << "round " << round;
                ASSERT_EQ(hit - block::cell_at(series, 0), first) << "round " << round;
            }
        }
        stack::arguments.top = top;
    }
}

TEST_F(BlockModelTest, PutStoresAValueThatDiffersOnlyInCase) {
    Cell* b = make("k v");
    Cell key = word_cell("k");
    Cell upper = word_cell("V");
    Cell slot = *b; // the result slot: it receives the value
    block::put(&slot, &key, &upper, false);
    EXPECT_EQ(item_text(&slot), "V");
    Cell whole = at(b, 0);
    EXPECT_EQ(text(&whole), "k V");
    Cell* c = make("k");
    Cell other = word_cell("z");
    Cell fresh = word_cell("q");
    slot = *c;
    block::put(&slot, &key, &other, false); // the last key: a cell is added
    slot = *c;
    block::put(&slot, &fresh, &other, false);
    Cell all = at(c, 0);
    EXPECT_EQ(text(&all), "k z q z");
}

} // namespace
} // namespace zep
