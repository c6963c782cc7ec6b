#include "runtime/error_exit.h"

#include <cstdio>
#include <cstdlib>
#include <unistd.h>

#include "runtime/heap.h"
#include "runtime/platform.h"
#include "runtime/print.h"
#include "view/tui_hooks.h"

namespace zep::runtime {

const char* error_message(uint32_t code) {
    static const char* const processor[] = {
        nullptr,
        "access violation",
        "invalid alignment",
        "breakpoint",
        "single step",
        "bounds exceeded",
        "float denormal operan",
        "float divide by zero",
        "float inexact result",
        "float invalid operation",
        "float overflow",
        "float stack check",
        "float underflow",
        "integer divide by zero",
        "integer overflow",
        "privileged instruction",
        "invalid virtual address",
        "illegal instruction",
        "non-continuable exception",
        "stack error or overflow",
        "invalid disposition",
        "guard page",
        "invalid handle",
    };
    if (code >= 1 && code <= 22) return processor[code];
    switch (code) {
    case 94:
        return "out of memory";
    case 95:
        return "no CATCH for THROW";
    case 98:
        return "assertion failed";
    case 99:
        return "unknown error";
    case 100:
        return "no value matched in CASE";
    case 101:
        return "no value matched in SWITCH";
    default:
        return "unknown error code!";
    }
}

void error_exit(uint32_t code, uintptr_t address) {
    if (code != 0) {
        using namespace print::item;
        print::text({text("\n*** Runtime Error "), integer(static_cast<int32_t>(code)), text(": "),
                     text(error_message(code)), text("\n*** at: "), address_of(address),
                     text("h\n")});
    }
    tui::restore_terminal();
    release_heap();
    std::fflush(nullptr);
    std::_Exit(static_cast<int>(code));
}

namespace {

// Appends text to a fixed buffer without overrunning it.
struct SignalSafeText {
    char bytes[160];
    size_t length = 0;

    void add(const char* text) {
        while (*text && length < sizeof bytes) bytes[length++] = *text++;
    }
    void add_decimal(uint32_t value) {
        char digits[10];
        int n = 0;
        do digits[n++] = static_cast<char>('0' + value % 10);
        while ((value /= 10) != 0);
        while (n > 0 && length < sizeof bytes) bytes[length++] = digits[--n];
    }
    void add_hex8(uint32_t value) {
        for (int shift = 28; shift >= 0 && length < sizeof bytes; shift -= 4)
            bytes[length++] = "0123456789ABCDEF"[(value >> shift) & 0xF];
    }
};

} // namespace

void error_exit_from_signal(uint32_t code, uintptr_t address) {
    if (code != 0) {
        SignalSafeText report;
        report.add("\n*** Runtime Error ");
        report.add_decimal(code);
        report.add(": ");
        report.add(error_message(code));
        report.add("\n*** at: ");
        report.add_hex8(static_cast<uint32_t>(address));
        report.add("h\n");
        platform::write_all(STDOUT_FILENO, report.bytes, report.length);
    }
    _exit(static_cast<int>(code));
}

} // namespace zep::runtime
