#include "datatypes/registry.h"

#include <cstdlib>
#include <cstring>

#include "datatypes/symbol.h"
#include "datatypes/word.h"
#include "runtime/collector.h"
#include "runtime/error_exit.h"
#include "runtime/print.h"

namespace zep {

namespace actions {
ActionSlot action_table[type_rows * slots_per_row];
} // namespace actions

namespace datatype {

TypeRow type_table[type_rows];

namespace {

uint8_t highest = 0;
// Set once the global context exists: later registrations make their type
// word at once.
bool type_words_made = false;

void make_type_word(uint8_t type) {
    uint32_t symbol = symbol::make(type_table[type].name);
    word::make_at_result(symbol, &type_table[type].word);
}

[[noreturn]] void invalid_count(uint8_t type, int32_t slot_count) {
    print::line({print::item::text("*** Datatype Error: invalid actions count for type: "),
                 print::item::integer(type)});
    print::line({print::item::text("*** Found: "), print::item::integer(slot_count)});
    print::line({print::item::text("*** Expected: "), print::item::integer(action_slot::count)});
    std::exit(0);
}

} // namespace

uint8_t highest_type() {
    return highest;
}

void init_tables() {
    // The tables start zeroed; clearing them only on a repeated start-up
    // (tests) spares the pages of the mostly empty action table.
    static bool used = false;
    if (used) {
        std::memset(type_table, 0, sizeof type_table);
        std::memset(actions::action_table, 0, sizeof actions::action_table);
    }
    used = true;
    highest = 0;
    type_words_made = false;
}

void register_type(const Registration& record) {
    // Check everything before touching the tables: a bad registration
    // leaves them as they were.
    int32_t slot_count = record.count - 3;
    if (slot_count != action_slot::count) invalid_count(record.type, slot_count);
    // A type id without a row is a fault in the registering code.
    if (record.type == 0 || record.type >= type_rows || record.parent >= type_rows) {
        runtime::error_exit(101, 0);
    }

    if (record.type > highest) highest = record.type;
    TypeRow& row = type_table[record.type];
    row.name = record.name;
    row.name_length = static_cast<uint32_t>(std::strlen(record.name)) - 1;
    if (type_words_made) make_type_word(record.type);

    ActionSlot* entries = &actions::action_table[record.type * slots_per_row];
    const ActionSlot* parent = &actions::action_table[record.parent * slots_per_row];
    for (int n = 0; n < action_slot::count; ++n) {
        const SlotWord& word = record.slots[n];
        if (word.inherit && record.parent != 0) {
            entries[n] = parent[n];
        } else {
            entries[n] = word.operation;
        }
    }
}

void register_type(uint8_t type, uint8_t parent, const char* name, const SlotList& slots) {
    register_type(Registration{action_slot::count + 3, type, parent, name, slots.data()});
}

namespace {
void mark_type_words() {
    for (TypeRow& row : type_table) gc::mark_cells(&row.word, &row.word + 1);
}
} // namespace

void make_type_words() {
    gc::add_mark_callback(mark_type_words);
    for (int type = 1; type <= highest; ++type) {
        if (type_table[type].name) make_type_word(static_cast<uint8_t>(type));
    }
    type_words_made = true;
}

} // namespace datatype

namespace actions {

int compare_values(const Cell* a, const Cell* b, int code) {
    auto compare = slot_as<CompareFn>(cell_type(a), action_slot::compare);
    if (!compare) return compare_code::not_comparable;
    return compare(a, b, code);
}

} // namespace actions

} // namespace zep
