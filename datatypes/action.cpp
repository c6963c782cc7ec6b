#include "datatypes/action.h"

#include "datatypes/function_internal.h"
#include "datatypes/native.h"
#include "datatypes/registry.h"

namespace zep::action {

int32_t form(const Cell*, Cell* out_string, int32_t part_limit) {
    return function::detail::write(out_string, "?action?", part_limit);
}

int32_t mold(const Cell* value, Cell* out_string, bool, bool, bool, int32_t part_limit, int32_t) {
    return native::mold_made(value, "make action! [", out_string, part_limit);
}

void init() {
    datatype::SlotList slots;
    slots.set<action_slot::make>(&native::make);
    slots.set<action_slot::reflect>(&native::reflect);
    slots.set<action_slot::form>(&form);
    slots.set<action_slot::mold>(&mold);
    slots.set<action_slot::compare>(&native::compare);
    datatype::register_type(type_id::action, 0, "action!", slots);
}

} // namespace zep::action
