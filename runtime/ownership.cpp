#include "runtime/ownership.h"

#include "datatypes/context.h"
#include "datatypes/symbol.h"
#include "evaluator/compiled_support.h"
#include "runtime/case_change.h"
#include "runtime/case_fold.h"
#include "runtime/hashtable.h"
#include "runtime/raise.h"
#include "runtime/type_sets.h"
#include "runtime/value_make.h"

namespace zep::ownership {

namespace {

Ref owner_table = 0;
FireHook fire_hook = nullptr;
Cell uppercase_word{};
Cell lowercase_word{};

// The series and contexts being walked by bind or unbind sit on the cycle
// stack: a block that contains itself, or an object that holds itself, is
// walked once, and too deep a nesting raises internal too-deep.
struct CycleEntry {
    explicit CycleEntry(Ref node) { cycles::push(node); }
    ~CycleEntry() { cycles::pop(); }
    CycleEntry(const CycleEntry&) = delete;
    CycleEntry& operator=(const CycleEntry&) = delete;
};

bool is_ownable(uint8_t type) {
    if (type_set::is_block_like(type) || type_set::is_any_string(type)) return true;
    switch (type) {
    case type_id::binary:
    case type_id::vector:
    case type_id::image:
    case type_id::bitset:
        return true;
    default:
        return false;
    }
}

// Walks the cells of a block-like series from `head`, unless it is already
// being walked.
// Every visit may allocate: the cell is found again from the node each time.
template <class Visit> void walk_cells(Ref node, int32_t head, Visit&& visit) {
    if (cycles::find(node)) return;
    CycleEntry entry(node);
    for (uint32_t i = head < 0 ? 0 : static_cast<uint32_t>(head); i < node_cell_count(node); ++i)
        visit(node_cells(node) + i);
}

// Walks the fields of an object's context with their words.
template <class Visit> void walk_fields(Ref context_node, Visit&& visit) {
    if (cycles::find(context_node)) return;
    CycleEntry entry(context_node);
    for (uint32_t i = 0; i < context::word_count(context_node); ++i) {
        Cell* values = context::values(context_node);
        if (!values) return;
        Cell word = *context::word_at(context_node, static_cast<int32_t>(i));
        visit(&values[i], &word);
    }
}

bool has_owner_flag(Ref context_node) {
    return (context::header(context_node)->header & context_owner_flag) != 0;
}

void record_owner(Cell* value, const Cell* owner, const Cell* word) {
    Ref node = value::series_node(value);
    SeriesBuffer* b = node_buffer(node);
    if (cell_type(value) == type_id::image) {
        if (value->header & image_owned_flag) return;
        value->header |= image_owned_flag;
    } else {
        if (b->flags & series_flag::owned) return;
        b->flags |= series_flag::owned;
    }
    // put_new may allocate: the record's cells are written from copies.
    Cell series = *value, owner_copy = *owner, word_copy = *word;
    Cell* record = hash::put_new(owner_table, node);
    record[0] = series;
    record[1] = owner_copy;
    record[2] = word_copy;
}

void drop_owner(Cell* value) {
    Ref node = value::series_node(value);
    if (cell_type(value) == type_id::image)
        value->header &= ~image_owned_flag;
    else
        node_buffer(node)->flags &= ~series_flag::owned;
    if (Cell* record = hash::find_key(owner_table, node)) {
        for (int i = 0; i < 3; ++i) value::set_unset(&record[i]);
        hash::remove_by_pointer(owner_table, node);
    }
}

void bind_value(Cell* value, const Cell* owner, const Cell* word) {
    uint8_t type = cell_type(value);
    if (is_ownable(type)) {
        Cell series = *value;
        record_owner(value, owner, word); // value may be stale from here on
        if (type_set::is_block_like(type)) {
            walk_cells(value::series_node(&series), value::series_head(&series),
                       [&](Cell* item) { bind_value(item, owner, word); });
        }
        return;
    }
    if (type == type_id::object) {
        Ref context_node = value->data1;
        if (has_owner_flag(context_node)) return;
        Ref owner_context = owner->data1;
        walk_fields(context_node, [&](Cell* field, const Cell* field_word) {
            if (cell_type(field) == type_id::object && field->data1 == owner_context) return;
            bind_value(field, owner, field_word);
        });
    }
}

void unbind_value(Cell* value) {
    uint8_t type = cell_type(value);
    if (is_ownable(type)) {
        Cell series = *value;
        drop_owner(value);
        if (type_set::is_block_like(type)) {
            walk_cells(value::series_node(&series), value::series_head(&series),
                       [](Cell* item) { unbind_value(item); });
        }
        return;
    }
    if (type == type_id::object && !has_owner_flag(value->data1)) {
        walk_fields(value->data1, [](Cell* field, const Cell*) { unbind_value(field); });
    }
}

void notify_case_change(const Cell* series, int direction, uint32_t index, uint32_t count) {
    const Cell* word = direction == case_::to_upper ? &uppercase_word : &lowercase_word;
    check(series, word, nullptr, static_cast<int32_t>(index), static_cast<int32_t>(count));
}

} // namespace

void init() {
    owner_table = hash::make_table(initial_entries, nullptr, hash::kind::owners, 3);
    value::set_word(&uppercase_word, type_id::word, context::global, symbol::make("uppercase"));
    value::set_word(&lowercase_word, type_id::word, context::global, symbol::make("lowercase"));
    case_::set_change_notifier(notify_case_change);
}

void forget() {
    owner_table = 0;
    fire_hook = nullptr;
    case_::set_change_notifier(nullptr);
}

void bind(Cell* value, const Cell* owner, const Cell* word) {
    Cell owner_copy = *owner, word_copy = *word;
    bind_value(value, &owner_copy, &word_copy);
}

void bind_flag(Cell* value, const Cell* owner, const Cell* word) {
    Cell owner_copy = *owner;
    bind(value, &owner_copy, word);
    context::header(owner_copy.data1)->header |= context_owner_flag;
}

void unbind(Cell* value) {
    unbind_value(value);
}

const Cell* owner_of(Ref node) {
    Cell* record = owner_table ? hash::find_key(owner_table, node) : nullptr;
    return record ? &record[1] : nullptr;
}

bool check(const Cell* series, const Cell* action, const Cell* new_value, int32_t index,
           int32_t part) {
    if (!owner_table) return false;
    uint8_t type = cell_type(series);
    Ref key = type == type_id::object ? series->data1 : value::series_node(series);
    if (type == type_id::image
            ? !(series->header & image_owned_flag)
            : type != type_id::object && !(node_buffer(key)->flags & series_flag::owned))
        return false;
    Cell* record = hash::find_key(owner_table, key);
    if (!record || record[1].data3 == 0) return false;
    if (fire_hook) {
        // The handler runs code: everything it is given is a copy.
        Cell owner = record[1], word = record[2], value = *series, act = *action, fresh;
        if (new_value)
            fresh = *new_value;
        else
            value::set_none(&fresh);
        fire_hook(&owner, &word, &value, &act, &fresh, index, part);
    }
    return true;
}

Ref table() {
    return owner_table;
}

Ref* table_field() {
    return &owner_table;
}

void sweep() {
    if (owner_table) hash::sweep_unmarked(owner_table);
}

void set_fire_hook(FireHook hook) {
    fire_hook = hook;
}

} // namespace zep::ownership

namespace zep::series {

uint32_t node_flags(const Cell* value) {
    return node_buffer(value::series_node(value))->flags;
}

} // namespace zep::series
