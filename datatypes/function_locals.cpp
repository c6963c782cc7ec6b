// Local collection for the `function` native: every set-word of the body
// (and the words that foreach, remove-each and repeat set) becomes a /local
// word of the spec, except the words the spec already names and those it
// declares external after /extern.
#include "datatypes/block.h"
#include "datatypes/function.h"
#include "datatypes/function_internal.h"
#include "datatypes/word.h"
#include "evaluator/compiled_support.h"
#include "evaluator/stack.h"
#include "runtime/gc_roots.h"

namespace zep::function {

using namespace detail;

namespace {

bool holds_symbol(const Cell* block, uint32_t symbol) {
    Ref node = value::series_node(block);
    for (int32_t i = 0; i < tail_of(node); ++i) {
        const Cell* c = cell_at(node, i);
        if (word::is_any_word_type(cell_type(c)) && same_symbol(value::word_symbol(c), symbol))
            return true;
    }
    return false;
}

// Appends a word! of the cell's symbol to the locals and the ignore list
// unless the ignore list holds it already. The two blocks live on the
// argument stack.
void collect(const Cell* cell, Cell* locals, Cell* ignore) {
    uint32_t symbol = value::word_symbol(cell);
    if (holds_symbol(ignore, symbol)) return;
    Cell word;
    value::set_word(&word, type_id::word, 0, symbol);
    block::append_value(locals, &word);
    block::append_value(ignore, &word);
}

// The ignore list: a copy of the spec with set-words, lit-words, get-words
// and refinements retyped to word!; with /extern any value other than
// those, a block or a string is refused.
void build_ignore_list(const Cell* spec, bool has_extern, Cell* ignore) {
    Ref node = value::series_node(spec);
    for (int32_t i = head_of(spec); i < tail_of(node); ++i) {
        Cell c = *cell_at(node, i);
        uint8_t type = cell_type(&c);
        if (type == type_id::set_word || type == type_id::lit_word || type == type_id::get_word ||
            type == type_id::refinement)
            c.header = type_id::word;
        else if (type != type_id::word && type != type_id::block && type != type_id::string &&
                 has_extern)
            error::fire(error::Category::script, "bad-func-extern", &c);
        block::append_value(ignore, &c);
        node = value::series_node(spec);
    }
}

// Cuts the spec at /extern: the words after it are external (they stay in
// the ignore list); the words after a /local that ends them go to locals.
// Answers whether /extern was present.
bool cut_at_extern(Cell* spec, Cell* locals) {
    Ref node = value::series_node(spec);
    int32_t head = head_of(spec);
    int32_t at = -1;
    for (int32_t i = head; i < tail_of(node); ++i)
        if (is_extern(cell_at(node, i))) {
            at = i;
            break;
        }
    if (at < 0) return false;
    int32_t i = at + 1;
    while (i < tail_of(node) && cell_type(cell_at(node, i)) == type_id::word) ++i;
    if (i < tail_of(node) && is_local(cell_at(node, i))) {
        for (++i; i < tail_of(node) && cell_type(cell_at(node, i)) == type_id::word; ++i) {
            Cell word = *cell_at(node, i);
            block::append_value(locals, &word);
            node = value::series_node(spec);
        }
    }
    block::set_tail_index(spec, at);
    return true;
}

// Walks the body and its nested blocks and parens with an explicit stack of
// block cells on the argument stack (a nested block already being walked
// is not entered again, so a cyclic body ends).
void walk_body(const Cell* body, Cell* locals, Cell* ignore) {
    uint32_t bottom = stack::index_of(stack::arguments.top);
    Cell* first = stack::push(body);
    first->data1 = static_cast<uint32_t>(head_of(first));
    auto being_walked = [&](Ref node) {
        for (uint32_t k = bottom; k < stack::index_of(stack::arguments.top); ++k)
            if (value::series_node(stack::cell_at(k)) == node) return true;
        return false;
    };
    while (stack::index_of(stack::arguments.top) > bottom) {
        Cell* current = stack::arguments.top - 1;
        Ref node = value::series_node(current);
        auto i = static_cast<int32_t>(current->data1);
        int32_t tail = tail_of(node);
        if (i >= tail) {
            stack::pop(1);
            continue;
        }
        Cell c = *cell_at(node, i);
        ++i;
        uint8_t type = cell_type(&c);
        if (type == type_id::set_word) {
            collect(&c, locals, ignore);
        } else if (type == type_id::word && i < tail) {
            bool loop_words =
                is_symbol(&c, words::symbol::foreach) || is_symbol(&c, words::symbol::remove_each);
            bool repeat = is_symbol(&c, words::symbol::repeat);
            Cell next = *cell_at(node, i);
            uint8_t next_type = cell_type(&next);
            if ((loop_words || repeat) &&
                (next_type == type_id::word || next_type == type_id::set_word)) {
                collect(&next, locals, ignore);
                ++i;
            } else if (loop_words && next_type == type_id::block) {
                gc::Root next_root(&next);
                for (int32_t k = head_of(&next); k < tail_of(value::series_node(&next)); ++k) {
                    Cell w = *cell_at(value::series_node(&next), k);
                    if (is_argument_type(cell_type(&w))) collect(&w, locals, ignore);
                }
                ++i;
            }
        } else if ((type == type_id::block || type == type_id::paren) &&
                   !being_walked(value::series_node(&c))) {
            stack::arguments.top[-1].data1 = static_cast<uint32_t>(i);
            Cell* nested = stack::push(&c);
            nested->data1 = static_cast<uint32_t>(head_of(nested));
            continue;
        }
        stack::arguments.top[-1].data1 = static_cast<uint32_t>(i);
    }
}

} // namespace

void collect_locals(Cell* spec, const Cell* body, Cell* out) {
    Cell spec_cell = *spec;
    Cell body_cell = *body;
    gc::Root roots[] = {gc::Root(&spec_cell), gc::Root(&body_cell)};
    // locals and the ignore list live on the argument stack while the body
    // is walked.
    uint32_t mark = stack::index_of(stack::arguments.top);
    Cell* locals_slot = block::push_new(8);
    block::push_new(8);
    auto locals = [&] { return stack::cell_at(mark); };
    auto ignore = [&] { return stack::cell_at(mark + 1); };
    (void)locals_slot;

    bool has_extern = false;
    {
        Ref node = value::series_node(&spec_cell);
        for (int32_t i = head_of(&spec_cell); i < tail_of(node); ++i)
            if (is_extern(cell_at(node, i))) has_extern = true;
    }
    build_ignore_list(&spec_cell, has_extern, ignore());
    if (has_extern) cut_at_extern(&spec_cell, locals());
    walk_body(&body_cell, locals(), ignore());

    Ref locals_node = value::series_node(locals());
    if (tail_of(locals_node) > 0) {
        Ref node = value::series_node(&spec_cell);
        bool has_local = false;
        for (int32_t i = head_of(&spec_cell); i < tail_of(node); ++i)
            if (is_local(cell_at(node, i))) has_local = true;
        if (!has_local) {
            Cell local = words::refinements[words::refinement::local];
            block::append_value(&spec_cell, &local);
        }
        uint32_t local_symbol = value::word_symbol(&words::refinements[words::refinement::local]);
        for (int32_t i = 0; i < tail_of(value::series_node(locals())); ++i) {
            Cell word = *cell_at(value::series_node(locals()), i);
            if (same_symbol(value::word_symbol(&word), local_symbol)) continue;
            block::append_value(&spec_cell, &word);
        }
    }
    *out = *locals();
    stack::arguments.top = stack::cell_at(mark);
    *spec = spec_cell;
}

} // namespace zep::function
