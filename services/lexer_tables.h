// The token machine's tables (built at compile time).
#pragma once
#include <cstdint>

#include "services/lexer.h"

namespace zep::lexer {

constexpr uint32_t working_states = 65;
constexpr uint32_t all_states = 104;

// Flag bits the scanner's class entries carry beside the token flags (the
// public class_table leaves them out): they let the scan loop count lines
// only in tokens that hold a line feed, and the word loaders skip the UTF-8
// checks of ASCII names.
namespace scan_flag {
constexpr uint32_t line = 1u << 8; // a line feed
constexpr uint32_t high = 1u << 9; // a byte of 0x80 or above
} // namespace scan_flag

// The states whose long runs of bytes (a word, a quoted or braced string, a
// comment) the scan loop consumes in a tighter loop of its own.
constexpr uint32_t run_states = 4;
// Marks a run entry whose byte keeps the machine in its state.
constexpr uint32_t run_keeps = 1u << 10;

struct Tables {
    uint32_t classes[256];                     // class | token flags | scan flags, by byte
    uint8_t next[working_states][class_count]; // next state by (state, class)
    uint8_t state_type[all_states];            // datatype id a state is reading
    uint8_t run_of[working_states];            // 1 + the run table of a state, or 0
    uint32_t runs[run_states][256];            // class entry | run_keeps when the byte stays
};

extern const Tables tables;

// States the scanners refer to by number.
namespace state {
constexpr uint8_t between = 0;
constexpr uint8_t in_braces = 4;
constexpr uint8_t point = 35;
constexpr uint8_t path_element = 59;
constexpr uint8_t error_final = 67;
constexpr uint8_t word_final = 80;
} // namespace state

} // namespace zep::lexer
