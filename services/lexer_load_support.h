// Pieces shared by the loaders: building values where the collector sees
// them, decoding token text (UTF-8, caret escapes) and making text values.
#pragma once
#include <cstdint>
#include <string>

#include "runtime/cell.h"
#include "services/lexer.h"

namespace zep::lexer::support {

// A value under construction, held in a slot on the argument stack so that
// the collector sees what it holds while later allocations run; `emit`
// moves it into the next output cell. The slot is released on every exit.
class Building {
  public:
    Building();
    ~Building();
    Building(const Building&) = delete;
    Building& operator=(const Building&) = delete;
    Cell* cell() const { return cell_; }
    void emit(State& s) const;

  private:
    Cell* cell_;
};

// Moves the position past a token whose last byte is the closing delimiter
// at `end`.
inline void step_past(State& s, const uint8_t* end) {
    s.position = end + 1;
}

// The value of a hexadecimal digit, or -1.
int hex_digit(uint8_t c);

// Decodes the caret escape after a "^" at p: "^(" hex digits ")" (a code
// point), "^(" name ")" (null, back, tab, line, page, esc, del), "^-" tab,
// "^/" line feed, "^~" 127, "^@" to "^_" the control codes 0 to 31 (a letter
// in either case), and a caret before any other character stands for that
// character. Sets cp and moves p past the escape; false for a bad escape.
bool decode_escape(const uint8_t*& p, const uint8_t* end, uint32_t& cp);

// Decodes [p, end) as UTF-8 into code points, with caret escapes when
// `escapes`. False for text that is not UTF-8 or a bad escape.
bool decode_text(const uint8_t* p, const uint8_t* end, bool escapes, std::u32string& out);

// True when [p, end) is well-formed UTF-8.
bool is_utf8(const uint8_t* p, const uint8_t* end);

// The cell becomes a text value of the type (string!, file!, url!, tag!,
// email!, ref!) holding the code points, in the narrowest unit that holds
// them all. The cell must not lie in a managed buffer.
void make_text(Cell* cell, uint8_t type, const std::u32string& text);

// True when [p, end) is ASCII without a caret (when `escapes`): its bytes are
// its code points.
bool is_plain_ascii(const uint8_t* p, const uint8_t* end, bool escapes);

// Like make_text for ASCII bytes, copied as they are into a one-byte unit
// text. The bytes must not lie in a managed buffer.
void make_ascii_text(Cell* cell, uint8_t type, const uint8_t* bytes, uint32_t n);

} // namespace zep::lexer::support
