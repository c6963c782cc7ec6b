// Trace events and syntax errors of the lexer, and source positions.
#include <cstring>
#include <string>

#include "datatypes/block.h"
#include "datatypes/pair.h"
#include "datatypes/string_buffer.h"
#include "datatypes/symbol.h"
#include "datatypes/word.h"
#include "evaluator/compiled_support.h"
#include "evaluator/stack.h"
#include "runtime/unicode/utf8.h"
#include "runtime/value_make.h"
#include "services/lexer_internal.h"

namespace zep::lexer {

CallbackRunner run_callback = nullptr;

namespace {

constexpr const char* event_names[] = {"prescan", "scan", "load", "open", "close", "error"};

// The longest excerpt of the input that an error shows, in bytes.
constexpr uint32_t excerpt_limit = 30;

bool has_callback(const State& s) {
    uint8_t t = cell_type(&s.callback);
    return run_callback && t != 0 && t != type_id::none && t != type_id::unset;
}

bool is_series_source(const State& s) {
    uint8_t t = cell_type(&s.source);
    return t != 0 && t != type_id::none && t != type_id::unset;
}

// The token text of an error: from start, at most 30 bytes, stopping at a
// line feed or the input end, and never inside a UTF-8 sequence. Bytes that
// are not UTF-8 show as U+FFFD; control characters but tab show as the
// caret escapes that mold writes (NUL as ^@), so that the report prints
// whole and leaves the terminal alone.
void make_excerpt(State& s, const uint8_t* start, Cell* out) {
    if (start < s.input_start) start = s.input_start;
    if (start > s.input_end) start = s.input_end;
    const uint8_t* limit = start + std::min<size_t>(excerpt_limit, s.input_end - start);
    const uint8_t* lf = static_cast<const uint8_t*>(std::memchr(start, '\n', limit - start));
    if (lf) limit = lf;
    string::make_at(out, static_cast<uint32_t>(limit - start));
    const uint8_t* p = start;
    while (p < limit) {
        int32_t cp = 0;
        const uint8_t* next = unicode::decode_utf8_step(p, s.input_end, cp);
        if (next > limit && cp >= 0) break; // the sequence runs past the cut
        if (next > limit) next = limit;
        uint32_t c = cp < 0 ? 0xFFFD : static_cast<uint32_t>(cp);
        if ((c < 0x20 && c != '\t') || c == 0x7F) {
            string::append_escaped_char(out, c, false);
        } else {
            SeriesBuffer* buffer = node_buffer(value::series_node(out));
            string::append_char(buffer, c);
        }
        p = next;
    }
}

void make_line_text(const State& s, Cell* out) {
    std::string text = "(line " + std::to_string(s.line) + ")";
    string::make_at(out, static_cast<uint32_t>(text.size()));
    string::append_text(out, text.c_str());
}

// Reports the error event (its type is error!); answers when the error is
// to be raised. A callback that answers false ends the transcode quietly,
// or lets it go on from the position it moved the input to when that lies
// past the token being scanned: going on from the token again, or from
// text already scanned, would meet the same error again (a missing closer
// at the end of the input is met however the input is moved back).
void before_raise(State& s, const uint8_t* start, const uint8_t* end) {
    if (s.mode == Mode::scan || s.mode == Mode::prescan || s.quiet) {
        s.invalid = true;
        throw QuietEnd{};
    }
    if (!has_callback(s) || !(s.event_mask & event_bit(Event::error))) return;
    s.moved = false;
    const uint8_t* reached = s.position;
    bool go = fire_event(s, Event::error, type_id::error, start, end);
    if (go) return;
    if (s.moved && s.position > s.token_start && s.position > start) throw Resume{};
    s.position = reached;
    throw QuietEnd{};
}

[[noreturn]] void raise(State& s, const char* id, Cell* arg2, Cell* arg3) {
    Cell* line = stack::push_slot();
    value::set_none(line);
    make_line_text(s, line);
    error::fire(error::Category::syntax, id, line, arg2, arg3);
}

const uint8_t* clamp(const State& s, const uint8_t* p) {
    return p < s.input_start ? s.input_start : p > s.input_end ? s.input_end : p;
}

bool in_path(const State& s) {
    return !s.nesting.empty() && s.nesting.back().kind == token::path;
}

} // namespace

uint32_t source_offset(State& s, const uint8_t* p) {
    p = clamp(s, p);
    if (!s.positions_in_chars) return static_cast<uint32_t>(p - s.input_start);
    // Counted from the last answer, forwards or backwards (tokens start and
    // end on character boundaries), so that events cost their distance only.
    if (!s.cached_byte) {
        s.cached_byte = s.input_start;
        s.cached_offset = 0;
    }
    if (p < s.cached_byte) {
        s.cached_offset -= unicode::count_utf8_chars(p, s.cached_byte);
    } else {
        s.cached_offset += unicode::count_utf8_chars(s.cached_byte, p);
    }
    s.cached_byte = p;
    return s.cached_offset;
}

const uint8_t* byte_at_offset(State& s, uint32_t offset) {
    if (!s.positions_in_chars) {
        uint64_t room = static_cast<uint64_t>(s.input_end - s.input_start);
        return s.input_start + std::min<uint64_t>(offset, room);
    }
    return unicode::skip_utf8_chars(s.input_start, s.input_end, offset);
}

bool fire_event(State& s, Event event, uint8_t type, const uint8_t* start, const uint8_t* end,
                const Cell* loaded) {
    if (!has_callback(s) || !(s.event_mask & event_bit(event))) return true;
    start = clamp(s, start);
    end = clamp(s, end < start ? start : end);
    uint32_t from = source_offset(s, start);
    uint32_t to = source_offset(s, end);

    Cell* args = stack::push_slot();
    word::push_from_text(event_names[static_cast<int>(event)]);
    Cell* input = stack::push(&s.source);
    int32_t source_head = 0;
    if (is_series_source(s)) {
        source_head = value::series_head(&s.source);
        input->data1 = static_cast<uint32_t>(source_head + static_cast<int32_t>(from));
    } else {
        value::set_none(input);
    }
    Cell* type_cell = stack::push_slot();
    if (type) {
        value::set_datatype(type_cell, type);
    } else {
        value::set_none(type_cell);
    }
    Cell* line = stack::push_slot();
    value::set_integer(line, static_cast<int32_t>(s.line));
    Cell* token = stack::push_slot();
    if (event == Event::load && loaded) {
        *token = *loaded;
    } else {
        pair::make_in(token, static_cast<int32_t>(from + 1), static_cast<int32_t>(to + 1));
    }
    int32_t handed = static_cast<int32_t>(input->data1);
    bool answer = run_callback(&s.callback, args + 1, input, type_cell, line, token);
    if (is_series_source(s) && cell_type(input) == cell_type(&s.source) &&
        static_cast<int32_t>(input->data1) != handed) {
        int32_t moved_to = static_cast<int32_t>(input->data1) - source_head;
        s.position = byte_at_offset(s, moved_to < 0 ? 0 : static_cast<uint32_t>(moved_to));
        s.moved = true;
    }
    stack::arguments.top = args;
    return answer;
}

void throw_error(State& s, const uint8_t* start, const uint8_t* end, uint8_t type) {
    if (in_path(s)) throw_bad_char(s, start, end);
    before_raise(s, start, end);
    Cell* datatype = stack::push_slot();
    value::set_datatype(datatype, type ? type : uint8_t{type_id::error});
    Cell* text = stack::push_slot();
    value::set_none(text);
    make_excerpt(s, start, text);
    raise(s, "invalid", datatype, text);
}

void throw_missing(State& s, const uint8_t* start, char missing) {
    before_raise(s, start, clamp(s, start + 1));
    Cell* character = stack::push_slot();
    value::set_none(character);
    char text[2] = {missing, 0};
    string::make_at(character, 1);
    string::append_text(character, text);
    Cell* excerpt = stack::push_slot();
    value::set_none(excerpt);
    make_excerpt(s, start, excerpt);
    raise(s, "missing", character, excerpt);
}

void throw_malconstruct(State& s, const uint8_t* start, const uint8_t* end) {
    before_raise(s, start, end);
    Cell* excerpt = stack::push_slot();
    value::set_none(excerpt);
    make_excerpt(s, start, excerpt);
    raise(s, "malconstruct", excerpt, nullptr);
}

void throw_bad_char(State& s, const uint8_t* start, const uint8_t* end) {
    before_raise(s, start, end);
    Cell* excerpt = stack::push_slot();
    value::set_none(excerpt);
    make_excerpt(s, start, excerpt);
    raise(s, "bad-char", excerpt, nullptr);
}

uint32_t trace_events_mask(const Cell* block_value) {
    uint32_t mask = 0;
    Cell copy = *block_value;
    int32_t n = block::length(&copy);
    for (int32_t i = 0; i < n; ++i) {
        Cell* item = block::cell_at(&copy, value::series_head(&copy) + i);
        uint8_t t = cell_type(item);
        if (t < type_id::word || t > type_id::get_word) continue;
        const char* name = symbol::utf8_text(value::word_symbol(item));
        uint32_t length = symbol::utf8_length(value::word_symbol(item));
        for (uint32_t e = 0; e < 6; ++e) {
            if (std::strlen(event_names[e]) == length &&
                std::memcmp(event_names[e], name, length) == 0)
                mask |= 1u << e;
        }
    }
    return mask;
}

bool is_delimiter(uint32_t cp) {
    switch (cp) {
    case 0x0085:
    case 0x00A0:
    case 0x1680:
    case 0x2028:
    case 0x2029:
    case 0x202F:
    case 0x205F:
    case 0x3000:
    case 0x180E:
    case 0x200B:
    case 0x200C:
        return true;
    default:
        return cp >= 0x2000 && cp <= 0x200A;
    }
}

} // namespace zep::lexer
