// find and select on text: the documented cases, and random texts of every
// unit size checked against a model on std::u32string.
#include <random>

#include "tests/datatypes/string_actions_fixture.h"

namespace zep {
namespace {

using testing::u32;

struct FindOptions {
    int32_t part = -1; // -1: no /part
    int32_t skip = 0;  // 0: no /skip
    bool case_ = false, last = false, reverse = false, tail = false, match = false;
};

class StringFindTest : public testing::StringActionsTest {
  protected:
    // find with the options; answers the result's head index or -1 for none.
    int64_t find_in(Cell series, const Cell& value, const FindOptions& o) {
        Cell v = value, part, skip;
        value::set_integer(&part, o.part);
        value::set_integer(&skip, o.skip);
        Cell* r =
            string::find(&series, &v, o.part >= 0 ? &part : nullptr, false, o.case_, false, false,
                         nullptr, o.skip ? &skip : nullptr, o.last, o.reverse, o.tail, o.match);
        return cell_type(r) == type_id::none ? -1 : static_cast<int64_t>(r->data1);
    }
};

// Upper case of the letters the random texts use.
uint32_t model_fold(uint32_t c) {
    switch (c) {
    case 'a':
        return 'A';
    case 'b':
        return 'B';
    case 0xE9:
        return 0xC9; // e acute
    case 0x3C9:
        return 0x3A9; // omega
    case 0x10428:
        return 0x10400; // Deseret long i
    default:
        return c;
    }
}

int64_t model_find(const std::u32string& t, int64_t head, const std::u32string& pattern,
                   const FindOptions& o) {
    int64_t total = static_cast<int64_t>(t.size());
    if (total == 0 || (!o.reverse && head >= total)) return -1;
    int64_t limit = -1;
    if (o.part >= 0) {
        if (o.part < 1) return -1;
        limit = std::min<int64_t>(o.part, o.reverse ? head : total - head);
    }
    int64_t n = static_cast<int64_t>(pattern.size());
    int64_t step = o.skip ? o.skip : 1;
    auto equal_at = [&](int64_t start) {
        for (int64_t i = 0; i < n; ++i) {
            uint32_t a = t[start + i], b = pattern[i];
            if (!o.case_) a = model_fold(a), b = model_fold(b);
            if (a != b) return false;
        }
        return true;
    };
    int64_t low, high, p, dir;
    bool ends_at = true;
    if (o.reverse) {
        if (o.match) return -1;
        low = limit >= 0 ? head - limit : 0, high = head, p = head - 1, dir = -1;
    } else if (o.last) {
        low = head, high = limit >= 0 ? head + limit : total, p = high - 1, dir = -1;
    } else {
        low = head, high = limit >= 0 ? head + limit : total, p = head, dir = 1, ends_at = false;
    }
    for (; p >= low && p < high; p += dir * step) {
        int64_t start = ends_at ? p - n + 1 : p;
        if (start >= low && start + n <= high && equal_at(start)) return o.tail ? start + n : start;
        if (o.match) break;
    }
    return -1;
}

TEST_F(StringFindTest, DocumentedCases) {
    Cell abcabc = ascii("abcabc");
    Cell bc = ascii("bc");
    EXPECT_EQ(find_in(abcabc, bc, {}), 1);
    EXPECT_EQ(find_in(abcabc, bc, {.tail = true}), 3);
    EXPECT_EQ(find_in(abcabc, bc, {.last = true}), 4);
    EXPECT_EQ(find_in(abcabc, bc, {.match = true}), -1);
    EXPECT_EQ(find_in(ascii("abcabc", 1, 6), bc, {.reverse = true}), 4);
    EXPECT_EQ(find_in(ascii("ABC"), character('b'), {.case_ = true}), -1);
    EXPECT_EQ(find_in(ascii("ABC"), character('b'), {}), 1);
    EXPECT_EQ(find_in(ascii("abc"), ascii(""), {}), -1); // an empty pattern finds nothing

    Cell s = ascii("a=1"), eq = character('=');
    Cell* r = string::select(&s, &eq, nullptr, false, false, false, false, nullptr, nullptr, false,
                             false);
    ASSERT_EQ(cell_type(r), type_id::char_);
    EXPECT_EQ(r->data2, U'1');
    Cell s2 = ascii("a=1"), one = character('1');
    r = string::select(&s2, &one, nullptr, false, false, false, false, nullptr, nullptr, false,
                       false);
    EXPECT_EQ(cell_type(r), type_id::none);
}

TEST_F(StringFindTest, WordsTagsAndFormedValues) {
    Cell w;
    value::set_word(&w, type_id::word, 0, symbol::make("Cd"));
    EXPECT_EQ(find_in(ascii("abcd"), w, {}), 2);
    Cell tag = text(u32("b"), 1, 0, type_id::tag);
    EXPECT_EQ(find_in(ascii("a<b>c"), tag, {}), 1);
    // select steps past the whole "<b>".
    Cell s = ascii("a<b>c");
    Cell* r = string::select(&s, &tag, nullptr, false, false, false, false, nullptr, nullptr, false,
                             false);
    EXPECT_EQ(r->data2, U'c');
    Cell t;
    value::set_logic(&t, true);
    EXPECT_EQ(find_in(ascii("is true"), t, {}), 3);
}

TEST_F(StringFindTest, RefinementErrors) {
    Cell s = ascii("abc"), c = character('a'), zero;
    value::set_integer(&zero, 0);
    EXPECT_EQ(raised([&] {
                  string::find(&s, &c, nullptr, false, false, false, false, nullptr, &zero, false,
                               false, false, false);
              }),
              script("out-of-range"));
    Cell other = ascii("abc");
    EXPECT_EQ(raised([&] {
                  string::find(&s, &c, &other, false, false, false, false, nullptr, nullptr, false,
                               false, false, false);
              }),
              script("invalid-refine-arg"));
    EXPECT_EQ(raised([&] {
                  string::find(&s, &c, nullptr, false, false, false, true, nullptr, nullptr, false,
                               false, false, false);
              }),
              code(error::Category::internal, "not-done"));
}

TEST_F(StringFindTest, RandomTextsOfEveryWidthAgreeWithTheModel) {
    const std::u32string alphabets[3] = {U"aAbB\u00E9\u00C9", U"aAb\u00E9\u03C9\u03A9",
                                         U"aAb\u03C9\U00010400\U00010428"};
    const uint32_t units[3] = {1, 2, 4};
    std::mt19937 rng(20240611);
    auto pick = [&](int n) { return static_cast<int>(rng() % static_cast<uint32_t>(n)); };
    for (int round = 0; round < 6000; ++round) {
        int w = round % 3;
        const std::u32string& abc = alphabets[w];
        std::u32string t, pattern;
        int length = pick(10);
        for (int i = 0; i < length; ++i) t.push_back(abc[pick(static_cast<int>(abc.size()))]);
        int pattern_length = 1 + pick(3);
        for (int i = 0; i < pattern_length; ++i)
            pattern.push_back(abc[pick(static_cast<int>(abc.size()))]);
        int64_t head = pick(length + 1);
        FindOptions o;
        if (pick(3) == 0) o.part = pick(length + 2);
        if (pick(3) == 0) o.skip = 1 + pick(3);
        o.case_ = pick(2), o.last = pick(4) == 0, o.reverse = pick(4) == 0;
        o.tail = pick(3) == 0, o.match = pick(5) == 0;
        bool as_char = pattern_length == 1 && pick(2);
        uint32_t pattern_unit = units[pick(3)];
        for (char32_t c : pattern) pattern_unit = std::max(pattern_unit, unicode::unit_for(c));
        Cell value = as_char ? character(pattern[0]) : text(pattern, pattern_unit);
        Cell series = text(t, units[w], static_cast<int32_t>(head));
        ASSERT_EQ(find_in(series, value, o), model_find(t, head, pattern, o)) << "round " << round;
        stack::reset();
        mark_try();
    }
}

} // namespace
} // namespace zep
