// error!/form and error!/mold: the printed text of an error and its
// construction notation.
#include <cstring>

#include "datatypes/block.h"
#include "datatypes/context.h"
#include "datatypes/error.h"
#include "datatypes/object.h"
#include "datatypes/registry.h"
#include "datatypes/series.h"
#include "datatypes/string_buffer.h"
#include "datatypes/symbol.h"
#include "datatypes/word.h"
#include "evaluator/compiled_support.h"
#include "evaluator/error_value.h"
#include "evaluator/runtime_words.h"
#include "evaluator/stack.h"
#include "runtime/error_catalog.h"
#include "runtime/memory.h"
#include "runtime/value_make.h"

namespace zep::error {

namespace {

constexpr int32_t argument_limit = 80;
constexpr int32_t near_limit = 40;
constexpr int32_t unlimited = 0x7FFFFFFF;

int32_t write(Cell* out, const char* text, int32_t limit) {
    string::append_text(out, text);
    return limit - static_cast<int32_t>(std::strlen(text));
}

// Appends the value's form or mold (/only /flat when only_flat), cut to
// `cut` characters when cut > 0.
int32_t write_value(Cell* out, const Cell* value, bool mold, bool only_flat, int32_t cut,
                    int32_t limit) {
    Cell* held = stack::push(value);
    Cell* text = stack::push_slot();
    value::set_none(text);
    string::make_at(text, 16);
    if (mold) {
        if (auto slot = actions::slot_as<MoldFn>(cell_type(held), action_slot::mold))
            slot(held, text, only_flat, false, only_flat, unlimited, 0);
    } else if (auto slot = actions::slot_as<FormFn>(cell_type(held), action_slot::form)) {
        slot(held, text, unlimited);
    }
    int32_t length = static_cast<int32_t>(string::length(text));
    if (cut > 0 && length > cut) length = cut;
    string::concatenate(out, text, length, 0, false, 0);
    stack::pop(2);
    return limit - length;
}

// The category and template of the error, or false when the type or id word
// is not in the catalogue (the unknown word is written to unknown).
bool find_template(const Cell* error, Cell* category, Cell* message, Cell* unknown) {
    const Cell* type_word = field_of(error, field::type);
    const Cell* id_word = field_of(error, field::id);
    *unknown = *type_word;
    if (!word::is_any_word_type(cell_type(type_word))) return false;
    const Cell* found = object::select_word(catalog_object(), type_word);
    if (cell_type(found) != type_id::object) return false;
    *category = *found;
    *unknown = *id_word;
    if (!word::is_any_word_type(cell_type(id_word))) return false;
    if (object::find_word(category, id_word) < 2) return false;
    *message = *object::select_word(category, id_word);
    if (word::is_any_word_type(cell_type(message))) {
        Cell named = *message;
        int32_t index = object::find_word(error, &named);
        if (index < 0) return false;
        *message = *context::value_at(error->data1, index);
    }
    uint8_t t = cell_type(message);
    if (t == type_id::string || t == type_id::block) return true;
    *unknown = *message;
    return false;
}

// Rewrites the error as internal invalid-error naming the unknown word.
void rewrite_invalid(Cell* error, const Cell* unknown) {
    Cell replacement;
    Cell argument = *unknown;
    make_from_code_value(&replacement, catalog::code_of(Category::internal, "invalid-error"),
                         &argument, nullptr, nullptr);
    for (uint32_t f = field::code; f <= field::arg3; ++f)
        *field_of(error, f) = *field_of(&replacement, f);
}

int32_t argument_index(const Cell* piece) {
    static const char* const names[3] = {"arg1", "arg2", "arg3"};
    uint8_t t = cell_type(piece);
    if (t != type_id::word && t != type_id::get_word) return -1;
    const char* spelling = symbol::utf8_text(value::word_symbol(piece));
    for (int i = 0; i < 3; ++i)
        if (std::strcmp(spelling, names[i]) == 0) return i;
    return -1;
}

int32_t write_message(Cell* out, Cell* error, int32_t limit) {
    Cell* category = stack::push_slot();
    Cell* message = stack::push_slot();
    Cell* unknown = stack::push_slot();
    value::set_none(category);
    value::set_none(message);
    value::set_none(unknown);
    if (!find_template(error, category, message, unknown)) {
        rewrite_invalid(error, unknown);
        find_template(error, category, message, unknown);
    }
    Cell title = *object::select_word(category, words::global_word(words::global::type));
    limit = write_value(out, &title, false, false, 0, limit);
    limit = write(out, ": ", limit);
    if (cell_type(message) == type_id::string) {
        limit = write_value(out, message, false, false, 0, limit);
    } else {
        bool mold = symbol::resolve(value::word_symbol(field_of(error, field::type))) !=
                    symbol::resolve(words::symbol_of_global(words::global::syntax));
        int32_t total = series::total_length(message);
        for (int32_t i = series::clamped_head(message); i < total; ++i) {
            if (i > series::clamped_head(message)) limit = write(out, " ", limit);
            Cell piece = *block::cell_at(message, i);
            int32_t arg = argument_index(&piece);
            if (arg >= 0) {
                Cell value = *field_of(error, field::arg1 + static_cast<uint32_t>(arg));
                limit = write_value(out, &value, mold, false, argument_limit, limit);
            } else {
                limit = write_value(out, &piece, false, false, 0, limit);
            }
        }
    }
    stack::pop(3);
    return limit;
}

} // namespace

int32_t form(const Cell* value, Cell* out_string, int32_t part_limit) {
    int32_t limit = part_limit;
    Cell* error = stack::push(value);
    limit = write(out_string, "*** ", limit);
    limit = write_message(out_string, error, limit);
    limit = write(out_string, "\n*** Where: ", limit);
    Cell where = *field_of(error, field::where);
    if (cell_type(&where) == type_id::word || cell_type(&where) == type_id::string)
        limit = write_value(out_string, &where, false, false, 0, limit);
    else
        limit = write(out_string, "???", limit);
    limit = write(out_string, "\n*** Near : ", limit);
    Cell near = *field_of(error, field::near);
    limit = write_value(out_string, &near, true, true, near_limit, limit);
    int32_t depth = stack_trace_depth();
    if (depth > 0) {
        limit = write(out_string, "\n*** Stack: ", limit);
        Cell trace = *field_of(error, field::stack);
        if (cell_type(&trace) == type_id::integer)
            limit =
                stack::trace_positions(depth, &trace, out_string, limit, stack::trace_span(error));
        else if (cell_type(&trace) == type_id::block)
            limit = write_value(out_string, &trace, false, false, 0, limit);
    }
    Cell files = *field_of(error, field::files);
    if (cell_type(&files) == type_id::block) {
        limit = write(out_string, "\n*** Files: ", limit);
        limit = write_value(out_string, &files, true, true, near_limit, limit);
    }
    stack::pop(1);
    return limit;
}

int32_t mold(const Cell* value, Cell* out_string, bool only, bool all, bool flat,
             int32_t part_limit, int32_t indent) {
    int32_t limit = part_limit;
    if (cycles::detect(value, out_string, &limit, true)) return limit;
    if (only) return object::serialize(value, out_string, true, all, flat, limit, -1);
    limit = write(out_string, "make error! [", limit);
    uint32_t before = string::total_length(out_string);
    limit = object::serialize(value, out_string, false, all, flat, limit, flat ? -1 : indent + 1);
    if (!flat && string::total_length(out_string) != before) {
        limit = write(out_string, "\n", limit);
        limit = mold::indent(out_string, indent, limit);
    }
    return write(out_string, "]", limit);
}

} // namespace zep::error
