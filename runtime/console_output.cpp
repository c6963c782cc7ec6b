#include "runtime/console_output.h"

#include <unistd.h>

#include "runtime/error_exit.h"
#include "runtime/platform.h"
#include "runtime/record.h"
#include "runtime/unicode/units.h"

namespace zep {

namespace {

bool console_flag = false;

// Encoded text waits here until a chunk is full or the write ends. Static
// storage keeps the writers usable before start-up and after the tracked
// heap is released by the error exit.
unsigned char out_buffer[1024];
size_t pending = 0;

// More than this many pending bytes are written at once; one more code point
// (at most four bytes) always fits behind them.
constexpr size_t flush_threshold = 1020;

void flush() {
    platform::write_all(STDOUT_FILENO, out_buffer, pending);
    pending = 0;
}

void put_code_point(uint32_t cp) {
    // Surrogates and values beyond Unicode have no UTF-8 form.
    if ((cp >= 0xD800 && cp <= 0xDFFF) || cp > 0x10FFFF) cp = 0xFFFD;
    unsigned char* out = out_buffer + pending;
    if (cp < 0x80) {
        out[0] = static_cast<unsigned char>(cp);
        pending += 1;
    } else if (cp < 0x800) {
        out[0] = static_cast<unsigned char>(0xC0 | cp >> 6);
        out[1] = static_cast<unsigned char>(0x80 | (cp & 0x3F));
        pending += 2;
    } else if (cp < 0x10000) {
        out[0] = static_cast<unsigned char>(0xE0 | cp >> 12);
        out[1] = static_cast<unsigned char>(0x80 | (cp >> 6 & 0x3F));
        out[2] = static_cast<unsigned char>(0x80 | (cp & 0x3F));
        pending += 3;
    } else {
        out[0] = static_cast<unsigned char>(0xF0 | cp >> 18);
        out[1] = static_cast<unsigned char>(0x80 | (cp >> 12 & 0x3F));
        out[2] = static_cast<unsigned char>(0x80 | (cp >> 6 & 0x3F));
        out[3] = static_cast<unsigned char>(0x80 | (cp & 0x3F));
        pending += 4;
    }
    if (pending > flush_threshold) flush();
}

// Both paths encode the same way on this platform: the terminal takes UTF-8
// and interprets escape sequences itself, and redirected output is UTF-8.
void encode_and_write(const void* units, size_t byte_length, uint32_t unit_size, bool new_line) {
    if (unit_size != 1 && unit_size != 2 && unit_size != 4)
        runtime::error_exit(101, runtime::save_fault_frame());
    auto* p = static_cast<const unsigned char*>(units);
    size_t count = byte_length / unit_size;
    for (size_t i = 0; i < count; ++i, p += unit_size)
        put_code_point(unicode::read_unit(p, unit_size));
    if (new_line) put_code_point('\n');
    flush();
}

} // namespace

void console::check_mode() {
    console_flag = isatty(STDOUT_FILENO) == 1;
}
bool console::is_console() {
    return console_flag;
}

void console::write_text(const void* units, size_t byte_length, uint32_t unit_size, bool new_line) {
    encode_and_write(units, byte_length, unit_size, new_line);
}

void console::write_ucs4(const void* units, size_t byte_length) {
    encode_and_write(units, byte_length, 4, false);
}

void file::write_text(const void* units, size_t byte_length, uint32_t unit_size, bool new_line) {
    encode_and_write(units, byte_length, unit_size, new_line);
}

void output::write_text(const void* units, size_t byte_length, uint32_t unit_size, bool new_line) {
    if (console_flag)
        console::write_text(units, byte_length, unit_size, new_line);
    else
        file::write_text(units, byte_length, unit_size, new_line);
}

void output::write_latin1(const void* units, size_t n) {
    write_text(units, n, 1, false);
}
void output::write_latin1_line(const void* units, size_t n) {
    write_text(units, n, 1, true);
}
void output::write_ucs2(const void* units, size_t n) {
    write_text(units, n, 2, false);
}
void output::write_ucs2_line(const void* units, size_t n) {
    write_text(units, n, 2, true);
}
void output::write_ucs4_line(const void* units, size_t n) {
    write_text(units, n, 4, true);
}

void output::write_bytes(const char* bytes, size_t length) {
    platform::write_all(STDOUT_FILENO, bytes, length);
}

} // namespace zep
