// The string actions that change text: append, insert and change (which
// share one splice of the added text into the buffer), swap, take and trim.
#include <algorithm>
#include <cstring>
#include <vector>

#include "datatypes/series.h"
#include "datatypes/string_action_support.h"
#include "datatypes/string_actions.h"
#include "datatypes/string_buffer.h"
#include "datatypes/string_internal.h"
#include "evaluator/stack.h"
#include "runtime/type_sets.h"
#include "runtime/unicode/units.h"
#include "runtime/unicode/widen.h"
#include "runtime/value_make.h"

namespace zep::string {

namespace {

// Code points with room for a short text in place: appending a short string
// or a character allocates nothing.
class CodePoints {
  public:
    void push_back(uint32_t cp) {
        if (size_ < inline_room) {
            inline_[size_++] = cp;
            return;
        }
        if (size_ == inline_room) spilled_.assign(inline_, inline_ + inline_room);
        spilled_.push_back(cp);
        ++size_;
    }
    size_t size() const { return size_; }
    bool empty() const { return size_ == 0; }
    const uint32_t* begin() const { return size_ <= inline_room ? inline_ : spilled_.data(); }
    const uint32_t* end() const { return begin() + size_; }

  private:
    static constexpr size_t inline_room = 32;
    uint32_t inline_[inline_room];
    std::vector<uint32_t> spilled_;
    size_t size_ = 0;
};

// A copy of a text's units, with room for a short text in place.
class UnitBytes {
  public:
    void assign(const unsigned char* first, size_t n) {
        size_ = n;
        if (n <= inline_room) {
            std::memcpy(inline_, first, n);
            return;
        }
        spilled_.assign(first, first + n);
    }
    const unsigned char* data() const { return size_ <= inline_room ? inline_ : spilled_.data(); }

  private:
    static constexpr size_t inline_room = 128;
    unsigned char inline_[inline_room];
    std::vector<unsigned char> spilled_;
    size_t size_ = 0;
};

// The text a value adds and the unit it needs. A plain text is kept as a
// copy of its units (count units of source_unit bytes) so that it can be
// copied in whole when the target has the same width; anything else is
// kept as code points.
struct Addition {
    CodePoints text;
    UnitBytes units;
    uint32_t source_unit = 0; // 0: the code points hold the text
    uint32_t count = 0;       // units held, when source_unit is set
    uint32_t unit = 1;

