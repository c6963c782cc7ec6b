// Loader of date tokens: day-month-year in either order with "-" or "/", a
// month as a number or a name, ISO week and ordinal dates, the compact
// yyyymmddThhmmss form, each with an optional time and zone.
#include <cstring>

#include "datatypes/date.h"
#include "runtime/value_make.h"
#include "services/lexer_load.h"
#include "services/lexer_load_float.h"

namespace zep::lexer {

namespace {

constexpr int32_t year_limit = 9999;
constexpr int32_t zone_hour_limit = 15;
constexpr int32_t max_iso_week = 53;
constexpr int32_t compact_date_digits = 8;

const char* const month_names[12] = {"JANUARY",   "FEBRUARY", "MARCH",    "APRIL",
                                     "MAY",       "JUNE",     "JULY",     "AUGUST",
                                     "SEPTEMBER", "OCTOBER",  "NOVEMBER", "DECEMBER"};
constexpr size_t min_month_name = 3;
constexpr size_t max_month_name = 9;

bool is_digit(uint8_t c) {
    return c >= '0' && c <= '9';
}

bool is_letter(uint8_t c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}

uint8_t upper(uint8_t c) {
    return c >= 'a' && c <= 'z' ? static_cast<uint8_t>(c - 32) : c;
}

// A reader over the token; every read answers false when the text does not
// have the expected shape.
struct Reader {
    const uint8_t* p;
    const uint8_t* end;

