// Loader of binary! tokens: an optional base (2, 16 or 64) before "#{", the
// digits of that base with blanks, line ends and ";" comments between them,
// and "}".
#include <string>

#include "datatypes/binary.h"
#include "runtime/value_make.h"
#include "services/lexer_load.h"
#include "services/lexer_load_support.h"

namespace zep::lexer {

namespace {

constexpr int default_base = 16;

// The digits of [p, end) without their ";" comments (each up to its line end).
void strip_comments(const uint8_t* p, const uint8_t* end, std::string& out) {
    out.clear();
    while (p < end) {
        if (*p == ';') {
            while (p < end && *p != '\n') ++p;
            continue;
        }
        out.push_back(static_cast<char>(*p++));
    }
}

} // namespace

void load_binary(State& s, const uint8_t* start, const uint8_t* end, uint32_t, bool load) {
    // `end` is at the closing "}".
    auto fail = [&]() { throw_error(s, start, end, type_id::binary); };
    int base = 0;
    const uint8_t* p = start;
    while (p < end && *p >= '0' && *p <= '9') {
        base = base * 10 + (*p++ - '0');
        if (base > 64) fail();
    }
    if (p == start) base = default_base;
    if ((base != 2 && base != 16 && base != 64) || end - p < 2 || p[0] != '#' || p[1] != '{' ||
        end >= s.input_end || *end != '}')
        fail();
    support::step_past(s, end);
    static std::string digits;
    strip_comments(p + 2, end, digits);
    Ref node = binary::decode_base(base, reinterpret_cast<const unsigned char*>(digits.data()),
                                   static_cast<uint32_t>(digits.size()));
    if (!node) fail();
    if (!load) return;
    support::Building value;
    value::set_series(value.cell(), type_id::binary, node);
    value.emit(s);
}

} // namespace zep::lexer
