// object!: class ids, field access, the constructors and the on-set record,
// and the datatype's registration.
#include "datatypes/object.h"

#include "datatypes/context.h"
#include "datatypes/object_internal.h"
#include "datatypes/registry.h"
#include "datatypes/symbol.h"
#include "evaluator/compiled_support.h"
#include "evaluator/runtime_words.h"
#include "evaluator/stack.h"
#include "runtime/gc_roots.h"
#include "runtime/memory.h"
#include "runtime/ownership.h"
#include "runtime/value_make.h"

namespace zep::object {

uint32_t path_mode = 0;

namespace {

int32_t class_counter = first_class_id;
const Cell none_cell = {type_id::none, 0, 0, 0};

Cell* record_cells(Ref record) {
    return node_cells(record);
}

} // namespace

// ---- Class ids and field access ------------------------------------------------

int32_t next_class_id() {
    return ++class_counter;
}

int32_t current_class_id() {
    return class_counter;
}

void reset_class_ids() {
    class_counter = first_class_id;
}

bool is_word_of_class(const Cell* value, int32_t class_id) {
    return cell_type(value) == type_id::object && static_cast<int32_t>(value->data2) == class_id;
}

bool is_field_of_class(const Cell* value, int32_t class_id) {
    return is_word_of_class(value, class_id);
}

int32_t find_word(const Cell* object, const Cell* word) {
    return context::find_symbol(object->data1, value::word_symbol(word), true);
}

const Cell* select_word(const Cell* object, const Cell* word) {
    int32_t index = find_word(object, word);
    if (index < 0) return &none_cell;
    return context::value_at(object->data1, index);
}

Cell* word_at(Ref context, int32_t index) {
    return context::word_at(context, index);
}

Cell* first_word(Ref context) {
    return context::word_at(context, 0);
}

Cell* get_values(const Cell* object) {
    return context::values(object->data1);
}

uint32_t count_words(const Cell* object) {
    return context::word_count(object->data1);
}

void clear_new_line_marks(const Cell* block) {
    Ref node = value::series_node(block);
    uint32_t total = node_cell_count(node);
    int32_t head = value::series_head(block);
    uint32_t start = head < 0 ? 0 : static_cast<uint32_t>(head) > total ? total : head;
    Cell* cells = node_cells(node);
    for (uint32_t i = start; i < total; ++i) cells[i].header &= ~cell_flag_new_line;
}

void clear_changed_marks(Ref context) {
    uint32_t count = context::word_count(context);
    for (uint32_t i = 0; i < count; ++i)
        context::word_at(context, static_cast<int32_t>(i))->header &= ~context::field_assigned;
}

// ---- Constructors ----------------------------------------------------------------

Cell* make_empty(Cell* target, uint32_t slots) {
    Ref context = context::make_node(slots, false, true, 0, context::kind::object);
    Cell made;
    value::set_cell(&made, type_id::object, context, 0, 0);
    *context::owner(context) = made;
    *target = made;
    return target;
}

Cell* push(Ref context, int32_t class_id) {
    gc::RootRef guard(context);
    SeriesBuffer* v = node_buffer(context::header(context)->data2);
    if (v->tail == v->head) {
        uint32_t words = context::word_count(context);
        if (uint64_t{words} * sizeof(Cell) > v->size)
            v = series::expand(v, uint64_t{words} * sizeof(Cell));
        auto* cells = reinterpret_cast<Cell*>(buffer_head(v));
        for (uint32_t i = 0; i < words; ++i) value::set_unset(&cells[i]);
        v->tail = v->head + words * sizeof(Cell);
    }
    Cell made;
    value::set_cell(&made, type_id::object, context, static_cast<uint32_t>(class_id), 0);
    *context::owner(context) = made;
    return stack::push(&made);
}

Ref make_on_set(int32_t on_change_index, int32_t on_change_slots, Ref on_change_spec,
                int32_t on_deep_index, int32_t on_deep_slots, Ref on_deep_spec) {
    gc::RootRef spec1(on_change_spec);
    gc::RootRef spec2(on_deep_spec);
    Ref record = series::alloc_cells(2);
    SeriesBuffer* b = node_buffer(record);
    b->tail = b->head + 2 * sizeof(Cell);
    Cell* cells = record_cells(record);
    auto word2 = [](int32_t index, int32_t slots) {
        uint32_t i = index < 0 ? 0xFFFFu : static_cast<uint32_t>(index) & 0xFFFFu;
        return i << 16 | (static_cast<uint32_t>(slots < 0 ? 0 : slots) & 0xFFFFu);
    };
    value::set_cell(&cells[record_cell::on_change], type_id::block,
                    word2(on_change_index, on_change_slots), on_change_spec, 0);
    value::set_cell(&cells[record_cell::on_deep_change], type_id::block,
                    word2(on_deep_index, on_deep_slots), on_deep_spec, 0);
    return record;
}

Ref init_on_set(Ref context) {
    gc::RootRef guard(context);
    int32_t index[2] = {
        context::find_symbol(context, words::symbol_of_global(words::global::on_change), true),
        context::find_symbol(context, words::symbol_of_global(words::global::on_deep_change),
                             true)};
    if (index[0] < 0 && index[1] < 0) return 0;
    int32_t slots[2] = {0, 0};
    Ref specs[2] = {0, 0};
    for (int k = 0; k < 2; ++k) {
        if (index[k] < 0) continue;
        Cell handler = *context::value_at(context, index[k]);
        uint8_t t = cell_type(&handler);
        if (t != type_id::function && t != type_id::routine) {
            Cell word = *context::word_at(context, index[k]);
            Cell type;
            value::set_datatype(&type, t);
            error::fire(error::Category::script, "bad-field-set", &word, &type);
        }
        specs[k] = handler.data2;
        slots[k] = detail::local_slots(handler.data2);
    }
    return make_on_set(index[0], slots[0], specs[0], index[1], slots[1], specs[1]);
}

namespace {

// Every field's series becomes owned by the object under the field's word.
void bind_fields(const Cell* object_cell) {
    Cell* object = stack::push(object_cell);
    Ref context = object->data1;
    uint32_t count = context::word_count(context);
    for (uint32_t i = 0; i < count; ++i) {
        Cell* field = stack::push(context::value_at(object->data1, static_cast<int32_t>(i)));
        Cell* word = stack::push(context::word_at(object->data1, static_cast<int32_t>(i)));
        ownership::bind_flag(field, object, word);
        *context::value_at(object->data1, static_cast<int32_t>(i)) = *field;
        stack::pop(2);
    }
    stack::pop(1);
}

} // namespace

void install_on_set(Cell* object) {
    Cell* held = stack::push(object);
    Ref record = init_on_set(held->data1);
    held->data3 = record;
    *context::owner(held->data1) = *held;
    if (has_on_deep_change(held)) bind_fields(held);
    *object = *held;
    stack::pop(1);
}

bool has_on_change(const Cell* object) {
    Ref record = object->data3;
    return record && record_cells(record)[record_cell::on_change].data1 < no_handler;
}

bool has_on_deep_change(const Cell* object) {
    Ref record = object->data3;
    return record && record_cells(record)[record_cell::on_deep_change].data1 < no_handler;
}

// ---- Registration -------------------------------------------------------------------

void init() {
    datatype::SlotList slots;
    slots.set<action_slot::make>(&make)
        .set<action_slot::reflect>(&reflect)
        .set<action_slot::form>(&form)
        .set<action_slot::mold>(&mold)
        .set<action_slot::eval_path>(&eval_path)
        .set<action_slot::compare>(&compare)
        .set<action_slot::copy>(&copy)
        .set<action_slot::put>(&put)
        .set<action_slot::select>(&select)
        .set<action_slot::modify>(&modify);
    datatype::register_type(type_id::object, type_id::context, "object!", slots);
    context::object_hooks = {&detail::hook_has_on_change, &detail::hook_call_on_change};
    ownership::set_fire_hook(&fire_on_deep_change);
}

} // namespace zep::object
