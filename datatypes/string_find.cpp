// find and select on text, binary! and vector! series: a single unit, a
// bitset's members or a text pattern, searched forward, backward (/reverse)
// or from the end (/last), in steps of /skip units, within /part.
#include <cstring>

#include "datatypes/series.h"
#include "datatypes/string_action_support.h"
#include "datatypes/string_actions.h"
#include "datatypes/string_buffer.h"
#include "datatypes/symbol.h"
#include "evaluator/stack.h"
#include "runtime/case_fold.h"
#include "runtime/unicode/units.h"
#include "runtime/value_make.h"

namespace zep::string {

namespace {

// Complement flag of a bitset's buffer.
constexpr uint32_t bitset_complement = 0x80000;

enum class Kind { unit, number, bitset, text };

// What is searched for. A text pattern is a text value read from its head;
// `prefix` and `suffix` wrap it (a tag! searches as "<" text ">").
struct Pattern {
    Kind kind = Kind::unit;
    uint32_t cp = 0; // Kind::unit
    Cell source{};   // the number, the bitset or the text
    uint32_t head = 0;
    uint32_t count = 0; // units of the text between prefix and suffix
    uint32_t prefix = 0, suffix = 0;
    uint32_t length() const {
        return kind == Kind::text ? count + (prefix != 0) + (suffix != 0) : 1;
    }
    uint32_t at(uint32_t i) const {
        if (prefix) {
            if (i == 0) return prefix;
            --i;
        }
        if (i == count) return suffix;
        return support::view_of(&source).at(head + i);
    }
};

struct Search {
    bool fold = false;
    bool tail = false;
    bool match = false;
    bool backward = false;
    bool ends_at_position = false; // backward searches: the pattern ends at the position
    int64_t first = 0;             // first position examined
    int64_t low = 0, high = 0;     // the range [low, high)
    uint32_t step = 1;
};

uint32_t fold(uint32_t cp, bool folding) {
    return folding ? case_::fold_char(cp, case_::to_upper) : cp;
}

bool in_bitset(const Cell* bitset, uint32_t cp) {
    SeriesBuffer* bits = node_buffer(bitset->data2);
    uint64_t bit_count = uint64_t{bits->tail - bits->head} * 8;
    if (cp >= bit_count) return (bits->flags & bitset_complement) != 0;
    return (buffer_head(bits)[cp >> 3] & (0x80u >> (cp & 7))) != 0;
}

// An element of a binary! or vector! series equal to a number.
bool element_equals(const Cell* series, uint32_t index, const Cell* number) {
    SeriesBuffer* b = node_buffer(series->data2);
    uint32_t unit = buffer_unit(b);
    const unsigned char* p = buffer_head(b) + uint64_t{index} * unit;
    bool floats = cell_type(series) == type_id::vector && series->data3 == type_id::float_;
    double wanted = cell_type(number) == type_id::float_
                        ? value::double_of(number)
                        : static_cast<double>(value::integer_of(number));
    if (floats && unit == 8) {
        double d;
        std::memcpy(&d, p, 8);
        return d == wanted;
    }
    if (floats && unit == 4) {
        float f;
        std::memcpy(&f, p, 4);
        return static_cast<double>(f) == wanted;
    }
    int64_t v;
    if (unit == 8) {
        std::memcpy(&v, p, 8);
    } else if (unit == 4) {
        int32_t w;
        std::memcpy(&w, p, 4);
        v = w;
    } else {
        v = unicode::read_unit(p, unit);
    }
    return static_cast<double>(v) == wanted;
}

// Builds the pattern; formed values are made into a new string on the
// argument stack (the caller pops it).
Pattern pattern_of(const Cell* series, const Cell* value, bool* pushed) {
    Pattern pattern;
    uint8_t type = cell_type(value);
    uint8_t series_type = cell_type(series);
    if (type == type_id::char_) {
        pattern.cp = value->data2;
        return pattern;
    }
    if (type == type_id::bitset) {
        pattern.kind = Kind::bitset;
        pattern.source = *value;
        return pattern;
    }
    if (support::is_number_series(series_type) &&
        (type == type_id::integer || type == type_id::float_)) {
        pattern.kind = Kind::number;
        pattern.source = *value;
        return pattern;
    }
    pattern.kind = Kind::text;
    if (type == type_id::word) {
        Cell* symbol = symbol::get_cell(value::word_symbol(value));
        value::set_series(&pattern.source, type_id::string, symbol->data2);
    } else if (is_any_string(type) || type == type_id::binary) {
        if (type == type_id::binary && series_type != type_id::binary)
            support::fire_invalid_arg(value);
        pattern.source = *value;
        if (type == type_id::tag) {
            pattern.prefix = '<';
            pattern.suffix = '>';
        }
    } else {
        Cell* text = stack::push_slot();
        value::set_none(text);
        make_at(text, 16);
        Cell copy = *value;
        auto form_slot = actions::slot_as<FormFn>(type, action_slot::form);
        if (form_slot) form_slot(&copy, text, INT32_MAX);
        pattern.source = *text;
        *pushed = true;
    }
    pattern.head = support::clamped_head(&pattern.source);
    pattern.count = support::view_of(&pattern.source).total - pattern.head;
    return pattern;
}

bool unit_matches(const Cell* series, const support::UnitView& units, uint32_t index,
                  const Pattern& pattern, const Search& search) {
    if (pattern.kind == Kind::bitset) return in_bitset(&pattern.source, units.at(index));
    if (pattern.kind == Kind::number) return element_equals(series, index, &pattern.source);
    return fold(units.at(index), search.fold) == fold(pattern.cp, search.fold);
}

bool text_matches(const support::UnitView& units, int64_t start, const Pattern& pattern,
                  bool folding) {
    uint32_t n = pattern.length();
    for (uint32_t i = 0; i < n; ++i) {
        if (fold(units.at(static_cast<uint32_t>(start + i)), folding) !=
            fold(pattern.at(i), folding))
            return false;
    }
    return true;
}

// The start of the first match, or -1; *end receives the index past it.
int64_t run_search(const Cell* series, const Pattern& pattern, const Search& search, int64_t* end) {
    support::UnitView units = support::view_of(series);
    uint32_t n = pattern.length();
    if (pattern.kind == Kind::text && n == 0) return -1;
    for (int64_t position = search.first; position >= search.low && position < search.high;
         position += search.backward ? -int64_t{search.step} : int64_t{search.step}) {
        int64_t start = position;
        if (pattern.kind != Kind::text) {
            if (unit_matches(series, units, static_cast<uint32_t>(position), pattern, search)) {
                *end = position + 1;
                return start;
            }
        } else {
            if (search.ends_at_position) start = position - n + 1;
            if (start >= search.low && start + n <= search.high &&
                text_matches(units, start, pattern, search.fold)) {
                *end = start + n;
                return start;
            }
        }
        if (search.match) break;
    }
    return -1;
}

Cell* become_none(Cell* series) {
    value::set_none(series);
    return series;
}

// The shared core of find and select: the index of the match (its start, or
// its end with /tail) or -1; *after receives the index past the match.
int64_t locate(Cell* series, Cell* value, Cell* part, bool case_, bool same, bool any, Cell* with,
               Cell* skip, bool last, bool reverse, bool tail, bool match, int64_t* after) {
    support::UnitView units = support::view_of(series);
    int64_t total = units.total;
    int64_t head = value::series_head(series);
    if (total == 0 || (!reverse && head >= total)) return -1;
    if (head < 0) head = 0;
    if (head > total) head = total;
    if (any || series::is_given(with)) support::fire_not_done();

    Search search;
    if (series::is_given(skip)) {
        int32_t size = value::integer_of(skip);
        if (cell_type(skip) != type_id::integer || size < 1) support::fire_out_of_range(skip);
        search.step = static_cast<uint32_t>(size);
    }
    int64_t limit = -1;
    if (series::is_given(part)) {
        int32_t count = support::part_length(series, part);
        if (count < 1) return -1;
        // Backward, the part counts the units before the head.
        limit = std::min<int64_t>(count, reverse ? head : total - head);
    }
    search.fold = is_any_string(cell_type(series)) && !case_ && !same;
    search.tail = tail;
    search.match = match;
    if (reverse) {
        if (match) return -1;
        search.backward = search.ends_at_position = true;
        search.low = limit >= 0 ? head - limit : 0;
        search.high = head;
        search.first = head - 1;
    } else if (last) {
        search.backward = search.ends_at_position = true;
        search.low = head;
        search.high = limit >= 0 ? head + limit : total;
        search.first = search.high - 1;
    } else {
        search.low = head;
        search.high = limit >= 0 ? head + limit : total;
        search.first = head;
    }

    bool pushed = false;
    Pattern pattern = pattern_of(series, value, &pushed);
    int64_t end = 0;
    int64_t found = run_search(series, pattern, search, &end);
    if (pushed) stack::pop(1);
    *after = end;
    if (found < 0) return -1;
    return tail ? end : found;
}

} // namespace

Cell* find(Cell* series, Cell* value, Cell* part, bool, bool case_, bool same, bool any, Cell* with,
           Cell* skip, bool last, bool reverse, bool tail, bool match) {
    int64_t after = 0;
    int64_t at = locate(series, value, part, case_, same, any, with, skip, last, reverse, tail,
                        match, &after);
    if (at < 0) return become_none(series);
    series->data1 = static_cast<uint32_t>(at);
    return series;
}

Cell* select(Cell* series, Cell* value, Cell* part, bool, bool case_, bool same, bool any,
             Cell* with, Cell* skip, bool last, bool reverse) {
    int64_t after = 0;
    int64_t at = locate(series, value, part, case_, same, any, with, skip, last, reverse, false,
                        false, &after);
    if (at < 0) return become_none(series);
    support::UnitView units = support::view_of(series);
    if (after >= units.total) return become_none(series);
    Cell source = *series;
    support::element_at(&source, static_cast<uint32_t>(after), series);
    return series;
}

} // namespace zep::string
