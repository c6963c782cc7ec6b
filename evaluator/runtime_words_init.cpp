// Making the runtime word table at start-up (after the symbol table and the
// global context exist).
#include <cstring>

#include "datatypes/symbol.h"
#include "datatypes/word.h"
#include "evaluator/runtime_words.h"
#include "runtime/collector.h"

namespace zep::words {

namespace {

template <size_t N> void mark_array(Cell (&cells)[N]) {
    gc::mark_cells(cells, cells + N);
}

// The word cells kept outside any series.
void mark_words() {
    mark_array(globals);
    mark_array(symbol_words);
    mark_array(refinements);
    gc::mark_cells(&internal_ooo, &internal_ooo + 1);
}

} // namespace

void init_runtime_words() {
    gc::add_mark_callback(mark_words);
    for (uint32_t i = 0; i < symbol::count; ++i) symbols[i] = zep::symbol::make(symbol_names[i]);
    for (uint32_t i = 0; i < global::count; ++i) {
        value::set_none(&globals[i]);
        word::make_at(zep::symbol::make(global_names[i]), &globals[i]);
    }
    for (uint32_t i = 0; i < symbol_word::count; ++i) {
        // These spellings are runtime symbols already; the word reuses the id.
        uint32_t id = 0;
        for (uint32_t s = 0; s < symbol::count && !id; ++s)
            if (std::strcmp(symbol_names[s], symbol_word_names[i]) == 0) id = symbols[s];
        value::set_none(&symbol_words[i]);
        word::make_at(id, &symbol_words[i]);
    }
}

void init_refinement_words() {
    for (uint32_t i = 0; i < refinement::count; ++i)
        refinements[i] = *zep::refinement::make_from_text(refinement_names[i]);
}

void init_internal_words() {
    value::set_word(&internal_ooo, type_id::issue, 0, zep::symbol::make("ooo"));
}

} // namespace zep::words
