#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "runtime/catch.h"
#include "runtime/memory.h"
#include "runtime/raise.h"
#include "runtime/unicode/conversion.h"
#include "runtime/unicode/text_cell.h"
#include "runtime/unicode/text_load.h"
#include "runtime/unicode/widen.h"

using namespace zep;
using namespace zep::unicode;

namespace {

class TextTest : public ::testing::Test {
  protected:
    void SetUp() override {
        memory::init();
        memory::collector_enabled = false;
    }
    void TearDown() override { memory::free_all(); }

    // A text series of the given unit holding the code points.
    static Ref text_of(const std::vector<uint32_t>& cps, uint32_t unit) {
        Ref node = series::alloc_unit(static_cast<uint32_t>(cps.size()), unit);
        SeriesBuffer* b = node_buffer(node);
        for (size_t i = 0; i < cps.size(); ++i) write_unit(buffer_head(b) + i * unit, unit, cps[i]);
        b->tail = b->head + static_cast<uint32_t>(cps.size()) * unit;
        return node;
    }

    static std::vector<uint32_t> code_points(Ref node) {
        SeriesBuffer* b = node_buffer(node);
        std::vector<uint32_t> cps;
        for (unsigned char* p = buffer_head(b); p < buffer_tail(b); p += buffer_unit(b)) {
            cps.push_back(read_unit(p, buffer_unit(b)));
        }
        return cps;
    }

    static Ref load(const std::string& bytes, SeriesBuffer* target = nullptr,
                    uint32_t* unread = nullptr, bool crlf = false) {
        return load_utf8(reinterpret_cast<const unsigned char*>(bytes.data()),
                         static_cast<uint32_t>(bytes.size()), target, unread, crlf);
    }

