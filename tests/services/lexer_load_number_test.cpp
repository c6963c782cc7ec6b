// Loading number tokens: integers at the overflow edge, hexadecimal
// integers, floats and their special forms, percents and money; and the
// number converters that `to integer!` and `to float!` use.
#include <climits>
#include <cmath>
#include <cstring>

#include "datatypes/money.h"
#include "services/lexer_integer.h"
#include "services/lexer_load_float.h"
#include "tests/services/lexer_load_fixture.h"

namespace zep::testing {
namespace {

class LexerLoadNumber : public LexerLoadTest {};

struct NumberCase {
    const char* source;
    uint8_t type;
    double value; // integers compare exactly too
};

TEST_F(LexerLoadNumber, Numbers) {
    const NumberCase cases[] = {
        {"0", type_id::integer, 0},
        {"-7", type_id::integer, -7},
        {"+5", type_id::integer, 5},
        {"2147483647", type_id::integer, 2147483647.0},
        {"-2147483648", type_id::integer, -2147483648.0},
        {"-2'147'483'648", type_id::integer, -2147483648.0},
        {"2147483648", type_id::float_, 2147483648.0},
        {"-2147483649", type_id::float_, -2147483649.0},
        {"12345678901", type_id::float_, 12345678901.0},
        {"00000000001", type_id::float_, 1.0},
        {"1'000'000", type_id::integer, 1000000},
        {"12'345'678'901", type_id::float_, 12345678901.0},
        {"FFh", type_id::integer, 255},
        {"0Ah", type_id::integer, 10},
        {"7FFFFFFFh", type_id::integer, 2147483647.0},
        {"FFFFFFFFh", type_id::integer, -1},
        {"1.5", type_id::float_, 1.5},
        {"-0.25", type_id::float_, -0.25},
        {".5", type_id::float_, 0.5},
        {"1.", type_id::float_, 1.0},
        {"1e3", type_id::float_, 1000.0},
        {"1.5E-3", type_id::float_, 0.0015},
        {"1'000.5", type_id::float_, 1000.5},
        {"1e400", type_id::float_, INFINITY},
        {"-1.#INF", type_id::float_, -INFINITY},
        {"1.#inf", type_id::float_, INFINITY},
        {"10%", type_id::percent, 0.1},
        {"-50%", type_id::percent, -0.5},
        {"1.5%", type_id::percent, 0.015},
        {"1'000%", type_id::percent, 10.0},
    };
    for (const NumberCase& c : cases) {
        Cell v = load(c.source);
        ASSERT_EQ(cell_type(&v), c.type) << c.source;
        if (c.type == type_id::integer)
            EXPECT_EQ(value::integer_of(&v), static_cast<int32_t>(c.value)) << c.source;
        else
            EXPECT_EQ(number_of(v), c.value) << c.source;
    }
    Cell nan = load("1.#NaN");
    ASSERT_EQ(cell_type(&nan), type_id::float_);
    EXPECT_EQ(nan.data3, 0x7FF80000u);
    EXPECT_EQ(nan.data2, 0u);
    EXPECT_EQ(load("-1.#nan").data3, 0x7FF80000u);
}

TEST_F(LexerLoadNumber, Invalid) {
    const std::pair<const char*, uint8_t> cases[] = {
        {"1''0", type_id::integer},     {"FFFFFFFFFh", type_id::integer},
        {"1h", type_id::integer},       {"Ah", type_id::issue},
        {"1e", type_id::float_},        {"1.5e+", type_id::float_},
        {"1.#NAX", type_id::float_},    {"$1''0", type_id::money},
        {"$1'", type_id::money},        {"$1.", type_id::money},
        {"$1.1234567", type_id::money}, {"$1234567890123456789", type_id::money},
    };
    for (const auto& [source, type] : cases)
        EXPECT_EQ(failure(source), (Failure{"invalid", type})) << source;
}

TEST_F(LexerLoadNumber, Money) {
    const std::pair<const char*, const char*> cases[] = {
        {"$1.50", "$1.50"},
        {"-$2", "-$2.00"},
        {"$0'001.25", "$1.25"},
        {"+$3.5", "$3.50"},
        {"$1.123456", "$1.12346"},
        {"$0", "$0.00"},
        {"$12'345'678'901'234'567.5", "$12345678901234567.50"},
    };
    for (const auto& [source, text] : cases) {
        Cell v = load(source);
        ASSERT_EQ(cell_type(&v), type_id::money) << source;
        char out[64];
        size_t n = money::format(&v, out);
        EXPECT_EQ(std::string(out, n), text) << source;
    }
    EXPECT_EQ(failure("$123456789012345678").id, "invalid"); // 18 digits do not fit
    EXPECT_EQ(failure("USD$1").type, type_id::money);        // no currency list yet

    Cell currencies = load("[USD EUR]");
    money::set_currency_list(&currencies);
    Cell usd = load("USD$1'000.5");
    EXPECT_EQ(money::currency_of(&usd), 1);
    Cell eur = load("-eur$2");
    EXPECT_EQ(money::currency_of(&eur), 2);
    EXPECT_TRUE(money::is_negative(&eur));
    for (const char* bad : {"XYZ$1", "US$1", "EURO$1"})
        EXPECT_EQ(failure(bad), (Failure{"invalid", type_id::money})) << bad;
    money::set_currency_list(nullptr);
}

TEST_F(LexerLoadNumber, IntegerConverter) {
    const struct {
        const char* text;
        bool error;
        int32_t value;
    } cases[] = {
        {"2147483647", false, INT_MAX},
        {"-2147483648", false, INT_MIN},
        {"2147483648", true, 0},
        {"-2147483649", true, 0},
        {"1'000", false, 1000},
        {"1''000", true, 0},
        {"1'", false, 1},
        {"'1", true, 0},
        {"+0", false, 0},
        {"-", true, 0},
        {"", true, 0},
        {"000000000000000000042", false, 42},
    };
    for (const auto& c : cases) {
        bool error = false;
        int32_t n = lexer::load_integer(reinterpret_cast<const unsigned char*>(c.text),
                                        static_cast<uint32_t>(std::strlen(c.text)), 1, &error);
        EXPECT_EQ(error, c.error) << c.text;
        EXPECT_EQ(n, c.value) << c.text;
    }
    const uint32_t wide[] = {'-', '1', 0x0661};
    bool error = false;
    lexer::load_integer(reinterpret_cast<const unsigned char*>(wide), 3, 4, &error);
    EXPECT_TRUE(error);
}

TEST_F(LexerLoadNumber, FloatConverter) {
    const struct {
        const char* text;
        bool error;
        double value;
    } cases[] = {
        {"1,5", false, 1.5},
        {"-1'000.25", false, -1000.25},
        {"1e-2", false, 0.01},
        {"1.#INF", false, INFINITY},
        {"-1.#inf", false, -INFINITY},
        {"1.5x", true, 0},
        {"1e", true, 0},
        {"", true, 0},
        {"1.2.3", true, 0},
    };
    for (const auto& c : cases) {
        bool error = false;
        double x = lexer::load_float(reinterpret_cast<const unsigned char*>(c.text),
                                     static_cast<uint32_t>(std::strlen(c.text)), 1, &error);
        EXPECT_EQ(error, c.error) << c.text;
        EXPECT_EQ(x, c.value) << c.text;
    }
    std::string longest = "0." + std::string(309, '0') + "5";
    bool error = true;
    EXPECT_EQ(lexer::load_float(reinterpret_cast<const unsigned char*>(longest.data()),
                                static_cast<uint32_t>(longest.size()), 1, &error),
              5e-310);
    EXPECT_FALSE(error);
    longest += "0";
    lexer::load_float(reinterpret_cast<const unsigned char*>(longest.data()),
                      static_cast<uint32_t>(longest.size()), 1, &error);
    EXPECT_TRUE(error);
}

} // namespace
} // namespace zep::testing
