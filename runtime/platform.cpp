#include "runtime/platform.h"

#include <cerrno>
#include <cfenv>
#include <cmath>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <poll.h>
#include <unistd.h>

#include "runtime/console_output.h"
#include "runtime/heap.h"
#include "runtime/record.h"

namespace zep::platform {

void init(int argc, char** argv) {
    install_fault_handlers();
    reset_floating_point();
    std::signal(SIGPIPE, SIG_IGN);
    get_args(argc, argv);
}

void init_io() {
    console::check_mode();
}

void reset_floating_point() {
    std::fesetenv(FE_DFL_ENV);
}

namespace {

char* copy_to_heap(const char* text, size_t length) {
    auto* copy = static_cast<char*>(heap::alloc(length + 1));
    std::memcpy(copy, text, length);
    copy[length] = '\0';
    return copy;
}

bool needs_quotes(const char* arg) {
    return arg[0] == '\0' || std::strpbrk(arg, " \t") != nullptr;
}

} // namespace

void get_args(int argc, const char* const* argv) {
    if (!argv || argc < 0) argc = 0;
    auto** args = static_cast<char**>(heap::alloc((static_cast<size_t>(argc) + 1) * sizeof(char*)));
    int count = 0;
    for (; count < argc && argv[count]; ++count)
        args[count] = copy_to_heap(argv[count], std::strlen(argv[count]));
    args[count] = nullptr;
    runtime::record.arg_count = count;
    runtime::record.args = args;
    runtime::record.command_line = build_command_line(count, argv);
}

char* build_command_line(int argc, const char* const* argv) {
    size_t length = 0;
    for (int i = 0; i < argc && argv[i]; ++i) length += std::strlen(argv[i]) + 3;
    auto* line = static_cast<char*>(heap::alloc(length + 1));
    char* out = line;
    for (int i = 0; i < argc && argv[i]; ++i) {
        if (i > 0) *out++ = ' ';
        bool quote = needs_quotes(argv[i]);
        if (quote) *out++ = '"';
        size_t n = std::strlen(argv[i]);
        std::memcpy(out, argv[i], n);
        out += n;
        if (quote) *out++ = '"';
    }
    *out = '\0';
    return line;
}

void sleep(double seconds) {
    // Whole milliseconds, at least one, at most what a 32-bit millisecond
    // count holds (about 49 days).
    constexpr double max_ms = 4294967294.0;
    double ms = seconds * 1000.0;
    if (!(ms >= 1.0)) ms = 1.0;
    if (ms > max_ms) ms = max_ms;
    auto whole = static_cast<uint64_t>(ms);
    timespec wait{static_cast<time_t>(whole / 1000), static_cast<long>(whole % 1000) * 1000000};
    while (nanosleep(&wait, &wait) != 0 && errno == EINTR) {
    }
}

char* get_current_dir(size_t* length) {
    size_t size = 256;
    auto* buffer = static_cast<char*>(heap::alloc(size));
    while (!getcwd(buffer, size)) {
        if (errno != ERANGE || size >= (size_t{1} << 24)) {
            heap::free(buffer);
            if (length) *length = 0;
            return nullptr;
        }
        size *= 2;
        buffer = static_cast<char*>(heap::realloc(buffer, size));
    }
    if (length) *length = std::strlen(buffer);
    return buffer;
}

bool set_current_dir(const char* path) {
    return path && chdir(path) == 0;
}

char* get_env(const char* name) {
    const char* value = name ? std::getenv(name) : nullptr;
    return value ? copy_to_heap(value, std::strlen(value)) : nullptr;
}

bool set_env(const char* name, const char* value) {
    if (!name) return false;
    return value ? setenv(name, value, 1) == 0 : unsetenv(name) == 0;
}

void write_all(int fd, const void* data, size_t length) {
    auto* bytes = static_cast<const char*>(data);
    while (length > 0) {
        ssize_t written = write(fd, bytes, length);
        if (written > 0) {
            bytes += written;
            length -= static_cast<size_t>(written);
        } else if (written < 0 && errno == EINTR) {
            continue;
        } else if (written < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) {
            // A non-blocking descriptor: wait until it takes more.
            pollfd p{fd, POLLOUT, 0};
            if (poll(&p, 1, -1) < 0 && errno != EINTR) return;
        } else {
            return;
        }
    }
}

} // namespace zep::platform
