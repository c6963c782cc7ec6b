// Writing the fixed texts of the unit types' form and mold.
#pragma once
#include <cstdint>
#include <cstring>

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

} // namespace zep::unit_text
