// Reading and setting the fields of a date!: path access and pick.
#include <cmath>
#include <cstdlib>
#include <iterator>
#include <strings.h>

#include "datatypes/date.h"
#include "datatypes/date_internal.h"
#include "datatypes/symbol.h"
#include "datatypes/word.h"
#include "evaluator/compiled_support.h"
#include "runtime/value_make.h"

namespace zep::date {

namespace {

constexpr const char* field_names[] = {"date",    "year",   "month",    "day",    "zone",
                                       "time",    "hour",   "minute",   "second", "weekday",
                                       "yearday", "julian", "timezone", "week",   "isoweek"};
constexpr int32_t field_numbers[] = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 11, 12, 13, 14};

// A double known to be a small whole count (hours, minutes) as an integer;
// math overflow for anything else (a time that no normalisation produced).
int32_t whole(double x) {
    if (!(std::fabs(x) < 2147483648.0)) error::fire(error::Category::math, "overflow");
    return static_cast<int32_t>(x);
}

double local_time(const Cell* date) {
    return to_local(time_of(date), zone_of(packed_of(date)));
}

void set_time_value(Cell* out, double seconds) {
    value::set_double(out, type_id::time, seconds);
}

[[noreturn]] void invalid_arg(const Cell* value) {
    error::fire(error::Category::script, "invalid-arg", value);
}

int32_t integer_arg(const Cell* value) {
    if (cell_type(value) != type_id::integer) invalid_arg(value);
    return value::integer_of(value);
}

// The zone bits a zone setter's value names: an integer! of hours (taken
// modulo 16) or a time! (modulo 16 hours) whose minutes become quarters.
uint32_t zone_from_value(const Cell* value) {
    bool negative;
    uint32_t hours, quarters = 0;
    if (cell_type(value) == type_id::integer) {
        int64_t n = value::integer_of(value);
        negative = n < 0;
        hours = static_cast<uint32_t>(std::llabs(n) % 16);
    } else if (cell_type(value) == type_id::time) {
        double t = std::fmod(value::double_of(value), 57600.0);
        if (std::isnan(t)) invalid_arg(value);
        negative = t < 0;
        double magnitude = std::fabs(t);
        hours = static_cast<uint32_t>(magnitude / 3600.0);
        quarters = static_cast<uint32_t>(std::fmod(magnitude, 3600.0) / 60.0) / 15;
    } else {
        invalid_arg(value);
    }
    uint32_t zone = (hours << 2) | quarters;
    return negative && zone != 0 ? zone | zone_sign : zone;
}

// The time! path setters on a local time of day.
double set_time_part(double s, int32_t n, const Cell* value) {
    switch (n) {
    case field::hour:
        return s - (std::floor(s / 3600.0) - integer_arg(value)) * 3600.0;
    case field::minute:
        return s - (std::floor(std::fmod(s, 3600.0) / 60.0) - integer_arg(value)) * 60.0;
    default: {
        double x;
        if (cell_type(value) == type_id::integer)
            x = value::integer_of(value);
        else if (cell_type(value) == type_id::float_)
            x = value::double_of(value);
        else
            invalid_arg(value);
        return s - (std::fmod(s, 60.0) - x);
    }
    }
}

[[noreturn]] void out_of_range(int32_t n) {
    Cell index;
    value::set_integer(&index, n);
    error::fire(error::Category::script, "out-of-range", &index);
}

// The answer of pick and path reads: the caller copies it. (The parent
// cell of a path may be a variable's value, which must not change.)
Cell field_result;

// Rebuilds the packed word from a day number, keeping zone and flag.
void store_day(Cell* date, int64_t days) {
    uint32_t packed = packed_of(date);
    set_cell(date, days_to_date(days, zone_of(packed), has_time(packed)), time_of(date));
}

} // namespace

int32_t field_index(const Cell* word) {
    if (!word::is_any_word_type(cell_type(word))) return -1;
    const char* name = symbol::utf8_text(value::word_symbol(word));
    for (size_t i = 0; i < std::size(field_names); ++i)
        if (strcasecmp(name, field_names[i]) == 0) return field_numbers[i];
    return -1;
}

Cell* get_field(const Cell* date, int32_t n, Cell* out) {
    uint32_t packed = packed_of(date);
    double local = local_time(date);
    switch (n) {
    case field::date:
        return set_cell(out, packed & ~(zone_mask | has_time_flag), 0.0);
    case field::year:
        value::set_integer(out, year_of(packed));
        break;
    case field::month:
        value::set_integer(out, month_of(packed));
        break;
    case field::day:
        value::set_integer(out, day_of(packed));
        break;
    case field::zone:
    case field::timezone:
        if (!has_time(packed))
            value::set_none(out);
        else
            set_time_value(out, zone_offset(zone_of(packed)));
        break;
    case field::time:
        if (!has_time(packed))
            value::set_none(out);
        else
            set_time_value(out, local);
        break;
    case field::hour:
        value::set_integer(out, whole(std::floor(local / 3600.0)));
        break;
    case field::minute:
        value::set_integer(out, whole(std::floor(std::fmod(local, 3600.0) / 60.0)));
        break;
    case field::second:
        value::set_float(out, std::fmod(local, 60.0));
        break;
    case field::weekday:
        value::set_integer(out, weekday(date_to_days(packed)));
        break;
    case field::yearday:
        value::set_integer(out, year_day(packed));
        break;
    case field::week:
        value::set_integer(out, week(packed));
        break;
    case field::isoweek:
        value::set_integer(out, iso_week(packed));
        break;
    default:
        out_of_range(n);
    }
    return out;
}