    size_t size() const { return source_unit ? count : text.size(); }
    bool empty() const { return size() == 0; }
};

bool is_block_like(uint8_t type) {
    return type == type_id::block || type == type_id::paren || type == type_id::hash;
}

// Appends the units of a text value from its head, at most `limit` (no limit
// when negative).
void add_units(Addition* out, const Cell* text, int64_t limit) {
    support::UnitView units = support::view_of(text);
    uint32_t head = support::clamped_head(text);
    uint64_t n = units.total - head;
    if (limit >= 0 && static_cast<uint64_t>(limit) < n) n = static_cast<uint64_t>(limit);
    for (uint32_t i = 0; i < n; ++i) out->text.push_back(units.at(head + i));
}

// Takes a copy of a text's units from its head, at most `limit` (no limit
// when negative), keeping the source's width.
void take_units(Addition* out, const Cell* text, int64_t limit) {
    support::UnitView units = support::view_of(text);
    uint32_t head = support::clamped_head(text);
    uint64_t n = units.total - head;
    if (limit >= 0 && static_cast<uint64_t>(limit) < n) n = static_cast<uint64_t>(limit);
    out->units.assign(units.start + uint64_t{head} * units.unit, n * units.unit);
    out->source_unit = units.unit;
    out->count = static_cast<uint32_t>(n);
}

// Copies n bytes between distinct places. The usual few characters are
// copied inline, where a library call would cost more than the copy.
inline void copy_bytes(unsigned char* to, const unsigned char* from, size_t n) {
    if (n > 16) {
        std::memcpy(to, from, n);
    } else if (n >= 8) {
        uint64_t first, last;
        std::memcpy(&first, from, 8);
        std::memcpy(&last, from + n - 8, 8);
        std::memcpy(to, &first, 8);
        std::memcpy(to + n - 8, &last, 8);
    } else if (n >= 4) {
        uint32_t first, last;
        std::memcpy(&first, from, 4);
        std::memcpy(&last, from + n - 4, 4);
        std::memcpy(to, &first, 4);
        std::memcpy(to + n - 4, &last, 4);
    } else if (n > 0) {
        // 1 to 3 bytes: the first, the middle and the last (some the same).
        unsigned char first = from[0], middle = from[n / 2], last = from[n - 1];
        to[0] = first;
        to[n / 2] = middle;
        to[n - 1] = last;
    }
}

// Writes count units read from `from` (of from_unit bytes, narrower than
// unit) at out in the given unit; answers the end.
unsigned char* widen_units(unsigned char* out, uint32_t unit, const unsigned char* from,
                           uint32_t from_unit, uint32_t count) {
    for (uint32_t i = 0; i < count; ++i) {
        unicode::write_unit(out, unit, unicode::read_unit(from + size_t{i} * from_unit, from_unit));
        out += unit;
    }
    return out;
}

// Writes count units read from `from` (of from_unit bytes) at out in the
// given unit, never narrower; answers the end.
inline unsigned char* write_units(unsigned char* out, uint32_t unit, const unsigned char* from,
                                  uint32_t from_unit, uint32_t count) {
    if (from_unit != unit) return widen_units(out, unit, from, from_unit, count);
    size_t bytes = size_t{count} * unit;
    copy_bytes(out, from, bytes);
    return out + bytes;
}

// Writes the addition at out in the given unit (never narrower than the
// addition's own); answers the end.
unsigned char* write_addition(unsigned char* out, uint32_t unit, const Addition& addition) {
    if (addition.source_unit)
        return write_units(out, unit, addition.units.data(), addition.source_unit, addition.count);
    for (uint32_t cp : addition.text) {
        unicode::write_unit(out, unit, cp);
        out += unit;
    }
    return out;
}

// Forms the value into a fresh string on the argument stack, cut to `limit`
// characters when limit >= 0, and adds its text.
void add_formed(Addition* out, const Cell* value, int64_t limit) {
    if (limit == 0) return;
    Cell* text = stack::push_slot();
    value::set_none(text);
    make_at(text, 16);
    Cell copy = *value;
    auto form_slot = actions::slot_as<FormFn>(cell_type(&copy), action_slot::form);
    if (form_slot)
        form_slot(&copy, text,
                  limit > INT32_MAX || limit < 0 ? INT32_MAX : static_cast<int32_t>(limit));
    out->unit = std::max(out->unit, buffer_unit(node_buffer(text->data2)));
    add_units(out, text, limit);
    stack::pop(1);
}

// What a value adds to a text. `part` is the /part count (-1 when absent):
// it limits a text's units; for a block it limits the elements formed, or
// with /only the characters written.
Addition addition_of(const Cell* value, int32_t part, bool only) {
    Addition out;
    uint8_t type = cell_type(value);
    if (type == type_id::char_) {
        out.text.push_back(value->data2);
        out.unit = detail::unit_for_append(value->data2);
        return out;
    }
    if (is_any_string(type)) {
        out.unit = buffer_unit(node_buffer(value->data2));
        int64_t limit = part;
        if (type == type_id::tag) {
            // "<" text ">" while the limit lasts.
            if (limit != 0) out.text.push_back('<');
            add_units(&out, value, limit < 0 ? -1 : limit - 1);
            if (limit < 0 || static_cast<int64_t>(out.text.size()) < limit) out.text.push_back('>');
        } else {
            take_units(&out, value, limit);
        }
        return out;
    }
    if (!is_block_like(type)) {
        add_formed(&out, value, only ? part : -1);
        return out;
    }
    // Block elements, formed one by one with no separator.
    Cell block = *value;
    int64_t elements = only ? -1 : part;
    int64_t characters = only ? part : -1;
    for (uint32_t i = support::clamped_head(&block);; ++i) {
        SeriesBuffer* b = node_buffer(block.data2);
        if (uint64_t{i} * sizeof(Cell) >= b->tail - b->head) break;
        if (elements == 0 || characters == 0) break;
        Cell element = arena::at<Cell>(b->head)[i];
        size_t before = out.text.size();
        add_formed(&out, &element, characters);
        if (elements > 0) --elements;
        if (characters > 0) characters -= static_cast<int64_t>(out.text.size() - before);
    }
    return out;
}

// Where added units go and the unit to write them in.
struct Gap {
    unsigned char* start; // valid until the next allocation
    uint32_t unit;
};

// Replaces `removed` units at `at` by room for `added` units, widening the
// buffer to at least `unit` and growing it as needed.
Gap open_gap(Cell* series, uint32_t at, uint32_t removed, uint64_t added, uint32_t unit) {
    SeriesBuffer* b = node_buffer(series->data2);
    unit = std::max(buffer_unit(b), unit);
    uint64_t total = detail::used_units(b);
    uint64_t new_total = total - removed + added;
    // Refused before anything changes when the text would grow longer
    // than a series can be.
    if (added > UINT32_MAX || new_total * unit > memory::max_size_for(unit))
        support::fire_no_memory();
    b = unicode::widen_to(b, unit);
    uint64_t needed = new_total * unit;
    if (uint64_t{b->head} + needed > arena::ref(buffer_end(b)))
        b = series::expand(b, memory::grown_size(needed, uint64_t{b->size} * 2, unit));
    unsigned char* base = buffer_head(b);
    if (at + removed < total)
        std::memmove(base + (at + added) * unit, base + uint64_t{at + removed} * unit,
                     (total - at - removed) * unit);
    b->tail = b->head + static_cast<Ref>(needed);
    return {base + uint64_t{at} * unit, unit};
}

// Replaces `removed` units at `at` by the addition repeated `dup` times;
// answers the number of units written.
uint32_t splice(Cell* series, uint32_t at, uint32_t removed, const Addition& addition,
                int32_t dup) {
    uint64_t added = uint64_t{addition.size()} * static_cast<uint64_t>(dup);
    Gap gap = open_gap(series, at, removed, added, addition.unit);
    unsigned char* out = gap.start;
    for (int32_t d = 0; d < dup; ++d) out = write_addition(out, gap.unit, addition);
    return static_cast<uint32_t>(added);
}

// The common append: a plain text (not a tag, not sharing the target's
// buffer) added once to a text that notifies no owner. Its units go straight
// from the source's buffer.
struct DirectText {
    Ref node;
    uint32_t head;  // first unit taken
    uint32_t count; // units taken
    uint32_t unit;  // the source's unit
};

// Answers whether the value is appended directly, and then what is taken.
inline bool direct_text_of(const Cell* series, const Cell* value, int32_t part, int32_t dup,
                           bool notify, DirectText* out) {
    uint8_t type = cell_type(value);
    if (dup != 1 || type == type_id::tag || !type_set::is_any_string(type) ||
        value->data2 == series->data2 || (notify && series::has_owner(series)))
        return false;
    SeriesBuffer* source = node_buffer(value->data2);
    uint32_t head = detail::clamped_head(value, source);
    uint32_t count = detail::used_units(source) - head;
    if (part >= 0 && static_cast<uint32_t>(part) < count) count = static_cast<uint32_t>(part);
    *out = {value->data2, head, count, buffer_unit(source)};
    return true;
}

// Writes the text at the tail when the target is wide enough and has the
// room: nothing allocates, so both buffers stay where they are. Answers
// false (having changed nothing) otherwise.
inline bool append_in_place(Cell* series, const DirectText& text) {
    SeriesBuffer* target = node_buffer(series->data2);
    uint32_t unit = buffer_unit(target);
    uint64_t bytes = uint64_t{text.count} * unit;
    if (unit < text.unit || uint64_t{target->tail} + bytes > arena::ref(buffer_end(target)) ||
        uint64_t{target->tail - target->head} + bytes > memory::max_size_for(unit))
        return false;
    write_units(buffer_tail(target), unit, detail::unit_address(node_buffer(text.node), text.head),
                text.unit, text.count);
    target->tail += static_cast<Ref>(bytes);
    series->data1 = 0;
    return true;
}

// Writes the text at the tail, widening and growing the target as needed.
[[gnu::noinline]] Cell* append_growing(Cell* series, const DirectText& text) {
    Gap gap =
        open_gap(series, detail::used_units(node_buffer(series->data2)), 0, text.count, text.unit);
    // Growing the target may have moved the source.
    write_units(gap.start, gap.unit, detail::unit_address(node_buffer(text.node), text.head),
                text.unit, text.count);
    series->data1 = 0;
    return series;
}

// Appends any value: its text is formed into the target (kept out of line,
// so that the direct path in append needs no frame).
[[gnu::noinline]] Cell* append_formed(Cell* series, const Cell* value, int32_t part, bool only,
                                      int32_t dup, bool notify) {
    uint32_t old_total = support::view_of(series).total;
    if (notify && support::notify(series, words::global::append, value, old_total, 0))
        old_total = support::view_of(series).total; // the owner's handler may have changed it
    Addition addition = addition_of(value, part, only);
    if (addition.empty() || dup < 1) return series;
    uint32_t count = splice(series, old_total, 0, addition, dup);
    if (notify)
        support::notify(series, words::global::appended, value, old_total,
                        static_cast<int32_t>(count));
    series->data1 = 0;
    return series;
}

} // namespace

Cell* append(Cell* series, const Cell* value, int32_t part, bool only, int32_t dup, bool notify) {
    DirectText text;
    if (!direct_text_of(series, value, part, dup, notify, &text))
        return append_formed(series, value, part, only, dup, notify);
    if (text.count == 0 || append_in_place(series, text)) return series;
    return append_growing(series, text);
}

Cell* insert(Cell* series, const Cell* value, int32_t part, bool only, int32_t dup, bool) {
    uint32_t head = support::clamped_head(series);
    if (series::notify(series, &words::symbol_words[words::symbol_word::insert], value, head, 0))
        head = support::clamped_head(series); // the owner's handler may have changed it
    Addition addition = addition_of(value, part, only);
    uint32_t count = dup < 1 ? 0 : splice(series, head, 0, addition, dup);
    support::notify(series, words::global::inserted, value, head, static_cast<int32_t>(count));
    series->data1 = std::min(head + count, support::view_of(series).total);
    return series;
}

Cell* change(Cell* series, const Cell* value, int32_t part, bool only, int32_t dup, bool) {
    uint32_t head = support::clamped_head(series);
    support::notify(series, words::global::change, value, head, 0);
    // The owner's handler may have changed the series: change what is there.
    head = support::clamped_head(series);
    uint32_t available = support::view_of(series).total - head;
    Addition addition = addition_of(value, -1, only);
    uint64_t written = dup < 1 ? 0 : uint64_t{addition.size()} * static_cast<uint64_t>(dup);
    uint64_t removed = part >= 0 ? static_cast<uint64_t>(part) : written;
    if (removed > available) removed = available;
    uint32_t count =
        dup < 1 ? 0 : splice(series, head, static_cast<uint32_t>(removed), addition, dup);
    support::notify(series, words::global::changed, value, head, static_cast<int32_t>(count));
    series->data1 = std::min(head + count, support::view_of(series).total);
    return series;
}

Cell* swap(Cell* series, Cell* other) {
    uint8_t other_type = cell_type(other);
    if (!is_any_string(other_type) && other_type != type_id::binary)
        support::fire_invalid_arg(other);
    uint32_t a = support::clamped_head(series);
    uint32_t b = support::clamped_head(other);
    uint32_t first = 0, second = 0;
    // Answers false when a position is at the tail; a byte series holds bytes
    // only: it is never widened for a character.
    auto read_both = [&] {
        if (a >= support::view_of(series).total || b >= support::view_of(other).total) return false;
        first = support::view_of(series).at(a);
        second = support::view_of(other).at(b);
        Cell c;
        if (cell_type(series) == type_id::binary && second > 0xFF) {
            value::set_char(&c, second);
            support::fire_invalid_arg(&c);
        }
        if (other_type == type_id::binary && first > 0xFF) {
            value::set_char(&c, first);
            support::fire_invalid_arg(&c);
        }
        return true;
    };
    if (!read_both()) return series;
    bool owned = support::notify(series, words::global::swap, other, a, 1);
    owned = support::notify(other, words::global::swap, series, b, 1) || owned;
    // An owner's handler may have changed either series: the characters are
    // read again, and with nothing left at a position nothing is swapped.
    if (!owned || read_both()) {
        poke_char_at(node_buffer(series->data2), a, second);
        poke_char_at(node_buffer(other->data2), b, first);
    }
    support::notify(series, words::global::swaped, other, a, 1);
    support::notify(other, words::global::swaped, series, b, 1);
    return series;
}

Cell* take(Cell* series, Cell* part, bool deep, bool last) {
    auto series_take = actions::slot_as<TakeFn>(type_id::series, action_slot::take);
    if (!series_take) support::fire_not_done();
    uint8_t type = cell_type(series);
    Cell* result = series_take(series, part, deep, last);
    if (series::is_given(part) || cell_type(result) != type) return result;
    support::UnitView units = support::view_of(result);
    if (units.total != 1) return result;
    Cell taken = *result;
    support::element_at(&taken, 0, result);
    return result;
}

} // namespace zep::string
