#include "runtime/print.h"

#include <cstdio>

#include "runtime/console_output.h"
#include "runtime/output_hooks.h"
#include "view/tui_hooks.h"

namespace zep::print {

namespace {

char number_buffer[64];

// Writes a formatted number and shows it to the buffer-level hooks.
void write_number(int length) {
    if (length < 0) return;
    auto n = static_cast<size_t>(length) < sizeof number_buffer ? static_cast<size_t>(length)
                                                                : sizeof number_buffer - 1;
    output::write_text(number_buffer, n, 1, false);
    output::fire_buffer_hooks(number_buffer, n, 0);
}

void print_item(const Item& item) {
    switch (item.tag) {
    case Tag::logic:
        write_cstring(item.value ? "true" : "false");
        break;
    case Tag::integer:
        format_int(static_cast<int32_t>(static_cast<uint32_t>(item.value)));
        break;
    case Tag::byte: {
        // The byte is a Latin-1 character; it goes out as UTF-8.
        auto code = static_cast<unsigned char>(item.value & 0xFF);
        char utf8[3] = {static_cast<char>(code), '\0', '\0'};
        if (code >= 0x80) {
            utf8[0] = static_cast<char>(0xC0 | code >> 6);
            utf8[1] = static_cast<char>(0x80 | (code & 0x3F));
        }
        write_cstring(utf8);
        break;
    }
    case Tag::float32: {
        auto bits = static_cast<uint32_t>(item.value);
        float value;
        std::memcpy(&value, &bits, sizeof value);
        format_float32(value);
        break;
    }
    case Tag::float64: {
        double value;
        std::memcpy(&value, &item.value, sizeof value);
        format_float64(value);
        break;
    }
    case Tag::text:
        if (item.value) write_cstring(reinterpret_cast<const char*>(item.value));
        break;
    default:
        format_hex8(static_cast<uint32_t>(item.value));
        break;
    }
}

} // namespace

void text(const Item* items, size_t count) {
    runtime::print_typed(items, count, false);
}
void line(const Item* items, size_t count) {
    runtime::print_typed(items, count, true);
}

void write_cstring(const char* text) {
    write_text(text, std::strlen(text));
}

void write_text(const char* text, size_t length) {
    output::write_bytes(text, length);
    output::fire_buffer_hooks(text, length, 0);
}

void format_int(int32_t value) {
    write_number(std::snprintf(number_buffer, sizeof number_buffer, "%d", value));
}
void format_hex2(uint32_t value) {
    write_number(std::snprintf(number_buffer, sizeof number_buffer, "%02X", value));
}
void format_hex8(uint32_t value) {
    write_number(std::snprintf(number_buffer, sizeof number_buffer, "%08X", value));
}
void format_float64(double value) {
    write_number(std::snprintf(number_buffer, sizeof number_buffer, "%.16g", value));
}
void format_float32(float value) {
    write_number(
        std::snprintf(number_buffer, sizeof number_buffer, "%.7g", static_cast<double>(value)));
}

} // namespace zep::print

namespace zep::runtime {

void print_typed(const print::Item* items, size_t count, bool new_line) {
    tui::restore_terminal();
    // Text that went through the C library's streams comes out first.
    std::fflush(nullptr);
    for (size_t i = 0; i < count; ++i) print::print_item(items[i]);
    if (new_line) print::write_cstring("\n");
    std::fflush(nullptr);
    tui::resume_terminal();
}

} // namespace zep::runtime
