#include <cstring>

#include "datatypes/string_buffer.h"
#include "datatypes/symbol.h"
#include "evaluator/compiled_support.h"
#include "evaluator/error_value.h"
#include "evaluator/stack.h"
#include "runtime/catch.h"
#include "runtime/error_catalog.h"
#include "runtime/value_make.h"

namespace zep::error {

TraceHook trace_hook = nullptr;

namespace {

// Builds the error on the argument stack (so that it stays reachable while
// the tracer runs) and answers its cell.
Cell* build(int32_t code, const Cell* arg1, const Cell* arg2, const Cell* arg3) {
    const Cell* args[3] = {arg1, arg2, arg3};
    Cell made;
    make_from_code(&made, code, args, 3);
    return stack::push(&made);
}

// Reports the error (on the argument stack) to the tracer and throws it.
[[noreturn]] void raise(Cell* error) {
    if (trace_hook) {
        uint32_t saved = catch_::exception_slot;
        catch_::exception_slot = 0;
        trace_hook(error);
        catch_::exception_slot = saved;
    }
    Cell copy = *error;
    stack::throw_error(&copy);
}

[[noreturn]] void invalid_id(const char* id) {
    Cell* text = stack::push_slot();
    value::set_none(text); // the slot is marked while the string is made
    string::make_at(text, static_cast<uint32_t>(std::strlen(id)));
    string::append_text(text, id);
    Cell copy = *text;
    fire_code(catalog::code_of(Category::internal, "invalid-error"), &copy);
}

void fire_hook(Category category, const char* id) {
    fire(category, id);
}

} // namespace

void fire_code(int32_t code, const Cell* arg1, const Cell* arg2, const Cell* arg3) {
    raise(build(code, arg1, arg2, arg3));
}

void fire(Category category, const char* id, const Cell* arg1, const Cell* arg2, const Cell* arg3) {
    int32_t code = catalog::code_of(category, id);
    if (code < 0) invalid_id(id);
    fire_code(code, arg1, arg2, arg3);
}

void fire_make_error(const Cell* type, const Cell* spec) {
    fire(Category::script, "bad-make-arg", type, spec);
}

void install_raise() {
    set_fire_hook(fire_hook);
}

} // namespace zep::error
