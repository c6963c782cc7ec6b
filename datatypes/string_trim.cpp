// trim on text: removing whitespace at the ends and around lines, folding
// runs of whitespace (/lines), or removing a set of characters (/all, /with).
#include <algorithm>
#include <vector>

#include "datatypes/series.h"
#include "datatypes/string_action_support.h"
#include "datatypes/string_actions.h"
#include "datatypes/string_buffer.h"
#include "runtime/unicode/units.h"
#include "runtime/value_make.h"

namespace zep::string {

namespace {

bool is_wide_space(uint32_t c) {
    return c == 0x85 || c == 0xA0 || c == 0x1680 || c == 0x180E || (c >= 0x2000 && c <= 0x200A) ||
           c == 0x2028 || c == 0x2029 || c == 0x202F || c == 0x205F || c == 0x3000;
}

// Whitespace of trim and trim/lines: the control codes and space, and the
// Unicode spaces.
bool is_space(uint32_t c) {
    return (c >= 1 && c <= 32) || is_wide_space(c);
}

// Whitespace inside a line.
bool is_horizontal_space(uint32_t c) {
    return c == ' ' || c == '\t' || is_wide_space(c);
}

using Text = std::vector<uint32_t>;

Text remove_set(const Text& text, const Text& set) {
    Text out;
    for (uint32_t c : text) {
        if (std::find(set.begin(), set.end(), c) == set.end()) out.push_back(c);
    }
    return out;
}

Text fold_lines(const Text& text) {
    Text out;
    bool pending_space = false;
    for (uint32_t c : text) {
        if (is_space(c)) {
            pending_space = !out.empty();
            continue;
        }
        if (pending_space) out.push_back(' ');
        pending_space = false;
        out.push_back(c);
    }
    return out;
}

// Plain trim, /head and /tail: `head` and `tail` are the refinements.
Text trim_ends(const Text& text, bool head, bool tail) {
    size_t start = 0;
    size_t end = text.size();
    bool head_only = head && !tail;
    bool tail_only = tail && !head;
    if (!tail_only) {
        while (start < end && is_space(text[start])) ++start;
    }
    bool dropped_line_feed = false;
    if (!head_only) {
        while (end > start && is_space(text[end - 1])) {
            dropped_line_feed |= text[end - 1] == '\n';
            --end;
        }
    }
    Text out;
    if (head || tail) {
        out.assign(text.begin() + static_cast<ptrdiff_t>(start),
                   text.begin() + static_cast<ptrdiff_t>(end));
        return out;
    }
    // Between the ends, horizontal whitespace that ends a line or follows a
    // line feed is removed.
    bool line_start = false;
    for (size_t i = start; i < end; ++i) {
        uint32_t c = text[i];
        if (is_horizontal_space(c)) {
            if (line_start) continue;
            size_t j = i;
            while (j < end && is_horizontal_space(text[j])) ++j;
            if (j < end && text[j] == '\n') {
                i = j - 1;
                continue;
            }
        }
        line_start = c == '\n';
        out.push_back(c);
    }
    if (dropped_line_feed) out.push_back('\n');
    return out;
}

// The set of /with: one code point, or the units of a text or binary.
Text set_of(const Cell* with) {
    uint8_t type = cell_type(with);
    if (type == type_id::char_) return {with->data2};
    if (type == type_id::integer) return {static_cast<uint32_t>(value::integer_of(with))};
    if (is_any_string(type) || type == type_id::binary) {
        support::UnitView units = support::view_of(with);
        Text set;
        for (uint32_t i = support::clamped_head(with); i < units.total; ++i)
            set.push_back(units.at(i));
        return set;
    }
    support::fire_invalid_arg(with);
}

} // namespace

Cell* trim(Cell* series, bool head, bool tail, bool auto_, bool lines, bool all, const Cell* with) {
    bool has_with = series::is_given(with);
    if (auto_ && !all && !has_with) support::fire_not_done();
    Text set = has_with ? set_of(with) : Text{'\t', '\n', '\r', ' '};
    uint32_t start = support::clamped_head(series);
    support::notify(series, words::global::trim, nullptr, start,
                    static_cast<int32_t>(support::view_of(series).total - start));
    // The owner's handler may have changed the series: trim what is there.
    start = support::clamped_head(series);
    support::UnitView units = support::view_of(series);
    Text text;
    for (uint32_t i = start; i < units.total; ++i) text.push_back(units.at(i));

    Text out = all || has_with ? remove_set(text, set)
               : lines         ? fold_lines(text)
                               : trim_ends(text, head, tail);

    // The result is never longer than the text: it is written back in place.
    SeriesBuffer* b = node_buffer(series->data2);
    uint32_t unit = buffer_unit(b);
    unsigned char* p = buffer_head(b) + uint64_t{start} * unit;
    for (uint32_t c : out) {
        unicode::write_unit(p, unit, c);
        p += unit;
    }
    b->tail = b->head + static_cast<Ref>((uint64_t{start} + out.size()) * unit);
    support::notify(series, words::global::trimmed, nullptr, start,
                    static_cast<int32_t>(out.size()));
    return series;
}

} // namespace zep::string
