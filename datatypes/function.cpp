#include "datatypes/function.h"

#include <cstring>

#include "datatypes/block.h"
#include "datatypes/context.h"
#include "datatypes/function_internal.h"
#include "datatypes/registry.h"
#include "datatypes/string_buffer.h"
#include "datatypes/word.h"
#include "evaluator/compiled_support.h"
#include "evaluator/stack.h"
#include "runtime/cell_ops.h"
#include "runtime/gc_roots.h"

namespace zep::function {

namespace detail {

Cell copy_from_head(const Cell* block) {
    Cell source = *block;
    int32_t head = head_of(&source);
    if (head == 0) {
        source.data1 = 0;
        return source;
    }
    source.data1 = static_cast<uint32_t>(head);
    Cell copy;
    copy_block(&source, false, &copy);
    return copy;
}

void copy_block(const Cell* block, bool deep, Cell* out) {
    Cell made = *block::copy_to_stack(block, deep, deep);
    stack::pop(1);
    *out = made;
}

int32_t mold_block(const Cell* block, Cell* out_string, int32_t part_limit) {
    Cell b = *block;
    gc::Root root(&b);
    return block::mold(&b, out_string, false, false, false, part_limit, 0);
}

int32_t write(Cell* out_string, const char* text, int32_t part_limit) {
    string::append_text(out_string, text);
    return part_limit - static_cast<int32_t>(std::strlen(text));
}

void fire_bad_def(const Cell* value) {
    error::fire(error::Category::script, "bad-func-def", value);
}

void fire_not_done() {
    error::fire(error::Category::internal, "not-done");
}

int compare_words(const Cell* a, const Cell* b, int code, bool by_more_block) {
    if (cell_type(a) != cell_type(b)) return compare_code::not_comparable;
    switch (code) {
    case compare_code::equal:
    case compare_code::not_equal:
    case compare_code::strict_equal:
    case compare_code::sort:
    case compare_code::case_sort:
    case compare_code::same:
    case compare_code::find: {
        uint32_t x = by_more_block ? a->data3 : a->data1;
        uint32_t y = by_more_block ? b->data3 : b->data1;
        return x < y ? -1 : (x > y ? 1 : 0);
    }
    default:
        return compare_code::not_comparable;
    }
}

} // namespace detail

using namespace detail;

namespace {

bool is_field(const Cell* field, words::symbol::Id id) {
    return word::is_any_word_type(cell_type(field)) && is_symbol(field, id);
}

// The more block's cells of a new function!: body copy, call spec, code
// (unset!), wrapped op, second value.
Cell make_more_block(const Cell* body_copy, const Cell* second) {
    Cell more;
    block::make_at(&more, more::cells);
    gc::Root root(&more);
    Cell cells[more::cells];
    cells[more::body] = *body_copy;
    value::set_unset(&cells[more::call_spec]);
    value::set_unset(&cells[more::code]);
    value::set_unset(&cells[more::wrapped]);
    if (second && cell_type(second) == type_id::integer)
        cells[more::second] = *second;
    else
        value::set_unset(&cells[more::second]);
    for (const Cell& c : cells) block::append_value(&more, &c);
    return more;
}

} // namespace

Cell* push(const Cell* spec, const Cell* body, Ref context, const Cell* second, uint32_t flags) {
    Cell spec_copy = copy_from_head(spec);
    gc::Root spec_root(&spec_copy);
    Cell body_copy;
    value::set_none(&body_copy);
    bool has_body = body && cell_type(body) == type_id::block;
    if (has_body) {
        Cell clamped = *body;
        clamped.data1 = static_cast<uint32_t>(head_of(&clamped));
        gc::Root clamped_root(&clamped);
        copy_block(&clamped, true, &body_copy);
    }
    gc::Root body_root(&body_copy);
    Cell second_copy;
    value::set_unset(&second_copy);
    if (second) second_copy = *second;
    gc::Root second_root(&second_copy);

    bool own_context = context == 0;
    if (own_context)
        context = context::make_from_words(&spec_copy, true, false, context::kind::function);
    gc::RootRef context_root(context);
    Cell more = make_more_block(&body_copy, &second_copy);
    Cell* made = stack::push_slot();
    value::set_cell(made, type_id::function, context, value::series_node(&spec_copy),
                    value::series_node(&more));
    made->header |= flags & flag::attributes;
    *context::owner(context) = *made;
    if (own_context && has_body) context::bind_deep(&body_copy, context, false);
    return made;
}

int32_t count_locals(Ref spec, int32_t start, bool required) {
    int32_t tail = tail_of(spec);
    for (int32_t i = start < 0 ? 0 : start; i < tail; ++i) {
        if (!is_local(cell_at(spec, i))) continue;
        int32_t n = 1;
        for (int32_t j = i + 1; j < tail; ++j)
            if (cell_type(cell_at(spec, j)) == type_id::word) ++n;
        return n;
    }
    return required ? -1 : 0;
}

void init_locals(int32_t n) {
    if (n <= 0) return;
    value::set_logic(stack::push_slot(), false);
    for (int32_t i = 1; i < n; ++i) value::set_none(stack::push_slot());
}

Cell* arg_word_at(int32_t n, Cell* out) {
    value::copy_cell(words::global_word(words::global::anon), out);
    const stack::Frame* frame = stack::top_frame();
    if (!frame || n < 0) return out;
    // The caller: the value of the word that named the current frame, or
    // else the value pushed just below the frame (an anonymous call).
    Cell name;
    words::word_for_frame(&name, stack::symbol_of(frame), frame->word_context);
    const Cell* caller = word::get(&name);
    auto is_caller_type = [](const Cell* c) {
        uint8_t type = cell_type(c);
        return type == type_id::native || type == type_id::action || type == type_id::function ||
               type == type_id::routine || type == type_id::op;
    };
    if (!is_caller_type(caller)) {
        Cell* base = stack::base();
        if (base <= stack::arguments.begin || !is_caller_type(base - 1)) return out;
        caller = base - 1;
    }
    Ref spec = spec_of(caller);
    for (int32_t i = 0; i < tail_of(spec); ++i) {
        const Cell* c = cell_at(spec, i);
        uint8_t t = cell_type(c);
        if (!is_argument_type(t) && t != type_id::refinement) continue;
        if (n-- == 0) {
            value::set_word(out, type_id::word, 0, value::word_symbol(c));
            return out;
        }
    }
    return out;
}

Cell* make(Cell* result, const Cell* spec, uint8_t) {
    Cell argument = *spec;
    gc::Root argument_root(&argument);
    if (cell_type(&argument) != type_id::block) fire_bad_def(&argument);
    Ref node = value::series_node(&argument);
    int32_t head = head_of(&argument);
    if (tail_of(node) - head < 2 || cell_type(cell_at(node, head)) != type_id::block)
        fire_bad_def(&argument);
    Cell fn_spec = *cell_at(node, head);
    Cell body = *cell_at(node, head + 1);
    gc::Root roots[] = {gc::Root(&fn_spec), gc::Root(&body)};
    uint32_t flags = check_spec(&fn_spec);
    if (cell_type(&body) != type_id::block) fire_bad_def(&argument);
    Cell made = *push(&fn_spec, &body, 0, nullptr, flags);
    stack::pop(1);
    *result = made;
    return result;
}

Cell* reflect(Cell* value, const Cell* field) {
    if (is_field(field, words::symbol::spec)) {
        value::set_series(value, type_id::block, spec_of(value));
        return value;
    }
    if (is_field(field, words::symbol::body)) {
        Cell body = *more_cell(value, more::body);
        if (cell_type(&body) == type_id::block)
            copy_block(&body, false, value);
        else
            *value = body;
        return value;
    }
    if (is_field(field, words::symbol::words)) {
        Cell words_block;
        value::set_series(&words_block, type_id::block, context::word_block(context_of(value)));
        copy_block(&words_block, false, value);
        return value;
    }
    fire_not_done();
}

int32_t form(const Cell*, Cell* out_string, int32_t part_limit) {
    return write(out_string, "?function?", part_limit);
}

int32_t mold(const Cell* value, Cell* out_string, bool, bool, bool, int32_t part_limit, int32_t) {
    Cell fn = *value;
    gc::Root root(&fn);
    part_limit = write(out_string, "func ", part_limit);
    Cell spec;
    value::set_series(&spec, type_id::block, spec_of(&fn));
    part_limit = mold_block(&spec, out_string, part_limit);
    Cell body = *more_cell(&fn, more::body);
    if (cell_type(&body) == type_id::block) return mold_block(&body, out_string, part_limit);
    return write(out_string, " none", part_limit);
}

int compare(const Cell* a, const Cell* b, int code) {
    return compare_words(a, b, code, true);
}

void init() {
    datatype::SlotList slots;
    slots.set<action_slot::make>(&make);
    slots.set<action_slot::reflect>(&reflect);
    slots.set<action_slot::form>(&form);
    slots.set<action_slot::mold>(&mold);
    slots.set<action_slot::compare>(&compare);
    datatype::register_type(type_id::function, type_id::context, "function!", slots);
}

} // namespace zep::function
