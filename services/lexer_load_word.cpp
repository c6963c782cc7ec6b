// Loaders of words, issues and refinements.
#include <cstddef>

#include "datatypes/context.h"
#include "datatypes/symbol.h"
#include "datatypes/word.h"
#include "runtime/value_make.h"
#include "services/lexer_load.h"
#include "services/lexer_load_support.h"
#include "services/lexer_tables.h"

namespace zep::lexer {

namespace {

// Interns the name [p, name_end) and emits a word of the type: an issue
// names the global context without an index, the other kinds are global
// words. `flags` are the token's flags: without a high byte the name is
// ASCII.
void emit_word(State& s, const uint8_t* start, const uint8_t* end, const uint8_t* p,
               const uint8_t* name_end, uint8_t type, uint32_t flags, bool load) {
    if (p >= name_end || ((flags & scan_flag::high) && !support::is_utf8(p, name_end)))
        throw_error(s, start, end, type);
    if (!load) return;
    uint32_t symbol = symbol::make_from_text(p, static_cast<uint32_t>(name_end - p));
    // A word cell names no series the collector could move or free (its
    // context is the global one), so it is made in a plain local and needs
    // no stack slot while the global word is added.
    Cell made;
    if (type == type_id::issue) {
        value::set_word(&made, type_id::issue, context::global, symbol, -1);
    } else {
        word::make_at_result(symbol, &made);
        made.header = type;
    }
    *alloc_cell(s) = made;
}

// A word of any kind from its written form: ":" in front makes a get-word,
// "'" in front a lit-word, ":" at the end a set-word; a colon anywhere else
// is invalid.
void load_word_form(State& s, const uint8_t* start, const uint8_t* end, uint32_t flags, bool load) {
    const uint8_t* p = start;
    const uint8_t* name_end = end;
    uint8_t type = type_id::word;
    if (*p == ':') {
        type = type_id::get_word;
        ++p;
    } else if (*p == '\'') {
        type = type_id::lit_word;
        ++p;
    }
    if (name_end > p && name_end[-1] == ':') {
        if (type != type_id::word) throw_error(s, start, end, type);
        type = type_id::set_word;
        --name_end;
    }
    if (flags & flag::colon) {
        for (const uint8_t* q = p; q < name_end; ++q)
            if (*q == ':') throw_error(s, start, end, type);
    }
    emit_word(s, start, end, p, name_end, type, flags, load);
}

} // namespace

void load_word(State& s, const uint8_t* start, const uint8_t* end, uint32_t flags, bool load) {
    s.position = end;
    if (s.token_class == token::issue || *start == '#') {
        if (*start != '#') throw_error(s, start, end, type_id::issue);
        emit_word(s, start, end, start + 1, end, type_id::issue, flags, load);
        return;
    }
    load_word_form(s, start, end, flags, load);
}

void load_refinement(State& s, const uint8_t* start, const uint8_t* end, uint32_t flags,
                     bool load) {
    s.position = end;
    std::ptrdiff_t length = end - start;
    if (length == 1 || (length == 2 && (start[0] == '\'' || start[0] == ':' || start[1] == ':'))) {
        load_word_form(s, start, end, flags, load);
        return;
    }
    if (start[0] != '/') throw_error(s, start, end, type_id::refinement);
    for (const uint8_t* q = start + 1; q < end; ++q)
        if (*q == ':') throw_error(s, start, end, type_id::refinement);
    emit_word(s, start, end, start + 1, end, type_id::refinement, flags, load);
}

} // namespace zep::lexer
