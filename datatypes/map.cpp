// map! keys and entries: normalisation, lookup, adding, reviving and
// removing entries, and the actions that read or change them.
#include <cmath>
#include <cstring>

#include "datatypes/block.h"
#include "datatypes/map.h"
#include "datatypes/map_internal.h"
#include "datatypes/registry.h"
#include "datatypes/series.h"
#include "datatypes/symbol.h"
#include "datatypes/word.h"
#include "evaluator/compiled_support.h"
#include "evaluator/runtime_words.h"
#include "evaluator/stack.h"
#include "runtime/cell_ops.h"
#include "runtime/gc_roots.h"
#include "runtime/value_make.h"

namespace zep::map {

using namespace detail;
using error::Category;

namespace {

bool is_word_key(uint8_t type) {
    return type >= type_id::word && type <= type_id::get_word;
}

bool is_text_key(uint8_t type) {
    switch (type) {
    case type_id::string:
    case type_id::file:
    case type_id::url:
    case type_id::binary:
    case type_id::tag:
    case type_id::email:
    case type_id::ref:
        return true;
    default:
        return false;
    }
}

bool is_block_spec(uint8_t type) {
    return type == type_id::block || type == type_id::paren || type == type_id::hash;
}

Cell block_of(const Cell* map) {
    Cell block;
    value::set_series(&block, type_id::block, map->data2);
    return block;
}

Cell datatype_cell(uint8_t type) {
    Cell cell;
    value::set_datatype(&cell, type);
    return cell;
}

[[noreturn]] void bad_to(const Cell* spec) {
    Cell type = datatype_cell(type_id::map);
    error::fire(Category::script, "bad-to-arg", &type, spec);
}

// Refuses a key of a type the map does not accept, naming the path.
void check_key(const Cell* key, const Cell* path) {
    if (is_valid_key_type(cell_type(key))) return;
    Cell none;
    value::set_none(&none);
    Cell type = datatype_cell(cell_type(key));
    error::fire(Category::script, "invalid-path", path ? path : &none, &type);
}

// Indexes the key at key_index. A growth rehash counts every indexed key,
// removed ones too, as live: the count is corrected then.
void index_key(Cell* map, int32_t key_index) {
    Ref table = table_of(map);
    uint32_t buckets = hash::table_at(table)->buckets;
    hash::put_key(table, cells_of(map) + key_index);
    hash::Table* t = hash::table_at(table);
    if (t->buckets == buckets) return;
    uint32_t removed = 0;
    for (int32_t i = 0; i + 1 < total_cells(map); i += 2)
        if (is_removed(map, i)) ++removed;
    t->size -= removed;
}

// The stored key as find answers it: a set-word key as a word.
Cell* push_key(const Cell* map, int32_t key_index) {
    Cell* cell = stack::push(cells_of(map) + key_index);
    if (cell_type(cell) == type_id::set_word) value::set_type(cell, type_id::word);
    return cell;
}

Cell* push_none() {
    Cell* cell = stack::push_slot();
    value::set_none(cell);
    return cell;
}

int mode_of(bool case_, bool same) {
    return same ? identity : case_ ? case_sensitive : case_insensitive;
}

bool is_field(const Cell* field, const char* name) {
    return word::is_any_word_type(cell_type(field)) &&
           symbol::resolve(value::word_symbol(field)) == symbol::resolve(symbol::make(name));
}

// The number of a make spec as a 32-bit count (math overflow when a float
// is out of range).
int32_t count_of(const Cell* spec) {
    if (cell_type(spec) == type_id::integer) return value::integer_of(spec);
    double d = value::double_of(spec);
    if (std::isnan(d) || d >= 2147483648.0 || d <= -2147483649.0)
        error::fire(Category::math, "overflow");
    return static_cast<int32_t>(d);
}

void normalize_hook(Cell* key) {
    normalize_key(key, nullptr);
}

} // namespace

namespace detail {

int32_t lookup(const Cell* map, const Cell* key, int mode) {
    if (!is_valid_key_type(cell_type(key))) return -1;
    const Cell* found = hash::get(table_of(map), key, 0, 1, mode, false, false);
    return found ? static_cast<int32_t>(found - cells_of(map)) : -1;
}

int32_t add_entry(Cell* map, const Cell* key, const Cell* path) {
    check_key(key, path);
    Cell* copy = stack::push(key);
    normalize_key(copy, path);
    Cell block = block_of(map);
    block::append_value(&block, copy);
    Cell unset;
    value::set_unset(&unset);
    block::append_value(&block, &unset);
    stack::pop(1);
    int32_t index = total_cells(map) - 2;
    index_key(map, index);
    return index;
}

void set_value(Cell* map, int32_t key_index, const Cell* value) {
    if (is_removed(map, key_index)) ++hash::table_at(table_of(map))->size;
    cells_of(map)[key_index + 1] = *value;
}

} // namespace detail

bool is_valid_key_type(uint8_t type) {
    switch (type) {
    case type_id::char_:
    case type_id::integer:
    case type_id::float_:
    case type_id::refinement:
    case type_id::issue:
    case type_id::pair:
    case type_id::percent:
    case type_id::tuple:
    case type_id::time:
    case type_id::date:
    case type_id::money:
    case type_id::point2d:
    case type_id::point3d:
        return true;
    default:
        return is_word_key(type) || is_text_key(type);
    }
}

void normalize_key(Cell* key, const Cell* path) {
    uint8_t type = cell_type(key);
    check_key(key, path);
    if (is_word_key(type)) {
        key->header = type_id::set_word;
    } else if (is_text_key(type)) {
        int32_t head = value::series_head(key);
        uint32_t start = head < 0 ? 0 : static_cast<uint32_t>(head);
        // The key may lie in the map's block, which the copy can move.
        gc::RootPointer<Cell> follow(key);
        Ref copy = series::copy_range(key, start, UINT32_MAX);
        value::set_series(key, type, copy);
    }
}

Cell* make_at(Cell* block, uint32_t size) {
    Ref table = hash::make_table(size, block, hash::kind::map, 0);
    block->header = type_id::map;
    block->data1 = 0;
    block->data3 = table;
    return block;
}

Cell* push(const Cell* map) {
    return stack::push(map);
}

int32_t count(const Cell* map) {
    return static_cast<int32_t>(hash::table_at(table_of(map))->size);
}

namespace {

// make and to: `to` refuses a number.
Cell* build(Cell* result, const Cell* spec, bool is_to) {
    uint8_t spec_type = cell_type(spec);
    Cell made;
    uint32_t size;
    if (spec_type == type_id::integer || spec_type == type_id::float_) {
        if (is_to) bad_to(spec);
        int32_t n = count_of(spec);
        if (n < 0) error::fire(Category::script, "out-of-range", spec);
        // Two cells an entry: a count the arena can never hold is refused
        // before anything is made.
        uint64_t cells = uint64_t{static_cast<uint32_t>(n)} * 2;
        if (cells * sizeof(Cell) > memory::max_data_size || cells > (1u << 29))
            error::fire_named(Category::internal, "no-memory");
        size = static_cast<uint32_t>(cells);
        block::make_at(&made, static_cast<int32_t>(size));
    } else if (is_block_spec(spec_type)) {
        Cell source = *spec;
        int32_t length = block::length(&source);
        if (length % 2 != 0) error::fire(Category::script, "invalid-arg", spec);
        Cell* first = block::head_cell(&source);
        for (int32_t i = 0; i < length; i += 2) check_key(first + i, nullptr);
        made = *block::copy_to_stack(&source, false, false);
        stack::pop(1);
        made.header = type_id::block;
        made.data3 = 0;
        Cell* cells = block::head_cell(&made);
        for (int32_t i = 0; i < length; ++i) value::clear_line_flag(&cells[i].header);
        size = static_cast<uint32_t>(length);
    } else if (spec_type == type_id::map) {
        Cell source = *spec;
        return copy(&source, result, nullptr, false, nullptr);
    } else {
        bad_to(spec);
    }
    if (size == 0) size = 2;
    Cell* slot = stack::push(&made);
    make_at(slot, size);
    *result = *slot;
    stack::pop(1);
    return result;
}

} // namespace

Cell* make(Cell* result, const Cell* spec, uint8_t) {
    return build(result, spec, false);
}

Cell* to(Cell* result, const Cell* spec, uint8_t) {
    return build(result, spec, true);
}

Cell* reflect(Cell* value, const Cell* field) {
    bool words = is_field(field, "words");
    bool values = is_field(field, "values");
    bool body = is_field(field, "body");
    if (!words && !values && !body) error::fire(Category::internal, "not-done");
    Cell map = *value;
    Cell* out = block::push_new(count(&map) * (body ? 2 : 1));
    for (int32_t i = 0; i + 1 < total_cells(&map); i += 2) {
        if (is_removed(&map, i)) continue;
        if (words || body) {
            Cell key = cells_of(&map)[i];
            if (words && cell_type(&key) == type_id::set_word) value::set_type(&key, type_id::word);
            if (body) key.header |= cell_flag_new_line;
            block::append_value(out, &key);
        }
        if (values || body) {
            Cell item = cells_of(&map)[i + 1];
            block::append_value(out, &item);
        }
    }
    return out;
}

Cell* eval_path(Cell* parent, const Cell* selector, const Cell* value, const Cell* path,
                bool case_) {
    int mode = case_ ? case_sensitive : case_insensitive;
    int32_t index = lookup(parent, selector, mode);
    if (!value) {
        if (index < 0 || is_removed(parent, index)) return push_none();
        return stack::push(cells_of(parent) + index + 1);
    }
    Cell* kept = stack::push(value);
    if (index < 0) index = add_entry(parent, selector, path);
    set_value(parent, index, kept);
    return kept;
}

Cell* put(Cell* map, Cell* key, Cell* value, bool) {
    Cell* kept = stack::push(value);
    int32_t index = lookup(map, key, case_sensitive);
    if (index < 0) index = add_entry(map, key, nullptr);
    set_value(map, index, kept);
    return kept;
}

Cell* remove(Cell* map, Cell* part, Cell* key) {
    (void)part;
    if (!series::is_given(key)) error::fire(Category::script, "missing-arg");
    int32_t index = lookup(map, key, case_sensitive);
    if (index >= 0 && !is_removed(map, index)) {
        cells_of(map)[index + 1].header = 0;
        --hash::table_at(table_of(map))->size;
    }
    return map;
}

Cell* find(Cell* map, Cell* value, Cell*, bool, bool case_, bool same, bool, Cell*, Cell*, bool,
           bool, bool, bool) {
    int32_t index = lookup(map, value, mode_of(case_, same));
    if (index < 0 || is_removed(map, index)) return push_none();
    return push_key(map, index);
}

Cell* select(Cell* map, Cell* value, Cell*, bool, bool case_, bool same, bool, Cell*, Cell*, bool,
             bool) {
    int32_t index = lookup(map, value, mode_of(case_, same));
    if (index < 0 || is_removed(map, index)) return push_none();
    return stack::push(cells_of(map) + index + 1);
}

int32_t length(Cell* map) {
    return count(map);
}

Cell* clear(Cell* map) {
    hash::clear_all(table_of(map));
    return map;
}

Cell* copy(Cell* map, Cell* destination, const Cell*, bool deep, const Cell*) {
    Cell source = *map;
    if (deep && cycles::find(source.data2)) {
        cycles::reset();
        error::fire(Category::internal, "no-cycle");
    }
    // The block copy enters the backing block (this map's node) on the cycle
    // stack itself: entering it here first made it meet its own node.
    Cell block = block_of(&source);
    Cell* copied = stack::push_slot();
    value::set_none(copied);
    block::copy(&block, copied, nullptr, deep, nullptr);
    Ref table = hash::copy_table(table_of(&source), copied->data2);
    Cell made = source;
    made.data1 = 0;
    made.data2 = copied->data2;
    made.data3 = table;
    stack::pop(1);
    *destination = made;
    return destination;
}

Cell* extend(Cell* map, const Cell* spec, bool case_) {
    Cell source = *spec;
    bool from_map = cell_type(&source) == type_id::map;
    int32_t first = from_map ? 0 : value::series_head(&source);
    int32_t total = from_map ? total_cells(&source) : series::total_length(&source);
    if (first < 0) first = 0;
    if (!from_map && (total - first) % 2 != 0) error::fire(Category::script, "invalid-arg", spec);
    auto cell_at = [&](int32_t i) {
        return from_map ? cells_of(&source) + i : block::cell_at(&source, i);
    };
    for (int32_t i = first; i + 1 < total; i += 2) {
        if (from_map && is_removed(&source, i)) continue;
        check_key(cell_at(i), nullptr);
    }
    int mode = case_ ? case_sensitive : case_insensitive;
    for (int32_t i = first; i + 1 < total; i += 2) {
        if (from_map && is_removed(&source, i)) continue;
        Cell key = *cell_at(i);
        Cell* kept = stack::push(cell_at(i + 1));
        int32_t index = lookup(map, &key, mode);
        if (index < 0) index = add_entry(map, &key, nullptr);
        set_value(map, index, kept);
        stack::pop(1);
    }
    return map;
}

bool foreach_step(const Cell* words, Cell* map, int32_t word_count) {
    Cell loop_words = *words;
    int32_t position = value::series_head(map);
    if (position < 0) position = 0;
    bool any = false;
    for (int32_t w = 0; w < word_count; ++w) {
        Cell* word = block::cell_at(&loop_words, value::series_head(&loop_words) + w);
        if (!is_word_key(cell_type(word))) error::fire(Category::script, "invalid-arg", word);
        if (position % 2 == 0)
            while (position + 1 < total_cells(map) && is_removed(map, position)) position += 2;
        Cell item;
        if (position < total_cells(map)) {
            item = cells_of(map)[position++];
            if (cell_type(&item) == type_id::set_word) value::set_type(&item, type_id::word);
            any = true;
        } else {
            value::set_none(&item);
        }
        Cell target = *block::cell_at(&loop_words, value::series_head(&loop_words) + w);
        word::set(&target, &item);
    }
    map->data1 = static_cast<uint32_t>(position);
    return any;
}

void init() {
    hash::normalize_map_key = &normalize_hook;
    datatype::SlotList slots;
    slots.set<action_slot::make>(&map::make)
        .set<action_slot::reflect>(&map::reflect)
        .set<action_slot::to>(&map::to)
        .set<action_slot::form>(&map::form)
        .set<action_slot::mold>(&map::mold)
        .set<action_slot::eval_path>(&map::eval_path)
        .set<action_slot::compare>(&map::compare)
        .set<action_slot::clear>(&map::clear)
        .set<action_slot::copy>(&map::copy)
        .set<action_slot::find>(&map::find)
        .set<action_slot::is_length>(&map::length)
        .set<action_slot::put>(&map::put)
        .set<action_slot::remove>(&map::remove)
        .set<action_slot::select>(&map::select);
    datatype::register_type(type_id::map, 0, "map!", slots);
}

} // namespace zep::map
