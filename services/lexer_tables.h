// The token machine's tables (built at compile time).
#pragma once
#include <cstdint>

#include "services/lexer.h"

namespace zep::lexer {

constexpr uint32_t working_states = 65;
constexpr uint32_t all_states = 104;

struct Tables {
    uint32_t classes[256];                     // class | token flags, by byte
    uint8_t next[working_states][class_count]; // next state by (state, class)
    uint8_t state_type[all_states];            // datatype id a state is reading
    uint8_t blank_skip[all_states];            // 1: the byte moves the token start on
    uint8_t line_count[class_count];           // lines a byte of the class adds
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
