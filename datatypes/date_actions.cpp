// The actions of date!: text, comparison, arithmetic and random dates.
#include <cmath>
#include <cstdio>
#include <cstring>

#include "datatypes/date.h"
#include "datatypes/date_internal.h"
#include "datatypes/registry.h"
#include "datatypes/string_buffer.h"
#include "datatypes/symbol.h"
#include "datatypes/unit_text.h"
#include "evaluator/compiled_support.h"
#include "evaluator/runtime_words.h"
#include "evaluator/stack.h"
#include "runtime/memory.h"
#include "runtime/value_make.h"
#include "services/random.h"

namespace zep::date {

namespace {

MonthsSource months_source = nullptr;

// The month's name string from the locale's list; script invalid-months when
// the list lacks it.
Cell month_name(int32_t month) {
    const Cell* list = months_source ? months_source() : nullptr;
    if (list && cell_type(list) == type_id::block && month >= 1) {
        SeriesBuffer* b = node_buffer(value::series_node(list));
        int64_t index = int64_t{std::max(value::series_head(list), 0)} + month - 1;
        if (b->head + (index + 1) * sizeof(Cell) <= b->tail) {
            Cell name = arena::at<Cell>(b->head)[index];
            if (cell_type(&name) == type_id::string) return name;
        }
    }
    error::fire(error::Category::script, "invalid-months");
}

// Appends the first three characters of the name.
int32_t write_month(Cell* out_string, const Cell* name, int32_t part_limit) {
    uint32_t head = static_cast<uint32_t>(std::max(value::series_head(name), 0));
    uint32_t n = std::min<uint32_t>(string::length(name), 3);
    for (uint32_t i = 0; i < n; ++i) {
        uint32_t cp = string::char_at(name, head + i);
        string::append_char(node_buffer(value::series_node(out_string)), cp);
    }
    return part_limit - static_cast<int32_t>(n);
}

// The time text through the time! form slot.
int32_t write_time(Cell* out_string, double seconds, int32_t part_limit) {
    auto form_time = actions::slot_as<FormFn>(type_id::time, action_slot::form);
    if (!form_time) error::fire(error::Category::internal, "not-done");
    Cell time;
    value::set_double(&time, type_id::time, seconds);
    return form_time(&time, out_string, part_limit);
}

// Tolerant equality of two times: equal or at most 10 units in the last
// place apart (the float comparison's tolerance).
bool times_equal(double a, double b) {
    if (std::isnan(a) || std::isnan(b)) return false;
    if (a == b || std::fabs(a - b) < 2.220446049250313e-16) return true;
    auto key = [](double x) {
        uint64_t bits;
        std::memcpy(&bits, &x, 8);
        return (bits >> 63) ? ~bits + 1 : bits | (uint64_t{1} << 63);
    };
    uint64_t ka = key(a), kb = key(b);
    uint64_t distance = ka > kb ? ka - kb : kb - ka;
    return distance <= 10;
}

int compare_keys(const Cell* a, const Cell* b) {
    int32_t ka = static_cast<int32_t>(packed_of(a) & ~has_time_flag) >> 7;
    int32_t kb = static_cast<int32_t>(packed_of(b) & ~has_time_flag) >> 7;
    return (ka > kb) - (ka < kb);
}

} // namespace

void set_months_source(MonthsSource source) {
    months_source = source;
}

void init() {
    datatype::SlotList slots;
    slots.set<action_slot::make>(&make);
    slots.set<action_slot::random>(&random);
    slots.set<action_slot::to>(&to);
    slots.set<action_slot::form>(&form);
    slots.set<action_slot::mold>(&mold);
    slots.set<action_slot::eval_path>(&eval_path);
    slots.set<action_slot::compare>(&compare);
    slots.set<action_slot::add>(&add);
    slots.set<action_slot::subtract>(&subtract);
    slots.set<action_slot::pick>(&pick);
    datatype::register_type(type_id::date, 0, "date!", slots);
}

int32_t form(const Cell* value, Cell* out_string, int32_t part_limit) {
    uint32_t packed = packed_of(value);
    int32_t year = year_of(packed);
    const char* separator = year < 0 ? "/" : "-";
    Cell name = month_name(month_of(packed));
    char text[32];
    std::snprintf(text, sizeof text, "%d%s", day_of(packed), separator);
    part_limit = unit_text::write(out_string, text, part_limit);
    part_limit = write_month(out_string, &name, part_limit);
    int32_t magnitude = year < 0 ? -year : year;
    std::snprintf(text, sizeof text, magnitude < 100 ? "%s%s%04d" : "%s%s%d", separator,
                  year < 0 ? "-" : "", magnitude);
    part_limit = unit_text::write(out_string, text, part_limit);
    if (!has_time(packed)) return part_limit;
    part_limit = unit_text::write(out_string, "/", part_limit);
    part_limit = write_time(out_string, to_local(time_of(value), zone_of(packed)), part_limit);
    uint32_t zone = zone_of(packed);
    if (zone == 0) return part_limit;
    std::snprintf(text, sizeof text, "%c%02u:%02u", (zone & zone_sign) ? '-' : '+',
                  (zone >> 2) & 15, (zone & 3) * 15);
    return unit_text::write(out_string, text, part_limit);
}

int32_t mold(const Cell* value, Cell* out_string, bool, bool, bool, int32_t part_limit, int32_t) {
    return form(value, out_string, part_limit);
}

int compare(const Cell* value, const Cell* other, int code) {
    if (cell_type(other) != type_id::date) return compare_code::not_comparable;
    int keys = compare_keys(value, other);
    double a = time_of(value), b = time_of(other);
    switch (code) {
    case compare_code::equal:
    case compare_code::not_equal:
    case compare_code::strict_equal:
    case compare_code::word_equal:
    case compare_code::word_not_equal:
    case compare_code::find:
        return keys == 0 && times_equal(a, b) ? 0 : 1;
    case compare_code::same: {
        return keys == 0 && value->data2 == other->data2 && value->data3 == other->data3 ? 0 : 1;
    }
    default:
        if (keys != 0) return keys;
        if (times_equal(a, b)) return 0;
        return a < b ? -1 : 1; // a NaN compares as greater
    }
}

Cell* math(Cell* date, const Cell* other, int op) {
    uint32_t packed = packed_of(date);
    int64_t days = date_to_days(packed);
    double time = time_of(date);
    bool timed = has_time(packed);
    switch (cell_type(other)) {
    case type_id::integer:
        days += op == 0 ? int64_t{value::integer_of(other)} : -int64_t{value::integer_of(other)};
        break;
    case type_id::time:
        time += op == 0 ? value::double_of(other) : -value::double_of(other);
        timed = true;
        break;
    case type_id::date:
        if (op == 0) {
            Cell word, type;
            value::set_word(&word, type_id::word, 0, symbol::make("add"));
            value::set_datatype(&type, type_id::date);
            error::fire(error::Category::script, "not-related", &word, &type);
        }
        {
            int64_t difference = days - date_to_days(packed_of(other));
            value::set_integer(date, static_cast<int32_t>(difference));
            return date;
        }
    default: {
        Cell type;
        value::set_datatype(&type, cell_type(other));
        error::fire(error::Category::script, "invalid-type", &type);
    }
    }
    uint32_t zone = zone_of(packed);
    days = normalize_time(days, &time, zone);
    set_cell(date, days_to_date(days, zone, timed), time);
    return date;
}

void do_math(int op) {
    math(stack::base(), stack::base() + 1, op);
}

void add() {
    do_math(0);
}

void subtract() {
    do_math(1);
}

Cell* random(Cell* value, bool seed, bool secure, bool) {
    uint32_t packed = packed_of(value);
    if (seed) {
        double t = std::trunc(time_of(value));
        uint32_t whole =
            std::fabs(t) < 2147483648.0 ? static_cast<uint32_t>(static_cast<int64_t>(t)) : 0;
        random::seed(packed + whole);
        value::set_unset(value);
        return value;
    }
    int32_t days = date_to_days(packed);
    if (days < 1) {
        Cell copy = *value;
        error::fire(error::Category::script, "out-of-range", &copy);
    }
    // A day uniform over 0..days - 1.
    int64_t day = int64_t{random::int_range(days, secure)} - 1;
    if (!has_time(packed)) {
        set_cell(value, days_to_date(day, zone_of(packed), false), 0.0);
        return value;
    }
    // A random zone within the stored range and a random time of day.
    uint32_t zone = random::next() & zone_mask;
    double time = static_cast<double>(random::next() % 86400000u) / 1000.0;
    set_cell(value, days_to_date(day, zone, true), time);
    normalize(value, time, true);
    return value;
}

} // namespace zep::date
