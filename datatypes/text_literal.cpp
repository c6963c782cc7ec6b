// Loading and writing the marked text types (tag!, email!, ref!).
#include "datatypes/text_literal.h"

#include <cstring>
#include <string>

#include "datatypes/string_buffer.h"
#include "datatypes/url.h"
#include "runtime/memory.h"
#include "runtime/raise.h"
#include "runtime/unicode/utf8.h"

namespace zep::text_literal {

Cell* load_as(uint8_t type, const unsigned char* text, size_t length, Cell* cell) {
    if (length > memory::max_data_size / 4)
        error::fire_named(error::Category::internal, "no-memory");
    std::u32string cps;
    const unsigned char* p = text;
    const unsigned char* end = text + length;
    while (p < end) {
        unicode::Utf8Char c = unicode::decode_utf8_checked(p, static_cast<uint32_t>(end - p));
        if (c.status != unicode::Utf8Char::ok)
            error::fire_named(error::Category::access, "invalid-utf8");
        cps.push_back(static_cast<uint32_t>(c.cp));
        p += c.length;
    }
    string::make_at(cell, static_cast<uint32_t>(cps.size()));
    url::append_code_points(cell, cps);
    cell->header = type;
    return cell;
}

int32_t write_marked(const Cell* value, Cell* out_string, const char* prefix, const char* suffix,
                     int32_t part_limit) {
    std::u32string text;
    for (const char* c = prefix; *c; ++c) text.push_back(static_cast<unsigned char>(*c));
    text += url::code_points_of(value);
    for (const char* c = suffix; *c; ++c) text.push_back(static_cast<unsigned char>(*c));
    int64_t limit = part_limit < 0 ? 0 : part_limit;
    if (static_cast<int64_t>(text.size()) > limit) text.resize(static_cast<size_t>(limit));
    url::append_code_points(out_string, text);
    return static_cast<int32_t>(limit - static_cast<int64_t>(text.size()));
}

} // namespace zep::text_literal
