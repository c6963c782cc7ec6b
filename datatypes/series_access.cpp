// series!: single elements (pick, poke, random) and the owner field
// (reflect, modify).
#include <cstring>
#include <utility>

#include "datatypes/series.h"
#include "datatypes/string_buffer.h"
#include "datatypes/symbol.h"
#include "datatypes/word.h"
#include "evaluator/compiled_support.h"
#include "evaluator/runtime_words.h"
#include "evaluator/stack.h"
#include "runtime/hashtable.h"
#include "runtime/ownership.h"
#include "runtime/value_make.h"
#include "services/random.h"

namespace zep::series {

namespace {

Cell none_value = {type_id::none, 0, 0, 0};

// The element index of pick and poke, or -1 when n is 0 or the index falls
// outside the buffer.
int64_t element_index(const Cell* series, int32_t n) {
    int64_t h = value::series_head(series);
    int64_t i = n > 0 ? h + n - 1 : h + n;
    if (n == 0 || i < 0 || i >= total_length(series)) return -1;
    return i;
}

unsigned char* unit_address(const Cell* series, int64_t index) {
    SeriesBuffer* b = node_buffer(series->data2);
    return buffer_head(b) + static_cast<uint64_t>(index) * buffer_unit(b);
}

// The element at index as a value: the cell itself for the block types, a
// value pushed on the argument stack otherwise.
Cell* element_value(const Cell* series, int64_t index) {
    uint8_t type = cell_type(series);
    if (is_block_type(type) || type == type_id::map)
        return reinterpret_cast<Cell*>(unit_address(series, index));
    uint32_t unit = unit_of(series);
    if (type == type_id::vector) {
        if (!vector_push_element) error::fire(error::Category::internal, "not-done");
        return vector_push_element(unit_address(series, index), unit, series->data3);
    }
    Cell* out = stack::push_slot();
    if (type == type_id::binary)
        value::set_integer(out, *unit_address(series, index));
    else
        value::set_char(out, string::get_char(unit_address(series, index), unit));
    return out;
}

// A uniform draw from 1 to k (k > 0, at most a series length).
uint32_t draw(uint32_t k, bool secure) {
    return static_cast<uint32_t>(zep::random::int_range(static_cast<int32_t>(k), secure));
}

bool is_owned_field(const Cell* field) {
    return word::is_any_word_type(cell_type(field)) &&
           symbol::resolve(value::word_symbol(field)) ==
               symbol::resolve(words::symbol_of(words::symbol::owned));
}

[[noreturn]] void fire_index_out_of_range(int32_t n) {
    Cell index;
    value::set_integer(&index, n);
    error::fire(error::Category::script, "out-of-range", &index);
}

} // namespace

Cell* pick(Cell* series, int32_t n, const Cell*) {
    int64_t i = element_index(series, n);
    if (i < 0) return &none_value;
    return element_value(series, i);
}

Cell* poke(Cell* series, int32_t n, Cell* value, const Cell*) {
    int64_t i = element_index(series, n);
    if (i < 0) fire_index_out_of_range(n);
    uint8_t type = cell_type(series);
    uint8_t value_type = cell_type(value);
    // Every check comes before the owner hears of the change.
    bool block_like = is_block_type(type);
    if (type == type_id::binary) {
        if (value_type != type_id::char_ && value_type != type_id::integer)
            error::fire(error::Category::script, "invalid-arg", value);
        if (value->data2 > 255) error::fire(error::Category::script, "out-of-range", value);
    } else if (type == type_id::vector) {
        if (value_type != series->data3 || !vector_set_value)
            error::fire(error::Category::script, "invalid-arg", value);
    } else if (!block_like && value_type != type_id::char_) {
        error::fire(error::Category::script, "invalid-arg", value);
    }
    Cell stored = *value;
    Cell subject = *series;
    auto index = static_cast<int32_t>(i);
    bool owned = notify(&subject, "poke", &stored, index, 1);
    // The owner's handler may have shrunk the series below the index.
    if (owned && element_index(&subject, n) != i) fire_index_out_of_range(n);
    if (block_like) {
        Cell* cell = reinterpret_cast<Cell*>(unit_address(&subject, i));
        Ref table = type == type_id::hash ? subject.data3 : 0;
        if (table) hash::remove_index(table, index);
        *cell = stored;
        if (table) hash::put(table, cell, nullptr);
    } else if (type == type_id::binary) {
        *unit_address(&subject, i) = static_cast<unsigned char>(stored.data2);
    } else if (type == type_id::vector) {
        vector_set_value(unit_address(&subject, i), &stored, unit_of(&subject), subject.data3);
    } else {
        string::poke_char_at(node_buffer(subject.data2), static_cast<uint32_t>(i), stored.data2);
    }
    if (owned) notify(&subject, "poked", &stored, index, 1);
    *series = stored;
    return series;
}

Cell* random(Cell* value, bool seed, bool secure, bool only) {
    Cell subject = *value;
    int32_t h = clamped_head(&subject);
    if (seed) {
        SeriesBuffer* b = node_buffer(subject.data2);
        uint32_t unit = buffer_unit(b);
        unsigned char* from = buffer_head(b) + uint64_t{static_cast<uint32_t>(h)} * unit;
        auto bytes = static_cast<uint32_t>(buffer_tail(b) - from);
        zep::random::seed(hash::murmur3(from, bytes));
        value::set_unset(value);
        return value;
    }
    int32_t count = length(&subject, false);
    bool owned = notify(&subject, "random", nullptr, h, count);
    if (owned) {
        // The owner's handler may have changed the series: shuffle what is
        // there now.
        h = clamped_head(&subject);
        count = length(&subject, false);
    }
    if (only) {
        if (count <= 0) {
            value::set_none(value);
        } else {
            Cell* top = stack::arguments.top;
            Cell element =
                *element_value(&subject, h + draw(static_cast<uint32_t>(count), secure) - 1);
            stack::arguments.top = top;
            *value = element;
        }
    } else {
        uint32_t unit = unit_of(&subject);
        unsigned char record[16];
        for (int32_t k = count, at = h; k >= 1; --k, ++at) {
            uint32_t j = draw(static_cast<uint32_t>(k), secure);
            if (j == 1) continue;
            unsigned char* a = unit_address(&subject, at);
            unsigned char* b = unit_address(&subject, at + j - 1);
            std::memcpy(record, a, unit);
            std::memcpy(a, b, unit);
            std::memcpy(b, record, unit);
        }
    }
    if (owned) notify(&subject, "randomized", nullptr, h, count);
    return value;
}

Cell* reflect(Cell* value, const Cell* field) {
    if (!is_owned_field(field)) error::fire(error::Category::internal, "not-done");
    const Cell* owner = ownership::owner_of(value->data2);
    if (owner)
        *value = *owner;
    else
        value::set_none(value);
    return value;
}

Cell* modify(Cell* series, const Cell* field, Cell* value, bool) {
    Cell result = *value;
    if (is_owned_field(field)) {
        if (cell_type(&result) == type_id::none) {
            ownership::unbind(series);
        } else if (cell_type(&result) == type_id::block && length(&result, false) >= 2) {
            const Cell* cells =
                reinterpret_cast<const Cell*>(unit_address(&result, clamped_head(&result)));
            Cell owner = cells[0];
            Cell word = cells[1];
            if (cell_type(&owner) == type_id::object && word::is_any_word_type(cell_type(&word)))
                ownership::bind(series, &owner, &word);
        }
    }
    *series = result;
    return series;
}

} // namespace zep::series
