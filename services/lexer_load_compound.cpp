// Loaders of the compound scalar tokens: tuples, pairs, points and times.
#include <cfloat>
#include <cmath>
#include <cstring>
#include <limits>

#include "datatypes/pair.h"
#include "datatypes/point.h"
#include "datatypes/tuple.h"
#include "runtime/value_make.h"
#include "services/lexer_integer.h"
#include "services/lexer_load.h"
#include "services/lexer_load_float.h"
#include "services/lexer_load_support.h"

namespace zep::lexer {

namespace {

constexpr uint32_t tuple_byte_limit = 255;
// The seconds of a time are below a minute.
constexpr double seconds_limit = 60.0;

bool is_digit(uint8_t c) {
    return c >= '0' && c <= '9';
}

bool is_blank(uint8_t c) {
    return c == ' ' || c == '\t' || c == '\r';
}

// The single-precision float nearest to x; beyond the single range (past the
// halfway point above the largest float) it is an infinity.
float to_single(double x) {
    constexpr double overflow_edge = 3.4028235677973366e38; // FLT_MAX + half an ulp
    if (std::isnan(x)) return std::numeric_limits<float>::quiet_NaN();
    if (x >= overflow_edge) return std::numeric_limits<float>::infinity();
    if (x <= -overflow_edge) return -std::numeric_limits<float>::infinity();
    if (std::fabs(x) > FLT_MAX) return x > 0 ? FLT_MAX : -FLT_MAX;
    return static_cast<float>(x);
}

// Reads one point coordinate: a number, or a special form when it holds "#".
bool read_coordinate(const uint8_t* p, const uint8_t* end, double* x) {
    if (std::memchr(p, '#', static_cast<size_t>(end - p))) return read_float_special(p, end, x);
    return read_float_text(p, end, 0, x);
}

// Reads a run of decimal digits (at least one) as a non-negative number,
// false when there is none or it does not fit 32 bits.
bool read_unsigned(const uint8_t*& p, const uint8_t* end, int64_t* value) {
    const uint8_t* first = p;
    int64_t v = 0;
    while (p < end && is_digit(*p)) {
        v = v * 10 + (*p - '0');
        if (v > INT32_MAX) return false;
        ++p;
    }
    *value = v;
    return p > first;
}

} // namespace

void load_tuple_token(State& s, const uint8_t* start, const uint8_t* end, uint32_t, bool load) {
    s.position = end;
    uint8_t bytes[tuple::max_length] = {};
    uint32_t count = 0;
    const uint8_t* p = start;
    for (;;) {
        int64_t part = 0;
        if (count == tuple::max_length || !read_unsigned(p, end, &part) || part > tuple_byte_limit)
            throw_error(s, start, end, type_id::tuple);
        bytes[count++] = static_cast<uint8_t>(part);
        if (p == end) break;
        if (*p != '.') throw_error(s, start, end, type_id::tuple);
        ++p;
    }
    if (count < tuple::min_length) throw_error(s, start, end, type_id::tuple);
    if (!load) return;
    uint32_t words[3];
    std::memcpy(words, bytes, sizeof words);
    tuple::make_in(alloc_cell(s), count, words[0], words[1], words[2]);
}

void load_pair(State& s, const uint8_t* start, const uint8_t* end, uint32_t flags, bool load) {
    s.position = end;
    if (flags & flag::point) throw_error(s, start, end, type_id::pair);
    const uint8_t* x_end = start;
    while (x_end < end && *x_end != 'x' && *x_end != 'X') ++x_end;
    int32_t x = 0;
    int32_t y = 0;
    if (x_end == end || read_decimal(start, x_end, &x) != DecimalRead::ok ||
        read_decimal(x_end + 1, end, &y) != DecimalRead::ok)
        throw_error(s, start, end, type_id::pair);
    if (load) pair::make_in(alloc_cell(s), x, y);
}

void load_point(State& s, const uint8_t* start, const uint8_t* end, uint32_t, bool load) {
    // The coordinates lie between "(" and ")" at `end`.
    if (start < end && *start == '(') ++start;
    double coordinates[3] = {0.0, 0.0, 0.0};
    int count = 0;
    uint8_t type = type_id::point2d;
    const uint8_t* p = start;
    for (;;) {
        const uint8_t* item_end = p;
        while (item_end < end && *item_end != ',') ++item_end;
        if (count == 2) type = type_id::point3d;
        if (count == 3) throw_error(s, start, end, type);
        const uint8_t* a = p;
        const uint8_t* b = item_end;
        while (a < b && is_blank(*a)) ++a;
        while (b > a && is_blank(b[-1])) --b;
        if (a == b) throw_error(s, start, end, type);
        if (b - a > static_cast<std::ptrdiff_t>(float_text_limit))
            throw_error(s, start, end, type_id::float_);
        if (!read_coordinate(a, b, &coordinates[count])) throw_error(s, start, end, type);
        ++count;
        if (item_end == end) break;
        p = item_end + 1;
    }
    if (count < 2 || end >= s.input_end || *end != ')') throw_error(s, start, end, type);
    support::step_past(s, end);
    s.type = type;
    if (!load) return;
    Cell* out = alloc_cell(s);
    if (type == type_id::point2d)
        point::make2_in(out, to_single(coordinates[0]), to_single(coordinates[1]));
    else
        point::make3_in(out, to_single(coordinates[0]), to_single(coordinates[1]),
                        to_single(coordinates[2]));
}

void load_time(State& s, const uint8_t* start, const uint8_t* end, uint32_t, bool load) {
    s.position = end;
    auto fail = [&]() { throw_error(s, start, end, type_id::time); };
    const uint8_t* p = start;
    bool negative = false;
    if (p < end && (*p == '+' || *p == '-')) negative = *p++ == '-';
    int64_t hours = 0;
    int64_t minutes = 0;
    if (!read_unsigned(p, end, &hours) || p == end || *p != ':') fail();
    ++p;
    if (!read_unsigned(p, end, &minutes)) fail();
    double seconds = 0.0;
    if (p < end) {
        uint8_t separator = *p++;
        const uint8_t* seconds_start = separator == ':' ? p : p - 1;
        if (separator != ':' && separator != '.' && separator != ',') fail();
        if (separator == ':' && (p == end || !is_digit(*p))) fail(); // ":" without seconds
        // The seconds with their fraction ("." or "," as the mark).
        const uint8_t* q = p;
        while (q < end && is_digit(*q)) ++q;
        if (q < end && (*q == '.' || *q == ',')) {
            ++q;
            while (q < end && is_digit(*q)) ++q;
        }
        if (q != end) fail();
        if (separator != ':') {
            // h:m.f: the numbers are minutes and seconds with a fraction.
            seconds_start = start + (negative || *start == '+' ? 1 : 0);
            const uint8_t* colon = seconds_start;
            while (*colon != ':') ++colon;
            seconds_start = colon + 1;
            minutes = hours;
            hours = 0;
        }
        if (!read_float_text(seconds_start, end, 0, &seconds) || !(seconds < seconds_limit)) fail();
    }
    double value =
        static_cast<double>(hours) * 3600.0 + static_cast<double>(minutes) * 60.0 + seconds;
    if (load) value::set_double(alloc_cell(s), type_id::time, negative ? -value : value);
}

} // namespace zep::lexer
