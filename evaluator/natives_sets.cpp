// union, intersect, unique, difference, exclude and complement?.
#include "evaluator/natives_sets.h"

#include "datatypes/bitset.h"
#include "datatypes/block.h"
#include "datatypes/date.h"
#include "datatypes/string_actions.h"
#include "datatypes/typeset.h"
#include "evaluator/compiled_support.h"
#include "evaluator/natives.h"
#include "evaluator/natives_math_support.h"
#include "runtime/value_make.h"

namespace zep::natives {

using namespace support;

namespace {

constexpr TypeMask set_types = bit(type_id::block) | bit(type_id::hash) | bit(type_id::string) |
                               bit(type_id::bitset) | bit(type_id::typeset);
constexpr TypeMask unique_types = bit(type_id::block) | bit(type_id::hash) | bit(type_id::string);

const char* name_of(int code) {
    switch (code) {
    case set_code::unique:
        return "unique";
    case set_code::union_:
        return "union";
    case set_code::intersect:
        return "intersect";
    case set_code::exclude:
        return "exclude";
    default:
        return "difference";
    }
}

bool is_list(uint8_t type) {
    return type == type_id::block || type == type_id::hash;
}

// Two sets of kinds that cannot be combined: script expect-val.
[[noreturn]] void fire_mismatch(const Cell* set1, const Cell* set2) {
    Cell type1 = datatype_of(cell_type(set1));
    Cell type2 = datatype_of(cell_type(set2));
    error::fire(error::Category::script, "expect-val", &type1, &type2);
}

// The entry of the two-set natives: set1 set2 /case /skip size.
void run_two_sets(bool check, const int32_t* refinements, int code) {
    TypeMask types = set_types;
    if (code == set_code::difference) types |= bit(type_id::date);
    check_arg(check, name_of(code), 0, "set1", types);
    check_arg(check, name_of(code), 1, "set2", types);
    if (refinements) check_arg(check, name_of(code), refinements[1], "size", bit(type_id::integer));
    set_operation(is_given(refinements, 0), refinement_arg(refinements, 1), code);
}

} // namespace

void set_operation(bool case_, const Cell* skip, int code) {
    Cell* set1 = stack::base();
    uint8_t type = cell_type(set1);
    if (code != set_code::unique) {
        const Cell* set2 = set1 + 1;
        uint8_t other = cell_type(set2);
        bool agree = is_list(type) ? is_list(other) : other == type;
        if (!agree) fire_mismatch(set1, set2);
    }
    const char* argument = code == set_code::unique ? "set" : "set1";
    switch (type) {
    case type_id::block:
    case type_id::hash:
        block::set_operation(case_, skip, code);
        return;
    case type_id::string:
        string::set_operation(case_, skip, code);
        return;
    case type_id::bitset:
        if (code == set_code::unique) break;
        bitset::do_bitwise(code);
        return;
    case type_id::typeset:
        if (code == set_code::unique) break;
        typeset::do_bitwise(code);
        return;
    case type_id::date:
        if (code != set_code::difference) break;
        date::difference(set1, set1 + 1);
        return;
    default:
        break;
    }
    fire_expect_arg(name_of(code), set1, argument);
}

void union_(bool check, const int32_t* refinements) {
    run_two_sets(check, refinements, set_code::union_);
}
void intersect(bool check, const int32_t* refinements) {
    run_two_sets(check, refinements, set_code::intersect);
}
void difference(bool check, const int32_t* refinements) {
    run_two_sets(check, refinements, set_code::difference);
}
void exclude(bool check, const int32_t* refinements) {
    run_two_sets(check, refinements, set_code::exclude);
}

void unique(bool check, const int32_t* refinements) {
    check_arg(check, "unique", 0, "set", unique_types);
    if (refinements) check_arg(check, "unique", refinements[1], "size", bit(type_id::integer));
    set_operation(is_given(refinements, 0), refinement_arg(refinements, 1), set_code::unique);
}

void is_complement(bool, const int32_t*) {
    Cell* base = stack::base();
    if (cell_type(base) != type_id::bitset) fire_expect_arg("complement?", base, "bits");
    value::set_logic(base, bitset::is_complemented(base));
}

void register_sets() {
    set_entry(index::union_, union_);
    set_entry(index::intersect, intersect);
    set_entry(index::unique, unique);
    set_entry(index::difference, difference);
    set_entry(index::exclude, exclude);
    set_entry(index::is_complement, is_complement);
}

} // namespace zep::natives
