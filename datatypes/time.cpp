#include "datatypes/time.h"

#include <cmath>
#include <cstdio>
#include <string>
#include <string_view>

#include "datatypes/float.h"
#include "datatypes/integer_support.h"
#include "datatypes/registry.h"
#include "datatypes/string_buffer.h"
#include "datatypes/word.h"
#include "evaluator/compiled_support.h"
#include "evaluator/stack.h"
#include "runtime/cell_ops.h"
#include "runtime/memory.h"
#include "runtime/value_make.h"

namespace zep::time {

namespace {

constexpr uint32_t max_block_values = 3;

int32_t append(Cell* out, std::string_view text, int32_t limit) {
    string::append_bytes(out, reinterpret_cast<const unsigned char*>(text.data()),
                         static_cast<uint32_t>(text.size()));
    return limit - static_cast<int32_t>(text.size());
}

// The seconds of a [hours minutes seconds] block.
double from_block(const Cell* spec) {
    SeriesBuffer* buffer = node_buffer(value::series_node(spec));
    const Cell* first = reinterpret_cast<const Cell*>(buffer_head(buffer));
    const Cell* tail = reinterpret_cast<const Cell*>(buffer_tail(buffer));
    int32_t index = value::series_head(spec);
    if (index < 0) index = 0;
    const Cell* element = index < tail - first ? first + index : tail;
    if (static_cast<size_t>(tail - element) > max_block_values) raise_type_error(spec);
    double parts[3] = {0.0, 0.0, 0.0};
    bool negative = false;
    for (int i = 0; element + i < tail; ++i) {
        const Cell* part = element + i;
        uint8_t type = cell_type(part);
        double x;
        if (type == type_id::integer)
            x = value::integer_of(part);
        else if (type == type_id::float_ && i == 2)
            x = value::double_of(part);
        else
            raise_type_error(spec);
        if (x < 0) {
            if (i != 0) raise_type_error(spec);
            negative = true;
            x = -x;
        }
        parts[i] = x;
    }
    double seconds = parts[0] * seconds_per_hour + parts[1] * seconds_per_minute + parts[2];
    return negative ? -seconds : seconds;
}

double from_text(const Cell* spec) {
    Cell* loaded = stack::push_slot();
    value::set_none(loaded);
    if (!word::scan_text(spec, loaded) || cell_type(loaded) != type_id::time)
        raise_type_error(spec);
    double seconds = value::double_of(loaded);
    stack::pop(1);
    return seconds;
}

} // namespace

void init() {
    datatype::SlotList slots;
    slots.set<action_slot::make>(&make);
    slots.set<action_slot::to>(&make);
    slots.set<action_slot::form>(&form);
    slots.set<action_slot::mold>(&mold);
    slots.set<action_slot::eval_path>(&eval_path);
    slots.set<action_slot::add>(&add);
    slots.set<action_slot::divide>(&divide);
    slots.set<action_slot::multiply>(&multiply);
    slots.set<action_slot::round>(&round);
    slots.set<action_slot::subtract>(&subtract);
    slots.set<action_slot::is_even>(&is_even);
    slots.set<action_slot::is_odd>(&is_odd);
    slots.set<action_slot::pick>(&pick);
    slots.set<action_slot::random>(datatype::inherit);
    slots.set<action_slot::compare>(datatype::inherit);
    slots.set<action_slot::absolute>(datatype::inherit);
    slots.set<action_slot::negate>(datatype::inherit);
    slots.set<action_slot::remainder>(datatype::inherit);
    datatype::register_type(type_id::time, type_id::float_, "time!", slots);
}

Cell* push(double seconds) {
    Cell* cell = stack::push_slot();
    value::set_double(cell, type_id::time, seconds);
    return cell;
}

Cell* make_in(const Cell* block, double seconds) {
    Cell* cell = series::alloc_tail_cell(node_buffer(value::series_node(block)));
    value::set_double(cell, type_id::time, seconds);
    return cell;
}

Cell* make_at(Cell* cell, double seconds) {
    uint32_t flags = cell->header & ~cell_type_mask;
    value::set_double(cell, type_id::time, seconds);
    cell->header |= flags;
    return cell;
}

double get(const Cell* cell) {
    return value::double_of(cell);
}

void raise_type_error(const Cell* value) {
    scalar::raise_bad_to_arg(type_id::time, value);
}

int32_t append_form(double seconds, Cell* out, int32_t limit) {
    if (!std::isfinite(seconds)) {
        // An infinite or undefined time has no fields: its number stands.
        return append(out, float_::form_float(seconds, float_::kind::seconds), limit);
    }
    if (seconds < 0) {
        limit = append(out, "-", limit);
        seconds = -seconds;
    }
    double f = std::fmod(seconds, seconds_per_minute);
    std::string digits = f < tiny_seconds ? "00" : float_::form_float(f, float_::kind::seconds);
    if (digits == "60") {
        // Seconds that round up to a whole minute carry into the minutes, so
        // the text stays one that loads back.
        seconds =
            std::floor(seconds / seconds_per_minute) * seconds_per_minute + seconds_per_minute;
        digits = "00";
    }
    char text[400];
    std::snprintf(text, sizeof text, "%.0f", std::floor(seconds / seconds_per_hour));
    limit = append(out, text, limit);
    int minutes = static_cast<int>(std::floor(std::fmod(seconds, seconds_per_hour) / 60.0));
    std::snprintf(text, sizeof text, ":%02d:", minutes);
    limit = append(out, text, limit);
    if (digits.size() == 1 || digits[1] == '.') limit = append(out, "0", limit);
    return append(out, digits, limit);
}

int32_t form(const Cell* value, Cell* out_string, int32_t part_limit) {
    return append_form(get(value), out_string, part_limit);
}

int32_t mold(const Cell* value, Cell* out_string, bool, bool, bool, int32_t part_limit, int32_t) {
    return append_form(get(value), out_string, part_limit);
}

Cell* make(Cell* result, const Cell* spec, uint8_t) {
    double seconds = 0.0;
    switch (cell_type(spec)) {
    case type_id::time:
        return value::copy_cell(spec, result);
    case type_id::block:
    case type_id::paren:
    case type_id::hash:
        seconds = from_block(spec);
        break;
    case type_id::string:
    case type_id::file:
    case type_id::url:
    case type_id::tag:
    case type_id::email:
    case type_id::ref:
        seconds = from_text(spec);
        break;
    case type_id::integer:
        seconds = value::integer_of(spec);
        break;
    case type_id::float_:
    case type_id::percent:
        seconds = value::double_of(spec);
        break;
    default:
        raise_type_error(spec);
    }
    value::set_double(result, type_id::time, seconds);
    return result;
}

} // namespace zep::time
