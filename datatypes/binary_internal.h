// Helpers shared by the binary! sources.
#pragma once
#include <cstdint>
#include <string>

#include "datatypes/binary_codec.h"
#include "runtime/cell.h"

namespace zep::binary {

// The bytes of a binary! from its position (clamped) to its tail.
std::string bytes_from_head(const Cell* value);
// The bytes a value adds to a binary!, cut to `part` when part >= 0: a
// char!'s UTF-8, an integer! as one byte (script out-of-range beyond 0-255),
// a binary!'s bytes, a text's UTF-8 (a tag! with its angle brackets), a
// block's elements one after another, any other value formed as UTF-8.
std::string bytes_of(const Cell* value, int32_t part);

} // namespace zep::binary
