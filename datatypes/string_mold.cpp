// form and mold of text: form copies the text; mold writes it between double
// quotes or braces with the escapes that let the lexer read it back.
#include <cstdint>
#include <vector>

#include "datatypes/string_action_support.h"
#include "datatypes/string_actions.h"
#include "datatypes/string_buffer.h"

namespace zep::string {

namespace {

constexpr int32_t no_limit = INT32_MAX;
// Texts this long (from the head) mold in braces.
constexpr uint32_t brace_length = 50;
// Texts with this many line feeds mold in braces.
constexpr uint32_t brace_line_feeds = 3;

// For each opening brace of the text, whether a closing brace that matches it
// follows; a plain brace that is counted open must be closed later on.
std::vector<bool> matched_open_braces(const support::UnitView& text, uint32_t from,
                                      uint32_t count) {
    std::vector<bool> matched(count, false);
    std::vector<uint32_t> open;
    for (uint32_t i = 0; i < count; ++i) {
        uint32_t c = text.at(from + i);
        if (c == '{') {
            open.push_back(i);
        } else if (c == '}' && !open.empty()) {
            matched[open.back()] = true;
            open.pop_back();
        }
    }
    return matched;
}

void append_plain(Cell* out, uint32_t cp) {
    append_char(node_buffer(out->data2), cp);
}

} // namespace

int32_t form(const Cell* value, Cell* out_string, int32_t part_limit) {
    uint32_t n = length(value);
    concatenate(out_string, value, -1, 0, true, concat_mode::append);
    return static_cast<int32_t>(int64_t{part_limit} - n < INT32_MIN ? INT32_MIN
                                                                    : int64_t{part_limit} - n);
}

int32_t mold(const Cell* value, Cell* out_string, bool, bool all, bool, int32_t part_limit,
             int32_t) {
    uint32_t head = support::clamped_head(value);
    uint32_t whole = support::view_of(value).total - head;
    uint32_t count = whole;
    if (part_limit != no_limit) {
        count = part_limit < 0 ? 0 : std::min<uint32_t>(whole, static_cast<uint32_t>(part_limit));
    }
    support::UnitView text = support::view_of(value);
    uint32_t quotes = 0;
    uint32_t line_feeds = 0;
    for (uint32_t i = 0; i < count; ++i) {
        uint32_t c = text.at(head + i);
        quotes += c == '"';
        line_feeds += c == '\n';
    }
    bool braces = line_feeds >= brace_line_feeds || quotes > 0 || whole >= brace_length;
    std::vector<bool> matched;
    if (braces) matched = matched_open_braces(text, head, count);

    append_plain(out_string, braces ? '{' : '"');
    uint32_t open = 0;
    bool unmatched_seen = false;
    for (uint32_t i = 0; i < count; ++i) {
        // Writing may move the output buffer but never the molded text's.
        uint32_t c = support::view_of(value).at(head + i);
        if (!braces) {
            append_escaped_char(out_string, c, all);
        } else if (c == '{') {
            if (!unmatched_seen && matched[i]) {
                ++open;
                append_plain(out_string, '{');
            } else {
                unmatched_seen = true;
                append_text(out_string, "^{");
            }
        } else if (c == '}') {
            if (open > 0) {
                --open;
                append_plain(out_string, '}');
            } else {
                append_text(out_string, "^}");
            }
        } else if (c == '"') {
            append_plain(out_string, '"');
        } else if (c == '^') {
            append_text(out_string, "^^");
        } else {
            append_escaped_char(out_string, c, all);
        }
    }
    append_plain(out_string, braces ? '}' : '"');
    int64_t remaining = int64_t{part_limit} - count - 2;
    return static_cast<int32_t>(remaining < INT32_MIN ? INT32_MIN : remaining);
}

} // namespace zep::string
