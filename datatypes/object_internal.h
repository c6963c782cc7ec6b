// Details shared by the object! files.
#pragma once
#include <cstdint>

#include "runtime/cell.h"

namespace zep::object::detail {

// Stack slots the /local section of a function spec takes (function
// spec node): 1 for /local plus 1 per word after it; 0 without /local.
int32_t local_slots(Ref spec);

// context::object_hooks.
bool hook_has_on_change(const Cell* owner);
void hook_call_on_change(const Cell* owner, const Cell* word, const Cell* old_value,
                         const Cell* new_value);

// The field index of a word in the object (binding a copy when the word is
// not bound there); -1 when absent.
int32_t field_index(const Cell* object, const Cell* word);

} // namespace zep::object::detail
