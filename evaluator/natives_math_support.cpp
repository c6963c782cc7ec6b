// Argument checks and errors shared by the comparison, set, math and
// conversion natives.
#include "evaluator/natives_math_support.h"

#include "datatypes/symbol.h"
#include "evaluator/compiled_support.h"
#include "runtime/value_make.h"

namespace zep::natives::support {

namespace {
Cell word_named(const char* name) {
    Cell word;
    value::set_word(&word, type_id::word, 0, symbol::make(name));
    return word;
}
} // namespace

Cell datatype_of(uint8_t type) {
    Cell cell;
    value::set_datatype(&cell, type);
    return cell;
}

void fire_expect_arg(const char* native, const Cell* value, const char* argument) {
    Cell name = word_named(native);
    Cell datatype = datatype_of(cell_type(value));
    Cell argument_word = word_named(argument);
    error::fire(error::Category::script, "expect-arg", &name, &datatype, &argument_word);
}

void check_arg(bool check, const char* native, int32_t n, const char* argument, TypeMask types) {
    if (!check || n < 0) return;
    const Cell* value = arg(n);
    if (!is_in(types, cell_type(value))) fire_expect_arg(native, value, argument);
}

} // namespace zep::natives::support
