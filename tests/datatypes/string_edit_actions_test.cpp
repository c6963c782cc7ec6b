// append, insert, change, swap and trim on text: the documented cases, and
// random texts of every unit size (values from other buffers and from the
// target's own) checked against a model on std::u32string.
#include <random>

#include "tests/datatypes/string_actions_fixture.h"

namespace zep {
namespace {

using testing::u32;

class StringEditTest : public testing::StringActionsTest {};

TEST_F(StringEditTest, DocumentedAppendInsertChangeCases) {
    Cell s = ascii("ab", 1, 1);
    Cell euro = character(0x20AC);
    Cell* r = string::append(&s, &euro, -1, false, 1, true);
    EXPECT_EQ(all_text(*r), U"ab\u20AC");
    EXPECT_EQ(unit_of(*r), 2u);
    EXPECT_EQ(r->data1, 0u);

    Cell t = ascii("ab", 1, 1), empty = ascii("");
    EXPECT_EQ(string::append(&t, &empty, -1, false, 1, true)->data1, 1u); // unchanged

    Cell x = character('x'), u = ascii("ab");
    EXPECT_EQ(all_text(*string::append(&u, &x, -1, false, 3, true)), U"abxxx");

    Cell i = ascii("abc", 1, 1), xy = ascii("xy");
    r = string::insert(&i, &xy, -1, false, 1, false);
    EXPECT_EQ(all_text(*r), U"axybc");
    EXPECT_EQ(r->data1, 3u);

    Cell c1 = ascii("abc", 1, 1), c2 = ascii("abc", 1, 1), xyz = ascii("XYZ");
    EXPECT_EQ(all_text(*string::change(&c1, &xyz, -1, false, 1, false)), U"aXYZ");
    r = string::change(&c2, &xyz, 1, false, 1, false);
    EXPECT_EQ(all_text(*r), U"aXYZc");
    EXPECT_EQ(r->data1, 4u);
}

TEST_F(StringEditTest, AppendFormsBlockElementsWithinPart) {
    const char* names[3] = {"one", "two", "three"};
    uint32_t symbols[3];
    for (int k = 0; k < 3; ++k) symbols[k] = symbol::make(names[k]);
    Ref node = series::alloc_cells(3);
    SeriesBuffer* b = node_buffer(node);
    auto* cells = arena::at<Cell>(b->head);
    for (int k = 0; k < 3; ++k) value::set_word(&cells[k], type_id::word, 0, symbols[k]);
    b->tail = b->head + 3 * sizeof(Cell);
    Cell block;
    value::set_series(&block, type_id::block, node);
    testing::kept(block);

    Cell s = ascii("");
    EXPECT_EQ(all_text(*string::append(&s, &block, -1, false, 1, true)), U"onetwothree");
    Cell p = ascii("");
    EXPECT_EQ(all_text(*string::append(&p, &block, 2, false, 1, true)), U"onetwo");
    Cell o = ascii("");
    EXPECT_EQ(all_text(*string::append(&o, &block, 2, true, 1, true)), U"on");
    Cell t = ascii("<");
    Cell tag = text(u32("b"), 1, 0, type_id::tag);
    EXPECT_EQ(all_text(*string::append(&t, &tag, -1, false, 1, true)), U"<<b>");
    Cell q = ascii("");
    EXPECT_EQ(all_text(*string::append(&q, &tag, 2, false, 1, true)), U"<b");
}

TEST_F(StringEditTest, SizeOverflowRaisesNoMemoryAndKeepsTheText) {
    Cell s = ascii("abc"), v = ascii("xyz");
    EXPECT_EQ(raised([&] { string::insert(&s, &v, -1, false, INT32_MAX, false); }),
              code(error::Category::internal, "no-memory"));
    EXPECT_EQ(all_text(s), U"abc");
}

enum class Edit { append, insert, change };

// The model: what the edit does to the text and where the result's head is.
std::u32string model_edit(Edit edit, std::u32string t, uint32_t head, std::u32string value,
                          int32_t part, int32_t dup, uint32_t* result_head) {
    if (edit != Edit::change && part >= 0 && static_cast<size_t>(part) < value.size())
        value.resize(static_cast<size_t>(part));
    std::u32string added;
    for (int32_t d = 0; d < dup; ++d) added += value;
    if (edit == Edit::append) {
        *result_head = added.empty() ? head : 0;
        return t + added;
    }
    if (edit == Edit::insert) {
        t.insert(head, added);
        *result_head = head + static_cast<uint32_t>(added.size());
        return t;
    }
    size_t removed = part >= 0 ? static_cast<size_t>(part) : added.size();
    removed = std::min(removed, t.size() - head);
    t.replace(head, removed, added);
    *result_head = std::min<uint32_t>(head + static_cast<uint32_t>(added.size()),
                                      static_cast<uint32_t>(t.size()));
    return t;
}

TEST_F(StringEditTest, RandomEditsOfEveryWidthAgreeWithTheModel) {
    const std::u32string alphabet = U"ab\u00E9\u03C9\U00010400";
    const uint32_t limits[3] = {2, 4, 5}; // letters that fit units 1, 2 and 4
    const uint32_t units[3] = {1, 2, 4};
    std::mt19937 rng(7);
    auto pick = [&](uint32_t n) { return rng() % n; };
    for (int round = 0; round < 6000; ++round) {
        auto edit = static_cast<Edit>(round % 3);
        uint32_t w = pick(3), vw = pick(3);
        std::u32string t, v;
        uint32_t length = pick(8), value_length = pick(5);
        for (uint32_t k = 0; k < length; ++k) t.push_back(alphabet[pick(limits[w])]);
        for (uint32_t k = 0; k < value_length; ++k) v.push_back(alphabet[pick(limits[vw])]);
        uint32_t head = pick(length + 1);
        int32_t part = pick(3) == 0 ? static_cast<int32_t>(pick(6)) : -1;
        int32_t dup = 1 + static_cast<int32_t>(pick(3));
        bool self = pick(3) == 0; // the value is the target's own buffer
        Cell series = text(t, units[w], static_cast<int32_t>(head));
        Cell value = text(v, units[vw]);
        if (self) {
            uint32_t value_head = pick(length + 1);
            value = series;
            value.data1 = value_head;
            v = t.substr(value_head);
        }
        uint32_t expected_head = 0;
        std::u32string expected = model_edit(edit, t, head, v, part, dup, &expected_head);
        Cell* r = edit == Edit::append   ? string::append(&series, &value, part, false, dup, true)
                  : edit == Edit::insert ? string::insert(&series, &value, part, false, dup, false)
                                         : string::change(&series, &value, part, false, dup, false);
        ASSERT_EQ(all_text(*r), expected) << "round " << round;
        ASSERT_EQ(r->data1, expected_head) << "round " << round;
        uint32_t needed = 1;
        for (char32_t c : expected) needed = std::max(needed, c < 0x80 ? 1u : unicode::unit_for(c));
        ASSERT_GE(unit_of(*r), needed) << "round " << round;
    }
}

TEST_F(StringEditTest, SwapExchangesTheHeadCharacters) {
    Cell ab = ascii("ab"), e = text(U"\u00E9");
    string::swap(&ab, &e);
    EXPECT_EQ(all_text(ab), U"\u00E9b");
    EXPECT_EQ(unit_of(ab), 1u); // below 256: no widening
    EXPECT_EQ(all_text(e), U"a");
    Cell w = ascii("xy"), omega = text(U"\u03C9", 2);
    string::swap(&w, &omega);
    EXPECT_EQ(all_text(w), U"\u03C9y");
    Cell n = character('a');
    EXPECT_EQ(raised([&] { string::swap(&ab, &n); }), script("invalid-arg"));
    Cell bin = ascii("z");
    bin.header = type_id::binary;
    Cell wide = text(U"\u03C9", 2);
    EXPECT_EQ(raised([&] { string::swap(&wide, &bin); }), script("invalid-arg"));
    EXPECT_EQ(all_text(bin), U"z");
}

TEST_F(StringEditTest, TakeGivesACharacterWithoutPart) {
    for (uint32_t unit : {1u, 2u, 4u}) {
        Cell s = text(U"\u00E9bc", unit);
        Cell* r = string::take(&s, nullptr, false, false);
        ASSERT_EQ(cell_type(r), type_id::char_);
        EXPECT_EQ(r->data2, 0xE9u);
        EXPECT_EQ(all_text(s), U"bc");
        Cell t = text(U"abc", unit), one;
        value::set_integer(&one, 1);
        r = string::take(&t, &one, false, false);
        ASSERT_EQ(cell_type(r), type_id::string);
        EXPECT_EQ(all_text(*r), U"a");
        stack::reset();
        mark_try();
    }
    Cell bytes = ascii("\x7F");
    bytes.header = type_id::binary;
    Cell* r = string::take(&bytes, nullptr, false, false);
    ASSERT_EQ(cell_type(r), type_id::integer);
    EXPECT_EQ(value::integer_of(r), 0x7F);
    Cell empty = ascii("");
    EXPECT_EQ(cell_type(string::take(&empty, nullptr, false, false)), type_id::none);
}

TEST_F(StringEditTest, TrimVariants) {
    const std::u32string sample = U"  a \n  b \n";
    struct Case {
        bool head, tail, lines, all;
        std::u32string expected;
    } cases[] = {
        {false, false, false, false, U"a\nb\n"},   {true, false, false, false, U"a \n  b \n"},
        {false, true, false, false, U"  a \n  b"}, {false, false, true, false, U"a b"},
        {false, false, false, true, U"ab"},        {true, true, false, false, U"a \n  b"},
    };
    for (const Case& c : cases) {
        for (uint32_t unit : {1u, 2u, 4u}) {
            Cell s = text(sample, unit);
            string::trim(&s, c.head, c.tail, false, c.lines, c.all, nullptr);
            EXPECT_EQ(all_text(s), c.expected) << c.head << c.tail << c.lines << c.all << unit;
        }
    }
    Cell s = text(U"\u3000x\u2003 y\u00A0", 2);
    string::trim(&s, false, false, false, false, false, nullptr);
    EXPECT_EQ(all_text(s), U"x\u2003 y");
    Cell keep = ascii(" a b "), empty = ascii("");
    string::trim(&keep, false, false, false, false, false, &empty);
    EXPECT_EQ(all_text(keep), U" a b ");
    Cell with = ascii("a-b-c"), dash = character('-');
    string::trim(&with, false, false, false, false, false, &dash);
    EXPECT_EQ(all_text(with), U"abc");
    Cell from_head = ascii(" a b ", 1, 2);
    string::trim(&from_head, false, false, false, false, true, nullptr);
    EXPECT_EQ(all_text(from_head), U" ab");
    EXPECT_EQ(raised([&] { string::trim(&keep, false, false, true, false, false, nullptr); }),
              code(error::Category::internal, "not-done"));
}

} // namespace
} // namespace zep
