// Line-driven access to the float/text conversions for the Python check.
// Each input line is a request, each output line its answer:
//   S <hex bits>       -> "<digits> <decpt> <form text> <hex bits read back>"
//   F <n> <hex bits>   -> "<digits> <decpt>"  n significant digits
//   R <text>           -> "<hex bits> <unread>"  text read as a double
#include <cinttypes>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "runtime/float_text.h"

using namespace zep;

namespace {

double from_hex(const char* s) {
    uint64_t bits = std::strtoull(s, nullptr, 16);
    double x;
    std::memcpy(&x, &bits, sizeof x);
    return x;
}

void print_digits(const float_::DigitString& d, const char* after = "\n") {
    std::printf("%s %d%s", d.text + d.sign, d.decpt, after);
}

} // namespace

int main() {
    std::string line;
    char buffer[1 << 16];
    while (std::fgets(buffer, sizeof buffer, stdin)) {
        line = buffer;
        // A line longer than the buffer arrives in pieces.
        while (!line.empty() && line.back() != '\n' && std::fgets(buffer, sizeof buffer, stdin))
            line += buffer;
        if (!line.empty() && line.back() == '\n') line.pop_back();
        if (line.size() < 2) continue;
        const char* arg = line.c_str() + 2;
        switch (line[0]) {
        case 'S': {
            double x = from_hex(arg);
            print_digits(float_::dtoa(x, 0, true), " ");
            std::string text(float_::form(x, 0, true));
            double back = float_::from_text(text.data(), text.data() + text.size(), 0);
            uint64_t bits;
            std::memcpy(&bits, &back, sizeof bits);
            std::printf("%s %016" PRIx64 "\n", text.c_str(), bits);
            break;
        }
        case 'F': {
            char* rest;
            long n = std::strtol(arg, &rest, 10);
            print_digits(float_::dtoa(from_hex(rest + 1), static_cast<int>(n), true));
            break;
        }
        case 'R': {
            ptrdiff_t unread = -1;
            double x = float_::from_text(arg, line.c_str() + line.size(), 0, &unread);
            uint64_t bits;
            std::memcpy(&bits, &x, sizeof bits);
            std::printf("%016" PRIx64 " %td\n", bits, unread);
            break;
        }
        default:
            std::printf("?\n");
        }
    }
    return 0;
}
