#include "services/checksum.h"

#include <openssl/evp.h>
#include <openssl/hmac.h>
#include <zlib.h>

#include <algorithm>
#include <array>
#include <climits>

namespace zep::checksum {

namespace {

struct MethodName {
    const char* name;
    Method method;
};
constexpr std::array<MethodName, 9> method_names{{
    {"md5", Method::md5},
    {"sha1", Method::sha1},
    {"sha256", Method::sha256},
    {"sha384", Method::sha384},
    {"sha512", Method::sha512},
    {"crc32", Method::crc32},
    {"tcp", Method::tcp},
    {"adler32", Method::adler32},
    {"hash", Method::hash},
}};

bool same_ascii_ignoring_case(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i) {
        unsigned char x = static_cast<unsigned char>(a[i]);
        unsigned char y = static_cast<unsigned char>(b[i]);
        if (x >= 'A' && x <= 'Z') x = static_cast<unsigned char>(x + 32);
        if (y >= 'A' && y <= 'Z') y = static_cast<unsigned char>(y + 32);
        if (x != y) return false;
    }
    return true;
}

const EVP_MD* algorithm_of(Method method) {
    switch (method) {
    case Method::md5:
        return EVP_md5();
    case Method::sha1:
        return EVP_sha1();
    case Method::sha256:
        return EVP_sha256();
    case Method::sha384:
        return EVP_sha384();
    case Method::sha512:
        return EVP_sha512();
    default:
        return nullptr;
    }
}

// zlib counts lengths in uInt: feed longer inputs in pieces.
constexpr size_t zlib_piece = UINT_MAX / 2 + 1;

} // namespace

std::optional<Method> method_of(std::string_view name) {
    for (const MethodName& entry : method_names) {
        if (same_ascii_ignoring_case(name, entry.name)) return entry.method;
    }
    return std::nullopt;
}

bool is_digest(Method method) {
    return algorithm_of(method) != nullptr;
}

size_t digest_size(Method method) {
    const EVP_MD* algorithm = algorithm_of(method);
    return algorithm ? static_cast<size_t>(EVP_MD_size(algorithm)) : 0;
}

uint32_t crc32(const unsigned char* bytes, size_t length) {
    uLong crc = ::crc32(0L, Z_NULL, 0);
    while (length > 0) {
        size_t piece = std::min(length, zlib_piece);
        crc = ::crc32(crc, bytes, static_cast<uInt>(piece));
        bytes += piece;
        length -= piece;
    }
    return static_cast<uint32_t>(crc);
}

uint32_t adler32(const unsigned char* bytes, size_t length) {
    uLong sum = ::adler32(0L, Z_NULL, 0);
    while (length > 0) {
        size_t piece = std::min(length, zlib_piece);
        sum = ::adler32(sum, bytes, static_cast<uInt>(piece));
        bytes += piece;
        length -= piece;
    }
    return static_cast<uint32_t>(sum);
}

uint32_t tcp(const unsigned char* bytes, size_t length) {
    uint64_t sum = 0;
    size_t i = 0;
    for (; i + 1 < length; i += 2) sum += uint32_t{bytes[i]} << 8 | bytes[i + 1];
    if (i < length) sum += uint32_t{bytes[i]} << 8;
    while (sum >> 16) sum = (sum & 0xFFFF) + (sum >> 16);
    return static_cast<uint32_t>(~sum & 0xFFFF);
}

std::string digest(Method method, const unsigned char* bytes, size_t length) {
    const EVP_MD* algorithm = algorithm_of(method);
    if (!algorithm) return {};
    unsigned char out[EVP_MAX_MD_SIZE];
    unsigned int out_length = 0;
    if (EVP_Digest(bytes, length, out, &out_length, algorithm, nullptr) != 1) return {};
    return std::string(reinterpret_cast<const char*>(out), out_length);
}

std::optional<std::string> hmac(Method method, const unsigned char* bytes, size_t length,
                                const unsigned char* key, size_t key_length) {
    const EVP_MD* algorithm = algorithm_of(method);
    if (!algorithm || key_length > INT_MAX) return std::nullopt;
    unsigned char out[EVP_MAX_MD_SIZE];
    unsigned int out_length = 0;
    // HMAC with an empty key still needs a valid key pointer.
    static const unsigned char no_key = 0;
    if (!HMAC(algorithm, key_length ? key : &no_key, static_cast<int>(key_length), bytes, length,
              out, &out_length))
        return std::nullopt;
    return std::string(reinterpret_cast<const char*>(out), out_length);
}

} // namespace zep::checksum
