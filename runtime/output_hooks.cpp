#include "runtime/output_hooks.h"

#include <cstdio>
#include <cstring>

#include "runtime/console_output.h"
#include "runtime/heap.h"
#include "view/tui_hooks.h"

namespace zep::output {

namespace {

constexpr size_t growth = 5;

template <class Hook> struct HookList {
    Hook* entries = nullptr;
    size_t count = 0;
    size_t capacity = 0;

    void reset() {
        heap::free(entries);
        entries = static_cast<Hook*>(heap::alloc(growth * sizeof(Hook)));
        count = 0;
        capacity = growth;
    }

    void add(Hook hook) {
        if (count == capacity) {
            auto* grown = static_cast<Hook*>(heap::alloc((capacity + growth) * sizeof(Hook)));
            if (count) std::memcpy(grown, entries, count * sizeof(Hook));
            heap::free(entries);
            entries = grown;
            capacity += growth;
        }
        entries[count++] = hook;
    }
};

HookList<ValueHook> value_hooks;
HookList<BufferHook> buffer_hooks;

} // namespace

void init_hooks() {
    value_hooks.reset();
    buffer_hooks.reset();
    value_hooks.add(console_writer);
}

void add_hooks(ValueHook value_hook, BufferHook buffer_hook) {
    if (value_hook) value_hooks.add(value_hook);
    if (buffer_hook) buffer_hooks.add(buffer_hook);
}

void fire_value_hooks(const TextView& text, bool new_line) {
    for (size_t i = 0; i < value_hooks.count; ++i) value_hooks.entries[i](text, new_line);
}

void fire_buffer_hooks(const char* buffer, size_t length, int flag) {
    for (size_t i = 0; i < buffer_hooks.count; ++i) buffer_hooks.entries[i](buffer, length, flag);
}

void console_writer(const TextView& text, bool new_line) {
    tui::restore_terminal();
    switch (text.unit_size) {
    case 1:
    case 2:
    case 4:
        write_text(text.units, text.byte_length, text.unit_size, new_line);
        break;
    default: {
        char message[64];
        int n = std::snprintf(message, sizeof message, "Error: unknown string encoding: %u\n",
                              text.unit_size);
        write_bytes(message, static_cast<size_t>(n));
        break;
    }
    }
    tui::resume_terminal();
}

} // namespace zep::output
