// The byte tests that parse uses on binary! input.
#include <algorithm>
#include <cstring>
#include <string>

#include "datatypes/binary.h"
#include "datatypes/binary_internal.h"
#include "datatypes/bitset.h"
#include "datatypes/registry.h"
#include "datatypes/string_buffer.h"

namespace zep::binary {

namespace {

unsigned char fold_ascii(unsigned char c) {
    return c >= 'a' && c <= 'z' ? static_cast<unsigned char>(c - 32) : c;
}

bool is_case_sensitive(int code) {
    return code == compare_code::strict_equal || code == compare_code::case_sort ||
           code == compare_code::same;
}

// The bytes a rule value stands for: a binary!'s, a text's UTF-8 (a tag! with
// its angle brackets) or a char!'s UTF-8; false for any other value.
bool pattern_of(const Cell* value, std::string* out) {
    uint8_t type = cell_type(value);
    if (type != type_id::binary && type != type_id::char_ && !string::is_any_string(type))
        return false;
    *out = bytes_of(value, -1);
    return true;
}

bool bytes_equal(const unsigned char* a, const unsigned char* b, size_t n, bool case_sensitive) {
    if (case_sensitive) return std::memcmp(a, b, n) == 0;
    for (size_t i = 0; i < n; ++i)
        if (fold_ascii(a[i]) != fold_ascii(b[i])) return false;
    return true;
}

} // namespace

bool is_match_value(const Cell* binary, const Cell* value, int code) {
    std::string pattern;
    if (!pattern_of(value, &pattern)) return false;
    uint32_t available = length_at(binary);
    if (pattern.size() > available) return false;
    // Text rules match letters without regard to case; binary rules exactly.
    bool exact = cell_type(value) == type_id::binary || is_case_sensitive(code);
    return bytes_equal(head_pointer(binary), reinterpret_cast<const unsigned char*>(pattern.data()),
                       pattern.size(), exact);
}

bool is_byte_in_bitset(const Cell* binary, const Cell* bitset) {
    if (length_at(binary) == 0) return false;
    uint32_t byte = *head_pointer(binary);
    if (byte >= uint64_t{bitset::byte_count(bitset)} * 8) return bitset::is_complemented(bitset);
    return (bitset::get_data(bitset)[byte >> 3] & (0x80u >> (byte & 7))) != 0;
}

int compare_bytes(const Cell* binary, const Cell* value, int code, bool match) {
    std::string pattern;
    if (!pattern_of(value, &pattern)) return compare_code::not_comparable;
    const unsigned char* here = head_pointer(binary);
    uint32_t available = length_at(binary);
    const auto* bytes = reinterpret_cast<const unsigned char*>(pattern.data());
    bool exact = cell_type(value) == type_id::binary || is_case_sensitive(code);
    if (match) {
        if (pattern.size() > available) return 1;
        return bytes_equal(here, bytes, pattern.size(), exact) ? 0 : 1;
    }
    size_t n = std::min<size_t>(available, pattern.size());
    for (size_t i = 0; i < n; ++i) {
        unsigned char a = exact ? here[i] : fold_ascii(here[i]);
        unsigned char b = exact ? bytes[i] : fold_ascii(bytes[i]);
        if (a != b) return a < b ? -1 : 1;
    }
    return (available > pattern.size()) - (available < pattern.size());
}

} // namespace zep::binary
