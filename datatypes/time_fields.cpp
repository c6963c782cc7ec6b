// The hour, minute and second fields of a time!: reading them (pick, paths)
// and setting them through a path.
#include <cmath>

#include "datatypes/integer.h"
#include "datatypes/integer_support.h"
#include "datatypes/symbol.h"
#include "datatypes/time.h"
#include "evaluator/compiled_support.h"
#include "evaluator/runtime_words.h"
#include "evaluator/stack.h"
#include "runtime/value_make.h"

namespace zep::time {

namespace {

enum Field : int { hour = 1, minute = 2, second = 3 };

bool is_word_type(uint8_t type) {
    return type == type_id::word || type == type_id::set_word || type == type_id::lit_word ||
           type == type_id::get_word;
}

[[noreturn]] void raise_invalid_path(const Cell* path, const Cell* selector) {
    Cell path_copy = path ? *path : Cell{type_id::none, 0, 0, 0}; // none from eval-path
    Cell selector_copy = *selector;
    error::fire(error::Category::script, "invalid-path", &path_copy, &selector_copy);
}

[[noreturn]] void raise_invalid_arg(const Cell* value) {
    Cell copy = *value;
    error::fire(error::Category::script, "invalid-arg", &copy);
}

// The seconds after setting one field to the new value.
double with_field(double s, int field, const Cell* new_value) {
    uint8_t type = cell_type(new_value);
    switch (field) {
    case hour: {
        if (type != type_id::integer) raise_invalid_arg(new_value);
        double h = value::integer_of(new_value);
        return s - (std::floor(s / seconds_per_hour) - h) * seconds_per_hour;
    }
    case minute: {
        if (type != type_id::integer) raise_invalid_arg(new_value);
        double m = value::integer_of(new_value);
        return s - (std::floor(std::fmod(s, seconds_per_hour) / 60.0) - m) * seconds_per_minute;
    }
    default: {
        double x;
        if (type == type_id::integer)
            x = value::integer_of(new_value);
        else if (type == type_id::float_)
            x = value::double_of(new_value);
        else
            raise_invalid_arg(new_value);
        return s - (std::fmod(s, seconds_per_minute) - x);
    }
    }
}

} // namespace

int32_t hours(double seconds) {
    double h = std::trunc(seconds / seconds_per_hour);
    // The hour of a time beyond 2147483647 hours has no integer!.
    if (integer::is_double_out_of_range(h)) scalar::raise_overflow();
    return static_cast<int32_t>(h);
}

int32_t minutes(double seconds) {
    double m = std::floor(std::fmod(std::fabs(seconds), seconds_per_hour) / 60.0);
    return std::isnan(m) ? 0 : static_cast<int32_t>(m);
}

int field_index(const Cell* word, const Cell* value) {
    uint32_t symbol = symbol::resolve(value::word_symbol(word));
    if (symbol == symbol::resolve(words::symbol_of(words::symbol::hour))) return hour;
    if (symbol == symbol::resolve(words::symbol_of(words::symbol::minute))) return minute;
    if (symbol == symbol::resolve(words::symbol_of(words::symbol::second))) return second;
    if (value && cell_type(value) == type_id::time) {
        Cell word_copy = *word;
        Cell value_copy = *value;
        error::fire(error::Category::script, "cannot-use", &word_copy, &value_copy);
    }
    return -1;
}

Cell* field_value(double seconds, int index, Cell* out) {
    switch (index) {
    case hour:
        value::set_integer(out, hours(seconds));
        break;
    case minute:
        value::set_integer(out, minutes(seconds));
        break;
    default:
        value::set_float(out, std::fmod(seconds, seconds_per_minute));
        break;
    }
    return out;
}

Cell* get_field(double seconds, int index) {
    Cell field;
    field_value(seconds, index, &field);
    return stack::push(&field);
}

Cell* eval_path_into(Cell* value, const Cell* selector, const Cell* new_value, const Cell* path,
                     Cell* out) {
    int field = -1;
    uint8_t type = cell_type(selector);
    if (type == type_id::integer) {
        int32_t n = value::integer_of(selector);
        if (n >= hour && n <= second) field = n;
    } else if (is_word_type(type)) {
        field = field_index(selector, path);
    }
    if (field < 0) raise_invalid_path(path, selector);
    if (!new_value) return field_value(get(value), field, out);
    Cell result = *new_value; // `out` may be the new value's cell
    make_at(value, with_field(get(value), field, new_value));
    *out = result;
    return out;
}

Cell* pick_into(const Cell* value, const Cell* index, Cell* out) {
    int field = -1;
    uint8_t type = cell_type(index);
    if (is_word_type(type)) {
        field = field_index(index, value);
    } else if (type == type_id::integer) {
        int32_t n = value::integer_of(index);
        if (n >= hour && n <= second) field = n;
    }
    if (field < 0) scalar::raise_out_of_range(index);
    return field_value(get(value), field, out);
}

Cell* pick(Cell* value, int32_t, const Cell* index_cell) {
    return pick_into(value, index_cell, stack::push_slot());
}

Cell* eval_path(Cell* value, const Cell* selector, const Cell* new_value, const Cell* path, bool) {
    return eval_path_into(value, selector, new_value, path, stack::push_slot());
}

} // namespace zep::time
