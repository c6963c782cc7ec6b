// The text natives: percent codec (dehex, enhex), base codecs (debase,
// enbase), case change, local file names and transcode.
#include <cstring>

#include "datatypes/binary.h"
#include "datatypes/binary_codec.h"
#include "datatypes/block.h"
#include "datatypes/file.h"
#include "datatypes/function.h"
#include "datatypes/string_buffer.h"
#include "datatypes/url.h"
#include "evaluator/call.h"
#include "evaluator/compiled_support.h"
#include "evaluator/natives_system.h"
#include "evaluator/natives_system_support.h"
#include "evaluator/stack.h"
#include "runtime/case_change.h"
#include "runtime/case_fold.h"
#include "runtime/memory.h"
#include "runtime/value_make.h"
#include "services/lexer.h"

namespace zep::natives {

using namespace system;

namespace {

// A new empty string! in a fresh stack slot with room for n units.
Cell* push_new_string(uint32_t n) {
    Cell* out = stack::push_slot();
    value::set_none(out);
    string::make_at(out, n);
    return out;
}

// The base of debase and enbase: 64, or the /base value, which must be 2,
// 16, 58 or 64 (script invalid-arg otherwise).
int base_of(const Cell* base_value) {
    if (!base_value) return 64;
    int32_t base = value::integer_of(base_value);
    if (base != 2 && base != 16 && base != 58 && base != 64)
        error::fire(error::Category::script, "invalid-arg", base_value);
    return base;
}

void change_case(bool check, const int32_t* refinements, int direction, const char* native) {
    Cell* limit = refinement_arg(refinements, 0);
    expect(check, native, arg(0), any_string_types | mask_of({type_id::char_}), "string");
    expect(check, native, limit, any_string_types | number_types, "limit");
    uint32_t part_index = limit ? static_cast<uint32_t>(limit - arg(0)) : 0;
    stack::set_result_only(case_::change_series(arg(0), part_index, direction));
}

// The event mask of a transcode callback: the event words of a block that
// opens its body, or every event.
uint32_t callback_mask(const Cell* callback) {
    if (cell_type(callback) != type_id::function) return lexer::all_events;
    Cell body = *function::more_cell(callback, function::more::body);
    if (cell_type(&body) != type_id::block || block::is_at_tail(&body)) return lexer::all_events;
    Cell first = *block::head_cell(&body);
    if (cell_type(&first) != type_id::block) return lexer::all_events;
    return lexer::trace_events_mask(&first);
}

// Units (bytes of a binary!, characters of a text) from the position to the
// tail; the position is clamped to the tail first.
uint32_t clamp_and_measure(Cell* series) {
    SeriesBuffer* buffer = node_buffer(value::series_node(series));
    uint32_t units = (buffer->tail - buffer->head) / buffer_unit(buffer);
    int32_t head = value::series_head(series);
    uint32_t from = head < 0 ? 0 : static_cast<uint32_t>(head) > units ? units : head;
    series->data1 = from;
    return units - from;
}

} // namespace

bool run_lexer_callback(const Cell* callback, const Cell* event_word, Cell* input, const Cell* type,
                        const Cell* line, const Cell* token) {
    Cell* top = stack::arguments.top;
    const Cell* list[5] = {event_word, input, type, line, token};
    // The callback's input argument as it left it comes back into `input`
    // (a stack cell), so that the lexer sees a moved position.
    interp::call_with(callback, list, 5, nullptr, 1, input);
    const Cell* result = stack::top();
    uint8_t t = cell_type(result);
    bool go = t != type_id::none && !(t == type_id::logic && result->data1 == 0);
    stack::arguments.top = top;
    return go;
}

void dehex(bool check, const int32_t*) {
    expect(check, "dehex", arg(0), any_string_types, "value");
    std::string text = string::utf8_of(arg(0));
    Cell* out = push_new_string(static_cast<uint32_t>(text.size()));
    url::decode(reinterpret_cast<const unsigned char*>(text.data()), text.size(), out);
    stack::set_result_only(out);
}

void enhex(bool check, const int32_t*) {
    expect(check, "enhex", arg(0), any_string_types, "value");
    uint8_t mode = cell_type(arg(0)) == type_id::string ? url::mode::unreserved : url::mode::url;
    Cell* out = push_new_string(string::length(arg(0)));
    url::encode(arg(0), out, mode);
    stack::set_result_only(out);
}

void debase(bool check, const int32_t* refinements) {
    Cell* base_value = refinement_arg(refinements, 0);
    expect(check, "debase", arg(0), mask_of({type_id::string}), "value");
    expect(check, "debase", base_value, mask_of({type_id::integer}), "base-value");
    int base = base_of(base_value);
    std::string text = string::utf8_of(arg(0));
    value::set_none(arg(0));
    Ref node = binary::decode_base(base, reinterpret_cast<const unsigned char*>(text.data()),
                                   static_cast<uint32_t>(text.size()));
    if (node) value::set_series(arg(0), type_id::binary, node);
    stack::keep_first();
}

void enbase(bool check, const int32_t* refinements) {
    Cell* base_value = refinement_arg(refinements, 0);
    expect(check, "enbase", arg(0), mask_of({type_id::binary, type_id::string}), "value");
    expect(check, "enbase", base_value, mask_of({type_id::integer}), "base-value");
    int base = base_of(base_value);
    std::string bytes = bytes_of(arg(0));
    if (binary::codec::encoded_length(base, bytes.size()) > 0x7FFFFFFF)
        error::fire(error::Category::script, "too-long");
    auto text = binary::codec::encode(base, reinterpret_cast<const unsigned char*>(bytes.data()),
                                      bytes.size());
    if (!text) {
        value::set_none(stack::base());
        stack::keep_first();
        return;
    }
    set_string_result(*text);
}

void uppercase(bool check, const int32_t* refinements) {
    change_case(check, refinements, case_::to_upper, "uppercase");
}

void lowercase(bool check, const int32_t* refinements) {
    change_case(check, refinements, case_::to_lower, "lowercase");
}

void to_local_file(bool check, const int32_t* refinements) {
    expect(check, "to-local-file", arg(0), mask_of({type_id::file, type_id::string}), "path");
    bool full = has_refinement(refinements, 0);
    Cell* out = push_new_string(string::length(arg(0)));
    file::to_local_path(arg(0), out, full);
    stack::set_result_only(out);
}

void transcode(bool check, const int32_t* refinements) {
    Cell* src = arg(0);
    bool next = has_refinement(refinements, 0);
    bool one = has_refinement(refinements, 1);
    bool prescan = has_refinement(refinements, 2);
    bool scan = has_refinement(refinements, 3);
    Cell* part = refinement_arg(refinements, 4);
    Cell* into = refinement_arg(refinements, 5);
    Cell* trace = refinement_arg(refinements, 6);
    expect(check, "transcode", src, mask_of({type_id::binary, type_id::string}), "src");
    expect(check, "transcode", part, mask_of({type_id::integer, type_id::binary, type_id::string}),
           "length");
    expect(check, "transcode", into, mask_of({type_id::block}), "dst");
    expect(check, "transcode", trace, control::function_types, "callback");

    bool is_binary = cell_type(src) == type_id::binary;
    uint32_t available = clamp_and_measure(src);
    uint32_t length = available;
    if (part) {
        int64_t wanted;
        if (cell_type(part) == type_id::integer) {
            wanted = value::integer_of(part);
        } else {
            if (cell_type(part) != cell_type(src))
                error::fire(error::Category::script, "not-same-type");
            wanted = int64_t{value::series_head(part)} - value::series_head(src);
        }
        length = wanted < 0 ? 0 : wanted > available ? available : static_cast<uint32_t>(wanted);
    }

    lexer::Options options;
    options.mode = scan            ? lexer::Mode::scan
                   : prescan       ? lexer::Mode::prescan
                   : (next || one) ? lexer::Mode::one
                                   : lexer::Mode::whole;
    options.into = options.mode == lexer::Mode::whole ? into : nullptr;
    options.callback = trace;
    if (trace) options.event_mask = callback_mask(trace);
    options.source = src;

    Cell* out = stack::push_slot();
    value::set_unset(out);
    lexer::Result result;
    if (is_binary) {
        const unsigned char* head = binary::head_pointer(src);
        std::string bytes(reinterpret_cast<const char*>(head), length);
        size_t skip = 0;
        if (bytes.size() >= 3 && std::memcmp(bytes.data(), "\xEF\xBB\xBF", 3) == 0) {
            skip = 3;
            src->data1 += 3;
        }
        result = lexer::transcode(out, reinterpret_cast<const uint8_t*>(bytes.data()) + skip,
                                  static_cast<uint32_t>(bytes.size() - skip), options);
    } else if (length < available) {
        Cell* text = stack::push_slot();
        value::set_none(text);
        Ref copy = series::copy_range(src, value::series_head(src), length);
        value::set_series(text, type_id::string, copy);
        result = lexer::scan_string_value(text, out, options);
    } else {
        result = lexer::scan_string_value(src, out, options);
    }

    bool moves_source = options.mode != lexer::Mode::whole;
    if (moves_source) src->data1 += result.consumed;
    if (scan || prescan) {
        if (length == 0 || result.type == 0) {
            value::set_none(out);
        } else {
            uint8_t type =
                result.type < 0 ? uint8_t{type_id::error} : static_cast<uint8_t>(result.type);
            value::set_datatype(out, type);
        }
    }
    if (options.mode == lexer::Mode::one && into && cell_type(out) != type_id::none)
        block::append_value(into, out);
    if (next && (!one || scan)) {
        Cell* pair = block::push_new(2);
        block::append_value(pair, out);
        block::append_value(pair, src);
        *out = *pair;
    }
    stack::set_result_only(into ? into : out);
}

} // namespace zep::natives
