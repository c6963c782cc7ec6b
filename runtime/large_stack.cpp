// The interpreter runs on a thread of its own with a stack large enough for
// the deepest frame stack; the main thread only waits for it.
#include <algorithm>
#include <pthread.h>
#include <sys/mman.h>
#include <unistd.h>

#include "runtime/fault_signals.h"
#include "runtime/platform.h"

namespace zep::platform {

namespace detail {
thread_local constinit uintptr_t stack_limit = 0;
} // namespace detail

namespace {

// Inaccessible pages below the stack; a fault there is a stack overflow.
constexpr size_t guard_size = size_t{64} << 10;
// The depth guard trips this far above the stack's low end (at most a
// quarter of a small stack).
constexpr size_t guard_margin = size_t{4} << 20;

struct Launch {
    int (*body)(void*);
    void* context;
    int result;
};

void* thread_main(void* arg) {
    auto* launch = static_cast<Launch*>(arg);
    init_stack_bounds();
    install_signal_stack();
    reset_floating_point();
    launch->result = launch->body(launch->context);
    release_signal_stack();
    return nullptr;
}

// The fallback when no thread can be made: the body runs on the calling
// thread, with that thread's bounds recorded.
int run_here(int (*body)(void*), void* context) {
    init_stack_bounds();
    return body(context);
}

} // namespace

void init_stack_bounds() {
    pthread_attr_t attr;
    if (pthread_getattr_np(pthread_self(), &attr) != 0) return;
    void* low = nullptr;
    size_t size = 0;
    if (pthread_attr_getstack(&attr, &low, &size) == 0) {
        auto base = reinterpret_cast<uintptr_t>(low);
        detail::stack_limit = base + std::min(guard_margin, size / 4);
        set_stack_low(base);
    }
    pthread_attr_destroy(&attr);
}

int run_on_large_stack(int (*body)(void*), void* context, size_t stack_size) {
    Launch launch{body, context, 0};
    size_t page = static_cast<size_t>(sysconf(_SC_PAGESIZE));
    stack_size = (stack_size + page - 1) / page * page;
    void* region = mmap(nullptr, stack_size + guard_size, PROT_READ | PROT_WRITE,
                        MAP_PRIVATE | MAP_ANONYMOUS | MAP_NORESERVE | MAP_STACK, -1, 0);
    if (region == MAP_FAILED) return run_here(body, context);
    auto* stack = static_cast<char*>(region) + guard_size;
    pthread_attr_t attr;
    pthread_t thread;
    bool started = mprotect(region, guard_size, PROT_NONE) == 0 && pthread_attr_init(&attr) == 0;
    if (started) {
        started = pthread_attr_setstack(&attr, stack, stack_size) == 0 &&
                  pthread_create(&thread, &attr, thread_main, &launch) == 0;
        pthread_attr_destroy(&attr);
    }
    if (!started) {
        munmap(region, stack_size + guard_size);
        return run_here(body, context);
    }
    pthread_join(thread, nullptr);
    munmap(region, stack_size + guard_size);
    return launch.result;
}

} // namespace zep::platform
