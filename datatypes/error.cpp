// error!: the catalogue and the standard prototype, make error! in every
// form, the field helpers and the capture of the call stack.
#include "datatypes/error.h"

#include <cstring>

#include "datatypes/block.h"
#include "datatypes/context.h"
#include "datatypes/object.h"
#include "datatypes/registry.h"
#include "datatypes/series.h"
#include "datatypes/string_buffer.h"
#include "datatypes/symbol.h"
#include "datatypes/word.h"
#include "evaluator/compiled_support.h"
#include "evaluator/error_value.h"
#include "evaluator/interp.h"
#include "evaluator/stack.h"
#include "runtime/error_catalog.h"
#include "runtime/gc_roots.h"
#include "runtime/memory.h"
#include "runtime/root_block.h"
#include "runtime/value_make.h"

namespace zep::error {

namespace {

// Root-block cells holding the catalogue object and the prototype; -1 until
// init_catalog. Each cell holds none! until its object is first asked for
// (or the library's object replaces it).
int32_t catalog_slot = -1;
int32_t prototype_slot = -1;
bool catalog_built = false;
bool prototype_built = false;

const char* const prototype_fields[field::count] = {"code", "type", "id",    "arg1",  "arg2",
                                                    "arg3", "near", "where", "stack", "files"};
const char* const arg_names[3] = {"arg1", "arg2", "arg3"};

Cell* root_cell(int32_t slot) {
    return node_cells(roots::block) + slot;
}

// A new stack cell holding none!: push_slot leaves whatever the cell held
// before, which a collection would read as a live value.
Cell* push_none() {
    Cell* cell = stack::push_slot();
    value::set_none(cell);
    return cell;
}

// Interns the names that the catalogue and the prototype are built from, in
// the order that building them meets them: the symbols get the same ids as
// when the objects were built at start-up, and building them later interns
// nothing new.
void intern_names() {
    symbol::make("code");
    symbol::make("type");
    for (const catalog::CategoryInfo& info : catalog::categories) {
        for (uint16_t i = 0; i < info.count; ++i) {
            const catalog::Template& t = info.ids[i];
            symbol::make(t.id);
            uint8_t pieces = t.block ? t.count : 1;
            for (uint8_t k = 0; k < pieces; ++k) {
                if (t.pieces[k].arg) symbol::make(arg_names[t.pieces[k].arg - 1]);
            }
        }
        symbol::make(info.name);
    }
    for (const char* name : prototype_fields) symbol::make(name);
}

// The builders below keep their values in rooted locals, not on the argument
// stack: the first use may come from raising an error on a full stack.

void set_word_named(Cell* out, const char* name, uint8_t type = type_id::word) {
    value::set_word(out, type, 0, symbol::make(name));
}

void set_text(Cell* out, const char* text) {
    string::make_at(out, static_cast<uint32_t>(std::strlen(text)));
    string::append_text(out, text);
}

// One category object built from the runtime's table, into `category`.
void build_category(const catalog::CategoryInfo& info, Cell* category) {
    object::make_empty(category, 2u + info.count);
    gc::RootedCell name, message, piece;
    value::set_integer(message.get(), info.code);
    set_word_named(name.get(), "code");
    context::put(category->data1, name.get(), message.get());
    set_word_named(name.get(), "type");
    set_text(message.get(), info.title);
    context::put(category->data1, name.get(), message.get());
    for (uint16_t i = 0; i < info.count; ++i) {
        const catalog::Template& t = info.ids[i];
        set_word_named(name.get(), t.id);
        if (!t.block && t.pieces[0].arg) {
            set_word_named(message.get(), arg_names[t.pieces[0].arg - 1], type_id::get_word);
        } else if (!t.block) {
            set_text(message.get(), t.pieces[0].text);
        } else {
            block::make_at(message.get(), t.count);
            for (uint8_t k = 0; k < t.count; ++k) {
                const catalog::Piece& p = t.pieces[k];
                if (p.arg) {
                    set_word_named(piece.get(), arg_names[p.arg - 1], type_id::get_word);
                } else {
                    set_text(piece.get(), p.text);
                }
                block::append_value(message.get(), piece.get());
            }
        }
        context::put(category->data1, name.get(), message.get());
    }
}

void build_catalog() {
    gc::RootedCell catalog_cell, category, name;
    object::make_empty(catalog_cell.get(), catalog::category_count);
    for (const catalog::CategoryInfo& info : catalog::categories) {
        build_category(info, category.get());
        set_word_named(name.get(), info.name);
        context::put(catalog_cell->data1, name.get(), category.get());
    }
    *root_cell(catalog_slot) = *catalog_cell;
    catalog_built = true;
}

void build_prototype() {
    gc::RootedCell proto, name, none;
    object::make_empty(proto.get(), field::count);
    for (const char* field_name : prototype_fields) {
        set_word_named(name.get(), field_name);
        context::put(proto->data1, name.get(), none.get());
    }
    *root_cell(prototype_slot) = *proto;
    prototype_built = true;
}

// The value of a path of words from a global word (null when any step is
// missing or not an object).
const Cell* global_path(std::initializer_list<const char*> steps) {
    if (!context::global) return nullptr;
    const Cell* at = nullptr;
    Ref context = context::global;
    for (const char* step : steps) {
        if (at) {
            if (cell_type(at) != type_id::object) return nullptr;
            context = at->data1;
        }
        uint32_t symbol = symbol::find_any_case(step);
        int32_t index = context::find_symbol(context, symbol, true);
        if (index < 0) return nullptr;
        at = context::value_at(context, index);
        if (!at) return nullptr;
    }
    return at;
}

Ref catalog_context() {
    return catalog_object()->data1;
}

// The word at index in a context, as a plain word! (flags cleared).
void word_of(Ref context, int32_t index, Cell* out) {
    *out = *context::word_at(context, index);
    out->header = type_id::word;
}

// A new error: a copy of the prototype's context, class 1, no record,
// written into out (a cell off the managed buffers: the stack or a local).
// Raising builds errors this way even on a full argument stack, so the
// cells held here are rooted locals, not stack cells.
void new_error(Cell* out) {
    Cell made = *prototype();
    gc::Root guard(&made);
    Ref source = made.data1;
    gc::RootRef source_guard(source);
    Ref context = context::clone(&made, context::kind::object);
    uint32_t count = context::word_count(context);
    for (uint32_t i = 0; i < count; ++i)
        *context::value_at(context, static_cast<int32_t>(i)) =
            *context::value_at(source, static_cast<int32_t>(i));
    value::set_cell(&made, type_id::error, context, object::error_class_id, 0);
    *context::owner(context) = made;
    *out = made;
}

[[noreturn]] void fire_spec_field(const char* name) {
    Cell word;
    value::set_word(&word, type_id::word, 0, symbol::make(name));
    fire(Category::script, "invalid-spec-field", &word);
}

// Fills code, type and id for a category index and id position (checked).
void set_code(Cell* error, int32_t category, int32_t position) {
    Cell type_word, id_word, code;
    word_of(catalog_context(), category, &type_word);
    const Cell* category_cell = category_object(static_cast<uint32_t>(category));
    word_of(category_cell->data1, position + 2, &id_word);
    value::set_integer(&code, category * 100 + position);
    *field_of(error, field::code) = code;
    *field_of(error, field::type) = type_word;
    *field_of(error, field::id) = id_word;
}

// The id's position in the category (any case), -1 when it names none.
int32_t id_position(const Cell* category_cell, const Cell* word) {
    int32_t index = context::find_symbol(category_cell->data1, value::word_symbol(word), true);
    return index < 2 ? -1 : index - 2;
}

int32_t category_index(const Cell* word) {
    return context::find_symbol(catalog_context(), value::word_symbol(word), true);
}

int32_t id_count(uint32_t category) {
    const Cell* c = category_object(category);
    return c ? static_cast<int32_t>(context::word_count(c->data1)) - 2 : 0;
}

void from_integer(Cell* error, const Cell* spec) {
    int32_t code = value::integer_of(spec);
    int32_t category = code / 100, position = code % 100;
    if (code < 0 || category >= static_cast<int32_t>(context::word_count(catalog_context())) ||
        position >= id_count(static_cast<uint32_t>(category))) {
        Cell argument = *spec;
        fire(Category::script, "out-of-range", &argument);
    }
    set_code(error, category, position);
}

// The type and id words, checked against the catalogue; fills the code.
void from_words(Cell* error, const Cell* type_word, const Cell* id_word, bool id_present) {
    int32_t category = cell_type(type_word) == type_id::word ? category_index(type_word) : -1;
    if (category < 0) fire_spec_field("type");
    if (!id_present) fire_spec_field("id");
    if (cell_type(id_word) != type_id::word) {
        Cell argument = *id_word;
        fire(Category::script, "invalid-arg", &argument);
    }
    int32_t position = id_position(category_object(static_cast<uint32_t>(category)), id_word);
    if (position < 0) fire_spec_field("id");
    set_code(error, category, position);
}

void from_block(Cell* error, const Cell* spec) {
    Cell* held_spec = stack::push(spec);
    Cell* held = stack::push(error);
    int32_t head = series::clamped_head(held_spec);
    int32_t total = series::total_length(held_spec);
    uint8_t first =
        head < total ? cell_type(block::cell_at(held_spec, head)) : uint8_t{type_id::unset};
    if (first == type_id::word) {
        Cell type_word = *block::cell_at(held_spec, head);
        Cell id_word;
        bool present = head + 1 < total;
        if (present) id_word = *block::cell_at(held_spec, head + 1);
        from_words(held, &type_word, &id_word, present);
    } else if (first == type_id::set_word) {
        context::bind_deep(held_spec, held->data1, true);
        Cell* saved_top = stack::arguments.top;
        interp::eval_block(held_spec, false);
        stack::arguments.top = saved_top;
        Cell type_word = *field_of(held, field::type);
        int32_t category = cell_type(&type_word) == type_id::word ? category_index(&type_word) : -1;
        if (category < 0) fire_spec_field("type");
        Cell id_word = *field_of(held, field::id);
        int32_t position =
            cell_type(&id_word) == type_id::word
                ? id_position(category_object(static_cast<uint32_t>(category)), &id_word)
                : -1;
        if (position < 0) fire_spec_field("id");
        Cell code;
        value::set_integer(&code, category * 100 + position);
        *field_of(held, field::code) = code;
    } else {
        fire(Category::internal, "invalid-error");
    }
    stack::pop(2);
}

} // namespace

// ---- Catalogue and prototype -------------------------------------------------------

void init_catalog() {
    intern_names();
    Cell none;
    value::set_none(&none);
    roots::append(&none);
    catalog_slot = static_cast<int32_t>(roots::length()) - 1;
    roots::append(&none);
    prototype_slot = static_cast<int32_t>(roots::length()) - 1;
    catalog_built = prototype_built = false;
}

bool use_system_objects() {
    const Cell* catalog_cell = global_path({"system", "catalog", "errors"});
    if (!catalog_cell || cell_type(catalog_cell) != type_id::object) return false;
    Cell found_catalog = *catalog_cell;
    *root_cell(catalog_slot) = found_catalog;
    catalog_built = true;
    const Cell* proto_cell = global_path({"system", "standard", "error"});
    if (proto_cell && cell_type(proto_cell) == type_id::object) {
        Cell found_proto = *proto_cell;
        *root_cell(prototype_slot) = found_proto;
        prototype_built = true;
    }
    return true;
}

void forget_catalog() {
    catalog_slot = -1;
    prototype_slot = -1;
    catalog_built = prototype_built = false;
}

const Cell* catalog_object() {
    if (!catalog_built) build_catalog();
    return root_cell(catalog_slot);
}

const Cell* category_object(uint32_t index) {
    Ref context = catalog_context();
    if (index >= context::word_count(context)) return nullptr;
    const Cell* c = context::value_at(context, static_cast<int32_t>(index));
    return cell_type(c) == type_id::object ? c : nullptr;
}

const Cell* prototype() {
    if (!prototype_built) build_prototype();
    return root_cell(prototype_slot);
}

// ---- Building errors ----------------------------------------------------------------

Cell* make_from_code_value(Cell* out, int32_t code, const Cell* arg1, const Cell* arg2,
                           const Cell* arg3) {
    // Locals with a root guard: the stack may be full (stack-overflow).
    Cell cells[4];
    const Cell* given[3] = {arg1, arg2, arg3};
    for (int i = 0; i < 3; ++i) {
        if (given[i])
            cells[i] = *given[i];
        else
            value::set_none(&cells[i]);
    }
    value::set_none(&cells[3]);
    gc::Root guard(cells, 4);
    new_error(&cells[3]);
    set_code(&cells[3], code / 100, code % 100);
    for (int i = 0; i < 3; ++i) *field_of(&cells[3], field::arg1 + i) = cells[i];
    *out = cells[3];
    return out;
}

Cell* make_from_ids(Cell* out, const Cell* category, const Cell* id, const Cell* arg1,
                    const Cell* arg2, const Cell* arg3) {
    Cell* saved_top = stack::arguments.top;
    // The words and arguments stay on the stack while the error is built.
    Cell* held_words = stack::push(category);
    stack::push(id);
    const Cell* given[3] = {arg1, arg2, arg3};
    Cell* args[3] = {nullptr, nullptr, nullptr};
    for (int i = 0; i < 3; ++i)
        if (given[i]) args[i] = stack::push(given[i]);
    Cell* spec = block::make_at(push_none(), 2);
    block::append_value(spec, &held_words[0]);
    block::append_value(spec, &held_words[1]);
    Cell* made = push_none();
    new_error(made);
    from_block(made, spec);
    for (int i = 0; i < 3; ++i)
        if (args[i]) *field_of(made, field::arg1 + i) = *args[i];
    Cell result = *made;
    stack::arguments.top = saved_top;
    *out = result;
    return out;
}

uint32_t get_type(const Cell* error) {
    const Cell* w = field_of(error, field::type);
    return word::is_any_word_type(cell_type(w)) ? value::word_symbol(w) : 0;
}

uint32_t get_id(const Cell* error) {
    const Cell* w = field_of(error, field::id);
    return word::is_any_word_type(cell_type(w)) ? value::word_symbol(w) : 0;
}

int32_t stack_trace_depth() {
    const Cell* depth = global_path({"system", "state", "stack-trace"});
    return depth && cell_type(depth) == type_id::integer ? value::integer_of(depth) : 0;
}

void capture_stack(Cell* error) {
    if (cell_type(error) != type_id::error) return;
    if (cell_type(field_of(error, field::stack)) != type_id::integer) return;
    Cell* held = stack::push(error);
    int32_t depth = stack_trace_depth();
    if (depth <= 0) depth = 1;
    int32_t position = value::integer_of(field_of(held, field::stack));
    stack::TraceSpan span = stack::trace_span(held);
    int32_t count = static_cast<int32_t>(span.end - span.begin);
    if (position < 0) position = 0;
    if (position > count) position = count;
    span.end = span.begin + position;
    Cell* frames = block::make_at(push_none(), 20);
    stack::trace_words(depth, frames, span);
    *field_of(held, field::stack) = *frames;
    const Cell* files = global_path({"system", "state", "source-files"});
    if (files && cell_type(files) == type_id::block &&
        block::length(const_cast<Cell*>(files)) > 0) {
        Cell* source = stack::push(files);
        Cell copied = *block::copy_to_stack(source, false, false);
        *field_of(held, field::files) = copied;
    }
    *error = *held;
    stack::arguments.top = held;
}

// ---- error! actions ------------------------------------------------------------------

Cell* make(Cell* result, const Cell* spec_value, uint8_t type) {
    (void)type;
    Cell* saved_top = stack::arguments.top;
    Cell* spec = stack::push(spec_value);
    Cell* made = push_none();
    switch (cell_type(spec)) {
    case type_id::integer:
        new_error(made);
        from_integer(made, spec);
        break;
    case type_id::block:
        new_error(made);
        from_block(made, spec);
        break;
    case type_id::string: {
        uint32_t user_symbol = symbol::make("user");
        uint32_t message_symbol = symbol::make("message");
        Cell user, message;
        value::set_word(&user, type_id::word, 0, user_symbol);
        value::set_word(&message, type_id::word, 0, message_symbol);
        new_error(made);
        from_words(made, &user, &message, true);
        *field_of(made, field::arg1) = *spec;
        break;
    }
    default: {
        Cell datatype;
        value::set_datatype(&datatype, type_id::error);
        fire_make_error(&datatype, spec);
    }
    }
    Cell made_error = *made;
    stack::arguments.top = saved_top;
    *result = made_error;
    return result;
}

int compare(const Cell* a, const Cell* b, int code) {
    if (cell_type(b) != type_id::error) return compare_code::not_comparable;
    return object::compare(a, b, code);
}

void init() {
    datatype::SlotList slots(datatype::inherit);
    slots.set<action_slot::make>(&make)
        .set<action_slot::form>(&form)
        .set<action_slot::mold>(&mold)
        .set<action_slot::compare>(&compare)
        .set<action_slot::put>(datatype::unsupported)
        .set<action_slot::modify>(datatype::unsupported)
        .set<action_slot::empty>(datatype::unsupported);
    datatype::register_type(type_id::error, type_id::object, "error!", slots);
}

} // namespace zep::error
