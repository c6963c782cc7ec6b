// Checksums and digests over byte strings: CRC-32 and Adler-32 (zlib), the
// 16-bit internet checksum, and the MD5/SHA digests and their HMAC (OpenSSL
// libcrypto). No managed memory: the `checksum` native wraps these.
#pragma once
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace zep::checksum {

enum class Method : uint8_t { md5, sha1, sha256, sha384, sha512, crc32, tcp, adler32, hash };

// The method a (case-insensitive) name stands for, or nothing.
std::optional<Method> method_of(std::string_view name);
// True for the digest methods (md5 ... sha512).
bool is_digest(Method method);
// The digest's size in bytes (md5 16, sha1 20, sha256 32, sha384 48,
// sha512 64); 0 for the other methods.
size_t digest_size(Method method);

// CRC-32 with initial and final inversion (the zlib/PNG/Ethernet one).
uint32_t crc32(const unsigned char* bytes, size_t length);
// The one's-complement sum of big-endian 16-bit words (an odd last byte
// padded with zero), folded and complemented: the internet checksum.
uint32_t tcp(const unsigned char* bytes, size_t length);
// Adler-32 (modulus 65521).
uint32_t adler32(const unsigned char* bytes, size_t length);

// The digest of the bytes; empty for a method that is not a digest.
std::string digest(Method method, const unsigned char* bytes, size_t length);
// The HMAC of the bytes under the key with the digest method; nothing for a
// method without HMAC (the caller reports it).
std::optional<std::string> hmac(Method method, const unsigned char* bytes, size_t length,
                                const unsigned char* key, size_t key_length);

// The message printed when a method has no HMAC.
constexpr const char* no_hmac_message = "The selected algorithm doesn't support HMAC calculation";
// The message printed by `checksum/with data 'hash size`: that method has
// no algorithm yet.
constexpr const char* hash_stub_message = "** /hash support not yet implemented; algorithm TBD.";

} // namespace zep::checksum
