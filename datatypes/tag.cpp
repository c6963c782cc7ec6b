// tag!: a text written between angle brackets.
#include "datatypes/tag.h"

#include "datatypes/registry.h"
#include "datatypes/text_literal.h"

namespace zep::tag {

Cell* load_at(const unsigned char* text, size_t length, Cell* cell) {
    return text_literal::load_as(type_id::tag, text, length, cell);
}

int32_t form(const Cell* value, Cell* out_string, int32_t part_limit) {
    return text_literal::write_marked(value, out_string, "<", ">", part_limit);
}

int32_t mold(const Cell* value, Cell* out_string, bool, bool, bool, int32_t part_limit, int32_t) {
    return form(value, out_string, part_limit);
}

void init() {
    datatype::SlotList slots(datatype::inherit);
    slots.set<action_slot::form>(&form).set<action_slot::mold>(&mold);
    datatype::register_type(type_id::tag, type_id::string, "tag!", slots);
}

} // namespace zep::tag
