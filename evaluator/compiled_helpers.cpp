// Type checks, checked conversions, refinement set-up and boot literals.
#include <cmath>
#include <cstring>

#include "datatypes/string_buffer.h"
#include "evaluator/compiled_support.h"
#include "evaluator/runtime_words.h"
#include "evaluator/stack.h"
#include "runtime/memory.h"
#include "runtime/value_make.h"

namespace zep::typecheck {

bool has_type(const Cell* typeset, uint8_t type) {
    // The bit array starts at the first payload word: 96 bits, ids 0-95.
    unsigned char bits[12];
    std::memcpy(bits, &typeset->data1, sizeof bits);
    return type < 96 && (bits[type >> 3] & (0x80 >> (type & 7))) != 0;
}

namespace {
[[noreturn]] void expect_arg(const Cell* argument, uint8_t type) {
    Cell caller, datatype;
    stack::get_caller(&caller);
    value::set_datatype(&datatype, type);
    (void)argument;
    error::fire(error::Category::script, "expect-arg", &caller, &datatype,
                words::global_word(words::global::anon));
}
} // namespace

void check_arg(const Cell* typeset, const Cell* argument) {
    uint8_t type = cell_type(argument);
    if (!has_type(typeset, type)) expect_arg(argument, type);
}

void check_arg_at(int32_t offset, const Cell* typeset) {
    if (offset >= 0) check_arg(typeset, stack::base() + offset);
}

void check_optional_arg(const Cell* refinement, const Cell* typeset, const Cell* argument) {
    if (refinement->data1 != 0) check_arg(typeset, argument);
}

} // namespace zep::typecheck

namespace zep::word {

void check_set(const Cell* value) {
    if (cell_type(value) == type_id::unset) {
        Cell caller, datatype;
        stack::get_caller(&caller);
        value::set_datatype(&datatype, type_id::unset);
        error::fire(error::Category::script, "expect-arg", &caller, &datatype,
                    words::global_word(words::global::anon));
    }
}

} // namespace zep::word

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

namespace zep::call {

void set_refinements(const Cell* refinement, int32_t slot_index, int32_t count) {
    Cell* slot = stack::base() + slot_index;
    bool given = !(cell_type(refinement) == type_id::none ||
                   (cell_type(refinement) == type_id::logic && refinement->data1 == 0));
    if (given) {
        value::set_logic(slot, true);
        return;
    }
    for (int32_t i = 1; i <= count; ++i) value::set_none(slot + i);
}

void apply_refinements(int32_t count, const RefinementUse* uses, void (*code)()) {
    for (int32_t i = 0; i < count; ++i) {
        const RefinementUse& use = uses[i];
        Cell* base = stack::base();
        bool given = !(cell_type(use.value) == type_id::none ||
                       (cell_type(use.value) == type_id::logic && use.value->data1 == 0));
        value::set_logic(base + use.slot_index, given);
        if (!given)
            for (int32_t k = 0; k < use.argument_count; ++k)
                value::set_none(base + use.argument_index + k);
    }
    code();
}

} // namespace zep::call

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

namespace zep::boot {

namespace {
Cell* literals = nullptr;
} // namespace

void set_literals(Cell* first) {
    literals = first;
}

Cell* literal_at(uint32_t index) {
    return literals + index;
}

uint32_t literal_word1(uint32_t index) {
    return literals[index].data1;
}

} // namespace zep::boot
