#include <gtest/gtest.h>

#include <vector>

#include "runtime/catch.h"
#include "runtime/raise.h"
#include "runtime/unicode/units.h"
#include "runtime/unicode/utf16.h"
#include "runtime/unicode/utf8.h"

using namespace zep;
using namespace zep::unicode;

namespace {

// Runs body and answers the id of the catalogue error it raised, or nullptr.
template <class Body> const char* raised_id(Body&& body) {
    error::last_raised = {error::Category::internal, nullptr};
    uint32_t code = catch_::receive(catch_::threshold_call, body);
    catch_::exception_slot = 0;
    return code == catch_::code_error ? error::last_raised.id : nullptr;
}

std::vector<unsigned char> units_of(const std::vector<uint32_t>& cps, uint32_t unit) {
    std::vector<unsigned char> bytes(cps.size() * unit);
    for (size_t i = 0; i < cps.size(); ++i) write_unit(&bytes[i * unit], unit, cps[i]);
    return bytes;
}

} // namespace

TEST(Utf8Encode, EveryScalarValueRoundTripsThroughTheStrictDecoder) {
    unsigned char buf[4];
    for (uint32_t cp = 0; cp <= max_code_point; ++cp) {
        if (cp >= 0xD800 && cp <= 0xDFFF) continue;
        uint32_t n = encode_utf8(cp, buf);
        ASSERT_EQ(n, utf8_length_of(cp)) << cp;
        ASSERT_EQ(char_length(buf[0]), n == 1 ? 0 : n) << cp;
        uint32_t count = 4;
        ASSERT_EQ(decode_utf8_char(buf, count), static_cast<int32_t>(cp));
        ASSERT_EQ(count, n);
    }
}

TEST(Utf8Encode, SurrogatesAreWrittenButNotReadBack) {
    unsigned char buf[4];
    ASSERT_EQ(encode_utf8(0xD800, buf), 3u);
    EXPECT_EQ(std::vector<unsigned char>(buf, buf + 3),
              (std::vector<unsigned char>{0xED, 0xA0, 0x80}));
    uint32_t count = 3;
    EXPECT_STREQ(raised_id([&] { decode_utf8_char(buf, count); }), "invalid-utf8");
    EXPECT_EQ(error::last_raised.category, error::Category::access);
}

TEST(Utf8Encode, BeyondLastCodePointRaisesInvalidChar) {
    unsigned char buf[4] = {};
    EXPECT_STREQ(raised_id([&] { encode_utf8(0x110000, buf); }), "invalid-char");
    EXPECT_EQ(error::last_raised.category, error::Category::script);
    EXPECT_STREQ(raised_id([&] { utf8_length_of(0xFFFFFFFF); }), "invalid-char");
    auto wide = units_of({'a', 0x110000}, 4);
    EXPECT_STREQ(raised_id([&] { utf8_size_of_series(wide.data(), wide.data() + 8, 4); }),
                 "invalid-char");
}

TEST(Utf8Encode, BoundedWritesOnlyWhatFits) {
    unsigned char buf[4] = {0, 0, 0, 0};
    EXPECT_EQ(encode_utf8_bounded(0x20AC, buf, 2), 2u);
    EXPECT_EQ(buf[0], 0xE2);
    EXPECT_EQ(buf[1], 0x82);
    EXPECT_EQ(buf[2], 0);
    EXPECT_EQ(encode_utf8_bounded(0x20AC, buf, 0), 0u);
    EXPECT_EQ(encode_utf8_bounded(0x20AC, buf, -5), 0u);
    EXPECT_EQ(encode_utf8_bounded(0x1F600, buf, 9), 4u);
}

TEST(Utf8Decode, StrictDecoderReportsTruncationOnlyForValidBeginnings) {
    struct Case {
        std::vector<unsigned char> bytes;
        int32_t cp;
        uint32_t count_after;
    };
    const Case cases[] = {
        {{0xC3, 0xA9}, 0xE9, 2},
        {{0xE2, 0x82}, -1, 2},       // valid beginning: needs more bytes
        {{0xF0, 0x9F, 0x98}, -1, 3}, // likewise
        {{0x41, 0x80}, 0x41, 1},     // only the first character is decoded
    };
    for (const Case& c : cases) {
        uint32_t count = static_cast<uint32_t>(c.bytes.size());
        EXPECT_EQ(decode_utf8_char(c.bytes.data(), count), c.cp);
        EXPECT_EQ(count, c.count_after);
    }
    // Overlong, surrogate, out-of-range and impossible beginnings are errors
    // even when cut short.
    const std::vector<unsigned char> invalid[] = {{0xC0, 0x80},
                                                  {0xE0, 0x80},
                                                  {0xED, 0xA0, 0x80},
                                                  {0xED, 0xB0, 0x80},
                                                  {0xF4, 0x90, 0x80, 0x80},
                                                  {0xF5},
                                                  {0x80},
                                                  {0xF8, 0x88, 0x80, 0x80, 0x80}};
    for (const auto& bytes : invalid) {
        uint32_t count = static_cast<uint32_t>(bytes.size());
        EXPECT_STREQ(raised_id([&] { decode_utf8_char(bytes.data(), count); }), "invalid-utf8")
            << std::hex << int(bytes[0]);
    }
    const unsigned char bad[] = {0xE2, 0x41};
    Utf8Char c = decode_utf8_checked(bad, 2);
    EXPECT_EQ(c.status, Utf8Char::invalid);
    EXPECT_EQ(c.length, 2u) << "the sequence from its lead, as far as available";
}

