// The lexer's loaders: one per token class, each turning the bytes of one
// token into one value cell (see Loader in services/lexer.h).
//
// Tokens whose last byte is a closing delimiter (a quote, brace, ">", "%" or
// ")") arrive with `end` at that delimiter; their loaders move the position
// one past it.
#pragma once
#include <cstdint>

#include "services/lexer.h"

namespace zep::lexer {

// Text: strings (classes 7, 13), raw strings, files, urls, e-mail addresses,
// refs, tags and chars.
void load_string(State& s, const uint8_t* start, const uint8_t* end, uint32_t flags, bool load);
void load_raw_string(State& s, const uint8_t* start, const uint8_t* end, uint32_t flags, bool load);
void load_file(State& s, const uint8_t* start, const uint8_t* end, uint32_t flags, bool load);
void load_url(State& s, const uint8_t* start, const uint8_t* end, uint32_t flags, bool load);
void load_email(State& s, const uint8_t* start, const uint8_t* end, uint32_t flags, bool load);
void load_ref(State& s, const uint8_t* start, const uint8_t* end, uint32_t flags, bool load);
void load_tag(State& s, const uint8_t* start, const uint8_t* end, uint32_t flags, bool load);
void load_char(State& s, const uint8_t* start, const uint8_t* end, uint32_t flags, bool load);

// Words (classes 14, 15) and refinements.
void load_word(State& s, const uint8_t* start, const uint8_t* end, uint32_t flags, bool load);
void load_refinement(State& s, const uint8_t* start, const uint8_t* end, uint32_t flags, bool load);

// Numbers.
void load_integer_token(State& s, const uint8_t* start, const uint8_t* end, uint32_t flags,
                        bool load);
void load_hex(State& s, const uint8_t* start, const uint8_t* end, uint32_t flags, bool load);
void load_float_token(State& s, const uint8_t* start, const uint8_t* end, uint32_t flags,
                      bool load);
void load_float_special(State& s, const uint8_t* start, const uint8_t* end, uint32_t flags,
                        bool load);
void load_percent(State& s, const uint8_t* start, const uint8_t* end, uint32_t flags, bool load);
void load_money_token(State& s, const uint8_t* start, const uint8_t* end, uint32_t flags,
                      bool load);

// Compound scalars.
void load_tuple_token(State& s, const uint8_t* start, const uint8_t* end, uint32_t flags,
                      bool load);
void load_pair(State& s, const uint8_t* start, const uint8_t* end, uint32_t flags, bool load);
void load_point(State& s, const uint8_t* start, const uint8_t* end, uint32_t flags, bool load);
void load_time(State& s, const uint8_t* start, const uint8_t* end, uint32_t flags, bool load);
void load_date(State& s, const uint8_t* start, const uint8_t* end, uint32_t flags, bool load);

// binary! in base 2, 16 or 64.
void load_binary(State& s, const uint8_t* start, const uint8_t* end, uint32_t flags, bool load);

} // namespace zep::lexer
