// The calendar core of date!: day numbers, weeks, zones and normalisation.
#include <cmath>
#include <cstdlib>

#include "datatypes/date.h"
#include "datatypes/date_internal.h"
#include "evaluator/compiled_support.h"
#include "evaluator/stack.h"
#include "runtime/value_make.h"

namespace zep::date {

namespace {

constexpr double seconds_per_day = 86400.0;

// Days before 1 March of March-based year y.
constexpr int64_t year_days(int64_t y) {
    return 365 * y + floor_div(y, 4) - floor_div(y, 100) + floor_div(y, 400);
}

[[noreturn]] void overflow() {
    error::fire(error::Category::math, "overflow");
}

} // namespace

uint32_t pack(int32_t year, int32_t month, int32_t day, uint32_t zone, bool has_time) {
    return (static_cast<uint32_t>(year) << 17) | (static_cast<uint32_t>(month & 15) << 12) |
           (static_cast<uint32_t>(day & 31) << 7) | (has_time ? has_time_flag : 0) |
           (zone & zone_mask);
}

int32_t zone_offset(uint32_t zone) {
    int32_t magnitude =
        static_cast<int32_t>((zone >> 2) & 15) * 3600 + static_cast<int32_t>(zone & 3) * 900;
    return (zone & zone_sign) ? -magnitude : magnitude;
}

uint32_t zone_from_offset(int32_t seconds) {
    uint32_t magnitude = static_cast<uint32_t>(std::abs(seconds));
    uint32_t zone = (((magnitude / 3600) & 15) << 2) | ((magnitude % 3600) / 900);
    return seconds < 0 && zone != 0 ? zone | zone_sign : zone;
}

bool is_leap_year(int32_t year) {
    return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
}

int32_t date_to_days(uint32_t packed) {
    int64_t m = floor_mod(month_of(packed) + 9, 12);
    int64_t y = year_of(packed) - m / 10;
    return static_cast<int32_t>(year_days(y) + (m * 306 + 5) / 10 + (day_of(packed) - 1));
}

uint32_t days_to_date(int64_t g, uint32_t zone, bool has_time) {
    // Years beyond the packed range never reach the estimate's arithmetic.
    constexpr int64_t limit = 400LL * 146097;
    if (g < -limit || g > limit) overflow();
    int64_t y = floor_div(10000 * g + 14780, 3652425);
    int64_t r = g - year_days(y);
    if (r < 0) {
        y -= 1;
        r = g - year_days(y);
    }
    int64_t mi = (100 * r + 52) / 3060;
    int64_t month = (mi + 2) % 12 + 1;
    int64_t year = y + (mi + 2) / 12;
    int64_t day = r - (mi * 306 + 5) / 10 + 1;
    if (year < min_year || year > max_year) overflow();
    return pack(static_cast<int32_t>(year), static_cast<int32_t>(month), static_cast<int32_t>(day),
                zone, has_time);
}

int32_t year_start_days(uint32_t packed) {
    return date_to_days(pack(year_of(packed), 1, 1, 0, false));
}

int32_t year_day(uint32_t packed) {
    return date_to_days(packed) - year_start_days(packed) + 1;
}

int32_t weekday(int32_t days) {
    return static_cast<int32_t>(floor_mod(int64_t{days} + 2, 7)) + 1;
}

int32_t iso_week_start(uint32_t packed, int32_t* first_weekday) {
    int32_t s = year_start_days(packed);
    int32_t w = weekday(s) - 1;
    if (first_weekday) *first_weekday = w + 1;
    return s - w + (w >= 4 ? 7 : 0);
}

int32_t week(uint32_t packed) {
    int32_t e = static_cast<int32_t>(floor_mod(int64_t{year_start_days(packed)} + 3, 7));
    int32_t d = year_day(packed);
    return d <= 7 - e ? 1 : (d + e - 1) / 7 + 1;
}

int32_t iso_week(uint32_t packed) {
    int32_t days = date_to_days(packed);
    int32_t w;
    int32_t s = iso_week_start(packed, &w);
    if (days < s) {
        if (w == 5) return 53;
        if (w == 6 && is_leap_year(year_of(packed) - 1)) return 53;
        return w <= 4 ? 1 : 52;
    }
    int32_t s2 = iso_week_start(pack(year_of(packed) + 1, 1, 1, 0, false), nullptr);
    return days < s2 ? (days - s) / 7 + 1 : 1;
}

double apply_zone(double time, uint32_t zone, bool forward) {
    double offset = zone_offset(zone);
    return forward ? time + offset : time - offset;
}

int64_t normalize_time(int64_t days, double* time, uint32_t zone) {
    double offset = zone_offset(zone);
    double shift = std::floor((*time + offset) / seconds_per_day);
    // Beyond the day numbers of any representable year (or NaN).
    if (!(std::fabs(shift) < 1e8)) overflow();
    auto n = static_cast<int64_t>(shift);
    *time -= static_cast<double>(n) * seconds_per_day;
    days += n;
    // Rounding can leave the local time exactly at the day's end.
    if (*time + offset >= seconds_per_day) {
        *time -= seconds_per_day;
        days += 1;
    } else if (*time + offset < 0.0) {
        *time += seconds_per_day;
        days -= 1;
    }
    return days;
}

void normalize(Cell* date, double time, bool to_utc_first) {
    uint32_t packed = packed_of(date);
    uint32_t zone = zone_of(packed);
    if (to_utc_first) time = to_utc(time, zone);
    int64_t days = normalize_time(date_to_days(packed), &time, zone);
    set_cell(date, days_to_date(days, zone, has_time(packed)), time);
}

double time_of(const Cell* date) {
    return value::double_of(date);
}

Cell* set_cell(Cell* cell, uint32_t packed, double time) {
    value::set_double(cell, type_id::date, time);
    cell->data1 = packed;
    return cell;
}

Cell* set_raw(Cell* cell, uint32_t packed, uint32_t time_low, uint32_t time_high) {
    value::set_cell(cell, type_id::date, packed, time_low, time_high);
    return cell;
}

Cell* push_new(uint32_t packed, double time) {
    return set_cell(stack::push_slot(), packed, time);
}

Cell* make_from_parts(Cell* cell, int32_t year, int32_t month, int32_t day, double time,
                      int32_t zone_hours, int32_t zone_minutes, bool with_time) {
    uint32_t zone = ((static_cast<uint32_t>(std::abs(zone_hours)) & 15) << 2) |
                    ((static_cast<uint32_t>(std::abs(zone_minutes)) / 15) & 3);
    if ((zone_hours < 0 || (zone_hours == 0 && zone_minutes < 0)) && zone != 0) zone |= zone_sign;
    uint32_t packed = pack(year, month, day, zone, with_time);
    return set_cell(cell, packed, with_time ? to_utc(time, zone) : 0.0);
}

Cell* make_from_fields(Cell* cell, int32_t year, int32_t month, int32_t day, int32_t hour,
                       int32_t minute, int32_t second, int32_t fraction) {
    double time = 3600.0 * hour + 60.0 * minute + second + 1e-09 * fraction;
    return set_cell(cell, pack(year, month, day, 0, true), time);
}

namespace {

void move_to_day(Cell* date, int64_t days) {
    uint32_t packed = packed_of(date);
    set_cell(date, days_to_date(days, zone_of(packed), has_time(packed)), time_of(date));
}

} // namespace

void set_week(Cell* date, int32_t n) {
    int64_t start = iso_week_start(packed_of(date), nullptr);
    move_to_day(date, start - 7 + 7 * int64_t{n});
}

void set_weekday(Cell* date, int32_t n) {
    int64_t days = date_to_days(packed_of(date));
    move_to_day(date, days - (weekday(static_cast<int32_t>(days)) - 1) + (int64_t{n} - 1));
}

void set_yearday(Cell* date, int32_t n) {
    move_to_day(date, int64_t{year_start_days(packed_of(date))} + n - 1);
}

int32_t to_epoch_seconds(const Cell* date) {
    constexpr int64_t epoch_days = 719468; // 1 January 1970
    // The stored time is negative for a date east of UTC shortly after its
    // local midnight: round half up (floor), as truncation would move such
    // a time one second toward midnight.
    double seconds =
        static_cast<double>(date_to_days(packed_of(date)) - epoch_days) * seconds_per_day +
        std::floor(time_of(date) + 0.5);
    if (!(seconds >= -2147483648.0 && seconds <= 2147483647.0)) {
        Cell value = *date;
        error::fire(error::Category::script, "out-of-range", &value);
    }
    return static_cast<int32_t>(seconds);
}

Cell* difference(Cell* a, const Cell* b) {
    double days = static_cast<double>(date_to_days(packed_of(a))) - date_to_days(packed_of(b));
    double seconds = days * seconds_per_day + (time_of(a) - time_of(b));
    value::set_double(a, type_id::time, seconds);
    return a;
}

} // namespace zep::date
