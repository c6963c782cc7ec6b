// Output hooks: value-level hooks see every text that `print` and `prin`
// output (the first, the console writer, writes it to standard output);
// buffer-level hooks see every buffer the runtime's own printer writes.
#pragma once
#include <cstddef>
#include <cstdint>

namespace zep::output {

// The units of a text from its head to its tail. String values are turned
// into this view before they reach the hooks, so that the hooks need nothing
// of the memory manager.
struct TextView {
    const void* units;
    size_t byte_length;
    uint32_t unit_size; // 1, 2 or 4
};

using ValueHook = void (*)(const TextView& text, bool new_line);
// Buffers are UTF-8 bytes; the flag is 0.
using BufferHook = void (*)(const char* buffer, size_t length, int flag);

// Makes both lists (capacity 5, dropping earlier hooks) and registers
// console_writer as the first value-level hook.
void init_hooks();

// Appends each hook that is given (null: none) to its list; a full list
// grows by 5.
void add_hooks(ValueHook value_hook, BufferHook buffer_hook);

// Call the hooks in registration order.
void fire_value_hooks(const TextView& text, bool new_line);
void fire_buffer_hooks(const char* buffer, size_t length, int flag);

// The default value-level hook: writes the text with the writer of its unit
// size (with a line end when asked) while the terminal is given back to plain
// output. Another unit size prints "Error: unknown string encoding: " and the
// size instead.
void console_writer(const TextView& text, bool new_line);

} // namespace zep::output
