// Writes text through the console writers so that a check can compare the
// bytes that reach standard output:
//   output_probe echo|hooks|bad-unit-hook|bad-unit-write
#include <cstdint>
#include <cstring>
#include <string>
#include <unistd.h>

#include "runtime/catch.h"
#include "runtime/console_output.h"
#include "runtime/output_hooks.h"
#include "runtime/platform.h"
#include "runtime/print.h"

using namespace zep;

namespace {

void echo() {
    // é as a 1-byte unit, € as a 2-byte unit, U+1F600 as a 4-byte unit.
    const unsigned char latin1[] = {0xE9};
    output::write_latin1_line(latin1, sizeof latin1);
    const uint16_t ucs2[] = {0x20AC};
    output::write_ucs2_line(ucs2, sizeof ucs2);
    const uint32_t ucs4[] = {0x1F600};
    output::write_ucs4_line(ucs4, sizeof ucs4);
    // Escape sequences pass through untouched.
    const char escape[] = "\x1b[1;31mred\x1b[0m";
    output::write_latin1(escape, sizeof escape - 1);
    // A long text whose multi-byte characters straddle the chunk boundaries.
    std::u16string long_text;
    for (int i = 0; i < 1500; ++i) long_text += i % 3 ? u'a' : u'\u20AC';
    output::write_ucs2_line(long_text.data(), long_text.size() * 2);
    // A lone surrogate and a value beyond Unicode have no UTF-8 form.
    const uint32_t invalid[] = {0xD800, 0x110000, 'z'};
    output::write_text(invalid, sizeof invalid, 4, true);
    // The typed printer and the number formatters.
    using namespace print::item;
    print::line({text("t:"), logic(true), logic(false), integer(-42), byte('x'), byte(0xE9),
                 float32(1.0f / 3), float64(1.0 / 3), text("|"), address_of(0x1ABCDEF12)});
    print::format_hex2(0xA);
    print::write_cstring("\n");
}

void tag_hook(const char* tag) {
    platform::write_all(STDOUT_FILENO, tag, std::strlen(tag));
}

void hooks() {
    // Seven extra hooks: the list grows past its first five entries.
    output::add_hooks([](const output::TextView&, bool) { tag_hook("[1]"); }, nullptr);
    output::add_hooks([](const output::TextView&, bool) { tag_hook("[2]"); }, nullptr);
    output::add_hooks([](const output::TextView&, bool) { tag_hook("[3]"); }, nullptr);
    output::add_hooks([](const output::TextView&, bool) { tag_hook("[4]"); }, nullptr);
    output::add_hooks([](const output::TextView&, bool) { tag_hook("[5]"); }, nullptr);
    output::add_hooks([](const output::TextView&, bool) { tag_hook("[6]"); }, nullptr);
    output::add_hooks(
        [](const output::TextView& t, bool new_line) {
            tag_hook(t.unit_size == 1 && t.byte_length == 5 && new_line ? "[7]" : "[bad]");
        },
        nullptr);
    output::fire_value_hooks({"hello", 5, 1}, true);
}

void run_mode(const char* mode) {
    if (!std::strcmp(mode, "echo"))
        echo();
    else if (!std::strcmp(mode, "hooks"))
        hooks();
    else if (!std::strcmp(mode, "bad-unit-hook"))
        output::fire_value_hooks({"abc", 3, 3}, true);
    else if (!std::strcmp(mode, "bad-unit-write"))
        output::write_text("abc", 3, 3, true);
}

} // namespace

int main(int argc, char** argv) {
    platform::init(argc, argv);
    static const char* mode = argc > 1 ? argv[1] : "";
    return platform::run_on_large_stack(
        [](void*) {
            catch_::run_outermost([] {
                output::init_hooks();
                platform::init_io();
                run_mode(mode);
            });
            return 0;
        },
        nullptr);
}
