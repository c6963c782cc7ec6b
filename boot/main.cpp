// Entry point of the zep executable. The process starts the platform layer,
// then runs the interpreter on a thread with a large stack under the
// outermost catch record; the main thread only waits for it.
//
// `zep FILE` runs the script and exits with status 0; with no script and
// standard input redirected, the input is run as one script. An error that
// nothing catches is printed and ends the process with status -2.
#include <unistd.h>

#include <cstring>

#include "boot/library_load.h"
#include "boot/script.h"
#include "boot/startup.h"
#include "runtime/catch.h"
#include "runtime/heap.h"
#include "runtime/platform.h"
#include "runtime/record.h"

namespace {

// The script named on the command line: the first argument after the
// options ("--" words; "--" alone ends them), or null.
const char* script_argument() {
    const zep::runtime::Record& r = zep::runtime::record;
    for (int i = 1; i < r.arg_count; ++i) {
        const char* arg = r.args[i];
        if (std::strcmp(arg, "--") == 0) return i + 1 < r.arg_count ? r.args[i + 1] : nullptr;
        if (std::strncmp(arg, "--", 2) != 0) return arg;
    }
    return nullptr;
}

void run() {
    zep::boot::init_interpreter();
    zep::boot::bootstrap_library();
    zep::boot::load_library();
    if (const char* script = script_argument()) {
        zep::boot::script::run_file(script);
    } else if (!isatty(STDIN_FILENO)) {
        zep::boot::script::run_standard_input();
    }
}

int run_interpreter(void*) {
    zep::catch_::run_outermost(run);
    zep::runtime::release_heap();
    return 0;
}

} // namespace

int main(int argc, char** argv) {
    zep::platform::init(argc, argv);
    return zep::platform::run_on_large_stack(run_interpreter, nullptr);
}
