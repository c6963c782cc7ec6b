// The percent codec of urls and the conversions between text values and
// native UTF-8 / code point strings that url! and file! build on. The codec
// works on native memory, so nothing here holds a buffer address across an
// allocation.
#include <cstring>

#include "datatypes/string_buffer.h"
#include "datatypes/url.h"
#include "evaluator/stack.h"
#include "runtime/raise.h"
#include "runtime/unicode/text_cell.h"
#include "runtime/unicode/utf8.h"
#include "runtime/value_make.h"

namespace zep::url {

namespace {

bool is_alnum(uint32_t c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9');
}

bool is_unreserved(uint32_t c) {
    return is_alnum(c) || c == '-' || c == '.' || c == '_' || c == '~';
}

int32_t hex_digit(unsigned char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    return -1;
}

// The character of an escaped UTF-8 sequence whose lead byte is at p, or -1
// when the escapes that follow do not complete a well-formed sequence.
int32_t escaped_sequence(const unsigned char* p, const unsigned char* end, uint32_t length) {
    unsigned char bytes[4];
    for (uint32_t i = 0; i < length; ++i) {
        int32_t b = decode_hex_pair(p + 3 * i, end);
        if (b < 0) return -1;
        bytes[i] = static_cast<unsigned char>(b);
    }
    unicode::Utf8Char c = unicode::decode_utf8_checked(bytes, length);
    return c.status == unicode::Utf8Char::ok && c.length == length ? c.cp : -1;
}

} // namespace

bool is_url_char(uint32_t cp) {
    if (is_alnum(cp)) return true;
    return cp < 128 && cp != 0 && std::strchr("@!#$&'()*+,-./:=?_~", static_cast<int>(cp));
}

int32_t decode_hex_pair(const unsigned char* p, const unsigned char* end) {
    if (end - p < 3 || p[0] != '%') return -1;
    int32_t high = hex_digit(p[1]);
    int32_t low = hex_digit(p[2]);
    return high < 0 || low < 0 ? -1 : high * 16 + low;
}

std::u32string decode_text(const unsigned char* text, size_t length) {
    std::u32string out;
    const unsigned char* p = text;
    const unsigned char* end = text + length;
    while (p < end) {
        int32_t byte = decode_hex_pair(p, end);
        if (byte >= 0) {
            uint32_t n = unicode::char_length(static_cast<unsigned char>(byte));
            if (n == 0 || byte == 0xC0 || byte == 0xC1 || byte > 0xF4) {
                out.push_back(static_cast<uint32_t>(byte)); // ASCII or a lone byte
                p += 3;
                continue;
            }
            int32_t cp = escaped_sequence(p, end, n);
            if (cp >= 0) {
                out.push_back(static_cast<uint32_t>(cp));
                p += 3 * n;
                continue;
            }
        }
        // Not an escape, or an incomplete escaped sequence: the character
        // found here is copied (a stray "%" stays).
        unicode::Utf8Char c = unicode::decode_utf8_checked(p, static_cast<uint32_t>(end - p));
        if (c.status != unicode::Utf8Char::ok)
            error::fire_named(error::Category::access, "invalid-utf8");
        out.push_back(static_cast<uint32_t>(c.cp));
        p += c.length;
    }
    return out;
}

void encode_char(std::string& out, uint8_t mode, uint8_t byte) {
    bool allowed = byte < 128 && (mode == mode::url ? is_url_char(byte) : is_unreserved(byte));
    if (allowed) {
        out.push_back(static_cast<char>(byte));
        return;
    }
    static const char digits[] = "0123456789ABCDEF";
    out.push_back('%');
    out.push_back(digits[byte >> 4]);
    out.push_back(digits[byte & 15]);
}

std::string encode_bytes(const std::string& bytes, uint8_t mode) {
    std::string out;
    out.reserve(bytes.size());
    for (char c : bytes) encode_char(out, mode, static_cast<uint8_t>(c));
    return out;
}

std::u32string code_points_of(const Cell* text) {
    unicode::TextRange r = unicode::text_range(text);
    std::u32string out;
    out.reserve(r.length);
    for (uint32_t i = 0; i < r.length; ++i)
        out.push_back(unicode::read_unit(r.start + uint64_t{i} * r.unit, r.unit));
    return out;
}

void append_code_points(Cell* text, const std::u32string& cps) {
    Ref node = text->data2;
    SeriesBuffer* b = node_buffer(node);
    for (char32_t cp : cps) b = string::append_char(b, cp);
}

void decode(const unsigned char* text, size_t length, Cell* target) {
    append_code_points(target, decode_text(text, length));
}

void encode(const Cell* source, Cell* target, uint8_t mode) {
    std::string encoded = encode_bytes(string::utf8_of(source), mode);
    string::append_bytes(target, reinterpret_cast<const unsigned char*>(encoded.data()),
                         static_cast<uint32_t>(encoded.size()));
}

Cell* load_at(const unsigned char* text, size_t length, Cell* cell) {
    std::u32string decoded = decode_text(text, length);
    if (decoded.size() > memory::max_data_size / 4)
        error::fire_named(error::Category::internal, "no-memory");
    string::make_at(cell, static_cast<uint32_t>(decoded.size()));
    cell->header = type_id::url;
    append_code_points(cell, decoded);
    return cell;
}

Cell* load(const unsigned char* text, size_t length) {
    Cell* cell = stack::push_slot();
    value::set_none(cell);
    return load_at(text, length, cell);
}

Cell* push(const Cell* value) {
    return stack::push(value);
}

} // namespace zep::url
