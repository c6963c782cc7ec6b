// Helpers shared by the string actions.
#include "datatypes/string_action_support.h"

#include <cstring>

#include "datatypes/series.h"
#include "datatypes/string_buffer.h"
#include "evaluator/compiled_support.h"
#include "evaluator/stack.h"
#include "runtime/unicode/units.h"
#include "runtime/value_make.h"

namespace zep::string::support {

bool notify(const Cell* series, words::global::Id action, const Cell* value, int32_t index,
            int32_t count) {
    return series::notify(series, words::global_word(action), value, index, count);
}

void fire_refine_arg(words::refinement::Id refinement, const Cell* argument) {
    Cell word = words::refinements[refinement];
    Cell copy = *argument;
    error::fire(error::Category::script, "invalid-refine-arg", &word, &copy);
}

void fire_out_of_range(const Cell* value) {
    Cell copy = *value;
    error::fire(error::Category::script, "out-of-range", &copy);
}

void fire_out_of_range(int32_t n) {
    Cell value;
    value::set_integer(&value, n);
    error::fire(error::Category::script, "out-of-range", &value);
}

void fire_invalid_arg(const Cell* value) {
    Cell copy = *value;
    error::fire(error::Category::script, "invalid-arg", &copy);
}

void fire_bad_refines() {
    error::fire(error::Category::script, "bad-refines");
}

void fire_not_done() {
    error::fire_named(error::Category::internal, "not-done");
}

void fire_no_memory() {
    error::fire_named(error::Category::internal, "no-memory");
}

int32_t part_length(const Cell* series, const Cell* part) {
    if (cell_type(part) == type_id::integer) return value::integer_of(part);
    if (cell_type(part) == cell_type(series) && part->data2 == series->data2) {
        int64_t distance = int64_t{value::series_head(part)} - value::series_head(series);
        if (distance > INT32_MAX) return INT32_MAX;
        if (distance < INT32_MIN) return INT32_MIN;
        return static_cast<int32_t>(distance);
    }
    fire_refine_arg(words::refinement::part, part);
}

uint32_t UnitView::at(uint32_t i) const {
    const unsigned char* p = start + uint64_t{i} * unit;
    if (unit == 8) {
        uint32_t low;
        std::memcpy(&low, p, 4);
        return low;
    }
    return unicode::read_unit(p, unit);
}

UnitView view_of(const Cell* series) {
    SeriesBuffer* b = node_buffer(series->data2);
    return {buffer_head(b), buffer_unit(b), series::used_unit_count(b)};
}

void element_at(const Cell* series, uint32_t index, Cell* out) {
    UnitView units = view_of(series);
    uint8_t type = cell_type(series);
    if (type == type_id::vector && series->data3 == type_id::float_) {
        const unsigned char* p = units.start + uint64_t{index} * units.unit;
        double d;
        if (units.unit == 8) {
            std::memcpy(&d, p, 8);
        } else {
            float f;
            std::memcpy(&f, p, 4);
            d = f;
        }
        value::set_float(out, d);
    } else if (type == type_id::binary || type == type_id::vector) {
        value::set_integer(out, static_cast<int32_t>(units.at(index)));
    } else {
        value::set_char(out, units.at(index));
    }
}

uint32_t clamped_head(const Cell* series) {
    int32_t head = value::series_head(series);
    uint32_t total = view_of(series).total;
    if (head < 0) return 0;
    return static_cast<uint32_t>(head) > total ? total : static_cast<uint32_t>(head);
}

namespace {

uint64_t known_length_in(const Cell* block, int64_t elements, uint32_t* budget) {
    SeriesBuffer* b = node_buffer(block->data2);
    uint64_t count = (b->tail - b->head) / sizeof(Cell);
    int32_t head = value::series_head(block);
    uint64_t sum = 0;
    for (uint64_t i = head < 0 ? 0 : static_cast<uint32_t>(head);
         i < count && elements != 0 && *budget > 0; ++i) {
        const Cell* element = &arena::at<Cell>(b->head)[i];
        --*budget;
        if (elements > 0) --elements;
        uint8_t type = cell_type(element);
        if (is_any_string(type) || type == type_id::binary)
            sum += view_of(element).total - clamped_head(element);
        else if (type == type_id::block || type == type_id::paren)
            sum += known_length_in(element, -1, budget);
    }
    return sum;
}

} // namespace

uint64_t known_length(const Cell* block, int64_t elements) {
    uint32_t budget = 65536;
    return known_length_in(block, elements, &budget);
}

} // namespace zep::string::support
