// Families of types that several modules treat alike.
#pragma once
#include <cstdint>

#include "runtime/cell.h"

namespace zep::type_set {

// string!, file!, url!, tag!, email!, ref!: text series.
inline bool is_any_string(uint8_t type) {
    switch (type) {
    case type_id::string:
    case type_id::file:
    case type_id::url:
    case type_id::tag:
    case type_id::email:
    case type_id::ref:
        return true;
    default:
        return false;
    }
}

// Series of cells that walks (binding, ownership) descend into: block!,
// paren!, hash! and the four path types.
inline bool is_block_like(uint8_t type) {
    switch (type) {
    case type_id::block:
    case type_id::paren:
    case type_id::path:
    case type_id::lit_path:
    case type_id::set_path:
    case type_id::get_path:
    case type_id::hash:
        return true;
    default:
        return false;
    }
}

} // namespace zep::type_set
