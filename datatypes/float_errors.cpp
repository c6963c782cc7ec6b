#include "datatypes/float_errors.h"

#include "evaluator/compiled_support.h"
#include "evaluator/stack.h"
#include "runtime/value_make.h"

namespace zep::float_errors {

namespace {

Cell datatype_cell(uint8_t type) {
    Cell c;
    value::set_datatype(&c, type);
    return c;
}

// Arguments are copied first: they may lie on the argument stack, which the
// raise writes to.
Cell copy_or_none(const Cell* value) {
    Cell c;
    if (value) {
        c = *value;
    } else {
        value::set_none(&c);
    }
    return c;
}

} // namespace

void invalid_type(uint8_t type) {
    Cell datatype = datatype_cell(type);
    error::fire(error::Category::script, "invalid-type", &datatype);
}

void bad_to_arg(uint8_t type, const Cell* spec) {
    Cell datatype = datatype_cell(type);
    Cell copy = copy_or_none(spec);
    error::fire(error::Category::script, "bad-to-arg", &datatype, &copy);
}

void not_related(const Cell* operation, uint8_t type) {
    Cell word;
    if (operation) {
        word = *operation;
    } else {
        stack::get_caller(&word);
    }
    Cell datatype = datatype_cell(type);
    error::fire(error::Category::script, "not-related", &word, &datatype);
}

void cannot_use(uint8_t type) {
    Cell caller;
    stack::get_caller(&caller);
    Cell datatype = datatype_cell(type);
    error::fire(error::Category::script, "cannot-use", &caller, &datatype);
}

void invalid_path(const Cell* path, const Cell* selector) {
    Cell first = copy_or_none(path);
    Cell second = copy_or_none(selector);
    error::fire(error::Category::script, "invalid-path", &first, &second);
}

void invalid_arg(const Cell* value) {
    Cell copy = copy_or_none(value);
    error::fire(error::Category::script, "invalid-arg", &copy);
}

void type_limit(uint8_t type) {
    Cell datatype = datatype_cell(type);
    error::fire(error::Category::script, "type-limit", &datatype);
}

void overflow() {
    error::fire(error::Category::math, "overflow");
}

void zero_divide() {
    error::fire(error::Category::math, "zero-divide");
}

} // namespace zep::float_errors
