#include "datatypes/triple.h"

#include <cstdio>

#include "datatypes/registry.h"
#include "datatypes/unit_text.h"
#include "runtime/value_make.h"

namespace zep::triple {

Cell* make_at(Cell* cell, int32_t a, int32_t b, int32_t c) {
    value::set_cell(cell, type_id::triple, static_cast<uint32_t>(a), static_cast<uint32_t>(b),
                    static_cast<uint32_t>(c));
    return cell;
}

void init() {
    datatype::SlotList slots;
    slots.set<action_slot::form>(&form);
    slots.set<action_slot::mold>(&mold);
    datatype::register_type(type_id::triple, 0, "triple!", slots);
}

int32_t form(const Cell* value, Cell* out_string, int32_t part_limit) {
    char text[64];
    std::snprintf(text, sizeof text, "make triple! [%d %d %d]", static_cast<int32_t>(value->data1),
                  static_cast<int32_t>(value->data2), static_cast<int32_t>(value->data3));
    return unit_text::write(out_string, text, part_limit);
}

int32_t mold(const Cell* value, Cell* out_string, bool, bool, bool, int32_t part_limit, int32_t) {
    return form(value, out_string, part_limit);
}

} // namespace zep::triple
