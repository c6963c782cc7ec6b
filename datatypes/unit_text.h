// What the unit types' slots share: writing the fixed texts of form and
// mold, and comparing values that carry no payload.
#pragma once
#include <cstdint>
#include <cstring>

#include "datatypes/registry.h"
#include "datatypes/string_buffer.h"

namespace zep::unit_text {

// Appends the text to the string and answers the part limit left.
inline int32_t write(Cell* out_string, const char* text, int32_t part_limit) {
    string::append_text(out_string, text);
    return part_limit - static_cast<int32_t>(std::strlen(text));
}

// mold/all of a unit value: "#(" + text + ")".
inline int32_t write_construct(Cell* out_string, const char* text, int32_t part_limit) {
    part_limit = write(out_string, "#(", part_limit);
    part_limit = write(out_string, text, part_limit);
    return write(out_string, ")", part_limit);
}

// Compares a value of a payload-less type with another: equal under every
// equality, ordering and search code when the other has the same type; not
// comparable otherwise.
inline int compare_payloadless(uint8_t type, const Cell* other, int code) {
    if (cell_type(other) != type) return compare_code::not_comparable;
    switch (code) {
    case compare_code::equal:
    case compare_code::not_equal:
    case compare_code::strict_equal:
    case compare_code::sort:
    case compare_code::case_sort:
    case compare_code::same:
    case compare_code::find:
        return 0;
    default:
        return compare_code::not_comparable;
    }
}

} // namespace zep::unit_text
