// The base 2, 16, 58 and 64 codecs on plain byte strings, with no managed
// memory: binary!'s decode_N/encode_N wrap them, and the tests drive them
// directly.
#pragma once
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>

namespace zep::binary::codec {

// Base 58 costs time that grows with the square of the length: inputs of more
// than this many bytes (or text characters) are refused.
constexpr size_t base58_limit = 65536;

// The bytes a text decodes to in the base, or nothing when it is not valid.
// White space between digits is skipped; base 2 also skips ";" comments to
// the line end; base 64 takes "=" padding (optional) only at the end.
std::optional<std::string> decode(int base, const unsigned char* text, size_t length);

// The text of the bytes: base 2 eight digits a byte, base 16 two upper-case
// digits a byte, base 58 the alphabet 1-9 A-Z a-z without 0 O I l (a leading
// "1" for each leading zero byte), base 64 A-Z a-z 0-9 + / with "=" padding.
// Base 58 over base58_limit bytes, and other bases, give nothing.
std::optional<std::string> encode(int base, const unsigned char* bytes, size_t length);

// The room encode's text needs: exact for bases 2, 16 and 64, an upper bound
// for base 58 (0 for a refused input).
uint64_t encoded_length(int base, size_t length);

} // namespace zep::binary::codec
