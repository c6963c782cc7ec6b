// Line-driven access to float! text, arithmetic, rounding and comparison for
// the Python check. Doubles travel as 16 hex digits of their bit pattern.
//   K <kind> <pretty 0|1> <x>      -> form_float text
//   M <x>                          -> float! form, float! mold, percent! form
//                                     (pretty on), tab-separated
//   A <op> <t1> <a> <t2> <b>       -> "<type> <result>"; types i (decimal
//                                     integer), f, p, t (float!, percent!,
//                                     time! doubles)
//   R <flags> <x> <unit>           -> the rounded double
//   C <code> <a> <b>               -> float! compare answer
#include <cinttypes>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "datatypes/float.h"
#include "datatypes/percent.h"
#include "datatypes/string_buffer.h"
#include "runtime/memory.h"
#include "runtime/value_make.h"

using namespace zep;

namespace {

double from_hex(const char* s) {
    uint64_t bits = std::strtoull(s, nullptr, 16);
    double x;
    std::memcpy(&x, &bits, sizeof x);
    return x;
}

uint64_t hex_of(double x) {
    uint64_t bits;
    std::memcpy(&bits, &x, sizeof bits);
    return bits;
}

std::string text_of(const Cell* string) {
    std::string out;
    for (uint32_t i = 0; i < string::length(string); ++i)
        out += static_cast<char>(string::char_at(string, i));
    return out;
}

uint8_t type_of_letter(char c) {
    switch (c) {
    case 'i':
        return type_id::integer;
    case 'p':
        return type_id::percent;
    case 't':
        return type_id::time;
    default:
        return type_id::float_;
    }
}

char letter_of_type(uint8_t type) {
    switch (type) {
    case type_id::integer:
        return 'i';
    case type_id::percent:
        return 'p';
    case type_id::time:
        return 't';
    default:
        return 'f';
    }
}

void operand(Cell* cell, char letter, const char* text) {
    uint8_t type = type_of_letter(letter);
    if (type == type_id::integer) {
        value::set_integer(cell, static_cast<int32_t>(std::strtol(text, nullptr, 10)));
    } else {
        value::set_double(cell, type, from_hex(text));
    }
}

template <class Slot> std::string render(Slot slot, const Cell* value) {
    Cell out;
    string::make_at(&out, 32);
    slot(value, &out);
    return text_of(&out);
}

} // namespace

int main() {
    memory::init();
    memory::collector_enabled = false;
    char line[512];
    while (std::fgets(line, sizeof line, stdin)) {
        line[std::strcspn(line, "\n")] = '\0';
        char* arg = line + 2;
        switch (line[0]) {
        case 'K': {
            int kind = 0, pretty = 0;
            char hex[32];
            std::sscanf(arg, "%d %d %31s", &kind, &pretty, hex);
            float_::is_pretty_print = pretty != 0;
            std::printf("%s\n", float_::form_float(from_hex(hex), kind));
            break;
        }
        case 'M': {
            float_::is_pretty_print = true;
            Cell f, p;
            value::set_float(&f, from_hex(arg));
            value::set_double(&p, type_id::percent, from_hex(arg));
            std::string form = render([](const Cell* v, Cell* o) { float_::form(v, o, 1000); }, &f);
            std::string mold = render(
                [](const Cell* v, Cell* o) { float_::mold(v, o, false, false, false, 1000, 0); },
                &f);
            std::string percent =
                render([](const Cell* v, Cell* o) { percent::form(v, o, 1000); }, &p);
            std::printf("%s\t%s\t%s\n", form.c_str(), mold.c_str(), percent.c_str());
            break;
        }
        case 'A': {
            int op = 0;
            char t1 = 0, t2 = 0;
            char a[32], b[32];
            std::sscanf(arg, "%d %c %31s %c %31s", &op, &t1, a, &t2, b);
            Cell first, second;
            operand(&first, t1, a);
            operand(&second, t2, b);
            float_::operate(&first, &second, op);
            std::printf("%c %016" PRIx64 "\n", letter_of_type(cell_type(&first)),
                        hex_of(float_::get(&first)));
            break;
        }
        case 'R': {
            unsigned flags = 0;
            char x[32], unit[32];
            std::sscanf(arg, "%u %31s %31s", &flags, x, unit);
            double r = float_::round_to_unit(from_hex(x), from_hex(unit), flags);
            std::printf("%016" PRIx64 "\n", hex_of(r));
            break;
        }
        case 'C': {
            int code = 0;
            char a[32], b[32];
            std::sscanf(arg, "%d %31s %31s", &code, a, b);
            Cell x, y;
            value::set_float(&x, from_hex(a));
            value::set_float(&y, from_hex(b));
            std::printf("%d\n", float_::compare(&x, &y, code));
            break;
        }
        default:
            std::printf("?\n");
        }
    }
    memory::free_all();
    return 0;
}
