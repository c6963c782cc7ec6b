// block!: registration of the datatype's own action slots; the others come
// from series!.
#include "datatypes/block.h"

#include "datatypes/registry.h"
#include "datatypes/series.h"

namespace zep::block {

void init() {
    datatype::SlotList slots(datatype::inherit);
    slots.set<action_slot::make>(&make);
    slots.set<action_slot::to>(&to);
    slots.set<action_slot::form>(&form);
    slots.set<action_slot::mold>(&mold);
    slots.set<action_slot::eval_path>(&eval_path);
    slots.set<action_slot::compare>(&compare);
    slots.set<action_slot::append>(&append);
    slots.set<action_slot::insert>(&append);
    slots.set<action_slot::change>(&change);
    slots.set<action_slot::copy>(&copy);
    slots.set<action_slot::find>(&find);
    slots.set<action_slot::put>(&put);
    slots.set<action_slot::select>(&select);
    slots.set<action_slot::sort>(&sort);
    slots.set<action_slot::swap>(&swap);
    slots.set<action_slot::take>(static_cast<TakeFn>(&take));
    slots.set<action_slot::trim>(&trim);
    datatype::register_type(type_id::block, type_id::series, "block!", slots);
}

} // namespace zep::block
