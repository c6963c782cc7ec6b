#include "datatypes/typeset.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cstring>

#include "datatypes/registry.h"
#include "datatypes/unit_text.h"
#include "datatypes/word.h"
#include "evaluator/compiled_support.h"
#include "evaluator/stack.h"
#include "runtime/error_exit.h"
#include "runtime/memory.h"
#include "runtime/value_make.h"

namespace zep::typeset {

namespace {

constexpr int bit_count = 96;

using Bytes = std::array<unsigned char, 12>;

Bytes bytes_of(const Cell* typeset) {
    Bytes bytes;
    std::memcpy(bytes.data(), &typeset->data1, 4);
    std::memcpy(bytes.data() + 4, &typeset->data2, 4);
    std::memcpy(bytes.data() + 8, &typeset->data3, 4);
    return bytes;
}

void store(Cell* typeset, const Bytes& bytes) {
    std::memcpy(&typeset->data1, bytes.data(), 4);
    std::memcpy(&typeset->data2, bytes.data() + 4, 4);
    std::memcpy(&typeset->data3, bytes.data() + 8, 4);
}

// Answers of find; callers copy them.
Cell answer_true{type_id::logic, 1, 0, 0};
Cell answer_false{type_id::logic, 0, 0, 0};

const Cell* block_items(const Cell* block, uint32_t* count) {
    SeriesBuffer* b = node_buffer(value::series_node(block));
    uint32_t total = (b->tail - b->head) / sizeof(Cell);
    uint32_t head =
        std::min<uint32_t>(static_cast<uint32_t>(std::max(value::series_head(block), 0)), total);
    *count = total - head;
    return arena::at<Cell>(b->head) + head;
}

// Adds one spec item (a word stands for its value); false when the item is
// neither a datatype! nor a typeset!.
bool add_item(Cell* typeset, const Cell* item) {
    Cell value = *item;
    if (cell_type(&value) == type_id::word) value = *word::get(&value);
    switch (cell_type(&value)) {
    case type_id::datatype:
        add_type(typeset, static_cast<uint8_t>(value.data1));
        return true;
    case type_id::typeset:
        typeset->data1 |= value.data1;
        typeset->data2 |= value.data2;
        typeset->data3 |= value.data3;
        return true;
    default:
        return false;
    }
}

uint32_t combine_word(uint32_t a, uint32_t b, int code) {
    switch (code) {
    case 5: // or
    case 9: // union
        return a | b;
    case 6:  // and
    case 10: // intersect
        return a & b;
    case 7:  // xor
    case 12: // difference
        return a ^ b;
    case 11: // exclude
        return a & ~b;
    default:
        runtime::error_exit(101, 0);
    }
}

// The member names in id order, each followed by a blank; the last blank
// becomes "]" (dropped under /only, which writes no prefix either).
int32_t write_members(const Cell* value, Cell* out_string, bool only, int32_t part_limit) {
    if (!only) part_limit = unit_text::write(out_string, "make typeset! [", part_limit);
    bool first = true;
    for (int t = 1; t < type_rows && part_limit > 0; ++t) {
        const char* name = datatype::type_table[t].name;
        if (!name || !has_type(value, static_cast<uint8_t>(t))) continue;
        if (!first) part_limit = unit_text::write(out_string, " ", part_limit);
        part_limit = unit_text::write(out_string, name, part_limit);
        first = false;
    }
    if (!only && part_limit > 0) part_limit = unit_text::write(out_string, "]", part_limit);
    return part_limit;
}

} // namespace

bool has_type(const Cell* typeset, uint8_t type) {
    if (type >= bit_count) return false;
    return (bytes_of(typeset)[type >> 3] & (0x80u >> (type & 7))) != 0;
}

void add_type(Cell* typeset, uint8_t type) {
    if (type >= bit_count) return;
    Bytes bytes = bytes_of(typeset);
    bytes[type >> 3] |= static_cast<unsigned char>(0x80u >> (type & 7));
    store(typeset, bytes);
}

int count(const Cell* typeset) {
    return std::popcount(typeset->data1) + std::popcount(typeset->data2) +
           std::popcount(typeset->data3);
}

Cell* make_empty(Cell* cell) {
    value::set_cell(cell, type_id::typeset);
    return cell;
}

Cell* make_default(Cell* cell) {
    value::set_cell(cell, type_id::typeset, ~0u, ~0u, ~0u);
    Bytes bytes = bytes_of(cell);
    bytes[0] &= static_cast<unsigned char>(~(0x80u >> type_id::unset));
    store(cell, bytes);
    return cell;
}

Cell* make_in(Cell* block, uint32_t w1, uint32_t w2, uint32_t w3) {
    Cell* cell = series::alloc_tail_cell(node_buffer(value::series_node(block)));
    value::set_cell(cell, type_id::typeset, w1, w2, w3);
    return cell;
}

Cell* from_block(Cell* out, const Cell* block) {
    Cell made;
    make_empty(&made);
    uint32_t n;
    block_items(block, &n);
    for (uint32_t i = 0; i < n; ++i) {
        uint32_t left;
        Cell item = block_items(block, &left)[i];
        if (cell_type(&item) == type_id::block) continue;
        if (!add_item(&made, &item))
            error::fire(error::Category::script, "invalid-type-spec", &item);
    }
    *out = made;
    return out;
}

Cell* to_block(const Cell* typeset, Cell* out) {
    Cell members = *typeset;
    Ref node = series::alloc_cells(static_cast<uint32_t>(std::max(count(&members), 1)));
    SeriesBuffer* b = node_buffer(node);
    auto* cells = arena::at<Cell>(b->head);
    uint32_t n = 0;
    for (int t = 1; t < bit_count; ++t) {
        if (has_type(&members, static_cast<uint8_t>(t)))
            value::set_datatype(&cells[n++], static_cast<uint8_t>(t));
    }
    b->tail = b->head + n * static_cast<uint32_t>(sizeof(Cell));
    value::set_series(out, type_id::block, node);
    return out;
}

Cell* combine(Cell* result, const Cell* a, const Cell* b, int code) {
    Cell other;
    switch (cell_type(b)) {
    case type_id::typeset:
        other = *b;
        break;
    case type_id::datatype:
        make_empty(&other);
        add_type(&other, static_cast<uint8_t>(b->data1));
        break;
    default:
        error::fire(error::Category::script, "invalid-arg", b);
    }
    Cell made;
    value::set_cell(&made, type_id::typeset, combine_word(a->data1, other.data1, code),
                    combine_word(a->data2, other.data2, code),
                    combine_word(a->data3, other.data3, code));
    *result = made;
    return result;
}

void do_bitwise(int code) {
    Cell* base = stack::base();
    combine(base, base, base + 1, code);
}

void init() {
    datatype::SlotList slots;
    slots.set<action_slot::make>(&make);
    slots.set<action_slot::to>(&make);
    slots.set<action_slot::form>(&form);
    slots.set<action_slot::mold>(&mold);
    slots.set<action_slot::compare>(&compare);
    slots.set<action_slot::and_>(&and_);
    slots.set<action_slot::complement>(&complement);
    slots.set<action_slot::or_>(&or_);
    slots.set<action_slot::xor_>(&xor_);
    slots.set<action_slot::find>(&find);
    datatype::register_type(type_id::typeset, 0, "typeset!", slots);
}

Cell* make(Cell* result, const Cell* spec, uint8_t) {
    switch (cell_type(spec)) {
    case type_id::typeset:
        *result = *spec;
        return result;
    case type_id::block: {
        Cell made;
        make_empty(&made);
        uint32_t n;
        block_items(spec, &n);
        for (uint32_t i = 0; i < n; ++i) {
            uint32_t left;
            Cell item = block_items(spec, &left)[i];
            if (!add_item(&made, &item)) error::fire(error::Category::script, "invalid-arg", &item);
        }
        *result = made;
        return result;
    }
    default: {
        Cell type;
        value::set_datatype(&type, type_id::typeset);
        error::fire(error::Category::script, "bad-to-arg", &type, spec);
    }
    }
}

int32_t form(const Cell* value, Cell* out_string, int32_t part_limit) {
    return write_members(value, out_string, false, part_limit);
}

int32_t mold(const Cell* value, Cell* out_string, bool only, bool, bool, int32_t part_limit,
             int32_t) {
    return write_members(value, out_string, only, part_limit);
}

int compare(const Cell* value, const Cell* other, int code) {
    if (cell_type(other) != type_id::typeset) return compare_code::not_comparable;
    switch (code) {
    case compare_code::equal:
    case compare_code::not_equal:
    case compare_code::strict_equal:
    case compare_code::same:
    case compare_code::word_equal:
    case compare_code::word_not_equal:
    case compare_code::find:
        return value->data1 == other->data1 && value->data2 == other->data2 &&
                       value->data3 == other->data3
                   ? 0
                   : 1;
    case compare_code::sort:
    case compare_code::case_sort: {
        int a = count(value), b = count(other);
        return (a > b) - (a < b);
    }
    default:
        return compare_code::not_comparable;
    }
}

Cell* complement(Cell* value) {
    value->data1 = ~value->data1;
    value->data2 = ~value->data2;
    value->data3 = ~value->data3;
    return value;
}

void and_() {
    do_bitwise(6);
}

void or_() {
    do_bitwise(5);
}

void xor_() {
    do_bitwise(7);
}

Cell* find(Cell* series, Cell* value, Cell*, bool, bool, bool, bool, Cell*, Cell*, bool, bool, bool,
           bool) {
    if (cell_type(value) != type_id::datatype)
        error::fire(error::Category::script, "invalid-arg", value);
    return has_type(series, static_cast<uint8_t>(value->data1)) ? &answer_true : &answer_false;
}

} // namespace zep::typeset
