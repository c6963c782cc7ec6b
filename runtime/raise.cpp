#include "runtime/raise.h"

#include "runtime/catch.h"

namespace zep::error {

Raised last_raised{Category::internal, nullptr};

namespace {
FireHook fire_hook = nullptr;
}

void set_fire_hook(FireHook hook) {
    fire_hook = hook;
}

void fire_named(Category category, const char* id) {
    last_raised = {category, id};
    if (fire_hook) fire_hook(category, id);
    catch_::throw_code(catch_::code_error);
}

} // namespace zep::error
