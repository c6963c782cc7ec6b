// money! text: the notation (form and mold), the constructor from a literal's
// digits, reading a money text, make and to, and the registration.
#include <cstring>

#include "datatypes/float.h"
#include "datatypes/float_partners.h"
#include "datatypes/money.h"
#include "datatypes/money_internal.h"
#include "datatypes/registry.h"
#include "datatypes/string_buffer.h"
#include "datatypes/url.h"
#include "evaluator/compiled_support.h"
#include "evaluator/stack.h"
#include "runtime/arena.h"
#include "runtime/hashtable.h"
#include "runtime/memory.h"
#include "runtime/value_make.h"

namespace zep::money {

namespace {

bool is_digit(char c) {
    return c >= '0' && c <= '9';
}

bool is_letter(char c) {
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
}

Cell datatype_cell() {
    Cell t;
    value::set_datatype(&t, type_id::money);
    return t;
}

[[noreturn]] void fire_bad(const Cell* spec, bool make) {
    Cell t = datatype_cell();
    Cell arg = *spec;
    if (make) error::fire_make_error(&t, &arg);
    error::fire(error::Category::script, "bad-to-arg", &t, &arg);
}

void from_float_entry(Cell* out, double x, bool round) {
    from_float(out, x, round);
}

int32_t append_limited(Cell* out_string, const char* text, size_t n, int32_t part_limit) {
    int64_t limit = part_limit < 0 ? 0 : part_limit;
    if (static_cast<int64_t>(n) > limit) n = static_cast<size_t>(limit);
    string::append_bytes(out_string, reinterpret_cast<const unsigned char*>(text),
                         static_cast<uint32_t>(n));
    return static_cast<int32_t>(limit - static_cast<int64_t>(n));
}

// The frame actions.
void math(int op) {
    Cell* first = stack::base();
    do_math(first, first + 1, op);
}
void add() {
    math(float_::op::add);
}
void subtract() {
    math(float_::op::subtract);
}
void multiply() {
    math(float_::op::multiply);
}
void divide() {
    math(float_::op::divide);
}
void remainder() {
    math(float_::op::remainder);
}
Cell* negate(Cell* value) {
    if (!is_zero(value)) set_sign(value, !get_sign(value));
    return value;
}
void absolute() {
    set_sign(stack::base(), false);
}

} // namespace

namespace detail {

size_t format_plain(Units units, char* out) {
    char digits[digit_count + 1];
    auto magnitude = static_cast<unsigned __int128>(units < 0 ? -units : units);
    for (int i = digit_count - 1; i >= 0; --i) {
        digits[i] = static_cast<char>('0' + static_cast<int>(magnitude % 10));
        magnitude /= 10;
    }
    size_t n = 0;
    if (units < 0) out[n++] = '-';
    int first = 0;
    while (first < integer_digits - 1 && digits[first] == '0') ++first;
    for (int i = first; i < integer_digits; ++i) out[n++] = digits[i];
    out[n++] = '.';
    for (int i = integer_digits; i < digit_count; ++i) out[n++] = digits[i];
    out[n] = 0;
    return n;
}

} // namespace detail

size_t format(const Cell* value, char* out) {
    char plain[48];
    size_t length = detail::format_plain(units_of(value), plain);
    // Keep two fraction digits, and more only when they are not zero.
    while (length > 0 && plain[length - 1] == '0' && plain[length - 3] != '.') --length;
    size_t n = 0;
    const char* digits = plain;
    if (*digits == '-') {
        out[n++] = '-';
        ++digits;
        --length;
    }
    if (const char* code = currency_code(currency_of(value))) {
        size_t c = std::strlen(code);
        std::memcpy(out + n, code, c);
        n += c;
    }
    out[n++] = '$';
    std::memcpy(out + n, digits, length);
    n += length;
    out[n] = 0;
    return n;
}

int32_t form(const Cell* value, Cell* out_string, int32_t part_limit) {
    char text[64];
    return append_limited(out_string, text, format(value, text), part_limit);
}

int32_t mold(const Cell* value, Cell* out_string, bool, bool, bool, int32_t part_limit, int32_t) {
    return form(value, out_string, part_limit);
}

bool from_digits(Cell* out, bool negative, uint8_t currency, const char* integer_part,
                 size_t integer_length, const char* fraction_part, size_t fraction_length) {
    size_t i = 0;
    while (i < integer_length && integer_part[i] == '0') ++i;
    if (integer_length - i > static_cast<size_t>(integer_digits)) return false;
    Units units = 0;
    for (; i < integer_length; ++i) {
        if (!is_digit(integer_part[i])) return false;
        units = units * 10 + (integer_part[i] - '0');
    }
    bool round_up = false;
    for (size_t f = 0; f < fraction_length; ++f) {
        if (!is_digit(fraction_part[f])) return false;
        if (f == static_cast<size_t>(fraction_digits)) round_up = fraction_part[f] >= '5';
    }
    for (int f = 0; f < fraction_digits; ++f) {
        units *= 10;
        if (static_cast<size_t>(f) < fraction_length) units += fraction_part[f] - '0';
    }
    if (round_up) ++units;
    if (units >= units_limit) return false;
    make_in(out, negative ? -units : units, currency);
    return true;
}

bool from_text(Cell* out, const char* text, size_t length) {
    size_t i = 0;
    bool negative = false;
    if (i < length && (text[i] == '-' || text[i] == '+')) negative = text[i++] == '-';
    int32_t currency = 0;
    if (i + 3 < length && is_letter(text[i]) && is_letter(text[i + 1]) && is_letter(text[i + 2]) &&
        text[i + 3] == '$') {
        currency = currency_index_of_text(text + i, 3);
        if (currency < 0) return false;
        i += 3;
    }
    if (i < length && text[i] == '$') {
        ++i;
    } else if (currency) {
        return false;
    }
    std::string integer_part;
    std::string fraction_part;
    bool point = false;
    char previous = 0;
    for (; i < length; ++i) {
        char c = text[i];
        if (is_digit(c)) {
            (point ? fraction_part : integer_part).push_back(c);
        } else if (c == '\'' && !point && previous && previous != '\'') {
            // a separator between digits
        } else if ((c == '.' || c == ',') && !point && previous != '\'') {
            point = true;
        } else {
            return false;
        }
        previous = c;
    }
    if (previous == '\'' || (integer_part.empty() && fraction_part.empty()) ||
        (point && fraction_part.empty()) || fraction_part.size() > 6 || integer_part.size() > 18)
        return false;
    return from_digits(out, negative, static_cast<uint8_t>(currency), integer_part.data(),
                       integer_part.size(), fraction_part.data(), fraction_part.size());
}

Cell* make(Cell* result, const Cell* spec, uint8_t type) {
    (void)type;
    uint8_t spec_type = cell_type(spec);
    switch (spec_type) {
    case type_id::money:
        *result = *spec;
        result->header &= cell_type_mask | sign_flag;
        return result;
    case type_id::integer:
        return from_integer(result, value::integer_of(spec));
    case type_id::float_:
    case type_id::percent:
        return from_float(result, value::double_of(spec), true);
    case type_id::block: {
        // [amount] or [currency amount]
        Cell block = *spec;
        SeriesBuffer* b = node_buffer(block.data2);
        uint32_t total = (b->tail - b->head) / sizeof(Cell);
        int32_t head = value::series_head(&block);
        uint32_t from = head < 0 ? 0 : static_cast<uint32_t>(head);
        uint32_t count = from < total ? total - from : 0;
        const Cell* items = arena::at<Cell>(b->head) + from;
        if (count == 0 || count > 2) fire_bad(spec, true);
        int32_t currency = 0;
        if (count == 2) {
            if (cell_type(&items[0]) != type_id::word) fire_bad(spec, true);
            currency = currency_index(value::word_symbol(&items[0]));
            if (currency < 0) {
                Cell word = items[0];
                error::fire(error::Category::script, "bad-denom", &word);
            }
        }
        Cell amount = items[count - 1];
        uint8_t t = cell_type(&amount);
        if (t != type_id::integer && t != type_id::float_ && t != type_id::money)
            fire_bad(spec, true);
        make(result, &amount, type_id::money);
        if (count == 2) set_currency(result, currency);
        return result;
    }
    default:
        if (string::is_any_string(spec_type)) {
            std::string text = string::utf8_of(spec);
            Cell made;
            if (!from_text(&made, text.data(), text.size())) fire_bad(spec, false);
            *result = made;
            return result;
        }
        fire_bad(spec, false);
    }
}

void init() {
    datatype::SlotList slots(datatype::unsupported);
    slots.set<action_slot::make>(&make)
        .set<action_slot::to>(&make)
        .set<action_slot::form>(&form)
        .set<action_slot::mold>(&mold)
        .set<action_slot::compare>(&compare)
        .set<action_slot::absolute>(&absolute)
        .set<action_slot::add>(&add)
        .set<action_slot::divide>(&divide)
        .set<action_slot::multiply>(&multiply)
        .set<action_slot::negate>(&negate)
        .set<action_slot::remainder>(&remainder)
        .set<action_slot::subtract>(&subtract);
    datatype::register_type(type_id::money, 0, "money!", slots);
    set_currency_list(nullptr);
    float_partners::money_do_math = &do_math;
    float_partners::money_compare = &compare;
    float_partners::money_from_float = &from_float_entry;
    float_partners::money_to_float = &to_float;
    hash::canonical_money = &canonical;
}

} // namespace zep::money
