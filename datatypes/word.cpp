// Words: constructors, getters and setters, the checked accessors the
// interpreter calls, and the word! family's datatype slots.
#include "datatypes/word.h"

#include <algorithm>
#include <climits>
#include <cstring>
#include <string>

#include "datatypes/context.h"
#include "datatypes/registry.h"
#include "datatypes/string_buffer.h"
#include "datatypes/symbol.h"
#include "evaluator/compiled_support.h"
#include "evaluator/stack.h"
#include "runtime/cell_ops.h"
#include "runtime/memory.h"
#include "runtime/raise.h"
#include "runtime/root_block.h"
#include "runtime/unicode/conversion.h"
#include "runtime/unicode/text_cell.h"
#include "runtime/value_make.h"

namespace zep::word {

bool collecting = false;
bool (*scan_value)(const unsigned char* utf8, uint32_t length, Cell* out) = nullptr;

namespace {

[[noreturn]] void fire_script(const char* id, const Cell* arg1 = nullptr,
                              const Cell* arg2 = nullptr) {
    Cell first = arg1 ? *arg1 : Cell{};
    Cell second = arg2 ? *arg2 : Cell{};
    error::fire(error::Category::script, id, arg1 ? &first : nullptr, arg2 ? &second : nullptr);
}

[[noreturn]] void fire_bad_to(uint8_t type, const Cell* spec) {
    Cell datatype;
    value::set_datatype(&datatype, type);
    fire_script("bad-to-arg", &datatype, spec);
}

Cell* write_global(Cell* target, uint32_t symbol, int32_t index, bool keep_flags) {
    uint32_t flags = keep_flags ? target->header & ~cell_type_mask : 0;
    value::set_word(target, type_id::word, context::global, symbol, index);
    target->header |= flags;
    return target;
}

Ref bound_context(const Cell* word) {
    Ref context = value::word_context(word);
    if (!context) fire_script("not-defined", word);
    return context;
}

bool is_unset(const Cell* value) {
    return cell_type(value) == type_id::unset;
}

// Appends prefix, the symbol's own spelling and suffix; answers the limit
// left after the characters written.
int32_t append_name(Cell* out, const char* prefix, uint32_t symbol, const char* suffix,
                    int32_t limit) {
    string::append_text(out, prefix);
    int64_t written = static_cast<int64_t>(std::strlen(prefix) + std::strlen(suffix));
    if (const Cell* entry = symbol::get_cell(symbol)) {
        Cell name = *entry;
        Cell text;
        unicode::make_text_cell(&text, name.data2);
        written += string::length(&text);
        string::concatenate(out, &name, -1, 0, false, 0);
    }
    string::append_text(out, suffix);
    return static_cast<int32_t>(std::max<int64_t>(int64_t{limit} - written, INT32_MIN));
}

// A word of type 15-20 scanned from UTF-8 text (bound globally when it is a
// word of types 15-18), or false.
bool load_word(const unsigned char* text, uint32_t length, Cell* out) {
    if (!scan_value || !scan_value(text, length, out) || !is_any_word_type(cell_type(out)))
        return false;
    if (cell_type(out) <= type_id::get_word) {
        uint8_t type = cell_type(out);
        make_at_result(out->data2, out);
        out->header = type;
    }
    return true;
}

bool load_string(const Cell* text, Cell* out) {
    Cell copy = *text;
    int32_t length = -1;
    Cell* slot = stack::push(&copy);
    Cell name;
    const unsigned char* utf8 = unicode::to_utf8_cstr(slot, length);
    std::string bytes(reinterpret_cast<const char*>(utf8), static_cast<uint32_t>(length));
    stack::pop(1);
    bool loaded = load_word(reinterpret_cast<const unsigned char*>(bytes.data()),
                            static_cast<uint32_t>(bytes.size()), &name);
    if (loaded) *out = name;
    return loaded;
}

} // namespace

Cell* make_at(uint32_t symbol, Cell* target) {
    int32_t index = context::global_index(symbol);
    return write_global(target, symbol, index, true);
}

Cell* make_at_result(uint32_t symbol, Cell* target) {
    int32_t index = context::global_index(symbol);
    return write_global(target, symbol, index, false);
}

Cell* make_in(Cell* block, uint32_t symbol) {
    int32_t index = context::global_index(symbol);
    Cell* cell = series::alloc_tail_cell(node_buffer(value::series_node(block)));
    return write_global(cell, symbol, index, false);
}

Cell* push_global(uint32_t symbol) {
    int32_t index = context::global_index(symbol);
    return write_global(stack::push_slot(), symbol, index, false);
}

Cell* push(const Cell* word) {
    return stack::push(word);
}

Cell* push_at(Ref context, int32_t index) {
    return stack::push(context::word_at(context, index));
}

Cell* push_from_text(const char* name) {
    Cell* cell = push_global(symbol::make(name));
    if (collecting) append_to_root(cell);
    return cell;
}

Cell* intern_global(uint32_t symbol, Cell* out) {
    int32_t index = context::find_symbol(context::global, symbol, true);
    if (index < 0) {
        context::find_symbol_ext(context::global, symbol, false, &index);
        series::alloc_tail_cell(node_buffer(context::header(context::global)->data2));
    }
    *out = *context::word_at(context::global, index);
    out->data2 = symbol; // prints with its own spelling, shares the slot
    return out;
}

void append_to_root(const Cell* word) {
    roots::append(word);
}

bool is_any_word_type(uint8_t type) {
    return type >= type_id::word && type <= type_id::issue;
}

bool transcode_name(const Cell* word, Cell* out) {
    uint32_t symbol = value::word_symbol(word);
    std::string name(symbol::utf8_text(symbol), symbol::utf8_length(symbol));
    return scan_value && scan_value(reinterpret_cast<const unsigned char*>(name.data()),
                                    static_cast<uint32_t>(name.size()), out);
}

bool scan_text(const Cell* text, Cell* out) {
    std::string utf8 = string::utf8_of(text);
    return scan_value && scan_value(reinterpret_cast<const unsigned char*>(utf8.data()),
                                    static_cast<uint32_t>(utf8.size()), out);
}

Cell* get(Cell* word) {
    return context::get_word_value(word, bound_context(word));
}

Cell* set(Cell* word, const Cell* value) {
    return context::set_value(word, value, bound_context(word), true);
}

Cell* push_value(Cell* word) {
    Cell* value = get(word);
    if (is_unset(value)) fire_script("no-value", word);
    return stack::push(value);
}

Cell* set_checked() {
    Cell* word = stack::base();
    Cell value = word[1];
    if (is_unset(&value)) fire_script("need-value", word);
    set(word, &value);
    *stack::base() = value;
    return stack::base();
}

// --- word! datatype -------------------------------------------------------------

Cell* make(Cell* result, const Cell* spec, uint8_t type) {
    Cell made;
    switch (cell_type(spec)) {
    case type_id::datatype: {
        uint32_t named = spec->data1;
        if (named >= type_rows || !datatype::type_table[named].name) fire_bad_to(type, spec);
        made = datatype::type_table[named].word;
        if (cell_type(&made) != type_id::word)
            make_at_result(symbol::make(datatype::type_table[named].name), &made);
        break;
    }
    case type_id::logic:
        make_at_result(symbol::make(spec->data1 ? "true" : "false"), &made);
        break;
    case type_id::string:
        if (!load_string(spec, &made)) fire_script("invalid-chars");
        break;
    case type_id::char_: {
        uint32_t cp = spec->data2;
        Cell text;
        string::make_at(&text, 1);
        Cell* slot = stack::push(&text);
        SeriesBuffer* b = node_buffer(value::series_node(slot));
        string::append_char(b, cp);
        Cell loaded_from = *slot;
        stack::pop(1);
        if (!load_string(&loaded_from, &made)) fire_script("invalid-chars");
        break;
    }
    case type_id::word:
    case type_id::set_word:
    case type_id::lit_word:
    case type_id::get_word:
        made = *spec;
        break;
    case type_id::refinement:
    case type_id::issue: {
        uint32_t symbol = value::word_symbol(spec);
        std::string name(symbol::utf8_text(symbol), symbol::utf8_length(symbol));
        if (!load_word(reinterpret_cast<const unsigned char*>(name.data()),
                       static_cast<uint32_t>(name.size()), &made))
            fire_bad_to(type, spec);
        break;
    }
    default:
        fire_bad_to(type, spec);
    }
    made.header = type;
    *result = made;
    return result;
}

Cell* to(Cell* result, const Cell* spec, uint8_t type) {
    return make(result, spec, type);
}

int32_t form(const Cell* value, Cell* out_string, int32_t part_limit) {
    return append_name(out_string, "", value::word_symbol(value), "", part_limit);
}

int32_t mold(const Cell* value, Cell* out_string, bool, bool, bool, int32_t part_limit, int32_t) {
    uint32_t symbol = value::word_symbol(value);
    switch (cell_type(value)) {
    case type_id::lit_word:
        return append_name(out_string, "'", symbol, "", part_limit);
    case type_id::set_word:
        return append_name(out_string, "", symbol, ":", part_limit);
    case type_id::get_word:
        return append_name(out_string, ":", symbol, "", part_limit);
    case type_id::refinement:
        return append_name(out_string, "/", symbol, "", part_limit);
    default:
        return append_name(out_string, "", symbol, "", part_limit);
    }
}

int compare(const Cell* a, const Cell* b, int code) {
    uint8_t ta = cell_type(a);
    uint8_t tb = cell_type(b);
    if (!is_any_word_type(tb) || (ta == type_id::issue) != (tb == type_id::issue))
        return compare_code::not_comparable;
    uint32_t sa = value::word_symbol(a);
    uint32_t sb = value::word_symbol(b);
    bool canonical_equal = symbol::resolve(sa) == symbol::resolve(sb);
    bool word_and_lit = (ta == type_id::word && tb == type_id::lit_word) ||
                        (ta == type_id::lit_word && tb == type_id::word);
    switch (code) {
    case compare_code::equal:
    case compare_code::not_equal:
    case compare_code::find:
        return canonical_equal ? 0 : 1;
    case compare_code::strict_equal:
        return ta == tb && sa == sb ? 0 : 1;
    case compare_code::same:
        return ta == tb && sa == sb && a->data1 == b->data1 ? 0 : 1;
    case compare_code::word_equal:
        if (word_and_lit) return sa == sb ? 0 : 1;
        return ta == tb && sa == sb ? 0 : 1;
    case compare_code::word_not_equal:
        if (word_and_lit) return canonical_equal ? 0 : 1;
        return ta == tb && canonical_equal ? 0 : 1;
    case compare_code::lesser:
    case compare_code::lesser_or_equal:
    case compare_code::greater:
    case compare_code::greater_or_equal:
    case compare_code::sort:
    case compare_code::case_sort: {
        Cell left = *symbol::get_cell(sa);
        Cell right = *symbol::get_cell(sb);
        Cell left_text;
        Cell right_text;
        unicode::make_text_cell(&left_text, left.data2);
        unicode::make_text_cell(&right_text, right.data2);
        return string::compare(&left_text, &right_text, code, false);
    }
    default:
        return compare_code::not_comparable;
    }
}

Cell* index_of(Cell* value) {
    int32_t index = value::word_index(value);
    if (index < 0)
        value::set_none(value);
    else
        value::set_integer(value, index + 1);
    return value;
}

void init() {
    datatype::SlotList slots;
    slots.set<action_slot::make>(&make);
    slots.set<action_slot::to>(&to);
    slots.set<action_slot::form>(&form);
    slots.set<action_slot::mold>(&mold);
    slots.set<action_slot::compare>(&compare);
    slots.set<action_slot::is_index>(&index_of);
    datatype::register_type(type_id::word, 0, "word!", slots);
}

} // namespace zep::word
