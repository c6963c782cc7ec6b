// Prints every code point whose case mapping or display width is not the
// trivial one, as "cp upper lower width" in hexadecimal and decimal, for
// comparison with outside data.
#include "runtime/case_fold.h"
#include "runtime/unicode/width.h"

#include <cstdio>

int main() {
    using namespace zep;
    for (uint32_t cp = 0; cp <= 0x10FFFF; ++cp) {
        uint32_t upper = case_::fold_char(cp, case_::to_upper);
        uint32_t lower = case_::fold_char(cp, case_::to_lower);
        int width = unicode::char_width(cp);
        if (upper != cp || lower != cp || width != 1) {
            std::printf("%X %X %X %d\n", cp, upper, lower, width);
        }
    }
    return 0;
}
