#include "services/lexer_load_support.h"

#include <cstring>

#include "datatypes/string_buffer.h"
#include "evaluator/stack.h"
#include "runtime/memory.h"
#include "runtime/unicode/units.h"
#include "runtime/unicode/utf8.h"
#include "runtime/value_make.h"

namespace zep::lexer::support {

Building::Building() : cell_(stack::push_slot()) {
    value::set_none(cell_);
}

Building::~Building() {
    stack::pop(1);
}

void Building::emit(State& s) const {
    Cell* out = alloc_cell(s); // may allocate; the value stays rooted meanwhile
    *out = *cell_;
}

int hex_digit(uint8_t c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    return -1;
}

namespace {

uint8_t upper(uint8_t c) {
    return c >= 'a' && c <= 'z' ? static_cast<uint8_t>(c - 32) : c;
}

struct NamedEscape {
    const char* name;
    uint32_t cp;
};
constexpr NamedEscape named_escapes[] = {{"NULL", 0},  {"BACK", 8}, {"TAB", 9},  {"LINE", 10},
                                         {"PAGE", 12}, {"ESC", 27}, {"DEL", 127}};

// The escape "^(" ... ")" with p on the first byte inside.
bool decode_parenthesised(const uint8_t*& p, const uint8_t* end, uint32_t& cp) {
    const uint8_t* close = p;
    while (close < end && *close != ')') ++close;
    if (close == end || close == p) return false;
    size_t n = static_cast<size_t>(close - p);
    bool all_hex = true;
    for (const uint8_t* q = p; q < close; ++q)
        if (hex_digit(*q) < 0) all_hex = false;
    if (all_hex) {
        if (n > 6) return false;
        uint32_t value = 0;
        for (const uint8_t* q = p; q < close; ++q) value = value * 16 + hex_digit(*q);
        if (value > unicode::max_code_point || (value >= 0xD800 && value <= 0xDFFF)) return false;
        cp = value;
    } else {
        bool found = false;
        for (const NamedEscape& e : named_escapes) {
            if (std::strlen(e.name) != n) continue;
            bool same = true;
            for (size_t i = 0; i < n; ++i)
                if (upper(p[i]) != static_cast<uint8_t>(e.name[i])) same = false;
            if (same) {
                cp = e.cp;
                found = true;
                break;
            }
        }
        if (!found) return false;
    }
    p = close + 1;
    return true;
}

} // namespace

bool decode_escape(const uint8_t*& p, const uint8_t* end, uint32_t& cp) {
    if (p >= end) return false;
    uint8_t c = *p;
    if (c == '(') {
        ++p;
        return decode_parenthesised(p, end, cp);
    }
    if (c >= 0x80) return false; // an escaped character is ASCII
    ++p;
    switch (c) {
    case '-':
        cp = 9;
        return true;
    case '/':
        cp = 10;
        return true;
    case '~':
        cp = 0x7F;
        return true;
    case '^':
    case '"':
    case '{':
    case '}':
        cp = c;
        return true;
    default:
        break;
    }
    uint8_t u = upper(c);
    cp = u >= '@' && u <= '_' ? u - '@' : c;
    return true;
}

bool decode_text(const uint8_t* p, const uint8_t* end, bool escapes, std::u32string& out) {
    out.clear();
    out.reserve(static_cast<size_t>(end - p));
    while (p < end) {
        uint8_t c = *p;
        if (c < 0x80) {
            ++p;
            if (c == '^' && escapes) {
                uint32_t cp = 0;
                if (!decode_escape(p, end, cp)) return false;
                out.push_back(cp);
            } else {
                out.push_back(c);
            }
            continue;
        }
        unicode::Utf8Char decoded =
            unicode::decode_utf8_checked(p, static_cast<uint32_t>(end - p < 4 ? end - p : 4));
        if (decoded.status != unicode::Utf8Char::ok) return false;
        out.push_back(static_cast<uint32_t>(decoded.cp));
        p += decoded.length;
    }
    return true;
}

bool is_utf8(const uint8_t* p, const uint8_t* end) {
    while (p < end) {
        if (*p < 0x80) {
            ++p;
            continue;
        }
        unicode::Utf8Char decoded =
            unicode::decode_utf8_checked(p, static_cast<uint32_t>(end - p < 4 ? end - p : 4));
        if (decoded.status != unicode::Utf8Char::ok) return false;
        p += decoded.length;
    }
    return true;
}

void make_text(Cell* cell, uint8_t type, const std::u32string& text) {
    uint32_t widest = 0;
    for (char32_t cp : text) widest = cp > widest ? cp : widest;
    uint32_t unit = unicode::unit_for(widest);
    uint32_t n = static_cast<uint32_t>(text.size());
    string::make_at_unit(cell, n, unit);
    SeriesBuffer* b = node_buffer(value::series_node(cell));
    unsigned char* at = buffer_head(b);
    for (char32_t cp : text) {
        unicode::write_unit(at, unit, cp);
        at += unit;
    }
    b->tail = b->head + n * unit;
    cell->header = type;
}

bool is_plain_ascii(const uint8_t* p, const uint8_t* end, bool escapes) {
    // Eight bytes at a time: the 0x80 bits of a word mark bytes above 127, and
    // a zero byte in the word XOR carets marks a caret.
    constexpr uint64_t ones = 0x0101010101010101u;
    constexpr uint64_t highs = 0x8080808080808080u;
    for (; end - p >= 8; p += 8) {
        uint64_t w;
        std::memcpy(&w, p, 8);
        uint64_t x = w ^ (ones * '^');
        if ((w & highs) || (escapes && ((x - ones) & ~x & highs))) return false;
    }
    for (; p < end; ++p)
        if (*p >= 0x80 || (escapes && *p == '^')) return false;
    return true;
}

void make_ascii_text(Cell* cell, uint8_t type, const uint8_t* bytes, uint32_t n) {
    string::make_at_unit(cell, n, 1);
    SeriesBuffer* b = node_buffer(value::series_node(cell));
    if (n) std::memcpy(buffer_head(b), bytes, n);
    b->tail = b->head + n;
    cell->header = type;
}

} // namespace zep::lexer::support
