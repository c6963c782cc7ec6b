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

// The units of a text from a start, read and written in place: every pass
// below writes at or before where it reads, so it needs no copy.
struct Units {
    unsigned char* start;
    uint32_t unit;
    uint32_t count;

    uint32_t get(uint32_t i) const { return unicode::read_unit(start + uint64_t{i} * unit, unit); }
    void put(uint32_t i, uint32_t c) const {
        unicode::write_unit(start + uint64_t{i} * unit, unit, c);
    }
};

// The characters of /with: a short list, or past that a bitmap of the code
// points below 0x110000 and a list of any larger values, so that its size
// does not grow with the length of the value it comes from.
class CharSet {
  public:
    void add(uint32_t c) {
        if (has(c)) return;
        if (c >= bitmap_limit) {
            large_.push_back(c);
        } else if (!bits_.empty()) {
            bits_[c >> 6] |= uint64_t{1} << (c & 63);
        } else if (count_ < inline_room) {
            inline_[count_++] = c;
        } else {
            bits_.assign(bitmap_limit / 64, 0);
            for (uint32_t i = 0; i < count_; ++i)
                bits_[inline_[i] >> 6] |= uint64_t{1} << (inline_[i] & 63);
            count_ = 0;
            bits_[c >> 6] |= uint64_t{1} << (c & 63);
        }
    }
    bool has(uint32_t c) const {
        if (c >= bitmap_limit) return std::find(large_.begin(), large_.end(), c) != large_.end();
        if (!bits_.empty()) return (bits_[c >> 6] >> (c & 63)) & 1;
        return std::find(inline_, inline_ + count_, c) != inline_ + count_;
    }

  private:
    static constexpr uint32_t bitmap_limit = 0x110000;
    static constexpr uint32_t inline_room = 16;
    uint32_t inline_[inline_room];
    uint32_t count_ = 0;
    std::vector<uint64_t> bits_;
    std::vector<uint32_t> large_;
};

// Each pass answers the number of units kept.

uint32_t remove_set(const Units& text, const CharSet& set) {
    uint32_t out = 0;
    for (uint32_t i = 0; i < text.count; ++i) {
        uint32_t c = text.get(i);
        if (!set.has(c)) text.put(out++, c);
    }
    return out;
}

uint32_t fold_lines(const Units& text) {
    uint32_t out = 0;
    bool pending_space = false;
    for (uint32_t i = 0; i < text.count; ++i) {
        uint32_t c = text.get(i);
        if (is_space(c)) {
            pending_space = out != 0;
            continue;
        }
        // A pending space stands for at least one character dropped since
        // the last one written: it fits before the one just read.
        if (pending_space) text.put(out++, ' ');
        pending_space = false;
        text.put(out++, c);
    }
    return out;
}

// Plain trim, /head and /tail: `head` and `tail` are the refinements.
uint32_t trim_ends(const Units& text, bool head, bool tail) {
    uint32_t start = 0;
    uint32_t end = text.count;
    bool head_only = head && !tail;
    bool tail_only = tail && !head;
    if (!tail_only) {
        while (start < end && is_space(text.get(start))) ++start;
    }
    bool dropped_line_feed = false;
    if (!head_only) {
        while (end > start && is_space(text.get(end - 1))) {
            dropped_line_feed |= text.get(end - 1) == '\n';
            --end;
        }
    }
    uint32_t out = 0;
    if (head || tail) {
        for (uint32_t i = start; i < end; ++i) text.put(out++, text.get(i));
        return out;
    }
    // Between the ends, horizontal whitespace that ends a line or follows a
    // line feed is removed.
    bool line_start = false;
    for (uint32_t i = start; i < end; ++i) {
        uint32_t c = text.get(i);
        if (is_horizontal_space(c)) {
            if (line_start) continue;
            uint32_t j = i;
            while (j < end && is_horizontal_space(text.get(j))) ++j;
            if (j < end && text.get(j) == '\n') {
                i = j - 1;
                continue;
            }
        }
        line_start = c == '\n';
        text.put(out++, c);
    }
    // The line feed dropped at the end had a place after everything kept.
    if (dropped_line_feed) text.put(out++, '\n');
    return out;
}

// The set of /with: one code point, or the units of a text or binary.
CharSet set_of(const Cell* with) {
    CharSet set;
    uint8_t type = cell_type(with);
    if (type == type_id::char_) {
        set.add(with->data2);
    } else if (type == type_id::integer) {
        set.add(static_cast<uint32_t>(value::integer_of(with)));
    } else if (is_any_string(type) || type == type_id::binary) {
        support::UnitView units = support::view_of(with);
        for (uint32_t i = support::clamped_head(with); i < units.total; ++i) set.add(units.at(i));
    } else {
        support::fire_invalid_arg(with);
    }
    return set;
}

} // namespace

Cell* trim(Cell* series, bool head, bool tail, bool auto_, bool lines, bool all, const Cell* with) {
    bool has_with = series::is_given(with);
    if (auto_ && !all && !has_with) support::fire_not_done();
    CharSet set;
    if (has_with) {
        set = set_of(with);
    } else {
        for (uint32_t c : {'\t', '\n', '\r', ' '}) set.add(c);
    }
    uint32_t start = support::clamped_head(series);
    support::notify(series, words::global::trim, nullptr, start,
                    static_cast<int32_t>(support::view_of(series).total - start));

    // The text is trimmed where it is, as the notice left it; the result is
    // never longer.
    SeriesBuffer* b = node_buffer(series->data2);
    uint32_t unit = buffer_unit(b);
    uint32_t total = static_cast<uint32_t>((b->tail - b->head) / unit);
    start = std::min(support::clamped_head(series), total);
    Units text{buffer_head(b) + uint64_t{start} * unit, unit, total - start};
    uint32_t kept = all || has_with ? remove_set(text, set)
                    : lines         ? fold_lines(text)
                                    : trim_ends(text, head, tail);
    b->tail = b->head + static_cast<Ref>((uint64_t{start} + kept) * unit);
    support::notify(series, words::global::trimmed, nullptr, start, static_cast<int32_t>(kept));
    return series;
}

} // namespace zep::string
