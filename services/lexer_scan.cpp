// The scan loop and the structural scanners: blocks, parens, maps, paths,
// point literals, braced strings, constructions, comments and errors.
#include <cstring>

#include "datatypes/block.h"
#include "datatypes/map.h"
#include "datatypes/registry.h"
#include "runtime/cell_ops.h"
#include "runtime/gc_roots.h"
#include "runtime/memory.h"
#include "runtime/raise.h"
#include "runtime/unicode/utf8.h"
#include "runtime/value_make.h"
#include "services/lexer_internal.h"
#include "services/lexer_tables.h"

namespace zep::lexer {

namespace {

bool wants(const State& s, Event e) {
    return cell_type(&s.callback) != type_id::none && cell_type(&s.callback) != 0 &&
           (s.event_mask & event_bit(e));
}

bool building(const State& s) {
    return s.mode == Mode::whole || s.mode == Mode::one;
}

uint32_t count_line_feeds(const uint8_t* p, const uint8_t* end) {
    uint32_t n = 0;
    for (; p < end; ++p) n += *p == '\n';
    return n;
}

// Finds the next token from s.position: runs the machine from the start
// state and records the token in the state. Between tokens the machine only
// stays in its start state on blanks (bytes 1 to 32), which a tight loop
// skips; the flags gather every byte's entry up to the one that ends the
// token, and lines are counted afterwards in the few tokens that hold a
// line feed.
void next_token(State& s) {
    const uint8_t* p = s.position;
    const uint8_t* const end = s.input_end;
    uint32_t line = s.line;
    uint8_t state = s.start_state;
    if (state == state::between) {
        while (p < end && static_cast<uint8_t>(*p - 1) < 0x20) {
            line += *p == '\n';
            ++p;
        }
    }
    const uint8_t* const start = p;
    uint32_t flags = 0;
    uint8_t next;
    for (;;) {
        if (p == end) {
            next = tables.next[state][class_end];
            break;
        }
        uint32_t entry = tables.classes[*p];
        flags |= entry;
        next = tables.next[state][static_cast<uint8_t>(entry)];
        if (next >= first_final_state) break;
        ++p;
        state = next;
        if (uint8_t run = tables.run_of[state]) {
            // Four bytes a step while all four keep the state, then one.
            const uint32_t* keeps = tables.runs[run - 1];
            while (end - p >= 4) {
                uint32_t a = keeps[p[0]];
                uint32_t b = keeps[p[1]];
                uint32_t c = keeps[p[2]];
                uint32_t d = keeps[p[3]];
                if (!(a & b & c & d & run_keeps)) break;
                flags |= a | b | c | d;
                p += 4;
            }
            while (p < end && (keeps[*p] & run_keeps)) flags |= keeps[*p++];
        }
    }
    if (line != s.line) s.line_pending = true;
    if (flags & scan_flag::line) line += count_line_feeds(start, p);
    s.token_start = start;
    s.token_end = p;
    s.lines_spanned = line - s.line;
    s.line = line;
    s.previous_state = state;
    s.type = tables.state_type[next];
    s.token_class = static_cast<uint8_t>(next - first_final_state);
    s.flags = flags & flag::mask;
}

// Where a token ends for events and skipping: one past a closing delimiter
// that belongs to the token.
const uint8_t* token_extent(const State& s) {
    switch (s.token_class) {
    case token::block_open:
    case token::block_close:
    case token::paren_open:
    case token::paren_close:
    case token::brace_open:
    case token::brace_close:
    case token::map_open:
    case token::construct:
    case token::string:
    case token::char_:
    case token::binary:
    case token::point:
    case token::tag:
        return s.token_end < s.input_end ? s.token_end + 1 : s.token_end;
    case token::file:
        return s.token_end < s.input_end && *s.token_end == '"' ? s.token_end + 1 : s.token_end;
    default:
        return s.token_end;
    }
}

uint32_t output_tail() {
    return static_cast<uint32_t>(output.size());
}

// The marker takes the new-line mark of the value it opens.
void push_marker(State& s, uint8_t kind, uint8_t path_type, const uint8_t* at) {
    if (s.nesting.size() >= max_nesting) error::fire_named(error::Category::internal, "too-deep");
    s.nesting.push_back(Marker{kind, path_type, output_tail(),
                               static_cast<uint32_t>(at - s.input_start), s.line, s.value_line});
    s.value_line = false;
}

const uint8_t* marker_position(const State& s, const Marker& m) {
    return s.input_start + m.position;
}

uint8_t marker_type(const Marker& m) {
    switch (m.kind) {
    case token::block_open:
        return type_id::block;
    case token::paren_open:
        return type_id::paren;
    case token::map_open:
        return type_id::map;
    default:
        return m.path_type;
    }
}

// Replaces the cells produced since `from` by one series of the type,
// marked as beginning a line when new_line is set.
void build_series(uint32_t from, uint8_t type, bool new_line) {
    uint32_t n = output_tail() - from;
    // Rooted: making a map's table allocates while the block is held only here.
    gc::RootedCell series;
    block::make_at_with(series.get(), static_cast<int32_t>(n),
                        type == type_id::map ? uint8_t{type_id::block} : type);
    if (n) {
        SeriesBuffer* buffer = node_buffer(value::series_node(series.get()));
        unsigned char* cells = series::alloc_tail_bytes(buffer, n * sizeof(Cell));
        std::memcpy(cells, output.data() + from, n * sizeof(Cell));
    }
    if (type == type_id::map) map::make_at(series.get(), n);
    output.resize(from);
    output.push_back(*series);
    if (new_line) output.back().header |= cell_flag_new_line;
}

// A value is complete at the current level: a path either goes on with its
// next element or ends here.
void value_done(State& s, uint8_t type) {
    while (!s.nesting.empty() && s.nesting.back().kind == token::path) {
        const uint8_t* p = s.position;
        if (p < s.input_end && *p == '/') {
            s.position = p + 1;
            s.start_state = state::path_element;
            return;
        }
        Marker m = s.nesting.back();
        uint8_t path_type = m.path_type;
        if (p < s.input_end && *p == ':') {
            if (path_type != type_id::path) throw_error(s, marker_position(s, m), p + 1, path_type);
            path_type = type_id::set_path;
            s.position = p + 1;
        }
        s.nesting.pop_back();
        if (building(s)) build_series(m.output_index, path_type, m.new_line);
        type = path_type;
        fire_event(s, Event::close, path_type, marker_position(s, m), s.position);
    }
    if (s.nesting.empty()) {
        ++s.values_done;
        s.value_type = type;
    }
}

// Runs the loader of a value token and reports it.
void load_token(State& s, uint8_t cls, const uint8_t* start, const uint8_t* end, uint32_t flags) {
    Loader loader = loaders[cls];
    if (!loader) throw_error(s, start, end, s.type);
    if (wants(s, Event::scan)) {
        s.moved = false;
        bool go = fire_event(s, Event::scan, s.type, start, token_extent(s));
        if (s.moved) return;
        if (!go) {
            s.position = token_extent(s);
            return;
        }
    }
    if (s.mode == Mode::prescan) {
        s.position = token_extent(s);
        value_done(s, s.type);
        return;
    }
    bool load = building(s);
    uint32_t before = output_tail();
    loader(s, start, end, flags, load);
    if (load && output_tail() > before && s.value_line) output[before].header |= cell_flag_new_line;
    s.value_line = false;
    if (load && output_tail() > before && wants(s, Event::load)) {
        Cell loaded = output.back();
        if (!fire_event(s, Event::load, cell_type(&loaded), start, s.position, &loaded)) {
            output.resize(before);
            return;
        }
    }
    value_done(s, load && output_tail() > before ? cell_type(&output.back()) : s.type);
}

// ---- Structural scanners ------------------------------------------------------

void scan_eof(State& s) {
    if (s.token_end < s.input_end) {
        // A NUL byte: refused rather than taken as the end of the text.
        throw_bad_char(s, s.token_end, s.token_end + 1);
    }
    s.position = s.input_end;
    if (s.nesting.empty()) return;
    const Marker& m = s.nesting.back();
    char missing = m.kind == token::paren_open ? ')' : ']';
    throw_missing(s, marker_position(s, m), missing);
}

void scan_error(State& s, uint8_t entry_state) {
    const uint8_t* start = s.token_start;
    const uint8_t* at = s.token_end;
    if (entry_state == state::in_braces) {
        throw_missing(s, s.brace_start, '}');
    }
    if (entry_state == state::point) {
        if (at >= s.input_end) throw_missing(s, start - 1, ')');
        throw_error(s, start - 1, at, type_id::point2d);
    }
    if (at < s.input_end && start == at) {
        uint8_t cls = static_cast<uint8_t>(tables.classes[*at]);
        if (cls == 36 || cls == 38) throw_bad_char(s, at, at + 1);
        if (*at == '}') throw_missing(s, at, '{');
    }
    uint8_t type = tables.state_type[s.previous_state];
    throw_error(s, start, at, type);
}

// An even number of values from `from` on, with keys a map can hold.
bool is_map_content(uint32_t from) {
    if ((output_tail() - from) % 2) return false;
    for (uint32_t i = from; i < output_tail(); i += 2) {
        if (!map::is_valid_key_type(cell_type(&output[i]))) return false;
    }
    return true;
}

void open_series(State& s, uint8_t kind, uint8_t type, const uint8_t* at, const uint8_t* after) {
    push_marker(s, kind, 0, at);
    s.position = after;
    fire_event(s, Event::open, type, at, after);
}

void close_series(State& s, uint8_t closer) {
    const uint8_t* at = s.token_end;
    if (s.nesting.empty()) {
        throw_missing(s, at, closer == ']' ? '[' : '(');
    }
    Marker m = s.nesting.back();
    bool fits = closer == ']' ? (m.kind == token::block_open || m.kind == token::map_open)
                              : m.kind == token::paren_open;
    if (!fits) {
        if (m.kind == token::path) throw_bad_char(s, at, at + 1);
        throw_missing(s, at, closer == ']' ? ')' : ']');
    }
    uint8_t type = marker_type(m);
    if (type == type_id::map && building(s) && !is_map_content(m.output_index))
        throw_error(s, marker_position(s, m), at + 1, type_id::map);
    s.nesting.pop_back();
    s.position = at + 1;
    if (building(s)) build_series(m.output_index, type, m.new_line);
    fire_event(s, Event::close, type, at, at + 1);
    value_done(s, type);
}

bool is_point_byte(uint8_t b) {
    if (b >= '0' && b <= '9') return true;
    switch (b) {
    case '+':
    case '-':
    case '.':
    case '#':
    case ' ':
    case '\t':
    case 'N':
    case 'n':
    case 'a':
    case 'A':
    case 'I':
    case 'i':
    case 'F':
    case 'f':
        return true;
    default:
        return false;
    }
}

// True when the characters after "(" run up to a comma through digits,
// signs, points, "#", NaN and INF letters and blanks.
bool opens_point(const State& s, const uint8_t* after) {
    for (const uint8_t* p = after; p < s.input_end; ++p) {
        if (*p == ',') return p > after;
        if (!is_point_byte(*p)) return false;
    }
    return false;
}

void scan_paren_open(State& s) {
    const uint8_t* at = s.token_end;
    if (opens_point(s, at + 1)) {
        s.position = at + 1;
        s.start_state = state::point;
        fire_event(s, Event::open, type_id::point2d, at, at + 1);
        return;
    }
    open_series(s, token::paren_open, type_id::paren, at, at + 1);
}

void scan_brace_open(State& s) {
    const uint8_t* at = s.token_end;
    if (s.brace_depth == 0) {
        s.brace_start = at;
        s.brace_flags = 0;
        fire_event(s, Event::open, type_id::string, at, at + 1);
    }
    s.brace_flags |= s.flags;
    ++s.brace_depth;
    s.position = at + 1;
    s.start_state = state::in_braces;
}

void scan_brace_close(State& s) {
    const uint8_t* at = s.token_end;
    // The width flags of every piece decide the width of the whole string.
    s.brace_flags |= s.flags;
    if (--s.brace_depth > 0) {
        s.position = at + 1;
        s.start_state = state::in_braces;
        return;
    }
    uint32_t flags = s.brace_flags;
    s.brace_flags = 0;
    s.type = type_id::string;
    s.token_start = s.brace_start;
    s.preset_type = 0;
    const uint8_t* start = s.brace_start;
    fire_event(s, Event::close, type_id::string, at, at + 1);
    load_token(s, token::brace_close, start, at, flags);
    if (s.position <= at) s.position = at + 1;
}

void scan_map_open(State& s) {
    open_series(s, token::map_open, type_id::map, s.token_start, s.token_end + 1);
}

// The head element of a path: a word directly followed by "/".
void scan_path(State& s) {
    const uint8_t* start = s.token_start;
    const uint8_t* end = s.token_end;
    uint8_t path_type = type_id::path;
    if (*start == '\'') path_type = type_id::lit_path;
    if (*start == ':') path_type = type_id::get_path;
    push_marker(s, token::path, path_type, start);
    fire_event(s, Event::open, path_type, start, end);
    if (path_type != type_id::path) ++start;
    uint32_t flags = 0;
    for (const uint8_t* p = start; p < end; ++p) flags |= tables.classes[*p] & flag::mask;
    s.previous_state = 52;
    s.type = type_id::word;
    Loader loader = loaders[token::word];
    if (!loader) throw_error(s, start, end, type_id::word);
    if (s.mode != Mode::prescan) loader(s, start, end, flags, building(s));
    s.position = end + 1;
    s.start_state = state::path_element;
}

struct Keyword {
    const char* name;
    uint8_t type;
    uint32_t value;
    uint32_t length;
};
constexpr Keyword keywords[] = {{"true", type_id::logic, 1, 4},
                                {"false", type_id::logic, 0, 5},
                                {"none", type_id::none, 0, 4},
                                {"unset", type_id::unset, 0, 5}};

bool same_letters(const uint8_t* a, const char* b, uint32_t n) {
    for (uint32_t i = 0; i < n; ++i) {
        uint8_t x = a[i];
        uint8_t y = static_cast<uint8_t>(b[i]);
        if (x >= 'A' && x <= 'Z') x = static_cast<uint8_t>(x + 32);
        if (y >= 'A' && y <= 'Z') y = static_cast<uint8_t>(y + 32);
        if (x != y) return false;
    }
    return true;
}

// "#(" ... ")": a logic, none or unset keyword, or a datatype name.
void scan_construct(State& s) {
    const uint8_t* start = s.token_start;
    const uint8_t* close = s.token_end;
    const uint8_t* p = start + 2;
    const uint8_t* q = close;
    while (p < q && (*p == ' ' || *p == '\t' || *p == '\r' || *p == '\n')) ++p;
    while (q > p && (q[-1] == ' ' || q[-1] == '\t' || q[-1] == '\r' || q[-1] == '\n')) --q;
    uint32_t n = static_cast<uint32_t>(q - p);
    Cell made;
    bool found = false;
    for (const Keyword& k : keywords) {
        if (k.length == n && std::memcmp(p, k.name, n) == 0) {
            value::set_cell(&made, k.type, k.value);
            found = true;
        }
    }
    for (uint32_t t = 1; !found && t < type_rows; ++t) {
        const TypeRow& row = datatype::type_table[t];
        if (!row.name) continue;
        uint32_t full = row.name_length + 1;
        if ((n == full && same_letters(p, row.name, full)) ||
            (n == row.name_length && n > 0 && same_letters(p, row.name, n))) {
            value::set_datatype(&made, static_cast<uint8_t>(t));
            found = true;
        }
    }
    if (!found) throw_malconstruct(s, start, close + 1);
    s.position = close + 1;
    if (s.value_line) made.header |= cell_flag_new_line;
    s.value_line = false;
    if (building(s)) *alloc_cell(s) = made;
    value_done(s, cell_type(&made));
}

// Words end at the first delimiter code point, and a run of them between
// tokens is skipped. A byte sequence that is not UTF-8 is a bad character.
// Answers false when the token held only delimiters.
bool trim_delimiters(State& s) {
    const uint8_t* start = s.token_start;
    const uint8_t* end = s.token_end;
    // An ASCII token has no delimiter to trim and no bad sequence.
    if (!(s.flags & scan_flag::high) && start != end) return true;
    const uint8_t* p = start;
    bool leading = true;
    while (p < end) {
        if (*p < 0x80) {
            leading = false;
            ++p;
            continue;
        }
        int32_t cp = 0;
        const uint8_t* next = unicode::decode_utf8_step(p, end, cp);
        if (cp < 0) throw_bad_char(s, start, next);
        if (is_delimiter(static_cast<uint32_t>(cp))) {
            if (!leading) {
                end = p;
                break;
            }
            start = next;
        } else {
            leading = false;
        }
        p = next;
    }
    if (start == end) {
        s.position = end;
        return false;
    }
    if (start != s.token_start || end != s.token_end) {
        // A word cut before a delimiter is no longer a path head.
        if (end != s.token_end && s.token_class == token::path) s.token_class = token::word;
        s.token_start = start;
        s.token_end = end;
        uint32_t flags = 0;
        for (const uint8_t* q = start; q < end; ++q) flags |= tables.classes[*q] & flag::mask;
        s.flags = flags;
    }
    return true;
}

} // namespace

void close_open_series(State& s) {
    while (!s.nesting.empty()) {
        Marker m = s.nesting.back();
        s.nesting.pop_back();
        if (!building(s)) continue;
        uint8_t type = marker_type(m);
        if (type == type_id::map && !is_map_content(m.output_index)) {
            output.resize(m.output_index);
            continue;
        }
        build_series(m.output_index, type, m.new_line);
    }
}

uint8_t structural_type(const State& s, uint8_t token_class) {
    switch (token_class) {
    case token::block_open:
    case token::block_close:
        return type_id::block;
    case token::paren_open:
    case token::paren_close:
        return type_id::paren;
    case token::brace_open:
    case token::brace_close:
        return type_id::string;
    case token::map_open:
        return type_id::map;
    case token::path:
        return type_id::path;
    default:
        return s.type;
    }
}

int32_t scan(State& s) {
    for (;;) {
        if (s.values_done > 0 && s.mode != Mode::whole) return s.value_type;
        uint8_t entry_state = s.start_state;
        next_token(s);
        s.start_state = state::between;
        uint8_t cls = s.token_class;
        if ((cls == token::word || cls == token::issue || cls == token::path) &&
            !trim_delimiters(s))
            continue;
        if (cls == token::path && s.token_class == token::word) {
            cls = token::word;
            s.type = type_id::word;
        }
        if (cls == token::error) scan_error(s, entry_state);
        if (cls != token::eof && entry_state != state::in_braces && wants(s, Event::prescan)) {
            // A false answer skips the token; a moved input goes on from there.
            s.moved = false;
            bool go = fire_event(s, Event::prescan, structural_type(s, cls), s.token_start,
                                 token_extent(s));
            if (s.moved) continue;
            if (!go) {
                s.position = token_extent(s);
                continue;
            }
        }
        if (entry_state == state::between && cls != token::comment && cls != token::eof) {
            // The token begins a value (or closes a series): it takes the
            // line feeds skipped before it.
            s.value_line = s.line_pending;
            s.line_pending = false;
        }
        switch (cls) {
        case token::eof:
            scan_eof(s);
            return s.values_done ? s.value_type : 0;
        case token::block_open:
            open_series(s, token::block_open, type_id::block, s.token_end, s.token_end + 1);
            break;
        case token::block_close:
            close_series(s, ']');
            break;
        case token::paren_open:
            scan_paren_open(s);
            break;
        case token::paren_close:
            close_series(s, ')');
            break;
        case token::brace_open:
            scan_brace_open(s);
            break;
        case token::brace_close:
            scan_brace_close(s);
            break;
        case token::map_open:
            scan_map_open(s);
            break;
        case token::path:
            scan_path(s);
            break;
        case token::construct:
            scan_construct(s);
            break;
        case token::comment:
            s.position = s.token_end;
            break;
        case token::comma:
            throw_error(s, s.token_start, s.token_end + 1, 0);
        case token::point: {
            load_token(s, cls, s.token_start, s.token_end, s.flags);
            fire_event(s, Event::close, type_id::point2d, s.position - 1, s.position);
            break;
        }
        default:
            s.preset_type = 0;
            load_token(s, cls, s.token_start, s.token_end, s.flags);
            break;
        }
    }
}

} // namespace zep::lexer
