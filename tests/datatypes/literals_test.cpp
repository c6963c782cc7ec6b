// binary!, money!, point2D!/point3D!, tag!, email! and ref!: constructors,
// notation that loads back, arithmetic and comparison through the number
// types' partner entries, parse byte tests and currencies.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <string>

#include "datatypes/binary.h"
#include "datatypes/bitset.h"
#include "datatypes/block.h"
#include "datatypes/email.h"
#include "datatypes/float.h"
#include "datatypes/integer.h"
#include "datatypes/money.h"
#include "datatypes/point.h"
#include "datatypes/ref.h"
#include "datatypes/registry.h"
#include "datatypes/string_buffer.h"
#include "datatypes/symbol.h"
#include "datatypes/tag.h"
#include "datatypes/url.h"
#include "evaluator/stack.h"
#include "runtime/error_catalog.h"
#include "runtime/hashtable.h"
#include "tests/boot/runtime_fixture.h"

namespace zep {
namespace {

class LiteralsTest : public testing::RuntimeTest {
  protected:
    static int32_t code(error::Category category, const char* id) {
        return error::catalog::code_of(category, id);
    }
    template <class Body> static int32_t raised(Body&& body) { return testing::raised_code(body); }
    // The molded (or formed) text of a value, as UTF-8.
    static std::string mold(const Cell& value, bool form = false) {
        // The value is held on the stack: it may lie in a series that making
        // the output moves.
        Cell* copy = stack::push(&value);
        Cell* out = stack::push_slot();
        value::set_none(out);
        string::make_at(out, 16);
        if (form)
            actions::slot_as<FormFn>(cell_type(copy), action_slot::form)(copy, out, INT32_MAX);
        else
            actions::slot_as<MoldFn>(cell_type(copy), action_slot::mold)(copy, out, false, false,
                                                                         false, INT32_MAX, 0);
        std::string text = string::utf8_of(out);
        stack::pop(2);
        return text;
    }
    static Cell binary_of(const std::string& bytes) {
        Cell cell;
        binary::load_at(reinterpret_cast<const unsigned char*>(bytes.data()),
                        static_cast<uint32_t>(bytes.size()), &cell);
        return testing::kept(cell);
    }
    static std::string bytes(const Cell& value) {
        Cell copy = value;
        return std::string(reinterpret_cast<const char*>(binary::head_pointer(&copy)),
                           binary::length_at(&copy));
    }
    static Cell money_of(const std::string& text) {
        Cell cell;
        EXPECT_TRUE(money::from_text(&cell, text.data(), text.size())) << text;
        return cell;
    }
    static Cell text_of(const std::string& utf8, uint8_t type = type_id::string) {
        gc::RootedCell cell; // the loader grows the text it made in the cell
        tag::load_at(reinterpret_cast<const unsigned char*>(utf8.data()), utf8.size(), cell.get());
        cell->header = type;
        return testing::kept(*cell);
    }
    static Cell integer(int32_t n) {
        Cell c;
        value::set_integer(&c, n);
        return c;
    }
    static Cell float_cell(double x) {
        Cell c;
        value::set_float(&c, x);
        return c;
    }
    // Sets the currency list to the words.
    static void currencies(std::initializer_list<const char*> codes) {
        Cell* list = block::push_new(static_cast<int32_t>(codes.size()));
        for (const char* c : codes) {
            Cell w;
            value::set_word(&w, type_id::word, 0, symbol::make(c));
            block::append_value(list, &w);
        }
        money::set_currency_list(list);
    }
};

// ---- binary! ----------------------------------------------------------------------

TEST_F(LiteralsTest, BinaryConstructsConvertsAndMolds) {
    Cell b = binary_of(std::string("\x00\x01\xAB", 3));
    EXPECT_EQ(cell_type(&b), type_id::binary);
    EXPECT_EQ(mold(b), "#{0001AB}");
    EXPECT_EQ(mold(b, true), "#{0001AB}");
    b.data1 = 1;
    EXPECT_EQ(binary::length_at(&b), 2u);
    EXPECT_EQ(binary::get_byte(&b, 1), 0xAB);
    EXPECT_EQ(binary::get_byte(&b, 2), -1);
    b.data1 = 99; // past the tail after the buffer shrank: clamped
    EXPECT_EQ(binary::length_at(&b), 0u);

    struct Case {
        Cell spec;
        std::string expected;
    };
    Cell tuple_spec;
    value::set_cell(&tuple_spec, type_id::tuple, 0x030201, 0, 0);
    tuple_spec.header |= 3u << 19;
    const Case cases[] = {
        {integer(0x01020304), std::string("\x01\x02\x03\x04", 4)},
        {float_cell(1.0), std::string("\x3F\xF0\0\0\0\0\0\0", 8)},
        {text_of("h\xC3\xA9"), "h\xC3\xA9"},
        {tuple_spec, std::string("\x01\x02\x03", 3)},
    };
    for (const Case& c : cases) {
        Cell result;
        binary::to(&result, &c.spec, type_id::binary);
        EXPECT_EQ(bytes(result), c.expected);
    }
    Cell size = integer(10);
    Cell made;
    binary::make(&made, &size, type_id::binary);
    EXPECT_EQ(binary::length_at(&made), 0u);
    Cell none;
    value::set_none(&none);
    EXPECT_EQ(raised([&] {
                  Cell r;
                  binary::to(&r, &none, type_id::binary);
              }),
              code(error::Category::script, "bad-to-arg"));
    Cell m = money_of("$1");
    EXPECT_EQ(raised([&] {
                  Cell r;
                  binary::make(&r, &m, type_id::binary);
              }),
              code(error::Category::script, "bad-make-arg"));
}

TEST_F(LiteralsTest, BinaryAppendInsertChangeAddBytes) {
    Cell start = binary_of("ab");
    Cell* b = stack::push(&start);
    Cell c;
    value::set_char(&c, 0xE9);
    binary::append(b, &c, -1, false, 1, true);
    Cell n = integer(255);
    binary::append(b, &n, -1, false, 2, true);
    Cell* block = block::push_new(2);
    Cell s = text_of("xyz");
    block::append_value(block, &s);
    Cell one = integer(1);
    block::append_value(block, &one);
    binary::append(b, block, -1, false, 1, true);
    EXPECT_EQ(bytes(*b), std::string("ab\xC3\xA9\xFF\xFFxyz\x01"));
    EXPECT_EQ(value::series_head(b), 0);

    b->data1 = 1;
    Cell s2 = text_of("--");
    binary::insert(b, &s2, 1, false, 1, true); // /part 1
    EXPECT_EQ(value::series_head(b), 2);       // just past the insert
    b->data1 = 0;
    EXPECT_EQ(bytes(*b).substr(0, 4), "a-b\xC3");
    binary::change(b, &s2, -1, false, 1, true);
    EXPECT_EQ(value::series_head(b), 2);
    b->data1 = 0;
    EXPECT_EQ(bytes(*b).substr(0, 4), "--b\xC3");

    Cell big = integer(256);
    EXPECT_EQ(raised([&] { binary::append(b, &big, -1, false, 1, true); }),
              code(error::Category::script, "out-of-range"));
    unsigned char byte = 0;
    binary::get_char_arg(&byte, &n);
    EXPECT_EQ(byte, 255);
    EXPECT_EQ(raised([&] { binary::get_char_arg(&byte, &s2); }),
              code(error::Category::script, "invalid-arg"));
}

TEST_F(LiteralsTest, BinaryCompareAndParseTests) {
    Cell a = binary_of("abc");
    Cell b = binary_of("abd");
    Cell prefix = binary_of("ab");
    EXPECT_EQ(binary::compare(&a, &b, compare_code::lesser), -1);
    EXPECT_EQ(binary::compare(&a, &a, compare_code::equal), 0);
    EXPECT_EQ(binary::compare(&prefix, &a, compare_code::lesser), -1);
    Cell s = text_of("abc");
    EXPECT_EQ(binary::compare(&a, &s, compare_code::equal), 1);

    Cell upper = text_of("AB");
    EXPECT_TRUE(binary::is_match_value(&a, &upper, compare_code::equal));
    EXPECT_FALSE(binary::is_match_value(&a, &upper, compare_code::strict_equal));
    Cell upper_bytes = binary_of("AB");
    EXPECT_FALSE(binary::is_match_value(&a, &upper_bytes, compare_code::equal));
    EXPECT_TRUE(binary::is_match_value(&a, &prefix, compare_code::equal));
    EXPECT_FALSE(binary::is_match_value(&prefix, &a, compare_code::equal)); // past the tail
    EXPECT_EQ(binary::compare_bytes(&a, &prefix, compare_code::equal, true), 0);
    EXPECT_EQ(binary::compare_bytes(&a, &b, compare_code::equal, false), -1);

    Cell bits;
    bitset::make_at(&bits, 16, 0, false);
    bitset::set_bit(&bits, 'a');
    EXPECT_TRUE(binary::is_byte_in_bitset(&a, &bits));
    a.data1 = 1;
    EXPECT_FALSE(binary::is_byte_in_bitset(&a, &bits));
    Cell high = binary_of("\xF0");
    Cell complemented;
    bitset::make_at(&complemented, 1, 0, true);
    EXPECT_TRUE(binary::is_byte_in_bitset(&high, &complemented)); // beyond the stored bits
    a.data1 = 3;
    EXPECT_FALSE(binary::is_byte_in_bitset(&a, &bits));
}

TEST_F(LiteralsTest, BinaryBaseWrappersMakeSeries) {
    const std::string text = "aGVsbG8=";
    Ref node = binary::decode_64(reinterpret_cast<const unsigned char*>(text.data()), 8);
    ASSERT_NE(node, 0u);
    Cell b;
    value::set_series(&b, type_id::binary, node);
    EXPECT_EQ(bytes(b), "hello");
    EXPECT_EQ(binary::decode_16(reinterpret_cast<const unsigned char*>("abc"), 3), 0u);
    unsigned char out[64];
    EXPECT_EQ(binary::encoded_size(2, 2), 16u);
    uint32_t n = binary::encode_2(reinterpret_cast<const unsigned char*>("A"), 1, out);
    EXPECT_EQ(std::string(reinterpret_cast<char*>(out), n), "01000001");
    EXPECT_EQ(binary::decode_base(10, out, n), 0u);
}

// ---- money! -------------------------------------------------------------------------

TEST_F(LiteralsTest, MoneyNotationLoadsBack) {
    currencies({"USD", "EUR"});
    struct Case {
        const char* text;
        const char* molded;
    };
    const Case cases[] = {
        {"$1", "$1.00"},
        {"-$0.5", "-$0.50"},
        {"$0001'234.5", "$1234.50"},
        {"EUR$12,34567", "EUR$12.34567"},
        {"-usd$3", "-USD$3.00"},
        {"$0.000005", "$0.00001"}, // a sixth fraction digit rounds
        {"-$0.000004", "$0.00"},   // to zero, which has no sign
        {"$99999999999999999.99999", "$99999999999999999.99999"},
    };
    for (const Case& c : cases) {
        Cell m = money_of(c.text);
        EXPECT_EQ(mold(m), c.molded) << c.text;
        Cell back = money_of(mold(m));
        EXPECT_EQ(money::compare(&m, &back, compare_code::strict_equal), 0) << c.text;
    }
    const char* bad[] = {"$",      "$1.", "$1''0", "$1'", "GBP$1", "$1.2'3", "$123456789012345678",
                         "$1.2.3", "US$1"};
    Cell cell;
    for (const char* text : bad)
        EXPECT_FALSE(money::from_text(&cell, text, std::strlen(text))) << text;
    EXPECT_FALSE(money::from_digits(&cell, false, 0, "999999999999999999", 18, "", 0));
    EXPECT_FALSE(money::from_digits(&cell, false, 0, "99999999999999999", 17, "999995", 6));
}

TEST_F(LiteralsTest, MoneyConversionsAndSigns) {
    Cell m;
    money::from_integer(&m, -7);
    EXPECT_EQ(money::to_integer(&m), -7);
    EXPECT_EQ(money::sign(&m), -1);
    EXPECT_TRUE(money::is_negative(&m) && money::get_sign(&m));
    money::from_float(&m, 2.675, true);
    EXPECT_EQ(mold(m), "$2.675");
    money::from_float(&m, 1.000006, false);
    EXPECT_EQ(mold(m), "$1.00"); // truncated
    money::from_float(&m, 1.000006, true);
    EXPECT_EQ(mold(m), "$1.00001");
    EXPECT_EQ(money::to_float(&m), 1.00001);
    Cell zero = money_of("-$0");
    EXPECT_TRUE(money::is_zero(&zero) && !money::get_sign(&zero));
    EXPECT_EQ(money::to_float(&zero), 0.0);
    EXPECT_TRUE(money::is_float_too_small(1e-6) && !money::is_float_too_small(0));
    EXPECT_TRUE(money::is_float_too_large(-1e17) && !money::is_float_too_large(9.9e16));
    EXPECT_EQ(raised([&] { money::from_float(&m, NAN, true); }),
              code(error::Category::math, "overflow"));

    Cell large = money_of("$3000000000");
    EXPECT_EQ(raised([&] { money::to_integer(&large); }),
              code(error::Category::script, "type-limit"));
    // to integer! from money! truncates toward zero.
    Cell amount = money_of("-$7.99");
    Cell result;
    integer::to(&result, &amount, type_id::integer);
    EXPECT_EQ(value::integer_of(&result), -7);
}

TEST_F(LiteralsTest, MoneyCurrenciesCompareAndHash) {
    currencies({"USD", "EUR"});
    EXPECT_EQ(money::currency_index(symbol::make("eur")), 2);
    EXPECT_EQ(money::currency_index(symbol::make("GBP")), -1);
    Cell usd = money_of("USD$1");
    Cell eur = money_of("EUR$1");
    Cell plain = money_of("$1");
    EXPECT_EQ(money::compare(&usd, &eur, compare_code::equal), 1);
    EXPECT_EQ(raised([&] { money::compare(&usd, &eur, compare_code::lesser); }),
              code(error::Category::script, "wrong-denom"));
    EXPECT_EQ(money::compare(&usd, &plain, compare_code::equal), 0);
    EXPECT_EQ(money::compare(&usd, &plain, compare_code::strict_equal), 1);
    Cell f = float_cell(1.000001);
    EXPECT_EQ(money::compare(&plain, &f, compare_code::lesser), -1); // exact, not truncated
    Cell i = integer(1);
    EXPECT_EQ(money::compare(&plain, &i, compare_code::equal), 0);
    Cell huge = float_cell(1e20);
    EXPECT_EQ(money::compare(&plain, &huge, compare_code::lesser), -1);

    // Equal amounts hash alike whatever their flags, sign of zero or currency.
    Cell zero = money_of("$0");
    Cell negative_zero = zero;
    negative_zero.header |= money::sign_flag | cell_flag_new_line;
    EXPECT_EQ(hash::value_hash(&zero, false), hash::value_hash(&negative_zero, false));
    EXPECT_EQ(hash::value_hash(&usd, false), hash::value_hash(&plain, false));

    // Arithmetic keeps the currency; two currencies do not mix.
    Cell sum = usd;
    money::do_math(&sum, &plain, 0);
    EXPECT_EQ(mold(sum), "USD$2.00");
    Cell mixed = usd;
    EXPECT_EQ(raised([&] { money::do_math(&mixed, &eur, 0); }),
              code(error::Category::script, "wrong-denom"));
}

TEST_F(LiteralsTest, MoneyThroughNumberTypes) {
    // integer - money and float * money run through the partner entries.
    Cell* args = stack::push_slot();
    stack::push_slot();
    *args = integer(10);
    args[1] = money_of("$2.5");
    Cell* saved = stack::arguments.base;
    stack::arguments.base = args;
    integer::subtract();
    EXPECT_EQ(mold(*args), "$7.50");
    *args = float_cell(0.1);
    args[1] = money_of("$3");
    float_::multiply();
    EXPECT_EQ(mold(*args), "$0.30");
    *args = money_of("$10");
    args[1] = money_of("$4");
    money::do_math(args, args + 1, 3);
    EXPECT_EQ(cell_type(args), type_id::float_);
    EXPECT_EQ(value::double_of(args), 2.5);
    *args = money_of("$1");
    args[1] = money_of("$1");
    EXPECT_EQ(raised([&] { money::do_math(args, args + 1, 2); }),
              code(error::Category::script, "not-related"));
    stack::arguments.base = saved;
    Cell m = money_of("$1");
    Cell f = float_cell(1.0);
    EXPECT_EQ(float_::compare(&f, &m, compare_code::equal), 0);

    // Floats beyond what money holds are ordered by sign, not as "smaller".
    struct Order {
        double x;
        const char* amount;
        int expected;
    };
    for (const Order& o : {Order{1e-6, "$0", 1}, Order{-1e-6, "$0", -1}, Order{1e-6, "-$5", 1},
                           Order{1e-6, "$5", -1}, Order{-1e18, "$5", -1}, Order{1e18, "-$5", 1}}) {
        Cell x = float_cell(o.x);
        Cell amount = money_of(o.amount);
        EXPECT_EQ(float_::compare(&x, &amount, compare_code::sort), o.expected)
            << o.x << " against " << o.amount;
    }
}

// ---- point2D! and point3D! ----------------------------------------------------------

TEST_F(LiteralsTest, PointsArithmeticNotationAndCompare) {
    Cell p;
    point::make2_in(&p, 1.5f, -2.0f);
    EXPECT_EQ(mold(p), "(1.5, -2.0)");
    point::make3_in(&p, 0.1f, 1e20f, NAN);
    EXPECT_EQ(mold(p), "(0.1, 100000000000000000000.0, 1.#NaN)");
    for (float v : {0.1f, 1.0f / 3.0f, 3.4028235e38f, 1e-45f, -7.25f}) {
        std::string text = point::format_coordinate(v);
        EXPECT_EQ(text.find('e'), std::string::npos) << text;
        EXPECT_EQ(static_cast<float>(std::strtod(text.c_str(), nullptr)), v) << text;
    }

    Cell* args = stack::push_slot();
    stack::push_slot();
    Cell* saved = stack::arguments.base;
    stack::arguments.base = args;
    // 10 - (1, 2) is (- (1, 2)) + 10
    *args = integer(10);
    point::make2_in(args + 1, 1, 2);
    integer::subtract();
    EXPECT_EQ(mold(*args), "(9.0, 8.0)");
    point::make3_in(args, 1, 2, 3);
    point::make3_in(args + 1, 1, 1, 1);
    point::add();
    EXPECT_EQ(mold(*args), "(2.0, 3.0, 4.0)");
    point::make2_in(args, 1, 1);
    *(args + 1) = float_cell(1e300);
    point::multiply();
    EXPECT_EQ(mold(*args), "(1.#INF, 1.#INF)"); // beyond the singles
    point::make2_in(args, 1, 1);
    point::make3_in(args + 1, 1, 1, 1);
    EXPECT_EQ(raised([] { point::add(); }), code(error::Category::script, "invalid-type"));
    stack::arguments.base = saved;

    Cell a, b;
    point::make2_in(&a, 1, 2);
    point::make2_in(&b, 1, 3);
    EXPECT_EQ(point::compare(&a, &b, compare_code::lesser), -1);
    EXPECT_EQ(point::compare(&a, &a, compare_code::equal), 0);
    Cell c3;
    point::make3_in(&c3, 1, 2, 0);
    EXPECT_EQ(point::compare(&a, &c3, compare_code::equal), 1);

    Cell x;
    value::set_word(&x, type_id::word, 0, symbol::make("y"));
    Cell got = a;
    point::eval_path(&got, &x, nullptr, nullptr, false);
    EXPECT_EQ(value::double_of(&got), 2.0);
    Cell five = integer(5);
    point::eval_path(&a, &x, &five, nullptr, false);
    EXPECT_EQ(mold(a), "(1.0, 5.0)");
}

// ---- tag!, email!, ref! ---------------------------------------------------------------

TEST_F(LiteralsTest, TextTypesNotationAndEmailFields) {
    Cell t = text_of("a href=\"x\"", type_id::tag);
    EXPECT_EQ(mold(t), "<a href=\"x\">");
    EXPECT_EQ(mold(t, true), "<a href=\"x\">");
    // The loaders grow the text they made in the cell: stack cells hold it.
    Cell* r = stack::push_slot();
    value::set_none(r);
    ref::load_at(reinterpret_cast<const unsigned char*>("j\xC3\xA9"), 3, r);
    EXPECT_EQ(cell_type(r), type_id::ref);
    EXPECT_EQ(mold(*r), "@j\xC3\xA9");
    Cell* held = stack::push_slot();
    value::set_none(held);
    email::load_at(reinterpret_cast<const unsigned char*>("joe@example.org"), 15, held);
    Cell& e = *held;
    EXPECT_EQ(mold(e), "joe@example.org");
    EXPECT_EQ(mold(e, true), "joe@example.org");
    // Inherited from string!: length? and the parent is string!.
    EXPECT_EQ(actions::slot_of(type_id::email, action_slot::is_length),
              actions::slot_of(type_id::string, action_slot::is_length));

    Cell host;
    value::set_word(&host, type_id::word, 0, symbol::make("host"));
    Cell* value = stack::push(&e);
    email::eval_path(value, &host, nullptr, nullptr, false);
    EXPECT_EQ(string::utf8_of(value), "example.org");
    Cell other = text_of("zep.dev");
    email::eval_path(&e, &host, &other, nullptr, false);
    EXPECT_EQ(mold(e), "joe@zep.dev");
    EXPECT_EQ(raised([&] {
                  Cell bad = integer(1);
                  email::eval_path(&e, &bad, nullptr, nullptr, false);
              }),
              code(error::Category::script, "invalid-path"));
    std::string bad = "\xFF";
    EXPECT_EQ(
        raised([&] { tag::load_at(reinterpret_cast<const unsigned char*>(bad.data()), 1, &t); }),
        code(error::Category::access, "invalid-utf8"));
}

} // namespace
} // namespace zep