void set_field(Cell* target, int32_t n, const Cell* value) {
    // Work on a copy: an error leaves the date as it was.
    Cell date = *target;
    uint32_t packed = packed_of(&date);
    uint32_t zone = zone_of(packed);
    int64_t days = date_to_days(packed);
    switch (n) {
    case field::date: {
        if (cell_type(value) != type_id::date) invalid_arg(value);
        uint32_t other = packed_of(value);
        set_cell(&date, (other & ~zone_mask) | zone, has_time(other) ? time_of(&date) : 0.0);
        break;
    }
    case field::year: {
        int32_t year = integer_arg(value);
        if (year < min_year || year > max_year) error::fire(error::Category::math, "overflow");
        // Through the day number, so that 29 February of a common year
        // becomes 1 March.
        store_day(&date, date_to_days(pack(year, month_of(packed), day_of(packed), 0, false)));
        break;
    }
    case field::month: {
        int64_t m = int64_t{integer_arg(value)} - 1;
        int64_t year = year_of(packed) + floor_div(m, 12);
        int64_t month = floor_mod(m, 12) + 1;
        if (year < min_year || year > max_year) error::fire(error::Category::math, "overflow");
        store_day(&date, date_to_days(pack(static_cast<int32_t>(year), static_cast<int32_t>(month),
                                           1, 0, false)) +
                             day_of(packed) - 1);
        break;
    }
    case field::day:
        store_day(&date, days - day_of(packed) + integer_arg(value));
        break;
    case field::zone: {
        uint32_t fresh = zone_from_value(value);
        double local = to_local(time_of(&date), zone);
        set_cell(&date, (packed & ~zone_mask) | fresh | has_time_flag, to_utc(local, fresh));
        break;
    }
    case field::timezone: {
        uint32_t fresh = zone_from_value(value);
        set_cell(&date, (packed & ~zone_mask) | fresh | has_time_flag, time_of(&date));
        normalize(&date, time_of(&date), false);
        break;
    }
    case field::time:
        if (cell_type(value) == type_id::none) {
            set_cell(&date, packed & ~has_time_flag, 0.0);
        } else if (cell_type(value) == type_id::time) {
            set_cell(&date, packed | has_time_flag, time_of(&date));
            normalize(&date, value::double_of(value), true);
        } else {
            invalid_arg(value);
        }
        break;
    case field::hour:
    case field::minute:
    case field::second: {
        double local = set_time_part(local_time(&date), n, value);
        set_cell(&date, packed | has_time_flag, time_of(&date));
        normalize(&date, local, true);
        break;
    }
    case field::weekday:
        store_day(&date, days - (weekday(static_cast<int32_t>(days)) - 1) +
                             (int64_t{integer_arg(value)} - 1));
        break;
    case field::yearday:
        store_day(&date, int64_t{year_start_days(packed)} + integer_arg(value) - 1);
        break;
    case field::week: {
        int64_t n_week = integer_arg(value);
        int64_t start = year_start_days(packed);
        int64_t sunday_index = floor_mod(start + 3, 7); // of 1 January, 0 = Sunday
        store_day(&date, n_week > 1 ? start + 7 * n_week - sunday_index - 7 : start);
        break;
    }
    case field::isoweek:
        store_day(&date,
                  int64_t{iso_week_start(packed, nullptr)} + 7 * (int64_t{integer_arg(value)} - 1));
        break;
    default:
        out_of_range(n);
    }
    *target = date;
}

Cell* pick(Cell* series, int32_t index, const Cell* index_cell) {
    int32_t n = index;
    if (!index_cell) {
        if (n < 1 || n > field::isoweek) out_of_range(n);
        return get_field(series, n, &field_result);
    }
    if (cell_type(index_cell) == type_id::integer)
        n = value::integer_of(index_cell);
    else
        n = field_index(index_cell);
    if (n < 1 || n > field::isoweek)
        error::fire(error::Category::script, "out-of-range", index_cell);
    return get_field(series, n, &field_result);
}

Cell* eval_path(Cell* parent, const Cell* element, const Cell* new_value, const Cell* path, bool) {
    int32_t n = field_index(element);
    if (n < 0) {
        Cell where;
        if (path)
            where = *path;
        else
            value::set_none(&where);
        error::fire(error::Category::script, "invalid-path", &where, element);
    }
    if (!new_value) {
        return get_field(parent, n, &field_result);
    }
    set_field(parent, n, new_value);
    field_result = *new_value;
    return &field_result;
}

} // namespace zep::date