    template <class Body> static const char* raised_id(Body&& body) {
        error::last_raised = {error::Category::internal, nullptr};
        uint32_t code = catch_::receive(catch_::threshold_call, body);
        catch_::exception_slot = 0;
        return code == catch_::code_error ? error::last_raised.id : nullptr;
    }
};

using Cps = std::vector<uint32_t>;

TEST_F(TextTest, WideningKeepsTextAndPositionsAndNeverNarrows) {
    // A head placed mid-buffer leaves too little room after it although the
    // data size would do: the buffer must still be expanded, not overrun.
    Ref node = memory::alloc_series(32, 1, -1);
    SeriesBuffer* b = node_buffer(node);
    const char text[] = "abcdefghij\xE9klmno";
    std::memcpy(buffer_head(b), text, 16);
    b->tail = b->head + 16;
    Cps expected(text, text + 16);
    for (uint32_t& cp : expected) cp &= 0xFF;

    b = widen_1_to_2(node_buffer(node));
    EXPECT_EQ(buffer_unit(b), 2u);
    EXPECT_EQ(code_points(node), expected);
    EXPECT_EQ(b->node, node);
    EXPECT_NE(b->flags & series_flag::in_use, 0u) << "other flag bits are kept";

    b = widen_2_to_4(b);
    EXPECT_EQ(buffer_unit(b), 4u);
    EXPECT_EQ(code_points(node), expected);
    // A head index is a unit index: position 10 is still the e-acute.
    Cell cell;
    make_text_cell(&cell, node);
    cell.data1 = 10;
    EXPECT_EQ(read_unit(text_range(&cell).start, 4), 0xE9u);

    EXPECT_EQ(widen_to(b, 2), b);
    EXPECT_EQ(buffer_unit(node_buffer(node)), 4u);

    Ref narrow = text_of({'x', 0xFF, 0}, 1);
    b = widen_1_to_4(node_buffer(narrow));
    EXPECT_EQ(code_points(narrow), (Cps{'x', 0xFF, 0}));
    EXPECT_GE(buffer_end(b) - buffer_tail(b), 4) << "room for one more unit";
}

TEST_F(TextTest, WideningAnEmptyBufferOnlyChangesTheUnit) {
    Ref node = series::alloc_unit(0, 1);
    SeriesBuffer* b = widen_1_to_2(node_buffer(node));
    EXPECT_EQ(buffer_unit(b), 2u);
    EXPECT_EQ(b->tail, b->head);
}

TEST_F(TextTest, WideningTheWrongUnitIsAnInternalFault) {
    Ref node = text_of({'a'}, 2);
    // The report goes to standard output; the exit status carries the code.
    EXPECT_EXIT(widen_1_to_2(node_buffer(node)), ::testing::ExitedWithCode(101), "");
}

TEST_F(TextTest, Utf8LoadingPicksTheNarrowestUnit) {
    struct Case {
        std::string bytes;
        uint32_t unit;
        Cps cps;
    };
    const Case cases[] = {
        {"\xC3\xA9", 1, {0xE9}},
        {"\xE2\x82\xAC", 2, {0x20AC}},
        {"a\xE2\x82\xAC\xF0\x9F\x98\x80", 4, {'a', 0x20AC, 0x1F600}},
        {"\xEF\xBB\xBF", 1, {}},
        {"\xEF\xBB\xBF"
         "ab",
         1,
         {'a', 'b'}},
        {"a\xEF\xBB\xBF", 2, {'a', 0xFEFF}},
        {"", 1, {}},
    };
    for (const Case& c : cases) {
        Ref node = load(c.bytes);
        EXPECT_EQ(buffer_unit(node_buffer(node)), c.unit) << c.bytes;
        EXPECT_EQ(code_points(node), c.cps) << c.bytes;
    }
}

TEST_F(TextTest, Utf8LineEnds) {
    EXPECT_EQ(code_points(load("x\r\ny", nullptr, nullptr, true)), (Cps{'x', '\n', 'y'}));
    EXPECT_EQ(code_points(load("x\ry\r", nullptr, nullptr, true)), (Cps{'x', '\n', 'y', '\n'}));
    EXPECT_EQ(code_points(load("x\r\ny")), (Cps{'x', '\r', '\n', 'y'}));
}

TEST_F(TextTest, Utf8TruncatedTailIsReportedOrRefused) {
    uint32_t unread = 0;
    Ref node = load("ab\xE2\x82", nullptr, &unread);
    EXPECT_EQ(code_points(node), (Cps{'a', 'b'}));
    EXPECT_EQ(unread, 2u);
    // Without a place to report them, dropping the bytes would lose data.
    EXPECT_STREQ(raised_id([] { load("ab\xE2\x82"); }), "invalid-utf8");
    unread = 7;
    load("\xEF\xBB\xBF", nullptr, &unread);
    EXPECT_EQ(unread, 0u);
}

TEST_F(TextTest, Utf8InvalidFormsRaiseAndLeaveTheTargetAlone) {
    Ref node = text_of({'k', 'e', 'e', 'p'}, 1);
    SeriesBuffer* target = node_buffer(node);
    const char* invalid[] = {"\xC0\x80", "a\xED\xA0\x80", "\xED\xB0\x80", "\xF4\x90\x80\x80",
                             "ok\xFF"};
    for (const char* bytes : invalid) {
        EXPECT_STREQ(raised_id([&] { load(bytes, target); }), "invalid-utf8") << bytes;
        EXPECT_EQ(error::last_raised.category, error::Category::access);
        EXPECT_EQ(code_points(node), (Cps{'k', 'e', 'e', 'p'}));
        EXPECT_EQ(buffer_unit(node_buffer(node)), 1u);
    }
}

TEST_F(TextTest, Utf8LoadingIntoATargetReplacesAndNeverNarrows) {
    Ref node = text_of({'o', 'l', 'd', 0x1F600}, 4);
    Cell cell;
    make_text_cell(&cell, node);
    EXPECT_EQ(load_utf8_into(reinterpret_cast<const unsigned char*>("hi"), 2, &cell, nullptr),
              node);
    EXPECT_EQ(code_points(node), (Cps{'h', 'i'}));
    EXPECT_EQ(buffer_unit(node_buffer(node)), 4u);

    // Loading nothing empties the target rather than keeping the old text.
    load("", node_buffer(node));
    EXPECT_EQ(code_points(node), Cps{});

    // A long text grows a small unit-1 target and widens it.
    Ref small = text_of({'z'}, 1);
    std::string long_text(5000, 'q');
    long_text += "\xE2\x82\xAC";
    EXPECT_EQ(load(long_text, node_buffer(small)), small);
    Cps cps = code_points(small);
    ASSERT_EQ(cps.size(), 5001u);
    EXPECT_EQ(cps.front(), 'q');
    EXPECT_EQ(cps.back(), 0x20ACu);
    EXPECT_EQ(buffer_unit(node_buffer(small)), 2u);
}

TEST_F(TextTest, Utf16Loading) {
    const unsigned char pair[] = {0x3D, 0xD8, 0x00, 0xDE};
    SeriesBuffer* b = load_utf16le(pair, 2, nullptr, false);
    EXPECT_EQ(buffer_unit(b), 4u);
    EXPECT_EQ(code_points(b->node), (Cps{0x1F600}));

    const unsigned char cr[] = {'x', 0, '\r', 0, 'y', 0};
    EXPECT_EQ(code_points(load_utf16le(cr, 3, nullptr, true)->node), (Cps{'x', 'y'}));
    EXPECT_EQ(code_points(load_utf16le(cr, 3, nullptr, false)->node), (Cps{'x', '\r', 'y'}));

    const unsigned char lone_high[] = {0x3D, 0xD8, 0x41, 0x00};
    const unsigned char last_high[] = {0x41, 0x00, 0x3D, 0xD8};
    Ref node = text_of({'k'}, 1);
    Cell cell;
    make_text_cell(&cell, node);
    for (const unsigned char* bytes : {lone_high, last_high}) {
        EXPECT_STREQ(raised_id([&] { load_utf16le(bytes, 2, &cell, false); }), "invalid-data");
        EXPECT_EQ(error::last_raised.category, error::Category::script);
        EXPECT_EQ(code_points(node), Cps{'k'});
    }
    // Into a target: its unit becomes the one the text needs.
    const unsigned char euro[] = {0xAC, 0x20, 'a', 0};
    EXPECT_EQ(load_utf16le(euro, 2, &cell, false)->node, node);
    EXPECT_EQ(code_points(node), (Cps{0x20AC, 'a'}));
    EXPECT_EQ(buffer_unit(node_buffer(node)), 2u);
}

TEST_F(TextTest, Utf16LoadingFromTheOwnConversionBuffer) {
    Ref node = text_of({'a', 0x1F600, '\n'}, 4);
    Cell cell;
    make_text_cell(&cell, node);
    int32_t count = -1;
    ASSERT_NE(to_utf_buffer(&cell, count, true), nullptr);
    EXPECT_EQ(count, 5); // a, the pair, CR, LF
    // Loading it back with CRs dropped gives the text again.
    load_utf16le(nullptr, static_cast<uint32_t>(count), &cell, true);
    EXPECT_EQ(code_points(node), (Cps{'a', 0x1F600, '\n'}));
}

TEST_F(TextTest, ToUtf8FromTheHeadWithLimitsAndLineEnds) {
    Ref node = text_of({'x', 0xE9, '\n', 0x20AC, 0x1F600}, 4);
    Cell cell;
    make_text_cell(&cell, node);
    cell.data1 = 1;
    int32_t length = -1;
    unsigned char* p = to_utf8_cstr(&cell, length);
    EXPECT_EQ(std::string(reinterpret_cast<char*>(p), length + 1),
              std::string("\xC3\xA9\n\xE2\x82\xAC\xF0\x9F\x98\x80", 11));
    length = 2;
    p = to_utf8_cstr_part(&cell, length, true);
    EXPECT_EQ(std::string(reinterpret_cast<char*>(p), length + 1), std::string("\xC3\xA9\r\n", 5));

    cell.data1 = 99; // past the tail: clamped, empty
    length = -1;
    p = to_utf8_cstr(&cell, length);
    EXPECT_EQ(length, 0);
    EXPECT_EQ(p[0], 0);

    Ref bad = text_of({'a', 0x110000}, 4);
    Cell bad_cell;
    make_text_cell(&bad_cell, bad);
    length = -1;
    EXPECT_STREQ(raised_id([&] { to_utf8_cstr(&bad_cell, length); }), "invalid-char");
    int32_t count = -1;
    EXPECT_EQ(to_utf_buffer(&bad_cell, count, false), nullptr);
}

TEST_F(TextTest, SeriesToUtf8IntoCallerMemory) {
    Ref node = text_of({'a', 0x20AC, 'b'}, 2);
    Cell cell;
    make_text_cell(&cell, node);
    unsigned char out[8];
    std::memset(out, 0xAA, sizeof out);
    EXPECT_EQ(series_to_utf8(&cell, out, -1, true), 5u);
    EXPECT_EQ(std::string(reinterpret_cast<char*>(out), 6), std::string("a\xE2\x82\xAC"
                                                                        "b\0",
                                                                        6));
    EXPECT_EQ(series_to_utf8(&cell, out, 1, false), 1u);

    // Bounded: never more than the room, NUL included, and only whole
    // characters (a cut sequence would be invalid UTF-8).
    std::memset(out, 0xAA, sizeof out);
    EXPECT_EQ(series_to_utf8_bounded(&cell, out, 3, 0, true), 1u);
    EXPECT_EQ(out[0], 'a');
    EXPECT_EQ(out[1], 0);
    EXPECT_EQ(out[2], 0xAA);
    EXPECT_EQ(series_to_utf8_bounded(&cell, out, 5, 0, false), 5u);
    EXPECT_EQ(series_to_utf8_bounded(&cell, out, 8, 2, false), 4u);
    EXPECT_EQ(series_to_utf8_bounded(&cell, out, 0, 0, true), 0u);
    EXPECT_EQ(out[0], 'a') << "room 0 writes nothing";
}

TEST_F(TextTest, ToUtf16CoversPairsAndCrLfWithoutOverflow) {
    // U+10000 itself needs a pair: the extra bytes must count it.
    Ref node = text_of({0x10000, '\n', '\n'}, 4);
    Cell cell;
    make_text_cell(&cell, node);
    unsigned char* p = to_utf16_buffer(&cell);
    const unsigned char want[] = {0x00, 0xD8, 0x00, 0xDC, '\r', 0, '\n', 0, '\r', 0, '\n', 0, 0, 0};
    EXPECT_EQ(std::memcmp(p, want, sizeof want), 0);
    SeriesBuffer* conversion = node_buffer(cell.data3);
    EXPECT_LE(buffer_head(conversion) + sizeof want, buffer_end(conversion));

    Ref narrow = text_of({'a', 0xE9, '\n'}, 1);
    make_text_cell(&cell, narrow);
    int32_t count = 2;
    p = to_utf_buffer(&cell, count, true);
    EXPECT_EQ(count, 2);
    const unsigned char want_narrow[] = {'a', 0, 0xE9, 0, 0, 0};
    EXPECT_EQ(std::memcmp(p, want_narrow, sizeof want_narrow), 0);
}

TEST_F(TextTest, ConversionBufferIsReusedButNeverShared) {
    Ref node = text_of({'a', 'b', 'c'}, 1);
    Cell first;
    make_text_cell(&first, node);
    int32_t length = -1;
    unsigned char* p = to_utf8_cstr(&first, length);
    Ref conversion = first.data3;
    ASSERT_NE(conversion, 0u);
    length = -1;
    EXPECT_EQ(to_utf8_cstr(&first, length), p) << "a second conversion reuses the buffer";
    EXPECT_EQ(first.data3, conversion);

    // A copy of the cell carries the same node; its conversion must not
    // overwrite the text the first value's caller still holds.
    Cell copy = first;
    copy.data1 = 1;
    length = -1;
    unsigned char* q = to_utf8_cstr(&copy, length);
    EXPECT_NE(copy.data3, first.data3);
    EXPECT_STREQ(reinterpret_cast<char*>(p), "abc");
    EXPECT_STREQ(reinterpret_cast<char*>(q), "bc");

    // A larger conversion grows the buffer in place of its node.
    Ref long_node = text_of(Cps(3000, 0x20AC), 2);
    first.data2 = long_node;
    first.data1 = 0;
    length = -1;
    p = to_utf8_cstr(&first, length);
    EXPECT_EQ(first.data3, conversion);
    EXPECT_EQ(length, 9000);
    EXPECT_EQ(p[8997], 0xE2);
}

} // namespace
