// UTF-8 decoding, encoding and length computations.
//
// Two decoders: a table-driven stepper for scanning text where a rejected
// sequence is tolerated (lexer, line editor, terminal), and a strict
// single-character decoder for loading text into strings. Both accept exactly
// the well-formed UTF-8 of the Unicode standard: no overlong forms, no encoded
// surrogates, nothing above 0x10FFFF.
#pragma once
#include <cstdint>

namespace zep::unicode {

constexpr uint32_t max_code_point = 0x10FFFF;

// Decodes one sequence from [p, end) (p < end). Answers the pointer past the
// sequence and sets cp to the code point, or to -1 when the sequence is
// rejected. A rejected sequence consumes its longest valid prefix (at least
// one byte), so the byte that broke it starts the next step; a sequence cut
// short by `end` consumes the rest of the range. Never reads at or past `end`.
const unsigned char* decode_utf8_step(const unsigned char* p, const unsigned char* end,
                                      int32_t& cp);

// Number of steps (code points, counting each rejected sequence as one) in
// [start, end).
uint32_t count_utf8_chars(const unsigned char* start, const unsigned char* end);

// Pointer after n steps from start, or end when the range holds fewer.
const unsigned char* skip_utf8_chars(const unsigned char* start, const unsigned char* end,
                                     uint32_t n);

// Outcome of decoding one character strictly.
struct Utf8Char {
    enum Status : uint8_t { ok, truncated, invalid };
    Status status;
    uint8_t length; // ok: sequence length; invalid: bytes of the offending
                    // sequence from its lead (1-4); truncated: bytes available
    int32_t cp;     // the code point when ok, else -1
};

// Decodes the character at p with `available` bytes readable (> 0). The
// sequence is `truncated` when the available bytes are a valid beginning of a
// longer sequence, `invalid` when they can never begin a valid one.
Utf8Char decode_utf8_checked(const unsigned char* p, uint32_t available);

// The strict decoder. `count` holds the bytes available and is replaced by the
// sequence length. Answers the code point, or -1 when the available bytes are
// a valid but incomplete beginning of a sequence. Invalid input raises the
// access error invalid-utf8.
int32_t decode_utf8_char(const unsigned char* p, uint32_t& count);

// Sequence length announced by a lead byte's top bits: 4, 3 or 2, else 0 (an
// ASCII or continuation byte).
uint32_t char_length(unsigned char lead);

// Bytes UTF-8 needs for cp (1-4). Above 0x10FFFF raises script invalid-char.
uint32_t utf8_length_of(uint32_t cp);

// UTF-8 bytes needed for the code points of a unit range [start, end).
// Raises script invalid-char for a code point above 0x10FFFF.
uint64_t utf8_size_of_series(const unsigned char* start, const unsigned char* end, uint32_t unit);

// Writes cp as UTF-8 (1-4 bytes; surrogate values are not refused) and
// answers the bytes written. Above 0x10FFFF raises script invalid-char.
uint32_t encode_utf8(uint32_t cp, unsigned char* dest);

// As encode_utf8, but writes only the first `room` bytes of the sequence
// (nothing when room <= 0); answers the bytes written.
uint32_t encode_utf8_bounded(uint32_t cp, unsigned char* dest, int32_t room);

} // namespace zep::unicode
