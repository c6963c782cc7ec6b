// Typeset bits, the checked float-to-integer conversion, block tail cells
// and mold indentation.
#include <cmath>
#include <cstring>

#include "datatypes/string_buffer.h"
#include "evaluator/compiled_support.h"
#include "runtime/memory.h"
#include "runtime/value_make.h"

namespace zep::typecheck {

bool has_type(const Cell* typeset, uint8_t type) {
    // The bit array starts at the first payload word: 96 bits, ids 0-95.
    unsigned char bits[12];
    std::memcpy(bits, &typeset->data1, sizeof bits);
    return type < 96 && (bits[type >> 3] & (0x80 >> (type & 7))) != 0;
}

} // namespace zep::typecheck

namespace zep::float_ {

int32_t to_integer_checked(const Cell* value) {
    if (cell_type(value) != type_id::float_) return static_cast<int32_t>(value->data1);
    double x = value::double_of(value);
    // NaN fails both comparisons.
    if (!(x > -2147483649.0 && x < 2147483648.0))
        error::fire(error::Category::script, "out-of-range", value);
    return static_cast<int32_t>(std::trunc(x));
}

} // namespace zep::float_

namespace zep::block {

Cell* alloc_tail_cell(const Cell* block) {
    return series::alloc_tail_cell(node_buffer(value::series_node(block)));
}

} // namespace zep::block

namespace zep::mold {

int32_t indent(Cell* output, int32_t n, int32_t limit) {
    for (int32_t i = 0; i < n; ++i) string::append_text(output, "    ");
    return limit - 4 * n;
}

} // namespace zep::mold
