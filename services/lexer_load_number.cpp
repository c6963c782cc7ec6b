// Loaders of the number tokens: integers (decimal and hexadecimal), floats
// and their special forms, percents and money.
#include <cstring>
#include <string>

#include "datatypes/money.h"
#include "runtime/value_make.h"
#include "services/lexer_integer.h"
#include "services/lexer_load.h"
#include "services/lexer_load_float.h"
#include "services/lexer_load_support.h"

namespace zep::lexer {

namespace {

// Decimal digits an integer token may have before it is read as a float.
constexpr std::ptrdiff_t max_integer_digits = 10;
// Hexadecimal digits of an integer token.
constexpr std::ptrdiff_t min_hex_digits = 2;
constexpr std::ptrdiff_t max_hex_digits = 8;
// Digits of a money amount as written.
constexpr size_t max_money_integer_digits = 18;
constexpr size_t max_money_fraction_digits = 6;
constexpr size_t currency_code_length = 3;

bool is_digit(uint8_t c) {
    return c >= '0' && c <= '9';
}

bool is_letter(uint8_t c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}

void emit_float(State& s, uint8_t type, double x, bool load) {
    if (load) value::set_double(alloc_cell(s), type, x);
}

} // namespace

void load_integer_token(State& s, const uint8_t* start, const uint8_t* end, uint32_t flags,
                        bool load) {
    s.position = end;
    std::ptrdiff_t digits = 0;
    for (const uint8_t* p = start; p < end; ++p) digits += is_digit(*p);
    int32_t value = 0;
    DecimalRead read =
        digits > max_integer_digits ? DecimalRead::overflow : read_decimal(start, end, &value);
    if (read == DecimalRead::invalid) throw_error(s, start, end, type_id::integer);
    if (read == DecimalRead::overflow) {
        // Too large for an integer!: the same text is a float.
        s.type = type_id::float_;
        load_float_token(s, start, end, flags, load);
        return;
    }
    if (load) value::set_integer(alloc_cell(s), value);
}

void load_hex(State& s, const uint8_t* start, const uint8_t* end, uint32_t, bool load) {
    s.position = end;
    const uint8_t* last = end > start && end[-1] == 'h' ? end - 1 : end;
    std::ptrdiff_t n = last - start;
    if (n == 1 && !is_digit(*start)) throw_error(s, start, end, type_id::issue);
    if (n < min_hex_digits || n > max_hex_digits) throw_error(s, start, end, type_id::integer);
    uint32_t value = 0;
    for (const uint8_t* p = start; p < last; ++p) {
        int digit = support::hex_digit(*p);
        if (digit < 0) throw_error(s, start, end, type_id::integer);
        value = value << 4 | static_cast<uint32_t>(digit);
    }
    // Eight digits fill all 32 bits: FFFFFFFFh is -1.
    if (load) value::set_integer(alloc_cell(s), static_cast<int32_t>(value));
}

void load_float_token(State& s, const uint8_t* start, const uint8_t* end, uint32_t, bool load) {
    s.position = end;
    double x = 0.0;
    if (!read_float_text(start, end, 0, &x)) throw_error(s, start, end, type_id::float_);
    emit_float(s, type_id::float_, x, load);
}

void load_float_special(State& s, const uint8_t* start, const uint8_t* end, uint32_t, bool load) {
    s.position = end;
    double x = 0.0;
    if (!read_float_special(start, end, &x)) throw_error(s, start, end, type_id::float_);
    emit_float(s, type_id::float_, x, load);
}

void load_percent(State& s, const uint8_t* start, const uint8_t* end, uint32_t, bool load) {
    // `end` is at the "%"; the value is kept as the fraction.
    support::step_past(s, end);
    double x = 0.0;
    if (!read_float_text(start, end, -2, &x)) throw_error(s, start, end, type_id::float_);
    emit_float(s, type_id::percent, x, load);
}

void load_money_token(State& s, const uint8_t* start, const uint8_t* end, uint32_t, bool load) {
    s.position = end;
    auto fail = [&]() { throw_error(s, start, end, type_id::money); };
    const uint8_t* p = start;
    bool negative = false;
    if (p < end && (*p == '+' || *p == '-')) negative = *p++ == '-';
    const uint8_t* code = p;
    while (p < end && is_letter(*p)) ++p;
    size_t code_length = static_cast<size_t>(p - code);
    if ((code_length != 0 && code_length != currency_code_length) || p == end || *p != '$') fail();
    ++p;
    // The integer part: leading zeros and separators skipped, single
    // separators between digits.
    std::string integer_part;
    bool after_separator = false;
    bool any_digit = false;
    for (; p < end && (is_digit(*p) || *p == '\''); ++p) {
        if (*p == '\'') {
            if (after_separator) fail();
            after_separator = true;
            continue;
        }
        after_separator = false;
        any_digit = true;
        if (integer_part.empty() && *p == '0') continue;
        integer_part.push_back(static_cast<char>(*p));
    }
    if (!any_digit || after_separator || integer_part.size() > max_money_integer_digits) fail();
    std::string fraction_part;
    if (p < end && (*p == '.' || *p == ',')) {
        for (++p; p < end && is_digit(*p); ++p) fraction_part.push_back(static_cast<char>(*p));
        if (fraction_part.empty() || fraction_part.size() > max_money_fraction_digits) fail();
    }
    if (p != end) fail();
    int32_t currency = 0;
    if (code_length) {
        currency = money::currency_index_of_text(reinterpret_cast<const char*>(code), code_length);
        if (currency < 1 || currency > 255) fail();
    }
    Cell amount;
    if (!money::from_digits(&amount, negative, static_cast<uint8_t>(currency), integer_part.data(),
                            integer_part.size(), fraction_part.data(), fraction_part.size()))
        fail();
    if (load) *alloc_cell(s) = amount;
}

} // namespace zep::lexer
