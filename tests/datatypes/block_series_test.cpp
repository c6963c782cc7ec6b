// The shared series actions on blocks and text: positions, pick and poke,
// remove, reverse, move, take, copy, random; hash! index upkeep and owner
// notifications.
#include <algorithm>

#include "runtime/hashtable.h"
#include "runtime/ownership.h"
#include "tests/datatypes/block_fixture.h"

namespace zep {
namespace {

using testing::BlockTest;

class SeriesTest : public BlockTest {
  protected:
    static std::string all(const Cell* b) {
        Cell whole = at(b, 0);
        return text(&whole);
    }
    Cell* text_value(const char* t) {
        Cell* s = stack::push_slot();
        string::make_at(s, 8);
        string::append_text(s, t);
        return s;
    }
    static std::string text_from_head(const Cell* s) {
        std::string out;
        for (uint32_t i = static_cast<uint32_t>(value::series_head(s)); i < string::total_length(s);
             ++i)
            out += static_cast<char>(string::char_at(s, i));
        return out;
    }
    // Every item of a hash! is found through its table at its first
    // occurrence.
    static void expect_index_in_step(const Cell* h) {
        int32_t n = series::total_length(h);
        for (int32_t i = 0; i < n; ++i) {
            Cell item = *block::cell_at(h, i);
            int32_t first = 0;
            while (actions::compare_values(block::cell_at(h, first), &item,
                                           compare_code::strict_equal) != 0)
                ++first;
            Cell* hit = hash::get(h->data3, &item, 0, 1, compare_code::strict_equal, false, false);
            ASSERT_TRUE(hit) << all(h) << " item " << i;
            EXPECT_EQ(hit - block::cell_at(h, 0), first) << all(h) << " item " << i;
        }
    }
    Cell* hashed(const char* t) {
        Cell* b = make(t);
        Ref table = hash::make_table(8, b, hash::kind::hash, 0);
        value::set_type(b, type_id::hash);
        b->data3 = table;
        return b;
    }
};

TEST_F(SeriesTest, Positions) {
    Cell* b = make("a b c d");
    struct Case {
        int mode; // 1 at, 0 skip
        int32_t head, n, expected;
    };
    const Case cases[] = {{1, 0, 0, 0},   {1, 0, 1, 0},  {1, 2, -1, 1}, {1, 2, 3, 4},
                          {0, 1, 100, 4}, {0, 1, -5, 0}, {1, 0, 9, 4}};
    for (const Case& c : cases) {
        Cell s = at(b, c.head);
        EXPECT_EQ(series::index_by(&s, c.n, c.mode), c.expected) << c.mode << " " << c.n;
    }
    Cell s = at(b, 0);
    series::back(&s);
    EXPECT_EQ(value::series_head(&s), 0);
    series::tail(&s);
    series::next(&s);
    EXPECT_EQ(value::series_head(&s), 4);
    // A view whose head lies past the tail after a clear through another.
    Cell view = at(b, 3);
    Cell other = at(b, 1);
    series::clear(&other);
    Cell index = view;
    series::is_index(&index);
    EXPECT_EQ(value::integer_of(&index), 4);
    EXPECT_EQ(series::length_of(&view), 0);
    EXPECT_EQ(value::series_head(&view), 1);
}

TEST_F(SeriesTest, PickAndPoke) {
    Cell* b = make("a b c");
    Cell s = at(b, 1);
    EXPECT_EQ(item_text(series::pick(&s, 0, nullptr)), "none");
    EXPECT_EQ(item_text(series::pick(&s, -1, nullptr)), "a");
    EXPECT_EQ(item_text(series::pick(&s, 2, nullptr)), "c");
    EXPECT_EQ(item_text(series::pick(&s, 3, nullptr)), "none");
    Cell x = word_cell("x");
    EXPECT_EQ(raised([&] { series::poke(&s, 0, &x, nullptr); }),
              code(error::Category::script, "out-of-range"));
    series::poke(&s, 2, &x, nullptr);
    EXPECT_EQ(all(b), "a b x");
    Cell* t = text_value("abc");
    Cell ch;
    value::set_char(&ch, 0x263A);
    Cell tv = *t;
    series::poke(&tv, 2, &ch, nullptr);
    EXPECT_EQ(string::char_at(t, 1), 0x263Au);
    tv = *t;
    EXPECT_EQ(raised([&] { series::poke(&tv, 1, &x, nullptr); }),
              code(error::Category::script, "invalid-arg"));
    tv = *t;
    EXPECT_EQ(series::pick(&tv, 1, nullptr)->data2, static_cast<uint32_t>('a'));
}

TEST_F(SeriesTest, RemoveAndReverse) {
    Cell* b = make("a b c d e f");
    Cell zero = integer(0);
    Cell minus = integer(-1);
    Cell s = *b;
    series::remove(&s, &zero, nullptr);
    series::remove(&s, &minus, nullptr);
    EXPECT_EQ(all(b), "a b c d e f");
    Cell key = word_cell("q");
    s = *b;
    series::remove(&s, nullptr, &key);
    EXPECT_EQ(cell_type(&s), type_id::none);
    key = word_cell("c");
    s = *b;
    series::remove(&s, nullptr, &key);
    EXPECT_EQ(all(b), "a b e f");

    Cell* r = make("a b c d e f");
    Cell two = integer(2);
    s = *r;
    series::reverse(&s, nullptr, &two);
    EXPECT_EQ(all(r), "e f c d a b");
    Cell six = integer(6);
    s = *r;
    series::reverse(&s, nullptr, &six);
    EXPECT_EQ(all(r), "e f c d a b");
    Cell four = integer(4);
    EXPECT_EQ(raised([&] {
                  Cell v = *r;
                  series::reverse(&v, nullptr, &four);
              }),
              code(error::Category::script, "invalid-refine-arg"));
    Cell three = integer(3);
    s = at(r, 1);
    series::reverse(&s, &three, nullptr);
    EXPECT_EQ(all(r), "e d c f a b");
}

TEST_F(SeriesTest, Move) {
    auto moved = [&](int32_t target_head, const Cell* part) {
        Cell* b = make("a b c d e");
        Cell origin = *b;
        Cell target = at(b, target_head);
        Cell* result = series::move(&origin, &target, part);
        return all(b) + (result == &origin ? " (origin)" : "");
    };
    EXPECT_EQ(moved(2, nullptr), "b c a d e");
    EXPECT_EQ(moved(5, nullptr), "b c d e a");
    Cell three = integer(3);
    EXPECT_EQ(moved(3, &three), "a b c d e (origin)");
    Cell two = integer(2);
    EXPECT_EQ(moved(1, &two), "a b c d e (origin)");
    Cell* b = make("a b c d e");
    Cell origin = at(b, 3);
    Cell target = at(b, 1);
    series::move(&origin, &target, &two);
    EXPECT_EQ(all(b), "a d e b c");
    // Into another block, and a refused transfer into text.
    Cell* from = make("x y");
    Cell* to = make("p q");
    origin = *from;
    target = at(to, 1);
    series::move(&origin, &target, &two);
    EXPECT_EQ(all(to), "p x y q");
    EXPECT_EQ(all(from), "");
    Cell* text = text_value("abc");
    origin = *to;
    target = *text;
    EXPECT_EQ(raised([&] { series::move(&origin, &target, nullptr); }),
              code(error::Category::script, "move-bad"));
}

TEST_F(SeriesTest, TakeAndCopy) {
    Cell* b = make("a b c d");
    Cell two = integer(2);
    Cell s = *b;
    block::take(&s, &two, false, true);
    EXPECT_EQ(text(&s), "c d");
    EXPECT_EQ(all(b), "a b");
    s = *b;
    block::take(&s, nullptr, false, false);
    EXPECT_EQ(item_text(&s), "a");
    Cell zero = integer(0);
    s = *b;
    block::take(&s, &zero, false, false);
    EXPECT_EQ(text(&s), "");
    EXPECT_EQ(all(b), "b");
    Cell* empty = make("");
    s = *empty;
    block::take(&s, nullptr, false, false);
    EXPECT_EQ(cell_type(&s), type_id::none);

    Cell* t = text_value("abcdef");
    Cell pair;
    value::set_cell(&pair, type_id::pair, 0, 2, 4);
    Cell out;
    series::copy(t, &out, &pair, false, nullptr);
    EXPECT_EQ(text_from_head(&out), "bc");
    Cell minus = integer(-2);
    Cell from = at(t, 4);
    series::copy(&from, &out, &minus, false, nullptr);
    EXPECT_EQ(text_from_head(&out), "cd");
}

TEST_F(SeriesTest, DeepCopy) {
    Cell* b = make("a [b]");
    Cell* t = text_value("s");
    block::append_value(b, t);
    Cell& shallow = *stack::push_slot();
    block::copy(b, &shallow, nullptr, false, nullptr);
    Cell& deep = *stack::push_slot();
    block::copy(b, &deep, nullptr, true, nullptr);
    EXPECT_EQ(block::cell_at(&shallow, 2)->data2, t->data2);
    EXPECT_NE(block::cell_at(&deep, 2)->data2, t->data2);
    EXPECT_NE(block::cell_at(&deep, 1)->data2, block::cell_at(b, 1)->data2);
    EXPECT_EQ(text(&deep), "a [b] ?7");
    block::append_value(b, b);
    EXPECT_EQ(raised([&] { block::copy(b, stack::push_slot(), nullptr, true, nullptr); }),
              code(error::Category::internal, "no-cycle"));
}

TEST_F(SeriesTest, RandomShufflesAndPicks) {
    Cell* b = make("a b c d e f g h");
    Cell s = *b;
    series::random(&s, false, false, false);
    std::string shuffled = all(b);
    std::string sorted_back = shuffled;
    std::sort(sorted_back.begin(), sorted_back.end());
    EXPECT_EQ(sorted_back, "       abcdefgh");
    s = *b;
    series::random(&s, true, false, false);
    s = *b;
    series::random(&s, false, false, true);
    Cell first = s;
    s = *b;
    series::random(&s, true, false, false);
    s = *b;
    series::random(&s, false, false, true);
    EXPECT_EQ(item_text(&s), item_text(&first)); // the same seed, the same pick
}

TEST_F(SeriesTest, HashIndexStaysInStep) {
    Cell* h = hashed("a b c d e a f");
    Cell two = integer(2);
    Cell s = at(h, 1);
    series::remove(&s, &two, nullptr);
    expect_index_in_step(h);
    s = *h;
    series::reverse(&s, nullptr, nullptr);
    expect_index_in_step(h);
    Cell origin = *h;
    Cell target = at(h, 3);
    series::move(&origin, &target, nullptr);
    expect_index_in_step(h);
    Cell x = word_cell("x");
    s = *h;
    series::poke(&s, 2, &x, nullptr);
    expect_index_in_step(h);
    s = at(h, 1);
    block::take(&s, &two, false, false);
    expect_index_in_step(h);
    Cell* other = make("q");
    s = *h;
    block::swap(&s, other);
    expect_index_in_step(h);
    s = *h;
    block::sort(&s, false, nullptr, nullptr, nullptr, false, false, false);
    expect_index_in_step(h);
    EXPECT_EQ(all(h), "a f q");
}

struct Heard {
    std::string action;
    int32_t index, part;
};
std::vector<Heard> heard;
void hear(const Cell*, const Cell*, const Cell*, const Cell* action, const Cell*, int32_t index,
          int32_t part) {
    heard.push_back({symbol::utf8_text(value::word_symbol(action)), index, part});
}

TEST_F(SeriesTest, OwnerHearsBeforeAndAfterEachChange) {
    ownership::set_fire_hook(&hear);
    Cell* b = make("a b c");
    Cell* record = hash::put_new(ownership::table(), b->data2);
    record[0] = *b;
    // An object! over a real context, with a change-handler record.
    Ref handler = value::series_node(make(""));
    Cell field = word_cell("field");
    Cell owner;
    value::set_cell(&owner, type_id::object,
                    context::make_node(1, false, true, 0, context::kind::object), 0, handler);
    stack::push(&owner); // the owner table holds its owners weakly
    // Finding a record can rehash (the allocations above moved it).
    record = hash::find_key(ownership::table(), b->data2);
    record[1] = owner;
    record[2] = field;
    node_buffer(b->data2)->flags |= series_flag::owned;
    heard.clear();
    Cell x = word_cell("x");
    Cell s = at(b, 1);
    block::append(&s, &x, -1, false, 2, false);
    s = *b;
    series::clear(&s);
    std::string got;
    for (const Heard& h : heard)
        got += h.action + " " + std::to_string(h.index) + " " + std::to_string(h.part) + "; ";
    EXPECT_EQ(got, "insert 1 2; inserted 1 2; clear 0 5; cleared 0 0; ");
    ownership::set_fire_hook(nullptr);
}

} // namespace
} // namespace zep
