// make date! and to date!: from a block of fields or from epoch seconds.
#include <algorithm>
#include <cmath>
#include <cstdlib>

#include "datatypes/date.h"
#include "datatypes/date_internal.h"
#include "evaluator/compiled_support.h"
#include "runtime/memory.h"
#include "runtime/value_make.h"

namespace zep::date {

namespace {

constexpr int64_t epoch_days = 719468; // 1 January 1970

// The fields a block names; each state of the reader stores one.
struct Fields {
    int32_t count = 0;
    int64_t a = 0, month = 0, c = 0;
    bool has_clock = false; // hour and minute fields given
    int64_t hour = 0, minute = 0;
    double second = 0;
    bool has_time_value = false;
    double time = 0;
    int64_t zone_hours = 0, zone_minutes = 0;
    bool zone_negative = false;
};

enum class Kind { integer, time, float_, other };

Kind kind_of(const Cell* value) {
    switch (cell_type(value)) {
    case type_id::integer:
        return Kind::integer;
    case type_id::time:
        return Kind::time;
    case type_id::float_:
        return Kind::float_;
    default:
        return Kind::other;
    }
}

[[noreturn]] void refuse(const Cell* spec) {
    Cell type;
    value::set_datatype(&type, type_id::date);
    error::fire(error::Category::script, "bad-to-arg", &type, spec);
}

void take_zone_time(Fields& f, double t) {
    f.zone_negative = t < 0;
    double magnitude = std::fabs(std::fmod(t, 57600.0));
    f.zone_hours = static_cast<int64_t>(magnitude / 3600.0);
    f.zone_minutes = static_cast<int64_t>(std::fmod(magnitude, 3600.0) / 60.0);
}

// One step of the reader: the next state, or -1 for no transition.
int step(int state, Kind kind, const Cell* value, Fields& f) {
    int32_t n = kind == Kind::integer ? value::integer_of(value) : 0;
    double d = kind == Kind::integer ? n : value::double_of(value);
    switch (state * 4 + static_cast<int>(kind)) {
    case 0 * 4 + 0:
        f.a = n;
        return 1;
    case 1 * 4 + 0:
        f.month = n;
        return 2;
    case 2 * 4 + 0:
        f.c = n;
        return 3;
    case 3 * 4 + 0:
        f.has_clock = true;
        f.hour = n;
        return 8;
    case 3 * 4 + 1:
        f.has_time_value = true;
        f.time = d;
        return 4;
    case 4 * 4 + 0:
    case 10 * 4 + 0:
        f.zone_hours = std::llabs(int64_t{n});
        f.zone_negative = n < 0;
        return state == 4 ? 6 : 12;
    case 4 * 4 + 1:
    case 10 * 4 + 1:
        take_zone_time(f, d);
        return state == 4 ? 5 : 11;
    case 6 * 4 + 0:
    case 12 * 4 + 0:
        f.zone_minutes = n;
        return state == 6 ? 7 : 13;
    case 8 * 4 + 0:
        f.minute = n;
        return 9;
    case 9 * 4 + 0:
    case 9 * 4 + 2:
        f.second = d;
        return 10;
    default:
        return -1;
    }
}

bool is_final(int state) {
    return state >= 3 && state != 8;
}

Fields read_block(const Cell* spec) {
    Fields f;
    SeriesBuffer* b = node_buffer(value::series_node(spec));
    uint32_t total = (b->tail - b->head) / sizeof(Cell);
    uint32_t head =
        std::min<uint32_t>(static_cast<uint32_t>(std::max(value::series_head(spec), 0)), total);
    const Cell* items = arena::at<Cell>(b->head);
    int state = 0;
    for (uint32_t i = head; i < total; ++i) {
        Kind kind = kind_of(&items[i]);
        if (kind == Kind::other) refuse(spec);
        state = step(state, kind, &items[i], f);
        if (state < 0) refuse(spec);
        ++f.count;
    }
    if (!is_final(state)) refuse(spec);
    return f;
}

double clock_time(const Fields& f) {
    if (!f.has_clock) return f.time;
    return 3600.0 * static_cast<double>(f.hour) + 60.0 * static_cast<double>(f.minute) + f.second;
}

// Minute of a time of day, after normalisation.
int64_t minute_of(double t) {
    return static_cast<int64_t>(std::floor(std::fmod(t, 3600.0) / 60.0));
}

Cell* build(Cell* result, const Cell* spec, bool checked) {
    Fields f = read_block(spec);
    int64_t year = f.c, day = f.a;
    if (f.a > 99 && f.c < f.a) std::swap(year, day);
    if (year < min_year || year > max_year) refuse(spec);
    bool timed = f.count > 3;
    double time = clock_time(f);

    // The local date and time first, in zone 0: 1 January, the month with
    // carry into the year, the day added to day 0 of the month.
    int64_t m = f.month - 1;
    int64_t y = year + floor_div(m, 12);
    if (y < min_year || y > max_year) refuse(spec);
    int64_t days = date_to_days(pack(static_cast<int32_t>(y),
                                     static_cast<int32_t>(floor_mod(m, 12) + 1), 1, 0, false)) +
                   day - 1;
    if (!std::isfinite(time)) refuse(spec);
    double local = time;
    days = normalize_time(days, &local, 0);
    Cell date;
    set_cell(&date, days_to_date(days, 0, timed), timed ? local : 0.0);

    if (checked) {
        uint32_t packed = packed_of(&date);
        bool same_day =
            year_of(packed) == year && month_of(packed) == f.month && day_of(packed) == day;
        int64_t given_minute = f.has_clock ? f.minute : minute_of(f.time);
        bool clock_ok;
        if (time != 0.0)
            clock_ok = time >= 0.0 && time < 86400.0 && minute_of(local) == given_minute;
        else
            clock_ok = f.hour == 0 && f.minute == 0;
        bool zone_ok = f.zone_hours <= 15 && f.zone_minutes >= 0 && f.zone_minutes < 60;
        if (!same_day || !clock_ok || !zone_ok) refuse(spec);
    }

    // Then the zone, with the local time moved to UTC.
    uint32_t zone = (static_cast<uint32_t>(f.zone_hours & 15) << 2) |
                    static_cast<uint32_t>((f.zone_minutes / 15) & 3);
    if (f.zone_negative && zone != 0) zone |= zone_sign;
    set_cell(&date, (packed_of(&date) & ~zone_mask) | zone, time_of(&date));
    if (timed) normalize(&date, time_of(&date), true);
    *result = date;
    return result;
}

Cell* from_epoch_seconds(Cell* result, int32_t seconds) {
    double time = seconds % 86400;
    int64_t days = epoch_days + seconds / 86400;
    days = normalize_time(days, &time, 0);
    set_cell(result, days_to_date(days, 0, true), time);
    return result;
}

Cell* convert(Cell* result, const Cell* spec, bool checked) {
    switch (cell_type(spec)) {
    case type_id::date:
        *result = *spec;
        return result;
    case type_id::block:
    case type_id::paren:
    case type_id::hash:
        return build(result, spec, checked);
    case type_id::integer:
        if (!checked) return from_epoch_seconds(result, value::integer_of(spec));
        refuse(spec);
    default:
        refuse(spec);
    }
}

} // namespace

Cell* make(Cell* result, const Cell* spec, uint8_t) {
    return convert(result, spec, true);
}

Cell* to(Cell* result, const Cell* spec, uint8_t) {
    return convert(result, spec, false);
}

} // namespace zep::date
