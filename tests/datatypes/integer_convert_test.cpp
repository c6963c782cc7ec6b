// make and to integer! from every source, the text reader, form and mold.
#include <climits>
#include <cmath>
#include <cstring>

#include "datatypes/symbol.h"
#include "runtime/memory.h"
#include "services/lexer_integer.h"
#include "tests/datatypes/integer_fixture.h"

namespace zep {
namespace {

class IntegerConvert : public testing::NumberTest {
  protected:
    static Cell issue(const char* name) {
        Cell c;
        value::set_word(&c, type_id::issue, 0, symbol::make(name));
        return c;
    }
    static Cell binary(std::initializer_list<unsigned char> bytes) {
        Ref node = memory::alloc_series(static_cast<uint32_t>(bytes.size()) + 1, 1, 0);
        SeriesBuffer* b = node_buffer(node);
        unsigned char* p = buffer_head(b);
        for (unsigned char x : bytes) *p++ = x;
        b->tail = b->head + static_cast<Ref>(bytes.size());
        Cell c;
        value::set_series(&c, type_id::binary, node);
        return c;
    }
    static int32_t to_int(const Cell& spec) {
        Cell result;
        integer::to(&result, &spec, type_id::integer);
        EXPECT_EQ(cell_type(&result), type_id::integer);
        return value::integer_of(&result);
    }
};

TEST(LoadInteger, ReadsSignsDigitsAndSeparators) {
    struct Case {
        const char* text;
        bool error;
        int32_t value;
    };
    const Case cases[] = {
        {"0", false, 0},
        {"+17", false, 17},
        {"-17", false, -17},
        {"1'000'000", false, 1000000},
        {"2147483647", false, INT_MAX},
        {"-2147483648", false, INT_MIN},
        {"2147483648", true, 0},
        {"-2147483649", true, 0},
        {"99999999999999999999", true, 0},
        {"", true, 0},
        {"-", true, 0},
        {"'1", true, 0},
        {"12a", true, 0},
        {" 1", true, 0},
        {"1.5", true, 0},
        {"0002147483647", false, INT_MAX},
    };
    for (const Case& c : cases) {
        bool error = false;
        int32_t n = lexer::load_integer(reinterpret_cast<const unsigned char*>(c.text),
                                        static_cast<uint32_t>(std::strlen(c.text)), 1, &error);
        EXPECT_EQ(error, c.error) << c.text;
        EXPECT_EQ(n, c.value) << c.text;
    }
    const char16_t wide[] = u"-42";
    bool error = true;
    EXPECT_EQ(lexer::load_integer(reinterpret_cast<const unsigned char*>(wide), 3, 2, &error), -42);
    EXPECT_FALSE(error);
}

TEST_F(IntegerConvert, FromEverySource) {
    EXPECT_EQ(to_int(text("-1'234")), -1234);
    EXPECT_EQ(to_int(ch(0x10FFFF)), 0x10FFFF);
    EXPECT_EQ(to_int(f(-2.9)), -2);
    EXPECT_EQ(to_int(f(2147483647.9)), INT_MAX);
    EXPECT_EQ(to_int(f(-2147483648.9)), INT_MIN);
    EXPECT_EQ(to_int(t(3600.5)), 3601);
    EXPECT_EQ(to_int(issue("FF")), 255);
    EXPECT_EQ(to_int(issue("ffffffff")), -1);
    EXPECT_EQ(to_int(binary({1, 2})), 258);
    EXPECT_EQ(to_int(binary({0x80, 0, 0, 1, 9})), INT_MIN + 1);
    EXPECT_EQ(to_int(binary({})), 0);
    Cell yes, result;
    value::set_logic(&yes, true);
    EXPECT_EQ(value::integer_of(integer::make(&result, &yes, type_id::integer)), 1);
}

TEST_F(IntegerConvert, RefusedSources) {
    Cell result;
    auto to = [&](const Cell& spec) { return raised([&] { integer::to(&result, &spec, 0); }); };
    EXPECT_EQ(to(f(2147483648.0)), "script/type-limit");
    EXPECT_EQ(to(f(NAN)), "script/type-limit");
    EXPECT_EQ(to(f(-2147483649.0)), "script/type-limit");
    EXPECT_EQ(to(t(1e20)), "script/type-limit");
    EXPECT_EQ(to(text("12x")), "script/bad-to-arg");
    EXPECT_EQ(to(issue("123456789")), "script/invalid-data");
    EXPECT_EQ(to(issue("G1")), "script/invalid-data");
    EXPECT_EQ(to(issue("\xC3\x81")), "script/invalid-data"); // non-ASCII
    Cell none;
    value::set_none(&none);
    EXPECT_EQ(to(none), "script/bad-to-arg");
    Cell yes;
    value::set_logic(&yes, true);
    EXPECT_EQ(to(yes), "script/bad-to-arg");
}

TEST_F(IntegerConvert, FormAndMold) {
    for (int32_t n : {0, 7, -7, INT_MAX, INT_MIN}) {
        EXPECT_EQ(render(i(n)), std::to_string(n));
        EXPECT_EQ(render(i(n), true), std::to_string(n));
    }
}

} // namespace
} // namespace zep
