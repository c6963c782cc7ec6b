// issue! actions: made from text or a character, molded with "#", compared
// only with other issues.
#include <utility>

#include "datatypes/context.h"
#include "datatypes/issue.h"
#include "datatypes/registry.h"
#include "datatypes/string_buffer.h"
#include "datatypes/symbol.h"
#include "datatypes/word.h"
#include "evaluator/compiled_support.h"
#include "evaluator/stack.h"
#include "runtime/root_block.h"
#include "runtime/value_make.h"

namespace zep::issue {

namespace {

void set_issue(Cell* cell, uint32_t symbol) {
    value::set_word(cell, type_id::issue, context::global, symbol, -1);
}

bool is_word_like(uint8_t type) {
    return type >= type_id::word && type <= type_id::issue;
}

template <int... Offsets>
void refuse_series_actions(datatype::SlotList& slots, std::integer_sequence<int, Offsets...>) {
    (slots.set<action_slot::append + Offsets>(datatype::unsupported), ...);
}

} // namespace

Cell* make_at(const unsigned char* text, uint32_t length, Cell* cell) {
    set_issue(cell, symbol::make_from_text(text, length));
    return cell;
}

Cell* make_in(Cell* block, const unsigned char* text, uint32_t length) {
    uint32_t symbol = symbol::make_from_text(text, length);
    Cell* cell = block::alloc_tail_cell(block);
    set_issue(cell, symbol);
    return cell;
}

Cell* push(const unsigned char* text, uint32_t length) {
    Cell made;
    make_at(text, length, &made);
    if (word::collecting) return roots::append(&made);
    return stack::push(&made);
}

Cell* load_in(Cell* cell) {
    set_issue(cell, value::word_symbol(cell));
    return cell;
}

Cell* make(Cell* result, const Cell* spec, uint8_t type) {
    uint8_t spec_type = cell_type(spec);
    if (spec_type == type_id::string) {
        set_issue(result, symbol::make_from_string(spec));
        return result;
    }
    if (spec_type == type_id::char_) {
        Cell text;
        string::make_at(&text, 1);
        Cell* slot = stack::push(&text);
        string::append_char(node_buffer(value::series_node(slot)), spec->data2);
        uint32_t symbol = symbol::make_from_string(slot);
        stack::pop(1);
        set_issue(result, symbol);
        return result;
    }
    if (is_word_like(spec_type)) {
        *result = *spec;
        result->header = (spec->header & ~cell_type_mask) | type;
        return result;
    }
    return word::make(result, spec, type);
}

int32_t mold(const Cell* value, Cell* out_string, bool, bool, bool, int32_t part_limit, int32_t) {
    string::append_text(out_string, "#");
    return word::form(value, out_string, part_limit - 1);
}

int compare(const Cell* a, const Cell* b, int code) {
    if (cell_type(b) != type_id::issue) return compare_code::not_comparable;
    return word::compare(a, b, code);
}

void init() {
    datatype::SlotList slots(datatype::inherit);
    slots.set<action_slot::make>(&issue::make)
        .set<action_slot::to>(&issue::make)
        .set<action_slot::mold>(&issue::mold)
        .set<action_slot::compare>(&issue::compare);
    refuse_series_actions(
        slots, std::make_integer_sequence<int, action_slot::trim - action_slot::append + 1>());
    datatype::register_type(type_id::issue, type_id::word, "issue!", slots);
}

} // namespace zep::issue
