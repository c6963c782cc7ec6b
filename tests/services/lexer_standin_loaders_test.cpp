// Stand-in loaders for the lexer's tests until the loader module lands:
// words, issues, integers and strings (no escapes), enough to drive the
// structural scanners and the trace events.
#include "datatypes/string_buffer.h"
#include "datatypes/symbol.h"
#include "datatypes/word.h"
#include "runtime/value_make.h"
#include "services/lexer.h"

namespace zep::lexer {

namespace {

void load_word(State& s, const uint8_t* start, const uint8_t* end, uint32_t, bool load) {
    uint8_t type = s.token_class == token::issue ? type_id::issue : type_id::word;
    if (*start == '#') ++start;
    if (*start == '\'') {
        type = type_id::lit_word;
        ++start;
    } else if (*start == ':') {
        type = type_id::get_word;
        ++start;
    }
    if (end > start && end[-1] == ':') {
        type = type_id::set_word;
        --end;
    }
    s.position = s.token_end;
    s.type = type;
    if (!load) return;
    uint32_t symbol = symbol::make_from_text(start, static_cast<uint32_t>(end - start));
    Cell* cell = alloc_cell(s);
    word::make_at_result(symbol, cell);
    cell->header = type;
}

void load_integer(State& s, const uint8_t* start, const uint8_t* end, uint32_t, bool load) {
    s.position = end;
    int64_t v = 0;
    bool negative = *start == '-';
    if (*start == '-' || *start == '+') ++start;
    for (const uint8_t* p = start; p < end; ++p) {
        if (*p < '0' || *p > '9') throw_error(s, start, end, type_id::integer);
        v = v * 10 + (*p - '0');
        if (v > INT32_MAX) throw_error(s, start, end, type_id::integer);
    }
    if (load) value::set_integer(alloc_cell(s), static_cast<int32_t>(negative ? -v : v));
}

void load_string(State& s, const uint8_t* start, const uint8_t* end, uint32_t, bool load) {
    s.position = end + 1;
    if (!load) return;
    Cell text;
    string::load_encoded(start + 1, static_cast<uint32_t>(end - start - 1), &text,
                         string::encoding::utf8);
    *alloc_cell(s) = text;
}

} // namespace

void register_loaders() {
    loaders[token::word] = load_word;
    loaders[token::issue] = load_word;
    loaders[token::integer] = load_integer;
    loaders[token::string] = load_string;
    loaders[token::brace_close] = load_string;
}

} // namespace zep::lexer
