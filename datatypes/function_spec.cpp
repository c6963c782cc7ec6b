// The spec grammar of function!, func and the other function makers.
#include "datatypes/function.h"
#include "datatypes/function_internal.h"
#include "datatypes/word.h"
#include "evaluator/compiled_support.h"
#include "runtime/gc_roots.h"

namespace zep::function {

using namespace detail;

namespace {

// Every element of a type block must be a datatype!, a typeset! or a word
// whose value is one of those (or a word).
void check_type_block(const Cell* block) {
    Cell types = *block;
    gc::Root root(&types);
    Ref node = value::series_node(&types);
    for (int32_t i = head_of(&types); i < tail_of(node); ++i) {
        Cell element = *cell_at(node, i);
        uint8_t type = cell_type(&element);
        if (type == type_id::datatype || type == type_id::typeset) continue;
        if (type == type_id::word) {
            uint8_t named = cell_type(word::get_checked(&element));
            if (named == type_id::datatype || named == type_id::typeset || named == type_id::word)
                continue;
        }
        error::fire(error::Category::script, "invalid-type-spec", &element);
    }
}

bool may_follow_refinement(uint8_t type) {
    return is_argument_type(type) || type == type_id::refinement || type == type_id::set_word ||
           type == type_id::string;
}

void check_duplicates(Ref spec, int32_t head, int32_t tail) {
    for (int32_t i = head; i < tail; ++i) {
        const Cell* a = cell_at(spec, i);
        if (!is_argument_type(cell_type(a)) && cell_type(a) != type_id::refinement) continue;
        for (int32_t j = i + 1; j < tail; ++j) {
            const Cell* b = cell_at(spec, j);
            if (!is_argument_type(cell_type(b)) && cell_type(b) != type_id::refinement) continue;
            if (same_symbol(value::word_symbol(a), value::word_symbol(b))) {
                Cell repeated = *b;
                error::fire(error::Category::script, "dup-vars", &repeated);
            }
        }
    }
}

} // namespace

uint32_t check_spec(const Cell* spec_in) {
    Cell spec = *spec_in;
    gc::Root root(&spec);
    Ref node = value::series_node(&spec);
    int32_t i = head_of(&spec);
    uint32_t flags = 0;
    // The cell at index k, found again after each call that may allocate.
    auto at = [&](int32_t k) { return cell_at(value::series_node(&spec), k); };
    auto tail = [&] { return tail_of(value::series_node(&spec)); };
    auto type_at = [&](int32_t k) { return k < tail() ? cell_type(at(k)) : uint8_t{0}; };

    if (type_at(i) == type_id::block) {
        Cell attributes = *at(i);
        Ref a = value::series_node(&attributes);
        for (int32_t k = head_of(&attributes); k < tail_of(a); ++k) {
            const Cell* attribute = cell_at(a, k);
            if (cell_type(attribute) != type_id::word) fire_bad_def(&spec);
            if (is_symbol(attribute, words::symbol::trace)) flags |= flag::trace;
            if (is_symbol(attribute, words::symbol::no_trace)) flags |= flag::no_trace;
        }
        ++i;
    }
    bool after_local = false;
    bool after_return = false;
    while (i < tail()) {
        uint8_t type = type_at(i);
        if (type == type_id::string) {
            ++i;
        } else if (is_argument_type(type)) {
            if ((after_local && type != type_id::word) || (after_return && !after_local))
                fire_bad_def(&spec);
            if (type_at(i + 1) == type_id::string && type_at(i + 2) == type_id::block)
                fire_bad_def(&spec);
            if (type_at(i + 1) == type_id::block) {
                Cell types = *at(i + 1);
                check_type_block(&types);
                i += 2;
            } else {
                ++i;
            }
        } else if (type == type_id::set_word) {
            if (!is_symbol(at(i), words::symbol::return_) || after_return || after_local)
                fire_bad_def(&spec);
            after_return = true;
            if (type_at(i + 1) != type_id::block) fire_bad_def(&spec);
            uint8_t next = type_at(i + 2);
            if (i + 2 < tail() && next != type_id::refinement && next != type_id::string)
                fire_bad_def(&spec);
            Cell types = *at(i + 1);
            check_type_block(&types);
            i += 2;
        } else if (type == type_id::refinement) {
            if (is_local(at(i)))
                after_local = true;
            else if (after_local || after_return)
                fire_bad_def(&spec);
            if (i + 1 < tail() && !may_follow_refinement(type_at(i + 1))) fire_bad_def(&spec);
            ++i;
        } else {
            fire_bad_def(&spec);
        }
    }
    node = value::series_node(&spec);
    check_duplicates(node, head_of(&spec), tail_of(node));
    return flags;
}

} // namespace zep::function
