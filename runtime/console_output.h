// Writing text to standard output. Text arrives as units of 1 byte (Latin-1),
// 2 bytes (UCS-2, little-endian values) or 4 bytes (code points) and leaves
// as UTF-8 with LF line ends. Escape sequences pass through untouched: the
// terminal interprets them itself.
#pragma once
#include <cstddef>
#include <cstdint>

namespace zep::console {

// Chooses the output path once: the console path when standard output is a
// terminal, else the redirected path.
void check_mode();
bool is_console();

// The console path: the text is encoded into the output buffer, written in
// chunks and flushed at the end. Other unit sizes end the process with
// runtime error 101.
void write_text(const void* units, size_t byte_length, uint32_t unit_size, bool new_line);
void write_ucs4(const void* units, size_t byte_length);

} // namespace zep::console

namespace zep::file {

// The redirected path: the same encoding, written whenever more than 1,020
// bytes are pending. Other unit sizes end the process with runtime error 101.
void write_text(const void* units, size_t byte_length, uint32_t unit_size, bool new_line);

} // namespace zep::file

namespace zep::output {

// Writes through the path chosen by console::check_mode.
void write_text(const void* units, size_t byte_length, uint32_t unit_size, bool new_line);
void write_latin1(const void* units, size_t byte_length);
void write_latin1_line(const void* units, size_t byte_length);
void write_ucs2(const void* units, size_t byte_length);
void write_ucs2_line(const void* units, size_t byte_length);
void write_ucs4_line(const void* units, size_t byte_length);

// Writes bytes that are already UTF-8 as they are.
void write_bytes(const char* bytes, size_t length);

} // namespace zep::output
