// url! actions: making from a block of parts, the encoded notation, path
// steps that join text with one "/", and read, write and open through the
// URL layer or a port.
#include <climits>
#include <cstring>

#include "datatypes/registry.h"
#include "datatypes/series.h"
#include "datatypes/string_buffer.h"
#include "datatypes/symbol.h"
#include "datatypes/url.h"
#include "datatypes/word.h"
#include "evaluator/compiled_support.h"
#include "evaluator/stack.h"
#include "runtime/value_make.h"

namespace zep::url {

RequestFn request = nullptr;
MakePortFn make_port = nullptr;
ReadFn port_read = nullptr;
WriteFn port_write = nullptr;

namespace {

using error::Category;

// A block-like value's cells from its head (clamped) and their count.
struct Cells {
    Cell* first;
    uint32_t count;
};
Cells cells_of(const Cell* block) {
    SeriesBuffer* b = node_buffer(value::series_node(block));
    uint32_t total = (b->tail - b->head) / sizeof(Cell);
    int32_t head = value::series_head(block);
    uint32_t h = head < 0 ? 0 : static_cast<uint32_t>(head) > total ? total : head;
    return {reinterpret_cast<Cell*>(buffer_head(b)) + h, total - h};
}

bool is_block_spec(uint8_t type) {
    return type == type_id::block || type == type_id::paren || type == type_id::hash;
}

// Appends the form of a value to a text value through its type's form slot.
void form_into(const Cell* value, Cell* out) {
    auto form = actions::slot_as<FormFn>(cell_type(value), action_slot::form);
    if (!form) error::fire(Category::script, "invalid-arg", value);
    form(value, out, INT32_MAX);
}

// A new text value of the given type on the argument stack.
Cell* push_text(uint8_t type, uint32_t room) {
    Cell* cell = stack::push_slot();
    value::set_none(cell);
    string::make_at(cell, room);
    cell->header = type;
    return cell;
}

uint32_t last_char(const Cell* text) {
    uint32_t n = string::total_length(text);
    return n ? string::char_at(text, n - 1) : 0;
}

bool starts_with_http(const Cell* text) {
    return string::is_match_text(text, "http");
}

[[noreturn]] void not_done() {
    error::fire(Category::internal, "not-done");
}

Cell* method_word(const char* name) {
    Cell* w = stack::push_slot();
    value::set_word(w, type_id::word, 0, symbol::make(name));
    return w;
}

Cell* finish_request(Cell* url, const Cell* method, const Cell* headers, const Cell* body,
                     bool binary, bool lines, bool info) {
    if (!request) not_done();
    Cell* result = stack::push_slot();
    value::set_none(result);
    if (!request(url, method, headers, body, binary, lines, info, result))
        error::fire(Category::access, "no-connect", url);
    return result;
}

bool is_body_type(uint8_t type) {
    return type == type_id::block || type == type_id::string || type == type_id::binary;
}

} // namespace

Cell* to(Cell* result, const Cell* spec, uint8_t type) {
    if (type != type_id::url || cell_type(spec) != type_id::block) {
        auto string_to = actions::slot_as<ToFn>(type_id::string, action_slot::to);
        if (!string_to) {
            Cell datatype;
            value::set_datatype(&datatype, type);
            error::fire(Category::script, "bad-to-arg", &datatype, spec);
        }
        return string_to(result, spec, type);
    }
    Cells parts = cells_of(spec);
    if (parts.count < 2) {
        Cell datatype;
        value::set_datatype(&datatype, type);
        error::fire(Category::script, "bad-to-arg", &datatype, spec);
    }
    Cell block = *spec;
    Cell* out = push_text(type_id::url, 32);
    auto part = [&](uint32_t i) { return cells_of(&block).first + i; };
    form_into(part(0), out);
    string::append_text(out, "://");
    form_into(part(1), out);
    uint32_t next = 2;
    if (parts.count > 2 && cell_type(part(2)) == type_id::integer) {
        string::append_text(out, ":");
        form_into(part(2), out);
        next = 3;
    }
    for (uint32_t i = next; i < cells_of(&block).count; ++i) {
        string::append_text(out, cell_type(part(i)) == type_id::issue ? "#" : "/");
        form_into(part(i), out);
    }
    *result = *out;
    stack::pop(1);
    return result;
}

Cell* make(Cell* result, const Cell* spec, uint8_t type) {
    if (type == type_id::url && is_block_spec(cell_type(spec))) {
        Cell block = *spec;
        block.header = type_id::block;
        return to(result, &block, type);
    }
    auto string_make = actions::slot_as<MakeFn>(type_id::string, action_slot::make);
    if (!string_make) {
        Cell datatype;
        value::set_datatype(&datatype, type);
        error::fire_make_error(&datatype, spec);
    }
    return string_make(result, spec, type);
}

int32_t mold(const Cell* value, Cell* out_string, bool, bool, bool, int32_t part_limit, int32_t) {
    std::string encoded = encode_bytes(string::utf8_of(value), mode::url);
    if (part_limit < 0) part_limit = 0;
    if (encoded.size() > static_cast<uint32_t>(part_limit)) encoded.resize(part_limit);
    string::append_bytes(out_string, reinterpret_cast<const unsigned char*>(encoded.data()),
                         static_cast<uint32_t>(encoded.size()));
    return part_limit - static_cast<int32_t>(encoded.size());
}

Cell* eval_path(Cell* parent, const Cell* selector, const Cell* value, const Cell* path, bool) {
    if (value) error::fire(Category::script, "bad-path-set", path ? path : parent, selector);
    Cell step = *selector;
    if (cell_type(&step) == type_id::get_word) step = *word::get(&step);
    // The joined value keeps the parent's type: a file path stays a file!.
    Cell* out = push_text(cell_type(parent), string::length(parent) + 16);
    Cell* formed = push_text(type_id::string, 16);
    form_into(&step, formed);
    bool parent_slash = last_char(parent) == '/';
    bool step_slash =
        string::length(formed) > 0 && string::char_at(formed, value::series_head(formed)) == '/';
    append_code_points(out, code_points_of(parent));
    if (parent_slash && step_slash) {
        string::remove_units(out, string::total_length(out) - 1, 1);
    } else if (!parent_slash && !step_slash) {
        string::append_text(out, "/");
    }
    append_code_points(out, code_points_of(formed));
    stack::pop(1);
    return out;
}

Cell* port_action(Cell* url, bool open, uint32_t flags, const Cell* allow) {
    if (!make_port) not_done();
    Cell* port = stack::push_slot();
    value::set_none(port);
    if (!make_port(url, open, flags, allow, port))
        error::fire(Category::script, "invalid-arg", url);
    return port;
}

Cell* open(Cell* spec, bool new_, bool read, bool write, bool seek, const Cell* allow) {
    uint32_t flags = (new_ ? 1u : 0u) | (read ? 2u : 0u) | (write ? 4u : 0u) | (seek ? 8u : 0u);
    return port_action(spec, true, flags, allow);
}

Cell* read(Cell* source, const Cell* part, const Cell* seek, bool binary, bool lines, bool info,
           const Cell* as) {
    if (!starts_with_http(source)) {
        Cell* port = port_action(source, false, 0, nullptr);
        if (!port_read) not_done();
        return port_read(port, part, seek, binary, lines, info, as);
    }
    if (series::is_given(part) || series::is_given(seek) || series::is_given(as)) not_done();
    Cell* method = method_word("get");
    return finish_request(source, method, nullptr, nullptr, binary, lines, info);
}

Cell* write(Cell* destination, const Cell* data, bool binary, bool lines, bool info, bool append,
            const Cell* part, const Cell* seek, const Cell* allow, const Cell* as) {
    if (!starts_with_http(destination)) {
        Cell* port = port_action(destination, false, 0, nullptr);
        if (!port_write) not_done();
        return port_write(port, data, binary, lines, info, append, part, seek, allow, as);
    }
    if (series::is_given(seek) || series::is_given(allow) || series::is_given(as)) not_done();
    if (cell_type(data) == type_id::block) {
        Cells items = cells_of(data);
        if (items.count > 0 && word::is_any_word_type(cell_type(items.first))) {
            // [method [headers] body]
            if (items.count < 3 || cell_type(items.first + 1) != type_id::block ||
                !is_body_type(cell_type(items.first + 2)))
                error::fire(Category::script, "invalid-arg", data);
            Cell method = items.first[0];
            Cell headers = items.first[1];
            Cell body = items.first[2];
            Cell* kept = stack::push(&method);
            stack::push(&headers);
            stack::push(&body);
            return finish_request(destination, kept, kept + 1, kept + 2, binary, lines, info);
        }
    }
    if (!is_body_type(cell_type(data))) error::fire(Category::script, "invalid-arg", data);
    Cell* method = method_word("post");
    return finish_request(destination, method, nullptr, data, binary, lines, info);
}

void init() {
    datatype::SlotList slots(datatype::inherit);
    slots.set<action_slot::make>(&url::make)
        .set<action_slot::to>(&url::to)
        .set<action_slot::mold>(&url::mold)
        .set<action_slot::eval_path>(&url::eval_path)
        .set<action_slot::open>(&url::open)
        .set<action_slot::read>(&url::read)
        .set<action_slot::write>(&url::write)
        .set<action_slot::random>(datatype::unsupported)
        .set<action_slot::reflect>(datatype::unsupported)
        .set<action_slot::sort>(datatype::unsupported)
        .set<action_slot::trim>(datatype::unsupported);
    datatype::register_type(type_id::url, type_id::string, "url!", slots);
}

} // namespace zep::url
