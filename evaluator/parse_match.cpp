// Matching single rule values against the input at its position, repeating a
// literal, searching forward for one, and the input's item access. The input
// cell's head index is the parse position.
#include <string>
#include <vector>

#include "datatypes/binary.h"
#include "datatypes/bitset.h"
#include "datatypes/registry.h"
#include "datatypes/series.h"
#include "datatypes/string_buffer.h"
#include "evaluator/actions.h"
#include "evaluator/compiled_support.h"
#include "evaluator/parse_internal.h"
#include "evaluator/stack.h"
#include "runtime/case_fold.h"
#include "runtime/cell_ops.h"
#include "runtime/error_exit.h"
#include "runtime/gc_roots.h"
#include "runtime/memory.h"
#include "runtime/value_make.h"
#include "services/lexer.h"

namespace zep::parse {

namespace {

[[noreturn]] void fire_rule(const Cell* rule) {
    error::fire(error::Category::script, "parse-rule", rule);
}

uint32_t fold(uint32_t cp, bool case_sensitive) {
    return case_sensitive ? cp : case_::fold_char(cp, case_::to_upper);
}

uint32_t utf8_length(uint32_t cp) {
    return cp < 0x80 ? 1 : cp < 0x800 ? 2 : cp < 0x10000 ? 3 : 4;
}

bool is_empty_text(const Cell* rule) {
    uint8_t type = cell_type(rule);
    return (type == type_id::string || type == type_id::file || type == type_id::url) &&
           string::length(rule) == 0;
}

// The comparison code for block items: lit-words and lit-paths use the
// word-aware equalities, so that 'a matches the word a.
int item_code(const Cell* rule, int code) {
    uint8_t type = cell_type(rule);
    if (type == type_id::lit_word || type == type_id::lit_path)
        return code == string::code::strict_equal ? string::code::word_equal
                                                  : string::code::word_strict_equal;
    return code;
}

int32_t text_literal_length(const Cell* input, const Cell* rule, int code) {
    uint8_t type = cell_type(rule);
    if (type == type_id::bitset) return string::is_head_char_in_bitset(input, rule) ? 1 : -1;
    if (type != type_id::char_ && !string::is_any_string(type)) fire_rule(rule);
    if (!string::find_value(input, rule, code)) return -1;
    if (type == type_id::char_) return 1;
    int32_t length = static_cast<int32_t>(string::length(rule));
    return type == type_id::tag ? length + 2 : length;
}

int32_t binary_literal_length(const Cell* input, const Cell* rule, int code) {
    uint8_t type = cell_type(rule);
    if (type == type_id::bitset) return binary::is_byte_in_bitset(input, rule) ? 1 : -1;
    if (type != type_id::binary && type != type_id::char_ && !string::is_any_string(type))
        fire_rule(rule);
    if (!binary::is_match_value(input, rule, code)) return -1;
    // A text or char! rule matches its UTF-8 bytes; the input moves by as
    // many bytes.
    if (type == type_id::binary) return static_cast<int32_t>(binary::length_at(rule));
    if (type == type_id::char_) return static_cast<int32_t>(utf8_length(rule->data2));
    int32_t length = static_cast<int32_t>(string::utf8_of(rule).size());
    return type == type_id::tag ? length + 2 : length;
}

// One value scanned by the lexer from the bytes at the position: its type
// id and the bytes it took, or type 0 when nothing valid is there.
struct Scanned {
    int32_t type = 0;
    int32_t length = 0;
};

Scanned scan_binary_value(const Cell* input, int32_t end) {
    int32_t position = value::series_head(input);
    const unsigned char* head =
        buffer_head(node_buffer(value::series_node(input))) + static_cast<uint32_t>(position);
    std::vector<uint8_t> bytes(head, head + (end - position));
    Cell* out = stack::push_slot();
    value::set_none(out);
    lexer::Options options;
    options.mode = lexer::Mode::one;
    options.quiet = true;
    lexer::Result result =
        lexer::transcode(out, bytes.data(), static_cast<uint32_t>(bytes.size()), options);
    Scanned scanned;
    if (result.count >= 1 && result.type != -1) {
        scanned.type = cell_type(out);
        scanned.length = static_cast<int32_t>(result.consumed);
    }
    stack::pop(1);
    return scanned;
}

bool type_matches(uint8_t item_type, const Cell* type) {
    if (cell_type(type) == type_id::datatype) return type->data1 == item_type;
    return typecheck::has_type(type, item_type);
}

// The fast run of one code point (or bitset members) over text units.
int32_t count_text_run(const Cell* input, int32_t end, const Cell* rule, int32_t maximum,
                       int code) {
    int32_t position = value::series_head(input);
    SeriesBuffer* buffer = node_buffer(value::series_node(input));
    uint32_t unit = buffer_unit(buffer);
    const unsigned char* units = buffer_head(buffer);
    bool is_char = cell_type(rule) == type_id::char_;
    bool case_sensitive = code == string::code::strict_equal;
    uint32_t wanted = is_char ? fold(rule->data2, case_sensitive) : 0;
    int32_t count = 0;
    for (int32_t p = position; p < end && (maximum < 0 || count < maximum); ++p) {
        uint32_t cp = string::get_char(units + static_cast<size_t>(p) * unit, unit);
        bool hit = is_char ? fold(cp, case_sensitive) == wanted : bitset::test_bit(rule, cp);
        if (!hit) break;
        ++count;
    }
    return count;
}

} // namespace

bool is_block_input(uint8_t type) {
    return series::is_block_type(type);
}

InputKind input_kind(const Cell* input) {
    uint8_t type = cell_type(input);
    if (type == type_id::binary) return InputKind::binary;
    if (string::is_any_string(type)) return InputKind::text;
    return InputKind::block;
}

int32_t input_tail(const Cell* input) {
    const SeriesBuffer* b = node_buffer(value::series_node(input));
    return static_cast<int32_t>((b->tail - b->head) / buffer_unit(b));
}

bool is_same_series(const Cell* value, const Cell* input) {
    return cell_type(value) == cell_type(input) &&
           value::series_node(value) == value::series_node(input);
}

void item_at(const Cell* input, int32_t position, Cell* out) {
    switch (input_kind(input)) {
    case InputKind::block:
        *out = node_cells(value::series_node(input))[position];
        value::clear_line_flag(&out->header);
        return;
    case InputKind::text:
        value::set_char(out, string::char_at(input, static_cast<uint32_t>(position)));
        return;
    case InputKind::binary:
        value::set_integer(out, buffer_head(node_buffer(
                                    value::series_node(input)))[static_cast<uint32_t>(position)]);
        return;
    }
}

int32_t literal_length(const Cell* input, int32_t end, const Cell* rule, int code) {
    int32_t position = value::series_head(input);
    if (position >= end) {
        // Only an empty text matches at the end of text.
        return input_kind(input) == InputKind::text && is_empty_text(rule) ? 0 : -1;
    }
    int32_t length = -1;
    switch (input_kind(input)) {
    case InputKind::block: {
        // Comparing may allocate (words, nested blocks): the item stays rooted.
        Cell item = node_cells(value::series_node(input))[position];
        gc::Root root(&item);
        length = actions::compare_direct(&item, rule, item_code(rule, code)) ? 1 : -1;
        break;
    }
    case InputKind::text:
        length = text_literal_length(input, rule, code);
        break;
    case InputKind::binary:
        length = binary_literal_length(input, rule, code);
        break;
    }
    // A match may not reach past the limit.
    return length >= 0 && position + length <= end ? length : -1;
}

int32_t type_match_length(const Cell* input, int32_t end, const Cell* type) {
    if (input_kind(input) == InputKind::text)
        error::fire(error::Category::script, "parse-unsupported");
    int32_t position = value::series_head(input);
    if (position >= end) return -1;
    switch (input_kind(input)) {
    case InputKind::text:
    case InputKind::binary: {
        Scanned scanned = scan_binary_value(input, end);
        if (scanned.type == 0 || !type_matches(static_cast<uint8_t>(scanned.type), type)) return -1;
        return scanned.length;
    }
    case InputKind::block:
        break;
    }
    const Cell* item = node_cells(value::series_node(input)) + position;
    return type_matches(cell_type(item), type) ? 1 : -1;
}

bool repeat_literal(Cell* input, int32_t end, const Cell* rule, int32_t minimum, int32_t maximum,
                    int code) {
    uint8_t type = cell_type(rule);
    if (input_kind(input) == InputKind::text &&
        (type == type_id::char_ || type == type_id::bitset)) {
        int32_t count = count_text_run(input, end, rule, maximum, code);
        input->data1 += static_cast<uint32_t>(count);
        return count >= minimum;
    }
    int32_t count = 0;
    while (maximum < 0 || count < maximum) {
        int32_t length = literal_length(input, end, rule, code);
        if (length < 0) break;
        ++count;
        input->data1 += static_cast<uint32_t>(length);
        // An empty match makes no progress: it counts once.
        if (length == 0) break;
    }
    return count >= minimum;
}

int32_t find_literal(const Cell* input, int32_t end, const Cell* rule, int code, int32_t* after) {
    int32_t start = value::series_head(input);
    Cell view = *input;
    gc::Root root(&view);
    for (int32_t p = start; p <= end; ++p) {
        view.data1 = static_cast<uint32_t>(p);
        int32_t length = literal_length(&view, end, rule, code);
        if (length >= 0) {
            *after = p + length;
            return p;
        }
    }
    return -1;
}

int32_t skip_to_alternative(const Cell* rules, int32_t cursor, int32_t tail) {
    const Cell* cells = node_cells(value::series_node(rules));
    for (int32_t i = cursor + 1; i < tail; ++i)
        if (i >= 0 && is_keyword(&cells[i], keyword::bar)) return i - cursor;
    return -1;
}

} // namespace zep::parse
