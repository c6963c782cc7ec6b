#include "runtime/case_change.h"

#include "runtime/case_fold.h"
#include "runtime/catch.h"
#include "runtime/memory.h"
#include "runtime/raise.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using namespace zep;
using case_::to_lower;
using case_::to_upper;

namespace {

uint32_t read_cp(const unsigned char* p, uint32_t unit) {
    uint32_t cp = 0;
    for (uint32_t i = unit; i-- > 0;) cp = cp << 8 | p[i];
    return cp;
}

// A text value of the given type holding `text` in units of `unit` bytes.
Cell make_text(const std::u32string& text, uint32_t unit, int32_t offset = 0,
               uint8_t type = type_id::string) {
    auto n = static_cast<uint32_t>(text.size());
    Ref node = memory::alloc_series(n ? n : 1, unit, offset);
    SeriesBuffer* b = node_buffer(node);
    unsigned char* p = buffer_head(b);
    for (char32_t c : text) {
        for (uint32_t i = 0; i < unit; ++i) *p++ = static_cast<unsigned char>(c >> (8 * i));
    }
    b->tail = b->head + n * unit;
    return Cell{type, 0, node, 0};
}

std::u32string text_of(const Cell& value) {
    SeriesBuffer* b = node_buffer(value.data2);
    uint32_t unit = buffer_unit(b);
    std::u32string out;
    for (unsigned char* p = buffer_head(b); p < buffer_tail(b); p += unit) {
        out.push_back(static_cast<char32_t>(read_cp(p, unit)));
    }
    return out;
}

uint32_t unit_of(const Cell& value) {
    return buffer_unit(node_buffer(value.data2));
}

Cell integer(int32_t n) {
    return Cell{type_id::integer, 0, static_cast<uint32_t>(n), 0};
}

class CaseChange : public ::testing::Test {
  protected:
    static void SetUpTestSuite() { memory::init(); }
    void TearDown() override { case_::set_change_notifier(nullptr); }
};

} // namespace

TEST_F(CaseChange, TextsChangeFromTheirHeadAndWidenWhenNeeded) {
    struct Case {
        std::u32string text;
        uint32_t unit;
        uint32_t head;
        int direction;
        std::u32string expected;
        uint32_t expected_unit;
    };
    const Case cases[] = {
        {U"Hello, World", 1, 0, to_upper, U"HELLO, WORLD", 1},
        {U"Hello, World", 1, 0, to_lower, U"hello, world", 1},
        {U"\u00FF", 1, 0, to_upper, U"\u0178", 2},
        {U"a\u00FFb\u00B5", 1, 1, to_upper, U"a\u0178B\u039C", 2},
        {U"a\u00DF\u00E9", 1, 0, to_upper, U"AS\u00C9", 1},
        {U"\u0130\u1E9E", 2, 0, to_lower, U"i\u00DF", 2},
        {U"\U00010428x\U0001E943", 4, 0, to_upper, U"\U00010400X\U0001E921", 4},
        {U"", 1, 0, to_upper, U"", 1},
        {U"abc", 1, 3, to_upper, U"abc", 1},
    };
    for (const auto& c : cases) {
        Cell args[1] = {make_text(c.text, c.unit)};
        args[0].data1 = c.head;
        EXPECT_EQ(case_::change_series(args, 0, c.direction), &args[0]);
        EXPECT_EQ(text_of(args[0]), c.expected);
        EXPECT_EQ(unit_of(args[0]), c.expected_unit);
    }
}

TEST_F(CaseChange, HeadPastTheTailIsClampedAndWrittenBack) {
    Cell args[1] = {make_text(U"abc", 1)};
    args[0].data1 = 9;
    case_::change_series(args, 0, to_upper);
    EXPECT_EQ(args[0].data1, 3u);
    EXPECT_EQ(text_of(args[0]), U"abc");
}

