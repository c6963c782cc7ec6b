// The typed printer through which the runtime prints its own messages: a
// list of (tag, value) items, and the writers and number formatters it uses.
#pragma once
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <initializer_list>

namespace zep::print {

enum class Tag : uint32_t {
    logic = 1,   // non-zero prints "true", else "false"
    integer = 2, // 32-bit integer in decimal
    byte = 3,    // one byte, printed as that character
    float32 = 4, // "%.7g"
    float64 = 5, // "%.16g"
    text = 6,    // address of a NUL-terminated UTF-8 text
    address = 7, // any other tag prints the low 32 bits as "%08X"
};

struct Item {
    Tag tag;
    uint64_t value;
};

namespace item {
inline Item logic(bool value) {
    return {Tag::logic, value ? 1u : 0u};
}
inline Item integer(int32_t value) {
    return {Tag::integer, static_cast<uint32_t>(value)};
}
inline Item byte(uint8_t value) {
    return {Tag::byte, value};
}
inline Item float32(float value) {
    uint32_t bits;
    std::memcpy(&bits, &value, sizeof bits);
    return {Tag::float32, bits};
}
inline Item float64(double value) {
    uint64_t bits;
    std::memcpy(&bits, &value, sizeof bits);
    return {Tag::float64, bits};
}
inline Item text(const char* value) {
    return {Tag::text, reinterpret_cast<uintptr_t>(value)};
}
inline Item address_of(uintptr_t value) {
    return {Tag::address, value};
}
} // namespace item

// Prints the items one after another with no separator; `line` adds a line
// feed.
void text(const Item* items, size_t count);
void line(const Item* items, size_t count);
inline void text(std::initializer_list<Item> items) {
    text(items.begin(), items.size());
}
inline void line(std::initializer_list<Item> items) {
    line(items.begin(), items.size());
}

// Writes NUL-terminated UTF-8 text as it is, then fires the buffer-level
// output hooks with (text, length, 0).
void write_cstring(const char* text);
// The same for `length` bytes of UTF-8 text, NUL bytes included.
void write_text(const char* text, size_t length);

// Number formatters: "%d", "%02X", "%08X", "%.16g" and "%.7g". Each writes
// the digits and fires the buffer-level hooks with them.
void format_int(int32_t value);
void format_hex2(uint32_t value);
void format_hex8(uint32_t value);
void format_float64(double value);
void format_float32(float value);

} // namespace zep::print

namespace zep::runtime {

// Prints typed items (a line feed after them when new_line is set), giving
// the terminal back to plain output meanwhile.
void print_typed(const print::Item* items, size_t count, bool new_line);

} // namespace zep::runtime
