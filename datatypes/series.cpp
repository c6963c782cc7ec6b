// series!: the shared position rules, the helpers the series and block
// modules share, the owner notification and the registration.
#include "datatypes/series.h"

#include <cstdint>

#include "datatypes/registry.h"
#include "datatypes/symbol.h"
#include "evaluator/compiled_support.h"
#include "evaluator/stack.h"
#include "runtime/ownership.h"
#include "runtime/value_make.h"

namespace zep::series {

CallTwoFn call_two = nullptr;
Cell* (*vector_push_element)(const unsigned char*, uint32_t, uint32_t) = nullptr;
bool (*vector_set_value)(unsigned char*, const Cell*, uint32_t, uint32_t) = nullptr;

// ---- Position functions ------------------------------------------------------

bool is_at_tail(const Cell* value) {
    return value::series_head(value) >= total_length(value);
}

bool move_head(Cell* value, int32_t n) {
    int64_t total = total_length(value);
    int64_t moved = int64_t{value::series_head(value)} + n;
    if (moved >= 0 && moved <= total) value->data1 = static_cast<uint32_t>(moved);
    return value::series_head(value) >= total;
}

int32_t index_by(const Cell* series, int32_t n, int mode) {
    int64_t h = value::series_head(series);
    int64_t moved = mode == 1 && n >= 1 ? h + n - 1 : h + n;
    int64_t total = total_length(series);
    if (moved < 0) moved = 0;
    if (moved > total) moved = total;
    return static_cast<int32_t>(moved);
}

int32_t index_from_argument(int mode) {
    Cell* series = stack::base();
    const Cell* index = series + 1;
    if (cell_type(index) != type_id::integer)
        error::fire(error::Category::script, "invalid-arg", index);
    return index_by(series, value::integer_of(index), mode);
}

int32_t length(Cell* value, bool from_start) {
    int32_t total = total_length(value);
    if (from_start) return total;
    int32_t h = value::series_head(value);
    if (h > total) {
        value->data1 = static_cast<uint32_t>(total);
        return 0;
    }
    return h < 0 ? total : total - h;
}

// ---- Shared helpers ------------------------------------------------------------

bool is_given(const Cell* argument) {
    if (!argument) return false;
    auto address = reinterpret_cast<uintptr_t>(argument);
    auto begin = reinterpret_cast<uintptr_t>(stack::arguments.begin);
    auto base = reinterpret_cast<uintptr_t>(stack::arguments.base);
    return !(address >= begin && address < base);
}

int32_t clamped_head(const Cell* value) {
    int32_t h = value::series_head(value);
    int32_t total = total_length(value);
    return h < 0 ? 0 : (h > total ? total : h);
}

int32_t part_count(const Cell* value, const Cell* part) {
    if (cell_type(part) == type_id::integer) return value::integer_of(part);
    if (cell_type(part) == cell_type(value) && part->data2 == value->data2) {
        int64_t d = int64_t{value::series_head(part)} - value::series_head(value);
        return static_cast<int32_t>(d < INT32_MIN ? INT32_MIN : (d > INT32_MAX ? INT32_MAX : d));
    }
    fire_refine("part", part);
}

Cell* word_named(const char* name, Cell* out) {
    uint32_t symbol = symbol::make(name);
    value::set_word(out, type_id::word, 0, symbol);
    return out;
}

void fire_refine(const char* refinement, const Cell* argument) {
    Cell copy = *argument; // interning may move the buffer the argument is in
    Cell word;
    word_named(refinement, &word);
    error::fire(error::Category::script, "invalid-refine-arg", &word, &copy);
}

bool notify_owner(const Cell* series, const Cell* action, const Cell* value, int32_t index,
                  int32_t part) {
    // Copies: the handler may move the buffers the arguments lie in.
    Cell subject = *series;
    Cell word = *action;
    Cell fresh;
    if (value)
        fresh = *value;
    else
        value::set_none(&fresh);
    return ownership::check(&subject, &word, &fresh, index, part);
}

bool notify_owner(const Cell* series, const char* action, const Cell* value, int32_t index,
                  int32_t part) {
    Cell word;
    return notify_owner(series, word_named(action, &word), value, index, part);
}

// ---- Position actions --------------------------------------------------------

void at() {
    stack::base()->data1 = static_cast<uint32_t>(index_from_argument(1));
}

void skip() {
    stack::base()->data1 = static_cast<uint32_t>(index_from_argument(0));
}

Cell* back(Cell* series) {
    if (value::series_head(series) >= 1) series->data1 -= 1;
    return series;
}

Cell* head(Cell* series) {
    series->data1 = 0;
    return series;
}

Cell* tail(Cell* series) {
    series->data1 = static_cast<uint32_t>(total_length(series));
    return series;
}

Cell* next(Cell* series) {
    move_head(series, 1);
    return series;
}

Cell* is_head(Cell* series) {
    value::set_logic(series, value::series_head(series) == 0);
    return series;
}

Cell* is_tail(Cell* series) {
    value::set_logic(series, is_at_tail(series));
    return series;
}

Cell* is_index(Cell* series) {
    int64_t index = int64_t{value::series_head(series)} + 1;
    value::set_integer(series, static_cast<int32_t>(index > INT32_MAX ? INT32_MAX : index));
    return series;
}

int32_t length_of(Cell* series) {
    return length(series, false);
}

void init() {
    datatype::SlotList slots;
    slots.set<action_slot::random>(&random);
    slots.set<action_slot::reflect>(&reflect);
    slots.set<action_slot::at>(&at);
    slots.set<action_slot::back>(&back);
    slots.set<action_slot::clear>(static_cast<ClearFn>(&clear));
    slots.set<action_slot::copy>(static_cast<CopyFn>(&copy));
    slots.set<action_slot::head>(&head);
    slots.set<action_slot::is_head>(&is_head);
    slots.set<action_slot::is_index>(&is_index);
    slots.set<action_slot::is_length>(&length_of);
    slots.set<action_slot::move>(&move);
    slots.set<action_slot::next>(&next);
    slots.set<action_slot::pick>(&pick);
    slots.set<action_slot::poke>(&poke);
    slots.set<action_slot::remove>(&remove);
    slots.set<action_slot::reverse>(&reverse);
    slots.set<action_slot::skip>(&skip);
    slots.set<action_slot::tail>(&tail);
    slots.set<action_slot::is_tail>(&is_tail);
    slots.set<action_slot::take>(&take);
    slots.set<action_slot::modify>(&modify);
    datatype::register_type(type_id::series, 0, "series!", slots);
}

} // namespace zep::series
