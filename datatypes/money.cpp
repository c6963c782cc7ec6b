// money!: the cell's digits and sign, conversion to and from integers and
// floats, sign tests and currencies.
#include "datatypes/money.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include "datatypes/money_internal.h"
#include "datatypes/symbol.h"
#include "evaluator/compiled_support.h"
#include "runtime/arena.h"
#include "runtime/collector.h"
#include "runtime/float_text.h"
#include "runtime/memory.h"
#include "runtime/value_make.h"

namespace zep::money {

namespace {

// The system's currency list (a block value), or none.
Cell currency_list{type_id::none, 0, 0, 0};

unsigned char* amount_bytes(Cell* cell) {
    return reinterpret_cast<unsigned char*>(&cell->data1) + 1;
}
const unsigned char* amount_bytes(const Cell* cell) {
    return reinterpret_cast<const unsigned char*>(&cell->data1) + 1;
}

Units absolute(Units u) {
    return u < 0 ? -u : u;
}

} // namespace

namespace detail {

void fire_overflow() {
    error::fire_named(error::Category::math, "overflow");
}

} // namespace detail

// ---- Construction ---------------------------------------------------------------

Cell* make_in(Cell* cell, Units units, uint8_t currency) {
    Units magnitude = absolute(units);
    if (magnitude >= units_limit) detail::fire_overflow();
    cell->header = type_id::money;
    cell->data1 = cell->data2 = cell->data3 = 0;
    unsigned char* bytes = amount_bytes(cell);
    // 22 digits, least significant in the low nibble of the last byte.
    for (int i = digit_count - 1; i >= 0; --i) {
        auto digit = static_cast<unsigned char>(magnitude % 10);
        magnitude /= 10;
        bytes[i / 2] |= (i % 2) ? digit : static_cast<unsigned char>(digit << 4);
    }
    set_currency(cell, currency);
    if (units < 0) cell->header |= sign_flag;
    return cell;
}

Cell* from_integer(Cell* out, int32_t n) {
    return make_in(out, static_cast<Units>(n) * 100000, 0);
}

Cell* from_float(Cell* out, double x, bool round) {
    if (!std::isfinite(x) || is_float_too_large(x)) detail::fire_overflow();
    detail::Decimal d = detail::decimal_of_float(x);
    // units = digits x 10^(exponent + 5)
    int shift = d.exponent + fraction_digits;
    Units units = d.digits;
    if (shift >= 0) {
        for (int i = 0; i < shift; ++i) units *= 10; // < 10^22: the magnitude was checked
    } else if (-shift > 18) {
        units = 0; // at most 17 digits: below a tenth of a unit
    } else {
        // Keep one digit more than needed, then round on it.
        Units divisor = 1;
        for (int i = 1; i < -shift; ++i) divisor *= 10;
        units /= divisor;
        int last = static_cast<int>(units % 10);
        units /= 10;
        if (round && last >= 5) ++units;
    }
    return make_in(out, d.negative ? -units : units, 0);
}

// ---- Reading --------------------------------------------------------------------

Units units_of(const Cell* money) {
    const unsigned char* bytes = amount_bytes(money);
    Units units = 0;
    for (int i = 0; i < digit_count; ++i) {
        unsigned digit = (i % 2) ? bytes[i / 2] & 0xF : bytes[i / 2] >> 4;
        units = units * 10 + digit;
    }
    return get_sign(money) ? -units : units;
}

uint8_t currency_of(const Cell* money) {
    return static_cast<uint8_t>(money->data1 & 0xFF);
}

int32_t to_integer(const Cell* money) {
    Units whole = units_of(money) / 100000; // truncated toward zero
    if (whole > INT32_MAX || whole < INT32_MIN) {
        Cell datatype;
        value::set_datatype(&datatype, type_id::integer);
        error::fire(error::Category::script, "type-limit", &datatype);
    }
    return static_cast<int32_t>(whole);
}

double to_float(const Cell* money) {
    Units units = units_of(money);
    if (units == 0) return 0.0;
    // The decimal text of the amount read back correctly rounded.
    char text[48];
    size_t n = detail::format_plain(units, text);
    return float_::from_text(text, text + n, 0);
}

bool is_float_too_small(double x) {
    double m = std::fabs(x);
    return m > 0 && m < 1e-5;
}

bool is_float_too_large(double x) {
    return std::fabs(x) >= 1e17;
}

bool get_sign(const Cell* money) {
    return (money->header & sign_flag) != 0;
}

void set_sign(Cell* money, bool negative) {
    if (negative)
        money->header |= sign_flag;
    else
        money->header &= ~sign_flag;
}

bool is_zero(const Cell* money) {
    return units_of(money) == 0;
}
bool is_negative(const Cell* money) {
    return units_of(money) < 0;
}
bool is_positive(const Cell* money) {
    return units_of(money) > 0;
}
int sign(const Cell* money) {
    Units u = units_of(money);
    return (u > 0) - (u < 0);
}

void canonical(Cell* value) {
    Units units = units_of(value);
    make_in(value, units, 0);
}

// ---- Currencies -------------------------------------------------------------------

namespace {

// Keeps the list alive and its node current when the collector moves it.
void mark_currency_list() {
    if (cell_type(&currency_list) == type_id::block) gc::mark_block_cell(&currency_list);
}

} // namespace

void set_currency_list(const Cell* block) {
    // Registering again is a no-op, so repeated calls take no new slots.
    gc::add_mark_callback(&mark_currency_list);
    if (!block || cell_type(block) != type_id::block) {
        value::set_none(&currency_list);
        return;
    }
    currency_list = *block;
}

namespace {

// Calls visit(index, word cell) for each word of the list until it answers
// true; answers that index or -1.
template <class Visit> int32_t find_currency(Visit&& visit) {
    if (cell_type(&currency_list) != type_id::block) return -1;
    SeriesBuffer* b = node_buffer(currency_list.data2);
    uint32_t count = (b->tail - b->head) / sizeof(Cell);
    const Cell* cells = arena::at<Cell>(b->head);
    for (uint32_t i = 0; i < count && i < 255; ++i) {
        uint8_t type = cell_type(&cells[i]);
        if (type < type_id::word || type > type_id::get_word) continue;
        if (visit(&cells[i])) return static_cast<int32_t>(i + 1);
    }
    return -1;
}

bool same_code(const char* a, size_t n, const char* b, size_t m) {
    if (n != m) return false;
    for (size_t i = 0; i < n; ++i) {
        char x = a[i] >= 'a' && a[i] <= 'z' ? static_cast<char>(a[i] - 32) : a[i];
        char y = b[i] >= 'a' && b[i] <= 'z' ? static_cast<char>(b[i] - 32) : b[i];
        if (x != y) return false;
    }
    return true;
}

} // namespace

int32_t currency_index(uint32_t symbol_id) {
    uint32_t wanted = symbol::resolve(symbol_id);
    return find_currency(
        [&](const Cell* word) { return symbol::resolve(value::word_symbol(word)) == wanted; });
}

int32_t currency_index_of_text(const char* code, size_t length) {
    return find_currency([&](const Cell* word) {
        uint32_t id = value::word_symbol(word);
        return same_code(symbol::utf8_text(id), symbol::utf8_length(id), code, length);
    });
}

void set_currency(Cell* money, int32_t index) {
    money->data1 = (money->data1 & ~0xFFu) | static_cast<uint32_t>(index & 0xFF);
}

const char* currency_code(uint8_t index) {
    static char code[16];
    if (index == 0 || cell_type(&currency_list) != type_id::block) return nullptr;
    SeriesBuffer* b = node_buffer(currency_list.data2);
    uint32_t count = (b->tail - b->head) / sizeof(Cell);
    if (index > count) return nullptr;
    const Cell* word = arena::at<Cell>(b->head) + (index - 1);
    if (cell_type(word) < type_id::word || cell_type(word) > type_id::get_word) return nullptr;
    const char* name = symbol::utf8_text(value::word_symbol(word));
    size_t n = std::min(std::strlen(name), sizeof code - 1);
    for (size_t i = 0; i < n; ++i)
        code[i] = name[i] >= 'a' && name[i] <= 'z' ? static_cast<char>(name[i] - 32) : name[i];
    code[n] = 0;
    return code;
}

} // namespace zep::money
