// Block routines: walking, building and copying blocks.
#include <cstring>

#include "datatypes/block.h"
#include "datatypes/block_internal.h"
#include "datatypes/registry.h"
#include "datatypes/series.h"
#include "datatypes/string_buffer.h"
#include "datatypes/symbol.h"
#include "datatypes/word.h"
#include "evaluator/compiled_support.h"
#include "evaluator/stack.h"
#include "runtime/cell_ops.h"
#include "runtime/gc_roots.h"
#include "runtime/hashtable.h"
#include "runtime/memory.h"
#include "runtime/root_block.h"
#include "runtime/value_make.h"

namespace zep::block {

Cell none_value = {type_id::none, 0, 0, 0};

namespace detail {

bool is_typed_copy_type(uint8_t type) {
    return series::is_block_type(type) || string::is_any_string(type) || type == type_id::binary ||
           type == type_id::vector || type == type_id::image || type == type_id::map ||
           type == type_id::bitset || type == type_id::object || type == type_id::error;
}

bool is_series_type(uint8_t type) {
    return series::is_block_type(type) || string::is_any_string(type) || type == type_id::binary ||
           type == type_id::vector || type == type_id::image;
}

bool names_type(const Cell* types, uint8_t type) {
    if (cell_type(types) == type_id::datatype) return types->data1 == type;
    if (cell_type(types) != type_id::typeset) return false;
    unsigned char bits[12];
    std::memcpy(bits, &types->data1, sizeof bits);
    return (bits[type / 8] >> (7 - type % 8)) & 1;
}

void copy_in_place(const Cell* block, int32_t index, bool deep) {
    Cell source = cells_of(block)[index];
    auto copy = actions::slot_as<CopyFn>(cell_type(&source), action_slot::copy);
    if (!copy) return;
    Cell* fresh = stack::push_slot();
    value::set_unset(fresh);
    copy(&source, fresh, nullptr, deep, nullptr);
    Cell made = *fresh;
    stack::pop(1);
    made.header = (source.header & ~cell_type_mask) | cell_type(&made);
    cells_of(block)[index] = made;
}

} // namespace detail

using detail::cells_of;
using detail::clamp_head;
using detail::table_of;

int32_t length(Cell* block) {
    return series::total_length(block) - clamp_head(block);
}

bool next_at_tail(Cell* block) {
    return series::move_head(block, 1);
}

Cell* head_cell(Cell* block) {
    return cells_of(block) + clamp_head(block);
}

Cell* tail_cell(const Cell* block) {
    return reinterpret_cast<Cell*>(buffer_tail(node_buffer(block->data2)));
}

bool is_at_tail(const Cell* block) {
    return series::is_at_tail(block);
}

Cell* cell_at(const Cell* block, int32_t index) {
    return cells_of(block) + index;
}

void set_tail_at(Cell* block) {
    set_tail_index(block, clamp_head(block));
}

void set_tail_index(Cell* block, int32_t index) {
    if (index < 0 || index > series::total_length(block)) return;
    if (Ref table = table_of(block)) hash::clear(table, index, series::total_length(block) - index);
    SeriesBuffer* b = node_buffer(block->data2);
    b->tail = b->head + static_cast<uint32_t>(index) * sizeof(Cell);
}

Cell* append_value(const Cell* block, const Cell* value) {
    // Copied (the value may lie in the block's buffer) and held while the
    // block grows: a collection may move their series and nodes, and the
    // value may be the only reference to a series just made.
    Cell locals[2] = {*value, *block};
    gc::Root keep(locals, 2);
    const Cell& copy = locals[0];
    const Cell& target = locals[1];
    Cell* cell = series::alloc_tail_cell(node_buffer(target.data2));
    *cell = copy;
    if (Ref table = table_of(&target)) {
        int32_t index = series::total_length(&target) - 1;
        hash::put(table, cells_of(&target) + index, nullptr);
        return cells_of(&target) + index;
    }
    return cell;
}

void remove_last(Cell* block) {
    int32_t total = series::total_length(block);
    if (total == 0) return;
    set_tail_index(block, total - 1);
    clamp_head(block);
}

void append_rest(Cell* target, const Cell* source) {
    block::append(target, source, -1, false, 1, true);
}

void insert_rest(Cell* target, const Cell* source) {
    Cell position = *target;
    block::append(&position, source, -1, false, 1, false);
}

Cell* select_value(Cell* block, const Cell* value) {
    int32_t h = clamp_head(block);
    int32_t total = series::total_length(block);
    for (int32_t i = h; i < total; ++i) {
        if (actions::compare_values(cells_of(block) + i, value, compare_code::find) == 0)
            return i + 1 < total ? cells_of(block) + i + 1 : &none_value;
    }
    return &none_value;
}

bool remove_value(Cell* block, const Cell* value, bool from_start) {
    int32_t total = series::total_length(block);
    for (int32_t i = from_start ? 0 : clamp_head(block); i < total; ++i) {
        if (actions::compare_values(cells_of(block) + i, value, compare_code::find) != 0) continue;
        Cell at = *block;
        at.data1 = static_cast<uint32_t>(i);
        series::remove(&at, nullptr, nullptr);
        return true;
    }
    return false;
}

namespace {

bool copies_nested(uint8_t type, bool all_types) {
    if (type == type_id::block) return true;
    return all_types &&
           (type == type_id::paren || type == type_id::path || type == type_id::lit_path ||
            type == type_id::set_path || type == type_id::get_path);
}

} // namespace

Cell* copy_to_stack(const Cell* block, bool deep, bool all_types) {
    Cell source = *block;
    int32_t h = series::clamped_head(&source);
    int32_t count = series::total_length(&source) - h;
    Ref node = series::copy_range(&source, static_cast<uint32_t>(h), static_cast<uint32_t>(count));
    Cell* result = stack::push_slot();
    value::set_series(result, cell_type(&source), node);
    if (!deep) return result;
    if (cycles::find(source.data2)) {
        cycles::reset();
        error::fire(error::Category::internal, "no-cycle");
    }
    cycles::push(source.data2);
    for (int32_t i = 0; i < count; ++i) {
        Cell nested = cells_of(result)[i];
        if (!copies_nested(cell_type(&nested), all_types)) continue;
        Cell made = *copy_to_stack(&nested, true, all_types);
        stack::pop(1);
        made.header = nested.header;
        cells_of(result)[i] = made;
    }
    cycles::pop();
    return result;
}

void find_typed(Cell* block, const Cell* types, int32_t step, bool deep) {
    Cell wanted = *types;
    Cell walked = *block;
    if (step < 1) step = 1;
    int32_t h = series::clamped_head(&walked);
    for (int32_t i = h; i < series::total_length(&walked); i += step) {
        uint8_t type = cell_type(cells_of(&walked) + i);
        if (!detail::is_typed_copy_type(type) || !detail::names_type(&wanted, type)) continue;
        detail::copy_in_place(&walked, i, false);
        // Only a nested block that was copied may be changed in place.
        if (deep && series::is_block_type(type)) {
            Cell nested = cells_of(&walked)[i];
            find_typed(&nested, &wanted, 1, true);
        }
    }
}

Cell* insert_value(Cell* block, const Cell* value, bool append) {
    Cell target = *block;
    int32_t at = append ? series::total_length(&target) : clamp_head(&target);
    block::append(&target, value, 1, true, 1, append);
    return cells_of(&target) + at;
}

void insert_argument() {
    Cell* base = stack::base();
    Cell target = *base;
    block::append(&target, base + 1, 1, true, 1, false);
}

void append_argument() {
    Cell* base = stack::base();
    Cell target = *base;
    block::append(&target, base + 1, 1, true, 1, true);
}

void append_second_argument() {
    Cell* base = stack::base();
    Cell target = base[1];
    block::append(&target, base + 2, 1, true, 1, true);
}

Cell* find_word(Cell* block, uint32_t symbol, bool exact) {
    int32_t h = clamp_head(block);
    int32_t total = series::total_length(block);
    uint32_t wanted = exact ? symbol : symbol::resolve(symbol);
    for (int32_t i = h; i < total; ++i) {
        const Cell* cell = cells_of(block) + i;
        uint8_t type = cell_type(cell);
        if (type != type_id::word && type != type_id::set_word && type != type_id::lit_word &&
            type != type_id::get_word)
            continue;
        uint32_t s = value::word_symbol(cell);
        if ((exact ? s : symbol::resolve(s)) != wanted) continue;
        return i + 1 < total ? cells_of(block) + i + 1 : &none_value;
    }
    return &none_value;
}

Cell* make_at_with(Cell* cell, int32_t n, uint8_t type) {
    Ref node = series::alloc_cells(n < 1 ? 1u : static_cast<uint32_t>(n));
    value::set_series(cell, type, node);
    return cell;
}

Cell* make_at(Cell* cell, int32_t n) {
    return make_at_with(cell, n, type_id::block);
}

Cell* make_in(const Cell* parent, int32_t n) {
    Cell made;
    make_at(&made, n);
    return append_value(parent, &made);
}

Cell* make_in_or_root(const Cell* parent, int32_t n) {
    if (parent) return make_in(parent, n);
    Cell made;
    make_at(&made, n);
    return roots::append(&made);
}

Cell* push_new(int32_t n) {
    Cell made;
    make_at(&made, n == 0 ? 1 : n);
    return stack::push(&made);
}

Cell* push(const Cell* block) {
    return stack::push(block);
}

} // namespace zep::block
