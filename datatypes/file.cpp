// file! actions: the notation, the platform form of a path, and the file
// actions, which hand their work to the file layer.
#include <climits>
#include <cstring>

#include "datatypes/file.h"
#include "datatypes/registry.h"
#include "datatypes/series.h"
#include "datatypes/string_buffer.h"
#include "datatypes/url.h"
#include "evaluator/compiled_support.h"
#include "evaluator/stack.h"
#include "runtime/heap.h"
#include "runtime/platform.h"
#include "runtime/unicode/utf8.h"
#include "runtime/value_make.h"

namespace zep::file {

namespace io {
bool (*delete_file)(const Cell* file) = nullptr;
bool (*rename_file)(const Cell* from, const Cell* to) = nullptr;
bool (*query)(const Cell* file, Cell* result) = nullptr;
Cell* (*read_file)(const Cell* file, const Cell* part, const Cell* seek, bool binary, bool lines,
                   bool info) = nullptr;
Cell* (*write_file)(const Cell* file, const Cell* data, const Cell* part, const Cell* seek,
                    bool binary, bool append, bool lines) = nullptr;
} // namespace io

namespace {

using error::Category;

[[noreturn]] void not_done() {
    error::fire(Category::internal, "not-done");
}

Cell* push_logic(bool flag) {
    Cell* cell = stack::push_slot();
    value::set_logic(cell, flag);
    return cell;
}

} // namespace

bool is_plain_char(uint32_t cp) {
    return cp >= 127 || url::is_url_char(cp);
}

Cell* load_at(const unsigned char* text, size_t length, Cell* cell) {
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
    cell->header = type_id::file;
    url::append_code_points(cell, cps);
    return cell;
}

Cell* push(const Cell* value) {
    return stack::push(value);
}

Cell* get_current_dir() {
    size_t length = 0;
    char* dir = platform::get_current_dir(&length);
    if (!dir) error::fire(Category::access, "cannot-open");
    std::string text(dir, length);
    heap::free(dir);
    if (text.empty() || text.back() != '/') text.push_back('/');
    Cell* cell = stack::push_slot();
    value::set_none(cell);
    string::make_at(cell, static_cast<uint32_t>(text.size()));
    std::u32string cps;
    const unsigned char* p = reinterpret_cast<const unsigned char*>(text.data());
    const unsigned char* end = p + text.size();
    while (p < end) {
        unicode::Utf8Char c = unicode::decode_utf8_checked(p, static_cast<uint32_t>(end - p));
        // A directory name that is not UTF-8 keeps its bytes as code points.
        if (c.status != unicode::Utf8Char::ok) c = {unicode::Utf8Char::ok, 1, *p};
        cps.push_back(static_cast<uint32_t>(c.cp));
        p += c.length;
    }
    url::append_code_points(cell, cps);
    return cell;
}

void to_local_path(const Cell* file, Cell* destination, bool with_current_dir) {
    std::u32string path = url::code_points_of(file);
    if (with_current_dir && (path.empty() || path[0] != '/')) {
        Cell* dir = get_current_dir();
        std::u32string prefix = url::code_points_of(dir);
        stack::pop(1);
        url::append_code_points(destination, prefix);
    }
    url::append_code_points(destination, path);
}

std::string to_local_cstring(const Cell* file) {
    std::string text = string::utf8_of(file);
    if (text.find('\0') != std::string::npos) error::fire(Category::script, "invalid-arg", file);
    return text;
}

int32_t mold(const Cell* value, Cell* out_string, bool, bool, bool, int32_t part_limit, int32_t) {
    string::append_text(out_string, "%");
    --part_limit;
    std::u32string text = url::code_points_of(value);
    if (text.empty()) {
        string::append_text(out_string, "\"\"");
        return part_limit - 2;
    }
    if (part_limit < 0) part_limit = 0;
    if (text.size() > static_cast<uint32_t>(part_limit)) text.resize(part_limit);
    bool quoted = false;
    for (char32_t cp : text)
        if (!is_plain_char(cp)) quoted = true;
    if (!quoted) {
        url::append_code_points(out_string, text);
        return part_limit - static_cast<int32_t>(text.size());
    }
    // Inside the quotes the lexer reads caret escapes: a quote, a caret or a
    // control character is written escaped so that the text loads back.
    uint32_t before = string::total_length(out_string);
    string::append_text(out_string, "\"");
    for (char32_t cp : text) string::append_escaped_char(out_string, cp, false);
    string::append_text(out_string, "\"");
    return part_limit - static_cast<int32_t>(string::total_length(out_string) - before);
}

Cell* delete_(Cell* file) {
    if (!io::delete_file) not_done();
    return push_logic(io::delete_file(file));
}

Cell* rename(Cell* file, const Cell* to) {
    if (!io::rename_file) not_done();
    return push_logic(io::rename_file(file, to));
}

Cell* query(Cell* file) {
    if (!io::query) not_done();
    Cell* result = stack::push_slot();
    value::set_none(result);
    if (!io::query(file, result)) value::set_none(result);
    return result;
}

Cell* read(Cell* source, const Cell* part, const Cell* seek, bool binary, bool lines, bool info,
           const Cell* as) {
    if (series::is_given(as)) not_done();
    if (!io::read_file) not_done();
    Cell* result = io::read_file(source, part, seek, binary, lines, info);
    if (!result) error::fire(Category::access, "cannot-open", source);
    return result;
}

Cell* write(Cell* destination, const Cell* data, bool binary, bool lines, bool, bool append,
            const Cell* part, const Cell* seek, const Cell* allow, const Cell* as) {
    if (series::is_given(allow) || series::is_given(as)) not_done();
    if (!io::write_file) not_done();
    Cell* result = io::write_file(destination, data, part, seek, binary, append, lines);
    if (!result) error::fire(Category::access, "cannot-open", destination);
    return result;
}

void init() {
    datatype::SlotList slots(datatype::inherit);
    slots.set<action_slot::mold>(&file::mold)
        .set<action_slot::delete_>(&file::delete_)
        .set<action_slot::query>(&file::query)
        .set<action_slot::read>(&file::read)
        .set<action_slot::rename>(&file::rename)
        .set<action_slot::write>(&file::write)
        .set<action_slot::random>(datatype::unsupported)
        .set<action_slot::reflect>(datatype::unsupported)
        .set<action_slot::sort>(datatype::unsupported)
        .set<action_slot::trim>(datatype::unsupported)
        .set<action_slot::open>(datatype::unsupported);
    datatype::register_type(type_id::file, type_id::url, "file!", slots);
}

} // namespace zep::file
