// Deflate (RFC 1951), zlib (RFC 1950) and gzip (RFC 1952) streams through
// zlib, in the form the `compress` and `decompress` natives call them: the
// caller hands an output buffer and its size, and learns the size it needs
// when the buffer is too small.
#pragma once
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string_view>

namespace zep::compress {

enum class Format : uint8_t { zlib, deflate, gzip };

// The format a (case-insensitive) method name stands for, or nothing.
std::optional<Format> format_of(std::string_view name);

// Outcome codes.
enum : int {
    done = 0,      // finished; *out_size holds the output size
    too_small = 1, // the buffer is too small; *out_size holds the size needed
    bad_data = 2,  // the input is not a valid stream of the format
    too_large = 3, // the output would exceed max_output
    failed = 4,    // zlib refused (out of memory)
};

// Outputs never grow beyond this (binary! lengths are 32-bit signed).
constexpr uint64_t max_output = 0x7FFFFFFF;

// Encodes length bytes into out, whose room is *out_size bytes.
int encode(Format format, unsigned char* out, uint64_t* out_size, const unsigned char* in,
           uint64_t length);
// Decodes a whole stream into out (room *out_size bytes). With out null only
// the output size is measured into *out_size. Input that ends before the
// stream does, or a stream with bytes after its end, is bad data; the zlib
// decoder also checks (CMF x 256 + FLG) mod 31 = 0, method 8 and no preset
// dictionary, the gzip decoder the bytes 31, 139 and method 8.
int decode(Format format, unsigned char* out, uint64_t* out_size, const unsigned char* in,
           uint64_t length);

} // namespace zep::compress