    bool at(uint8_t c) const { return p < end && *p == c; }
    bool take(uint8_t c) {
        if (!at(c)) return false;
        ++p;
        return true;
    }
    bool at_end() const { return p == end; }
    // Decimal digits (1 to `most`) into value; `digits` gets their count.
    bool number(int32_t* value, int* digits = nullptr, int most = 9) {
        int n = 0;
        int32_t v = 0;
        while (p < end && is_digit(*p) && n < most) {
            v = v * 10 + (*p++ - '0');
            ++n;
        }
        if (digits) *digits = n;
        *value = v;
        return n > 0 && !(p < end && is_digit(*p));
    }
    // Exactly n digits.
    bool fixed(int n, int32_t* value) {
        if (end - p < n) return false;
        int32_t v = 0;
        for (int i = 0; i < n; ++i) {
            if (!is_digit(p[i])) return false;
            v = v * 10 + (p[i] - '0');
        }
        p += n;
        *value = v;
        return true;
    }
};

struct Parts {
    int32_t year = 0;
    int32_t month = 1;
    int32_t day = 1;
    int32_t week = 0;     // ISO week form when above 0
    int32_t weekday = 1;  // with the week
    int32_t year_day = 0; // ordinal form when above 0
    bool has_time = false;
    double time = 0.0;
    int32_t zone_hours = 0;
    int32_t zone_minutes = 0;
};

// A month name of 3 to 9 letters, a prefix of one of the twelve names.
bool month_name(Reader& r, int32_t* month) {
    const uint8_t* first = r.p;
    while (r.p < r.end && is_letter(*r.p)) ++r.p;
    size_t n = static_cast<size_t>(r.p - first);
    if (n < min_month_name || n > max_month_name) return false;
    for (int m = 0; m < 12; ++m) {
        const char* name = month_names[m];
        if (std::strlen(name) < n) continue;
        bool same = true;
        for (size_t i = 0; i < n && same; ++i) same = upper(first[i]) == name[i];
        if (same) {
            *month = m + 1;
            return true;
        }
    }
    return false;
}

// Seconds with an optional fraction ("." or ","), at most to the end.
bool seconds(Reader& r, double* value) {
    const uint8_t* first = r.p;
    while (r.p < r.end && is_digit(*r.p)) ++r.p;
    if (r.p == first) return false;
    if (r.at('.') || r.at(',')) {
        ++r.p;
        while (r.p < r.end && is_digit(*r.p)) ++r.p;
    }
    return read_float_text(first, r.p, 0, value);
}

// "Z", or a zone: sign, hours and optional minutes (h, hh, h:mm, hh:mm, hhmm).
bool zone(Reader& r, Parts& d) {
    if (r.take('Z') || r.take('z')) return r.at_end();
    if (!r.at('+') && !r.at('-')) return false;
    int32_t sign = *r.p++ == '-' ? -1 : 1;
    int32_t hours = 0;
    int32_t minutes = 0;
    int digits = 0;
    const uint8_t* first = r.p;
    if (!r.number(&hours, &digits, 4)) return false;
    if (digits == 4) {
        r.p = first;
        r.fixed(2, &hours);
        r.fixed(2, &minutes);
    } else if (digits > 2) {
        return false;
    } else if (r.take(':') && !r.fixed(2, &minutes)) {
        return false;
    }
    if (!r.at_end() || hours > zone_hour_limit || minutes > 59 || minutes % 15 != 0) return false;
    d.zone_hours = sign * hours;
    d.zone_minutes = sign * minutes;
    return true;
}

// The time after "/" or "T": h:mm[:ss[.f]] or the compact hhmm[ss[.f]],
// then an optional zone.
bool time_of_day(Reader& r, Parts& d) {
    int32_t hours = 0;
    int32_t minutes = 0;
    double secs = 0.0;
    int digits = 0;
    const uint8_t* first = r.p;
    if (!r.number(&hours, &digits, 6)) return false;
    if (r.take(':')) {
        if (digits > 2 || !r.number(&minutes, &digits, 2)) return false;
        if (r.take(':') && !seconds(r, &secs)) return false;
    } else {
        // Compact: four or six digits.
        r.p = first;
        if (digits != 4 && digits != 6) return false;
        r.fixed(2, &hours);
        r.fixed(2, &minutes);
        if (digits == 6 && !seconds(r, &secs)) return false;
    }
    if (hours > 23 || minutes > 59 || !(secs < 60.0)) return false;
    d.has_time = true;
    d.time = hours * 3600.0 + minutes * 60.0 + secs;
    return r.at_end() || zone(r, d);
}

// The optional time part after the date.
bool time_part(Reader& r, Parts& d) {
    if (r.at_end()) return true;
    if (!r.take('/') && !r.take('T') && !r.take('t')) return false;
    return time_of_day(r, d);
}

// A number that may carry a "-" sign (a year).
bool signed_number(Reader& r, int32_t* value, int* digits) {
    bool negative = r.take('-');
    if (!r.number(value, digits)) return false;
    if (negative) *value = -*value;
    return true;
}

// A year written with at most two digits is in 1950-2049.
int32_t full_year(int32_t year, int digits) {
    if (digits > 2 || year < 0) return year;
    return year > 49 ? 1900 + year : 2000 + year;
}

bool parse(Reader& r, Parts& d) {
    int32_t first = 0;
    int first_digits = 0;
    bool first_negative = r.at('-');
    if (!signed_number(r, &first, &first_digits)) return false;
    if (first_digits == compact_date_digits && !first_negative && (r.at('T') || r.at('t'))) {
        d.year = first / 10000;
        d.month = first / 100 % 100;
        d.day = first % 100;
        return time_part(r, d);
    }
    uint8_t separator = r.at('-') || r.at('/') ? *r.p++ : 0;
    if (!separator) return false;
    if (separator == '-' && (r.at('W') || r.at('w'))) {
        ++r.p;
        d.year = first;
        if (!r.fixed(2, &d.week) || (!r.at_end() && is_digit(*r.p))) return false;
        if (r.take('-') && (!r.fixed(1, &d.weekday) || (!r.at_end() && is_digit(*r.p))))
            return false;
        if (d.week < 1 || d.week > max_iso_week || d.weekday < 1 || d.weekday > 7) return false;
        return time_part(r, d);
    }
    if (separator == '-' && r.end - r.p >= 3 && is_digit(r.p[0]) && is_digit(r.p[1]) &&
        is_digit(r.p[2]) && (r.end - r.p == 3 || (!is_digit(r.p[3]) && r.p[3] != '-'))) {
        d.year = first;
        r.fixed(3, &d.year_day);
        int32_t days_in_year = date::is_leap_year(d.year) ? 366 : 365;
        if (d.year_day < 1 || d.year_day > days_in_year) return false;
        return time_part(r, d);
    }
    int32_t month = 0;
    if (r.p < r.end && is_letter(*r.p)) {
        if (!month_name(r, &month)) return false;
    } else if (!r.number(&month)) {
        return false;
    }
    if (!r.take(separator)) return false;
    int32_t last = 0;
    int last_digits = 0;
    if (!signed_number(r, &last, &last_digits)) return false;
    if (first > 31 || first_negative || first_digits > 2) {
        d.year = full_year(first, first_digits);
        d.day = last;
    } else {
        d.day = first;
        d.year = full_year(last, last_digits);
    }
    d.month = month;
    return time_part(r, d);
}

bool is_valid(const Parts& d) {
    static const int32_t month_days[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    if (d.year < -year_limit || d.year > year_limit) return false;
    if (d.month < 1 || d.month > 12 || d.day < 1) return false;
    int32_t days = month_days[d.month - 1] + (d.month == 2 && date::is_leap_year(d.year));
    return d.day <= days;
}

} // namespace

void load_date(State& s, const uint8_t* start, const uint8_t* end, uint32_t, bool load) {
    s.position = end;
    Reader r{start, end};
    Parts d;
    if (!parse(r, d) || !is_valid(d)) throw_error(s, start, end, type_id::date);
    if (!load) return;
    Cell made;
    date::make_from_parts(&made, d.year, d.month, d.day, d.time, d.zone_hours, d.zone_minutes,
                          d.has_time);
    if (d.week > 0) {
        date::set_week(&made, d.week);
        date::set_weekday(&made, d.weekday);
    } else if (d.year_day > 0) {
        date::set_yearday(&made, d.year_day);
    }
    *alloc_cell(s) = made;
}

} // namespace zep::lexer
