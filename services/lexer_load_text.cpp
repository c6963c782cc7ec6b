// Loaders of the text tokens: strings, raw strings, files, urls, e-mail
// addresses, refs, tags and chars.
#include <cstddef>
#include <cstring>
#include <string>

#include "datatypes/url.h"
#include "runtime/unicode/utf8.h"
#include "runtime/value_make.h"
#include "services/lexer_load.h"
#include "services/lexer_load_support.h"

namespace zep::lexer {

using support::Building;

namespace {

// The code points of the token being loaded; reused so that loading does not
// allocate per token.
std::u32string& scratch() {
    static std::u32string text;
    return text;
}

// Decodes [p, end) (with caret escapes when asked) into a text value of the
// type; raises invalid with error_type when the text does not decode.
void load_text(State& s, const uint8_t* start, const uint8_t* end, const uint8_t* p,
               const uint8_t* text_end, uint8_t type, bool escapes, uint8_t error_type, bool load) {
    if (support::is_plain_ascii(p, text_end, escapes)) {
        if (!load) return;
        Building value;
        support::make_ascii_text(value.cell(), type, p, static_cast<uint32_t>(text_end - p));
        value.emit(s);
        return;
    }
    std::u32string& text = scratch();
    if (!support::decode_text(p, text_end, escapes, text)) throw_error(s, start, end, error_type);
    if (!load) return;
    Building value;
    support::make_text(value.cell(), type, text);
    value.emit(s);
}

// A url or file text: UTF-8 with %hh escapes decoded.
void load_percent_text(State& s, const uint8_t* start, const uint8_t* end, const uint8_t* p,
                       const uint8_t* text_end, uint8_t type, bool load) {
    if (!support::is_utf8(p, text_end)) throw_error(s, start, end, type);
    if (!load) return;
    std::u32string text = url::decode_text(p, static_cast<size_t>(text_end - p));
    Building value;
    support::make_text(value.cell(), type, text);
    value.emit(s);
}

uint32_t count_run(const uint8_t* p, const uint8_t* end, uint8_t c) {
    uint32_t n = 0;
    while (p + n < end && p[n] == c) ++n;
    return n;
}

uint32_t count_line_feeds(const uint8_t* p, const uint8_t* end) {
    uint32_t n = 0;
    for (; p < end; ++p) n += *p == '\n';
    return n;
}

} // namespace

void load_string(State& s, const uint8_t* start, const uint8_t* end, uint32_t, bool load) {
    // Escapes are decoded wherever a caret stands: a braced string arrives in
    // pieces, and the flags of its last piece say nothing of the others.
    uint8_t type = s.preset_type ? s.preset_type : uint8_t{type_id::string};
    if (end <= start) throw_error(s, start, end, type);
    support::step_past(s, end);
    load_text(s, start, end, start + 1, end, type, true, type, load);
}

void load_raw_string(State& s, const uint8_t* start, const uint8_t* end, uint32_t, bool load) {
    uint32_t opening = count_run(start, end, '%');
    const uint8_t* open_brace = start + opening;
    if (open_brace >= end || *open_brace != '{') throw_error(s, start, end, type_id::string);
    // The closing run: "}" and the "%" signs that end the token.
    uint32_t closing = 0;
    while (end - closing - 1 > open_brace && end[-static_cast<std::ptrdiff_t>(closing) - 1] == '%')
        ++closing;
    const uint8_t* close_brace = end - closing - 1;
    if (close_brace <= open_brace || *close_brace != '}' || closing > opening)
        throw_error(s, start, end, type_id::string);
    if (closing < opening) {
        // The token ended at a shorter run: the text goes on to the next "}"
        // followed by as many "%" signs as opened it.
        const uint8_t* p = end;
        for (;;) {
            p = static_cast<const uint8_t*>(
                std::memchr(p, '}', static_cast<size_t>(s.input_end - p)));
            if (!p) throw_error(s, start, s.input_end, type_id::string);
            closing = count_run(p + 1, s.input_end, '%');
            if (closing >= opening) break;
            ++p;
        }
        if (closing > opening) throw_error(s, start, p + 1 + closing, type_id::string);
        s.line += count_line_feeds(end, p);
        close_brace = p;
        end = p + 1 + closing;
    }
    s.position = end;
    fire_event(s, Event::open, type_id::string, start, open_brace + 1);
    fire_event(s, Event::close, type_id::string, close_brace, end);
    load_text(s, start, end, open_brace + 1, close_brace, type_id::string, false, type_id::string,
              load);
}

void load_file(State& s, const uint8_t* start, const uint8_t* end, uint32_t, bool load) {
    if (end - start >= 2 && start[1] == '"') {
        // The quoted form reads caret escapes and ends at its closing quote.
        if (end >= s.input_end || *end != '"') throw_error(s, start, end, type_id::file);
        support::step_past(s, end);
        load_text(s, start, end, start + 2, end, type_id::file, true, type_id::file, load);
        return;
    }
    s.position = end;
    load_percent_text(s, start, end, start + 1, end, type_id::file, load);
}

void load_url(State& s, const uint8_t* start, const uint8_t* end, uint32_t, bool load) {
    if (*start == ':') throw_error(s, start, end, type_id::set_word);
    if (*start == '\'') throw_error(s, start, end, type_id::lit_word);
    s.position = end;
    load_percent_text(s, start, end, start, end, type_id::url, load);
}

void load_email(State& s, const uint8_t* start, const uint8_t* end, uint32_t, bool load) {
    s.position = end;
    load_text(s, start, end, start, end, type_id::email, false, type_id::email, load);
}

void load_ref(State& s, const uint8_t* start, const uint8_t* end, uint32_t, bool load) {
    // The text is held without its "@".
    if (*start != '@') throw_error(s, start, end, type_id::ref);
    s.position = end;
    load_text(s, start, end, start + 1, end, type_id::ref, false, type_id::ref, load);
}

void load_tag(State& s, const uint8_t* start, const uint8_t* end, uint32_t, bool load) {
    if (*start != '<' || end >= s.input_end || *end != '>')
        throw_error(s, start, end, type_id::tag);
    support::step_past(s, end);
    load_text(s, start, end, start + 1, end, type_id::tag, false, type_id::tag, load);
}

void load_char(State& s, const uint8_t* start, const uint8_t* end, uint32_t, bool load) {
    // #"c" with `end` at the closing quote.
    if (end - start < 3 || start[0] != '#' || start[1] != '"' || start[2] == '"' ||
        end >= s.input_end || *end != '"')
        throw_error(s, start, end, type_id::char_);
    const uint8_t* p = start + 2;
    uint32_t cp = 0;
    if (*p == '^') {
        ++p;
        if (!support::decode_escape(p, end, cp)) throw_error(s, start, end, type_id::char_);
    } else {
        unicode::Utf8Char decoded =
            unicode::decode_utf8_checked(p, static_cast<uint32_t>(end - p < 4 ? end - p : 4));
        if (decoded.status != unicode::Utf8Char::ok) throw_error(s, start, end, type_id::char_);
        cp = static_cast<uint32_t>(decoded.cp);
        p += decoded.length;
    }
    if (p != end) throw_error(s, start, end, type_id::char_);
    support::step_past(s, end);
    if (load) value::set_char(alloc_cell(s), cp);
}

} // namespace zep::lexer
