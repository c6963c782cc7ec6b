// Line-driven access to the trigonometric and logarithmic natives for the
// Python check. Each line: <native word> <radians 0|1> <x> [<y>], numbers
// as 16 hex digits of their double's bit pattern; each answer is the
// result's bit pattern in hex.
#include <cinttypes>
#include <cstdio>
#include <cstring>
#include <string>

#include "boot/startup.h"
#include "datatypes/symbol.h"
#include "evaluator/natives.h"
#include "evaluator/natives_math.h"
#include "evaluator/stack.h"
#include "runtime/value_make.h"

using namespace zep;

namespace {

struct Native {
    const char* word;
    natives::Entry entry;
    int arity;
} const table[] = {
    {"sine", natives::sine, 1},
    {"cosine", natives::cosine, 1},
    {"tangent", natives::tangent, 1},
    {"arcsine", natives::arcsine, 1},
    {"arccosine", natives::arccosine, 1},
    {"arctangent", natives::arctangent, 1},
    {"arctangent2", natives::arctangent2, 2},
    {"log-2", natives::log_2, 1},
    {"log-10", natives::log_10, 1},
    {"log-e", natives::log_e, 1},
    {"exp", natives::exp, 1},
    {"square-root", natives::square_root, 1},
};

double from_hex(const char* s) {
    uint64_t bits = std::strtoull(s, nullptr, 16);
    double x;
    std::memcpy(&x, &bits, sizeof x);
    return x;
}

uint64_t bits_of(double x) {
    uint64_t bits;
    std::memcpy(&bits, &x, sizeof bits);
    return bits;
}

} // namespace

int main() {
    boot::init_core();
    Cell name;
    value::set_word(&name, type_id::word, 0, symbol::make("probe"));
    char line[256];
    while (std::fgets(line, sizeof line, stdin)) {
        char word[32], x[32], y[32] = "0";
        int radians = 0;
        if (std::sscanf(line, "%31s %d %31s %31s", word, &radians, x, y) < 3) return 2;
        const Native* native = nullptr;
        for (const Native& n : table)
            if (std::strcmp(n.word, word) == 0) native = &n;
        if (!native) return 2;
        stack::mark_native(&name);
        Cell* arg = stack::push_slot();
        value::set_float(arg, from_hex(x));
        if (native->arity == 2) value::set_float(stack::push_slot(), from_hex(y));
        int32_t refinements[1] = {radians ? native->arity : -1};
        native->entry(false, refinements);
        std::printf("%016" PRIx64 "\n", bits_of(value::double_of(stack::base())));
        stack::unwind_drop();
    }
    return 0;
}
