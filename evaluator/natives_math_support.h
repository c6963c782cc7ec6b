// What the comparison, set, math and conversion natives share: argument type
// masks for the check flag, argument access and the errors they raise.
#pragma once
#include <cstdint>

#include "evaluator/stack.h"
#include "runtime/cell.h"

namespace zep::natives::support {

// A set of type ids (all ids are below 64).
using TypeMask = uint64_t;
constexpr TypeMask bit(uint8_t type) {
    return TypeMask{1} << type;
}
constexpr TypeMask number = bit(type_id::integer) | bit(type_id::float_) | bit(type_id::percent);
constexpr TypeMask any_point = bit(type_id::point2d) | bit(type_id::point3d);
constexpr TypeMask any_path =
    bit(type_id::path) | bit(type_id::lit_path) | bit(type_id::set_path) | bit(type_id::get_path);
constexpr TypeMask any_string = bit(type_id::string) | bit(type_id::file) | bit(type_id::url) |
                                bit(type_id::tag) | bit(type_id::email) | bit(type_id::ref);
constexpr TypeMask any_list = bit(type_id::block) | bit(type_id::paren) | bit(type_id::hash);
constexpr TypeMask series = any_list | any_path | any_string | bit(type_id::binary) |
                            bit(type_id::image) | bit(type_id::vector);
constexpr TypeMask scalar = number | any_point | bit(type_id::money) | bit(type_id::char_) |
                            bit(type_id::pair) | bit(type_id::tuple) | bit(type_id::time) |
                            bit(type_id::date);
constexpr TypeMask integer_or_float = bit(type_id::integer) | bit(type_id::float_);

inline bool is_in(TypeMask mask, uint8_t type) {
    return type < 64 && (mask & bit(type)) != 0;
}

// The argument at the current call's base + n.
inline Cell* arg(int32_t n) {
    return stack::base() + n;
}
// The argument of a refinement, or null when the refinement is absent.
inline Cell* refinement_arg(const int32_t* refinements, int n) {
    return refinements != nullptr && refinements[n] >= 0 ? arg(refinements[n]) : nullptr;
}

// With the check flag set: script expect-arg (the native's word, the
// argument's datatype, the argument's word) when the argument at offset n
// (none for a negative offset) is not one of the types.
void check_arg(bool check, const char* native, int32_t n, const char* argument, TypeMask types);

// script expect-arg naming the native, the value's datatype and the argument.
[[noreturn]] void fire_expect_arg(const char* native, const Cell* value, const char* argument);
// A datatype! cell naming the type.
Cell datatype_of(uint8_t type);

} // namespace zep::natives::support
