// The library's language source, embedded at build time from library/*.zep
// by scripts/gen_library_text.py, in the order it is evaluated at start-up.
#pragma once
#include <cstdint>

namespace zep::library {

struct SourceFile {
    const char* name; // file name in library/, e.g. "system.zep"
    const char* text; // UTF-8 source
    uint32_t length;  // bytes of text
};

extern const SourceFile files[];
extern const uint32_t file_count;

} // namespace zep::library
