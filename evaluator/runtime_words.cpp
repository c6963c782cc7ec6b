#include "evaluator/runtime_words.h"

#include "datatypes/context.h"

namespace zep::words {

#define ZEP_WORD_TEXT(name, text) text,
const char* const symbol_names[symbol::count] = {ZEP_RUNTIME_SYMBOLS(ZEP_WORD_TEXT)};
const char* const global_names[global::count] = {ZEP_GLOBAL_WORDS(ZEP_WORD_TEXT)};
const char* const symbol_word_names[symbol_word::count] = {ZEP_SYMBOL_WORDS(ZEP_WORD_TEXT)};
const char* const refinement_names[refinement::count] = {ZEP_REFINEMENT_WORDS(ZEP_WORD_TEXT)};
#undef ZEP_WORD_TEXT

uint32_t symbols[symbol::count];
Cell globals[global::count];
Cell symbol_words[symbol_word::count];
Cell refinements[refinement::count];
Cell internal_ooo;

void word_for_frame(Cell* out, uint32_t symbol, Ref context) {
    // A `self` frame's word context is a block node, not a context.
    if (context == 0 || symbol == (symbols[symbol::self] & 0xFFFF)) context = context::global;
    context::get_word_or_global(context, symbol, out);
}

} // namespace zep::words
