// Comparing texts under the comparison codes, and matching a value at the
// head of a text (the parse matcher).
#include "datatypes/string_buffer.h"
#include "datatypes/string_internal.h"
#include "runtime/case_fold.h"

namespace zep::string {

using detail::clamped_head;

namespace {

struct Units {
    const unsigned char* start;
    uint32_t unit;
    uint32_t length;
    uint32_t at(uint32_t i) const { return unicode::read_unit(start + uint64_t{i} * unit, unit); }
};

Units units_from_head(const Cell* value) {
    SeriesBuffer* b = node_buffer(value->data2);
    uint32_t head = clamped_head(value, b);
    return {detail::unit_address(b, head), buffer_unit(b), detail::used_units(b) - head};
}

bool is_equality(int code) {
    return code == code::equal || code == code::not_equal || code == code::strict_equal ||
           code == code::find;
}

uint32_t folded(uint32_t cp, bool case_sensitive) {
    return case_sensitive ? cp : case_::fold_char(cp, case_::to_upper);
}

} // namespace

int compare(const Cell* first_cell, const Cell* second_cell, int code, bool match) {
    if (first_cell->data2 == second_cell->data2 && first_cell->data1 == second_cell->data1) {
        if (code == code::same || is_equality(code)) return 0;
    } else if (code == code::same) {
        return -1;
    }
    Cell first_value = *first_cell;
    Cell second_value = *second_cell;
    detail::text_of_symbol(&first_value);
    detail::text_of_symbol(&second_value);
    Units first = units_from_head(&first_value);
    Units second = units_from_head(&second_value);

    uint32_t n = second.length;
    if (!match) {
        if (first.length == 0 && second.length == 0) return 0;
        if (first.length != second.length && (is_equality(code) || second.length == 0)) return 1;
        if (first.length < n) n = first.length;
    } else {
        if (second.length == 0) return code == code::find ? 1 : 0;
        if (first.length < second.length) return 1;
    }
    if (first.length == 0) return -1;

    bool case_sensitive = code == code::strict_equal || code == code::case_sort;
    for (uint32_t i = 0; i < n; ++i) {
        uint32_t a = folded(first.at(i), case_sensitive);
        uint32_t b = folded(second.at(i), case_sensitive);
        if (a != b) return a < b ? -1 : 1;
    }
    if (match || first.length == second.length) return 0;
    return first.length < second.length ? -1 : 1;
}

bool find_value(const Cell* text, const Cell* value, int code) {
    uint8_t type = cell_type(value);
    if (type == type_id::char_) {
        Units head = units_from_head(text);
        if (head.length == 0) return false;
        bool case_sensitive = code == code::strict_equal;
        return folded(head.at(0), case_sensitive) == folded(value->data2, case_sensitive);
    }
    if (type == type_id::tag) {
        if (!is_enclosed_by_angles(text, value)) return false;
        Cell after = *text;
        after.data1 = clamped_head(text, node_buffer(text->data2)) + 1;
        return compare(&after, value, code, true) == 0;
    }
    if (is_any_string(type)) return compare(text, value, code, true) == 0;
    return false;
}

} // namespace zep::string
