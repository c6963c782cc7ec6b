// Raising catalogue errors from the runtime's lowest layers. The evaluator
// installs the full raise (building the error object); until then a raise
// records the category and id and throws the error code.
#pragma once
#include <cstdint>

namespace zep::error {

enum class Category : uint8_t {
    throw_ = 0,
    note,
    syntax,
    script,
    math,
    access,
    reserved1,
    reserved2,
    user,
    internal
};

// Raises the catalogue error `id` of `category` (for example internal
// "no-memory"). Never returns.
[[noreturn]] void fire_named(Category category, const char* id);

// The last error raised through fire_named, for receivers that run before
// error objects exist (and for tests).
struct Raised {
    Category category;
    const char* id;
};
extern Raised last_raised;

// Installs the raise used once the error catalogue is loaded. The hook must
// not return; fire_named throws the error code if it does.
using FireHook = void (*)(Category category, const char* id);
void set_fire_hook(FireHook hook);

} // namespace zep::error
