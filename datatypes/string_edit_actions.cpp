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

// The most units a series can hold.
constexpr uint64_t max_units = memory::max_length;

// Raises no-memory when a text keeping `floor` units and gaining `added`
// units `dup` times would be longer than a series can hold. Checked while an
// addition is gathered, so that a text too long to hold fails before it is
// built rather than after.
void check_size(uint64_t floor, uint64_t added, int32_t dup) {
    if (floor + added * static_cast<uint64_t>(dup < 1 ? 1 : dup) > max_units)
        support::fire_no_memory();
}

// The text a value adds: one character, or `count` units from `head` of a
// text buffer: the value's own, or one built for it on the argument stack.
// `unit` is the unit the target needs at least.
struct Addition {
    uint32_t cp = 0;
    bool is_char = false;
    Ref node = 0;
    uint32_t head = 0;
    uint32_t count = 0;
    uint32_t unit = 1;

    uint32_t size() const { return is_char ? 1 : count; }
    bool empty() const { return size() == 0; }
};

// Where an addition is gathered: `built` is a stack slot (none until a text
// is made in it); the target keeps at least `floor` units and gets the
// addition `dup` times.
struct Gather {
    Cell* built;
    uint64_t floor;
    int32_t dup;
};

bool is_block_like(uint8_t type) {
    return type == type_id::block || type == type_id::paren || type == type_id::hash;
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

uint32_t units_of(const Cell* text) {
    return detail::used_units(node_buffer(text->data2));
}

// The text built for an addition, made on first use.
Cell* built_text(const Gather& gather) {
    if (cell_type(gather.built) == type_id::none) make_at(gather.built, 16);
    return gather.built;
}

// Appends count units of the buffer `source` from its unit index `head` to
// the text.
void add_units(Cell* text, Ref source, uint32_t head, uint32_t count) {
    if (count == 0) return;
    Gap gap = open_gap(text, units_of(text), 0, count, buffer_unit(node_buffer(source)));
    // Growing the text may have moved the source.
    SeriesBuffer* from = node_buffer(source);
    write_units(gap.start, gap.unit, detail::unit_address(from, head), buffer_unit(from), count);
}

// Forms the value at the end of the text, cut to `limit` characters when
// limit >= 0.
void add_formed(Cell* text, const Cell* value, int64_t limit) {
    if (limit == 0) return;
    uint32_t before = units_of(text);
    Cell copy = *value;
    auto form_slot = actions::slot_as<FormFn>(cell_type(&copy), action_slot::form);
    if (form_slot)
        form_slot(&copy, text,
                  limit > INT32_MAX || limit < 0 ? INT32_MAX : static_cast<int32_t>(limit));
    if (limit >= 0 && units_of(text) - before > limit)
        series::shorten(node_buffer(text->data2), before + static_cast<uint32_t>(limit));
}

// Forms a block's elements one after another, with no separator, at the end
// of the text: at most `elements` elements and `characters` characters (no
// limit when negative). The text's size is checked against `floor` and `dup`
// (see check_size) before and while it grows.
void add_elements(Cell* text, const Cell* value, int64_t elements, int64_t characters,
                  uint64_t floor, int32_t dup) {
    Cell block = *value;
    uint64_t known = support::known_length(&block, elements);
    if (characters >= 0) known = std::min<uint64_t>(known, static_cast<uint64_t>(characters));
    uint32_t start = units_of(text);
    check_size(floor, start + known, dup);
    for (uint32_t i = support::clamped_head(&block);; ++i) {
        SeriesBuffer* b = node_buffer(block.data2);
        if (uint64_t{i} * sizeof(Cell) >= b->tail - b->head) break;
        if (elements == 0 || characters == 0) break;
        Cell element = arena::at<Cell>(b->head)[i];
        uint32_t before = units_of(text);
        add_formed(text, &element, characters);
        uint32_t after = units_of(text);
        if (elements > 0) --elements;
        if (characters > 0) characters -= after - before;
        check_size(floor, after, dup);
    }
}

// What a value adds to the text `series`. `part` is the /part count (-1 when
// absent): it limits a text's units; for a block it limits the elements
// formed, or with /only the characters written.
Addition addition_of(const Cell* series, const Cell* value, int32_t part, bool only,
                     const Gather& gather) {
    Addition out;
    uint8_t type = cell_type(value);
    if (type == type_id::char_) {
        out.cp = value->data2;
        out.is_char = true;
        out.unit = detail::unit_for_append(value->data2);
        return out;
    }
    if (is_any_string(type)) {
        Ref node = value->data2;
        SeriesBuffer* b = node_buffer(node);
        out.unit = buffer_unit(b);
        uint32_t head = detail::clamped_head(value, b);
        uint32_t n = detail::used_units(b) - head;
        if (type == type_id::tag) {
            // "<" text ">" while the limit lasts.
            if (part >= 0)
                n = std::min<uint32_t>(n, part > 0 ? static_cast<uint32_t>(part - 1) : 0);
            Cell* text = built_text(gather);
            if (part != 0) append_char(node_buffer(text->data2), '<');
            add_units(text, node, head, n);
            if (part < 0 || units_of(text) < static_cast<uint32_t>(part))
                append_char(node_buffer(text->data2), '>');
            out.node = text->data2;
            out.count = units_of(text);
            return out;
        }
        if (part >= 0 && static_cast<uint32_t>(part) < n) n = static_cast<uint32_t>(part);
        if (node == series->data2) {
            // The target's own text is copied first: the splice moves it.
            Cell source = *value;
            value::set_series(gather.built, type_id::string, series::copy_range(&source, head, n));
            node = gather.built->data2;
            head = 0;
        }
        out.node = node;
        out.head = head;
        out.count = n;
        return out;
    }
    Cell* text = built_text(gather);
    if (is_block_like(type))
        add_elements(text, value, only ? -1 : part, only ? part : -1, gather.floor, gather.dup);
    else
        add_formed(text, value, only ? part : -1);
    out.node = text->data2;
    out.count = units_of(text);
    out.unit = buffer_unit(node_buffer(out.node));
    return out;
}

// Replaces `removed` units at `at` by the addition repeated `dup` times;
// answers the number of units written.
uint32_t splice(Cell* series, uint32_t at, uint32_t removed, const Addition& addition,
                int32_t dup) {
    uint64_t added = uint64_t{addition.size()} * static_cast<uint64_t>(dup);
    Gap gap = open_gap(series, at, removed, added, addition.unit);
    unsigned char* out = gap.start;
    if (addition.is_char) {
        for (int32_t d = 0; d < dup; ++d) {
            unicode::write_unit(out, gap.unit, addition.cp);
            out += gap.unit;
        }
        return static_cast<uint32_t>(added);
    }
    // Opening the gap may have moved the added text's buffer.
    SeriesBuffer* from = node_buffer(addition.node);
    const unsigned char* units = detail::unit_address(from, addition.head);
    for (int32_t d = 0; d < dup; ++d)
        out = write_units(out, gap.unit, units, buffer_unit(from), addition.count);
    return static_cast<uint32_t>(added);
}

// A stack slot for the text an addition may build; stack::pop(1) drops it.
Cell* push_built() {
    Cell* built = stack::push_slot();
    value::set_none(built);
    return built;
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
    if (dup < 1) return series;
    Cell* built = push_built();
    Addition addition = addition_of(series, value, part, only, {built, old_total, dup});
    uint32_t count = addition.empty() ? 0 : splice(series, old_total, 0, addition, dup);
    stack::pop(1);
    if (count == 0) return series;
    if (notify)
        support::notify(series, words::global::appended, value, old_total,
                        static_cast<int32_t>(count));
    series->data1 = 0;
    return series;
}

} // namespace

void append_elements(Cell* text, const Cell* block) {
    add_elements(text, block, -1, -1, 0, 1);
}

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
    uint32_t count = 0;
    if (dup >= 1) {
        Cell* built = push_built();
        Addition addition =
            addition_of(series, value, part, only, {built, support::view_of(series).total, dup});
        count = splice(series, head, 0, addition, dup);
        stack::pop(1);
    }
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
    Cell* built = push_built();
    // The text keeps at least the units before the head.
    Addition addition =
        dup < 1 ? Addition{} : addition_of(series, value, -1, only, {built, head, dup});
    uint64_t written = dup < 1 ? 0 : uint64_t{addition.size()} * static_cast<uint64_t>(dup);
    uint64_t removed = part >= 0 ? static_cast<uint64_t>(part) : written;
    if (removed > available) removed = available;
    uint32_t count =
        dup < 1 ? 0 : splice(series, head, static_cast<uint32_t>(removed), addition, dup);
    stack::pop(1);
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
