#include "datatypes/percent.h"

#include <cmath>
#include <cstring>
#include <string>

#include "datatypes/float.h"
#include "datatypes/registry.h"
#include "datatypes/string_buffer.h"
#include "evaluator/stack.h"
#include "runtime/float_text.h"
#include "runtime/value_make.h"

namespace zep::percent {

void init() {
    datatype::SlotList slots;
    slots.set<action_slot::make>(datatype::inherit);
    slots.set<action_slot::random>(datatype::inherit);
    slots.set<action_slot::to>(datatype::inherit);
    slots.set<action_slot::compare>(datatype::inherit);
    slots.set<action_slot::absolute>(datatype::inherit);
    slots.set<action_slot::add>(datatype::inherit);
    slots.set<action_slot::divide>(datatype::inherit);
    slots.set<action_slot::multiply>(datatype::inherit);
    slots.set<action_slot::negate>(datatype::inherit);
    slots.set<action_slot::power>(datatype::inherit);
    slots.set<action_slot::remainder>(datatype::inherit);
    slots.set<action_slot::round>(datatype::inherit);
    slots.set<action_slot::subtract>(datatype::inherit);
    slots.set<action_slot::is_even>(datatype::inherit);
    slots.set<action_slot::is_odd>(datatype::inherit);
    slots.set<action_slot::form>(&form);
    slots.set<action_slot::mold>(&mold);
    datatype::register_type(type_id::percent, type_id::float_, "percent!", slots);
}

Cell* make_in(Cell* cell, double value) {
    value::set_double(cell, type_id::percent, value);
    return cell;
}

Cell* make_in_words(Cell* cell, uint32_t low, uint32_t high) {
    value::set_cell(cell, type_id::percent, 0, low, high);
    return cell;
}

Cell* push(double value) {
    return make_in(stack::push_slot(), value);
}

Cell* push_words(uint32_t low, uint32_t high) {
    return make_in_words(stack::push_slot(), low, high);
}

int32_t form(const Cell* value, Cell* out_string, int32_t part_limit) {
    const char* text = float_::form_float(float_::get(value) * 100.0, float_::kind::percent);
    string::append_text(out_string, text);
    return part_limit - static_cast<int32_t>(std::strlen(text));
}

// The shortest digits that read back to the same fraction, laid out without
// an exponent (a percent literal takes none): mold's text loads back to the
// value it came from, where form's 13 digits may not.
int32_t mold(const Cell* value, Cell* out_string, bool, bool, bool, int32_t part_limit, int32_t) {
    double x = float_::get(value);
    if (!std::isfinite(x)) return form(value, out_string, part_limit);
    std::string text = float_::form_fixed(x, 0, false, 2) + "%";
    string::append_text(out_string, text.c_str());
    return part_limit - static_cast<int32_t>(text.size());
}

} // namespace zep::percent
