// date!: a date of the proleptic Gregorian calendar with an optional time of
// day and time zone.
//
// Payload word 1 is the packed date: bits 17-31 the year (signed), bits
// 12-15 the month, bits 7-11 the day, bit 16 the has-time flag, bits 0-6 the
// zone (bit 6 set west of UTC, bits 2-5 whole hours, bits 0-1 quarter hours).
// Words 2-3 hold the time as a double: the UTC time measured from the local
// date's midnight, so local time of day = stored time + zone offset, which
// normalisation keeps in [0, 86400). A date without time has time 0.0.
//
// Day numbers count days from 1 March of year 0 (day 0). Every calendar
// formula divides with floor semantics, so negative years work as well.
#pragma once
#include <cstdint>

#include "runtime/cell.h"

namespace zep::date {

constexpr uint32_t has_time_flag = 0x10000;
constexpr uint32_t zone_mask = 0x7F;
constexpr uint32_t zone_sign = 0x40;
constexpr int32_t min_year = -16384;
constexpr int32_t max_year = 16383;

// --- Packed words ----------------------------------------------------------------

inline int32_t year_of(uint32_t packed) {
    return static_cast<int32_t>(packed) >> 17;
}
inline int32_t month_of(uint32_t packed) {
    return static_cast<int32_t>((packed >> 12) & 15);
}
inline int32_t day_of(uint32_t packed) {
    return static_cast<int32_t>((packed >> 7) & 31);
}
inline uint32_t zone_of(uint32_t packed) {
    return packed & zone_mask;
}
inline bool has_time(uint32_t packed) {
    return (packed & has_time_flag) != 0;
}
// Packs a year (min_year..max_year), month and day with the zone and flag.
uint32_t pack(int32_t year, int32_t month, int32_t day, uint32_t zone, bool has_time);
// The signed zone offset in seconds: +-(hours x 3600 + quarters x 900).
int32_t zone_offset(uint32_t zone);
// The zone bits of an offset in seconds (whole quarter hours, |offset| below
// 16 hours).
uint32_t zone_from_offset(int32_t seconds);

// --- Calendar core ------------------------------------------------------------------

bool is_leap_year(int32_t year);
int32_t date_to_days(uint32_t packed);
// The packed date of a day number; math overflow when its year does not fit.
uint32_t days_to_date(int64_t days, uint32_t zone, bool has_time);
int32_t year_start_days(uint32_t packed);
int32_t year_day(uint32_t packed);
// The day number of the Monday of ISO week 1 of the date's year; weekday
// receives the weekday of 1 January (1 = Monday ... 7 = Sunday).
int32_t iso_week_start(uint32_t packed, int32_t* weekday);
// 1 = Monday ... 7 = Sunday.
int32_t weekday(int32_t days);
// Week of the year with weeks starting on Sunday, week 1 holding 1 January.
int32_t week(uint32_t packed);
int32_t iso_week(uint32_t packed);

// Moves a time between UTC and local time by the zone offset.
double apply_zone(double time, uint32_t zone, bool forward);
inline double to_local(double time, uint32_t zone) {
    return apply_zone(time, zone, true);
}
inline double to_utc(double time, uint32_t zone) {
    return apply_zone(time, zone, false);
}
// Carries whole days between the time and the day number so that the local
// time of day (time + zone offset) lies in [0, 86400); answers the days.
// A time too large for any date raises math overflow.
int64_t normalize_time(int64_t days, double* time, uint32_t zone);
// Stores the time into the date (first moved local to UTC with to_utc) and
// renormalises the day, keeping the zone and the has-time flag.
void normalize(Cell* date, double time, bool to_utc);

// --- Cells --------------------------------------------------------------------------

inline uint32_t packed_of(const Cell* date) {
    return date->data1;
}
double time_of(const Cell* date);
// Writes type, packed word and time.
Cell* set_cell(Cell* cell, uint32_t packed, double time);
// Writes type and the three payload words as given (the binary decoders).
Cell* set_raw(Cell* cell, uint32_t packed, uint32_t time_low, uint32_t time_high);
Cell* push_new(uint32_t packed, double time);
// A date from its parts without validation: with has_time the local time is
// stored moved to UTC; without it the time is 0.0.
Cell* make_from_parts(Cell* cell, int32_t year, int32_t month, int32_t day, double time,
                      int32_t zone_hours, int32_t zone_minutes, bool has_time);
// A UTC date with time: 3600 h + 60 m + s + 1e-9 fraction (nanoseconds).
Cell* make_from_fields(Cell* cell, int32_t year, int32_t month, int32_t day, int32_t hour,
                       int32_t minute, int32_t second, int32_t fraction);
// The lexer's week, weekday and ordinal date forms.
void set_week(Cell* date, int32_t n);
void set_weekday(Cell* date, int32_t n);
void set_yearday(Cell* date, int32_t n);

// Seconds since 1970-01-01 UTC; script out-of-range when they do not fit an
// integer!.
int32_t to_epoch_seconds(const Cell* date);
// a becomes the time! between the two dates.
Cell* difference(Cell* a, const Cell* b);

// --- Fields ----------------------------------------------------------------------------

namespace field {
enum : int32_t {
    date = 1,
    year,
    month,
    day,
    zone,
    time,
    hour,
    minute,
    second,
    weekday,
    yearday,
    timezone,
    week,
    isoweek
};
} // namespace field

// The field number of a word (case-insensitive), -1 when none.
int32_t field_index(const Cell* word);
// Writes field n (1-14) of the date into out.
Cell* get_field(const Cell* date, int32_t n, Cell* out);
// Sets field n of the date in place; errors leave the date unchanged.
void set_field(Cell* date, int32_t n, const Cell* new_value);

// --- Arithmetic --------------------------------------------------------------------------

// op 0 add, 1 subtract: the date (in place) with an integer! (days), a
// time! or, for subtract, another date! (an integer! day count).
Cell* math(Cell* date, const Cell* other, int op);
// The worker on the current call's two arguments.
void do_math(int op);

// --- Month names ---------------------------------------------------------------------------

// The source of month names for mold: answers the block that
// system/locale/months holds, or null before the system object exists.
using MonthsSource = const Cell* (*)();
void set_months_source(MonthsSource source);

// --- Action slots ----------------------------------------------------------------------------

void init();

Cell* make(Cell* result, const Cell* spec, uint8_t type);
Cell* to(Cell* result, const Cell* spec, uint8_t type);
Cell* random(Cell* value, bool seed, bool secure, bool only);
int32_t form(const Cell* value, Cell* out_string, int32_t part_limit);
int32_t mold(const Cell* value, Cell* out_string, bool only, bool all, bool flat,
             int32_t part_limit, int32_t indent);
Cell* eval_path(Cell* parent, const Cell* element, const Cell* new_value, const Cell* path,
                bool case_ = false);
int compare(const Cell* value, const Cell* other, int code);
void add();
void subtract();
Cell* pick(Cell* series, int32_t index, const Cell* index_cell);

} // namespace zep::date