TEST(Utf8Decode, CounterAndSkipperStopAtTheRangeEnd) {
    const unsigned char text[] = {'a', 0xE2, 0x82, 0xAC, 0xF0, 0x9F, 0x98, 0x80, 'b', 0xE2, 0x82};
    const unsigned char* end = text + sizeof text;
    EXPECT_EQ(count_utf8_chars(text, end), 5u) << "the cut-short sequence counts as one";
    EXPECT_EQ(count_utf8_chars(text, text + 3), 2u);
    EXPECT_EQ(skip_utf8_chars(text, end, 2), text + 4);
    EXPECT_EQ(skip_utf8_chars(text, end, 3), text + 8);
    EXPECT_EQ(skip_utf8_chars(text, end, 99), end);
    EXPECT_EQ(skip_utf8_chars(text, end, 0), text);
}

TEST(Utf8Length, SizeOfSeriesSumsEachUnit) {
    auto narrow = units_of({'a', 0xE9, 0x7F, 0x80}, 1);
    EXPECT_EQ(utf8_size_of_series(narrow.data(), narrow.data() + narrow.size(), 1), 6u);
    auto mid = units_of({'a', 0x7FF, 0x800, 0xFFFF}, 2);
    EXPECT_EQ(utf8_size_of_series(mid.data(), mid.data() + mid.size(), 2), 9u);
    auto wide = units_of({0x10000, 0x10FFFF, 0}, 4);
    EXPECT_EQ(utf8_size_of_series(wide.data(), wide.data() + wide.size(), 4), 9u);
}

TEST(Utf16, EncodeCharWritesUnitsOrPairs) {
    unsigned char buf[4] = {0xAA, 0xAA, 0xAA, 0xAA};
    EXPECT_EQ(encode_utf16_char(0x10000, buf), 2u);
    EXPECT_EQ(std::vector<unsigned char>(buf, buf + 4),
              (std::vector<unsigned char>{0x00, 0xD8, 0x00, 0xDC}));
    EXPECT_EQ(encode_utf16_char(0x10FFFF, buf), 2u);
    EXPECT_EQ(std::vector<unsigned char>(buf, buf + 4),
              (std::vector<unsigned char>{0xFF, 0xDB, 0xFF, 0xDF}));
    EXPECT_EQ(encode_utf16_char(0x20AC, buf), 1u);
    EXPECT_EQ(buf[0], 0xAC);
    EXPECT_EQ(buf[1], 0x20);
    unsigned char untouched[4] = {1, 2, 3, 4};
    EXPECT_EQ(encode_utf16_char(0x110000, untouched), 0u);
    EXPECT_EQ(untouched[0], 1);
}

TEST(Utf16, UnitNeededAndExtraBytes) {
    const unsigned char latin[] = {'a', 0, 0xFF, 0};
    const unsigned char bmp[] = {'a', 0, 0xAC, 0x20};
    const unsigned char pair[] = {0xAC, 0x20, 0x3D, 0xD8, 0x00, 0xDE};
    const unsigned char lone_low[] = {0x00, 0xDC};
    EXPECT_EQ(utf16_unit_needed(latin, 2), 1u);
    EXPECT_EQ(utf16_unit_needed(bmp, 2), 2u);
    EXPECT_EQ(utf16_unit_needed(pair, 3), 4u);
    EXPECT_EQ(utf16_unit_needed(lone_low, 1), 4u);
    EXPECT_EQ(utf16_unit_needed(latin, 0), 1u);

    auto wide = units_of({'\n', 0xFFFF, 0x10000, 'x', '\n'}, 4);
    EXPECT_EQ(utf16_extra_bytes(wide.data(), wide.data() + wide.size(), 4), 6u);
    auto narrow = units_of({'\n', 'a', '\n'}, 1);
    EXPECT_EQ(utf16_extra_bytes(narrow.data(), narrow.data() + narrow.size(), 1), 4u);
}
