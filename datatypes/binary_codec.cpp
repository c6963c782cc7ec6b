// Base 2, 16, 58 and 64 text to bytes and back.
#include "datatypes/binary_codec.h"

#include <vector>

namespace zep::binary::codec {

namespace {

constexpr char hex_digits[] = "0123456789ABCDEF";
constexpr char base58_digits[] = "123456789ABCDEFGHJKLMNPQRSTUVWXYZabcdefghijkmnopqrstuvwxyz";
constexpr char base64_digits[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";

bool is_blank(unsigned char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\f' || c == '\v';
}

int hex_value(unsigned char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    return -1;
}

int base58_value(unsigned char c) {
    for (int i = 0; i < 58; ++i)
        if (base58_digits[i] == c) return i;
    return -1;
}

int base64_value(unsigned char c) {
    if (c >= 'A' && c <= 'Z') return c - 'A';
    if (c >= 'a' && c <= 'z') return c - 'a' + 26;
    if (c >= '0' && c <= '9') return c - '0' + 52;
    if (c == '+') return 62;
    if (c == '/') return 63;
    return -1;
}

std::optional<std::string> decode_2(const unsigned char* p, size_t n) {
    std::string out;
    unsigned bits = 0;
    int count = 0;
    for (size_t i = 0; i < n; ++i) {
        unsigned char c = p[i];
        if (is_blank(c)) continue;
        if (c == ';') {
            while (i < n && p[i] != '\n') ++i;
            continue;
        }
        if (c != '0' && c != '1') return std::nullopt;
        bits = (bits << 1) | (c - '0');
        if (++count == 8) {
            out.push_back(static_cast<char>(bits));
            bits = 0;
            count = 0;
        }
    }
    if (count != 0) return std::nullopt;
    return out;
}

std::optional<std::string> decode_16(const unsigned char* p, size_t n) {
    std::string out;
    int high = -1;
    for (size_t i = 0; i < n; ++i) {
        if (is_blank(p[i])) continue;
        int v = hex_value(p[i]);
        if (v < 0) return std::nullopt;
        if (high < 0) {
            high = v;
        } else {
            out.push_back(static_cast<char>(high << 4 | v));
            high = -1;
        }
    }
    if (high >= 0) return std::nullopt;
    return out;
}

std::optional<std::string> decode_64(const unsigned char* p, size_t n) {
    std::string out;
    uint32_t group = 0;
    int count = 0;   // digits in the current group
    int padding = 0; // "=" seen
    for (size_t i = 0; i < n; ++i) {
        unsigned char c = p[i];
        if (is_blank(c)) continue;
        if (c == '=') {
            ++padding;
            continue;
        }
        int v = base64_value(c);
        if (v < 0 || padding) return std::nullopt; // a digit after padding
        group = group << 6 | static_cast<uint32_t>(v);
        if (++count == 4) {
            out.push_back(static_cast<char>(group >> 16));
            out.push_back(static_cast<char>(group >> 8));
            out.push_back(static_cast<char>(group));
            group = 0;
            count = 0;
        }
    }
    // A last group of 2 or 3 digits carries 1 or 2 bytes; padding, when
    // given, must fill the group exactly.
    if (count == 1) return std::nullopt;
    if (padding && (count == 0 || count + padding != 4)) return std::nullopt;
    if (count == 2) {
        out.push_back(static_cast<char>(group >> 4));
    } else if (count == 3) {
        out.push_back(static_cast<char>(group >> 10));
        out.push_back(static_cast<char>(group >> 2));
    }
    return out;
}

// Base 58 works on a big number held as little-endian 32-bit limbs.
std::optional<std::string> decode_58(const unsigned char* p, size_t n) {
    std::vector<int> digits;
    for (size_t i = 0; i < n; ++i) {
        if (is_blank(p[i])) continue;
        int v = base58_value(p[i]);
        if (v < 0) return std::nullopt;
        digits.push_back(v);
    }
    if (digits.size() > base58_limit) return std::nullopt;
    size_t zeros = 0;
    while (zeros < digits.size() && digits[zeros] == 0) ++zeros;
    std::vector<uint32_t> limbs;
    for (size_t i = zeros; i < digits.size(); ++i) {
        uint64_t carry = static_cast<uint64_t>(digits[i]);
        for (uint32_t& limb : limbs) {
            uint64_t t = uint64_t{limb} * 58 + carry;
            limb = static_cast<uint32_t>(t);
            carry = t >> 32;
        }
        if (carry) limbs.push_back(static_cast<uint32_t>(carry));
    }
    std::string body;
    for (uint32_t limb : limbs)
        for (int b = 0; b < 4; ++b) body.push_back(static_cast<char>(limb >> (8 * b)));
    while (!body.empty() && body.back() == 0) body.pop_back();
    std::string out(zeros, '\0');
    out.append(body.rbegin(), body.rend());
    return out;
}

std::string encode_58(const unsigned char* p, size_t n) {
    size_t zeros = 0;
    while (zeros < n && p[zeros] == 0) ++zeros;
    // Digits of 58, least significant first, held in limbs of 58^5.
    constexpr uint32_t chunk = 58u * 58 * 58 * 58 * 58;
    std::vector<uint32_t> limbs;
    for (size_t i = zeros; i < n; ++i) {
        uint64_t carry = p[i];
        for (uint32_t& limb : limbs) {
            uint64_t t = uint64_t{limb} * 256 + carry;
            limb = static_cast<uint32_t>(t % chunk);
            carry = t / chunk;
        }
        while (carry) {
            limbs.push_back(static_cast<uint32_t>(carry % chunk));
            carry /= chunk;
        }
    }
    std::string digits;
    for (uint32_t limb : limbs)
        for (int d = 0; d < 5; ++d) {
            digits.push_back(base58_digits[limb % 58]);
            limb /= 58;
        }
    while (!digits.empty() && digits.back() == '1') digits.pop_back();
    std::string out(zeros, '1');
    out.append(digits.rbegin(), digits.rend());
    return out;
}

} // namespace

std::optional<std::string> decode(int base, const unsigned char* text, size_t length) {
    switch (base) {
    case 2:
        return decode_2(text, length);
    case 16:
        return decode_16(text, length);
    case 58:
        return decode_58(text, length);
    case 64:
        return decode_64(text, length);
    default:
        return std::nullopt;
    }
}

std::optional<std::string> encode(int base, const unsigned char* bytes, size_t length) {
    std::string out;
    switch (base) {
    case 2:
        out.reserve(length * 8);
        for (size_t i = 0; i < length; ++i)
            for (int b = 7; b >= 0; --b) out.push_back((bytes[i] >> b) & 1 ? '1' : '0');
        return out;
    case 16:
        out.reserve(length * 2);
        for (size_t i = 0; i < length; ++i) {
            out.push_back(hex_digits[bytes[i] >> 4]);
            out.push_back(hex_digits[bytes[i] & 15]);
        }
        return out;
    case 58:
        if (length > base58_limit) return std::nullopt;
        return encode_58(bytes, length);
    case 64: {
        out.reserve((length + 2) / 3 * 4);
        size_t i = 0;
        for (; i + 3 <= length; i += 3) {
            uint32_t g = uint32_t{bytes[i]} << 16 | uint32_t{bytes[i + 1]} << 8 | bytes[i + 2];
            for (int s = 18; s >= 0; s -= 6) out.push_back(base64_digits[(g >> s) & 63]);
        }
        if (length - i == 1) {
            uint32_t g = uint32_t{bytes[i]} << 16;
            out.push_back(base64_digits[(g >> 18) & 63]);
            out.push_back(base64_digits[(g >> 12) & 63]);
            out.append("==");
        } else if (length - i == 2) {
            uint32_t g = uint32_t{bytes[i]} << 16 | uint32_t{bytes[i + 1]} << 8;
            out.push_back(base64_digits[(g >> 18) & 63]);
            out.push_back(base64_digits[(g >> 12) & 63]);
            out.push_back(base64_digits[(g >> 6) & 63]);
            out.push_back('=');
        }
        return out;
    }
    default:
        return std::nullopt;
    }
}

uint64_t encoded_length(int base, size_t length) {
    uint64_t n = length;
    switch (base) {
    case 2:
        return n * 8;
    case 16:
        return n * 2;
    case 58:
        // log(256) / log(58) < 1.366: digits for the value, plus one per
        // leading zero byte at worst.
        return length > base58_limit ? 0 : n * 138 / 100 + 1 + n;
    case 64:
        return (n + 2) / 3 * 4;
    default:
        return 0;
    }
}

} // namespace zep::binary::codec