TEST_F(CaseChange, WideningAHeadPlacedMidBufferStaysInsideTheBuffer) {
    // The head sits in the middle of the data area: the room from the head,
    // not the data size, decides whether the wider text fits.
    Cell args[1] = {make_text(U"", 1, -1)};
    SeriesBuffer* b = node_buffer(args[0].data2);
    auto room = static_cast<size_t>(buffer_end(b) - buffer_head(b));
    ASSERT_LT(room, b->size);
    std::u32string text(room / 2 + 1, U'a');
    text.back() = U'\u00FF';
    for (size_t i = 0; i < text.size(); ++i)
        buffer_head(b)[i] = static_cast<unsigned char>(text[i]);
    b->tail = b->head + static_cast<uint32_t>(text.size());

    case_::change_series(args, 0, to_upper);
    b = node_buffer(args[0].data2);
    EXPECT_LE(buffer_tail(b), buffer_end(b));
    EXPECT_EQ(unit_of(args[0]), 2u);
    std::u32string expected(text.size(), U'A');
    expected.back() = U'\u0178';
    EXPECT_EQ(text_of(args[0]), expected);
}

TEST_F(CaseChange, PartLimitsTheRange) {
    struct Case {
        uint32_t head;
        int32_t part; // an integer! count, or with `position` a head index
        bool position;
        std::u32string expected;
    };
    const Case cases[] = {
        {0, 2, false, U"ABcdef"}, {1, 100, false, U"aBCDEF"}, {2, -3, false, U"abcdef"},
        {2, 0, false, U"abcdef"}, {1, 4, true, U"aBCDef"},    {4, 1, true, U"abcdef"},
        {0, 50, true, U"ABCDEF"},
    };
    for (const auto& c : cases) {
        Cell args[3] = {make_text(U"abcdef", 1), Cell{type_id::none, 0, 0, 0}, integer(c.part)};
        args[0].data1 = c.head;
        if (c.position)
            args[2] = Cell{type_id::string, static_cast<uint32_t>(c.part), args[0].data2, 0};
        case_::change_series(args, 2, to_upper);
        EXPECT_EQ(text_of(args[0]), c.expected) << "head " << c.head << " part " << c.part;
    }
}

TEST_F(CaseChange, PartOfAnotherSeriesOrTypeIsRefused) {
    Cell args[2] = {make_text(U"abc", 1), make_text(U"abc", 1, 0, type_id::file)};
    const Cell refused[] = {
        make_text(U"abc", 1, 0, type_id::file),   // another buffer, another type
        make_text(U"abc", 1),                     // same type, another buffer
        Cell{type_id::file, 1, args[0].data2, 0}, // same buffer, another type
        Cell{type_id::none, 0, 0, 0},
    };
    for (const Cell& part : refused) {
        args[1] = part;
        error::last_raised = {error::Category::internal, nullptr};
        uint32_t code = catch_::receive(catch_::threshold_call,
                                        [&] { case_::change_series(args, 1, to_upper); });
        EXPECT_EQ(code, catch_::code_error);
        EXPECT_EQ(error::last_raised.category, error::Category::script);
        EXPECT_STREQ(error::last_raised.id, "invalid-refine-arg");
        EXPECT_EQ(text_of(args[0]), U"abc");
    }
}

TEST_F(CaseChange, CharFoldsItsCodePoint) {
    Cell args[1] = {Cell{type_id::char_, 0, 0xDF, 0}};
    case_::change_series(args, 0, to_upper);
    EXPECT_EQ(args[0].data2, static_cast<uint32_t>('S'));
    case_::change_series(args, 0, to_lower);
    EXPECT_EQ(args[0].data2, static_cast<uint32_t>('s'));
}

namespace {
struct Notice {
    std::u32string text_seen;
    int direction;
    uint32_t index;
    uint32_t count;
};
std::vector<Notice> notices;
} // namespace

TEST_F(CaseChange, OwnedSeriesAreNotifiedAfterTheChange) {
    notices.clear();
    case_::set_change_notifier(
        [](const Cell* series, int direction, uint32_t index, uint32_t count) {
            notices.push_back({text_of(*series), direction, index, count});
        });
    Cell owned[2] = {make_text(U"abcd", 1), integer(2)};
    owned[0].data1 = 1;
    node_buffer(owned[0].data2)->flags |= series_flag::owned;
    Cell unowned[1] = {make_text(U"abcd", 1)};

    case_::change_series(owned, 1, to_upper);
    case_::change_series(unowned, 0, to_upper);
    ASSERT_EQ(notices.size(), 1u);
    EXPECT_EQ(notices[0].text_seen, U"aBCd");
    EXPECT_EQ(notices[0].direction, to_upper);
    EXPECT_EQ(notices[0].index, 1u);
    EXPECT_EQ(notices[0].count, 2u);
}
