// Processor faults and Ctrl-C. A fault ends the process with the runtime
// error report at the faulting instruction; Ctrl-C (SIGINT) is the quiet
// exit. The handlers run on an alternate signal stack so that a stack
// overflow can be reported too.
#include "runtime/fault_signals.h"

#include <algorithm>
#include <csignal>
#include <sys/mman.h>
#include <ucontext.h>
#include <unistd.h>

#include "runtime/error_exit.h"
#include "runtime/platform.h"
#include "runtime/record.h"

namespace zep::platform {

namespace {

// A fault this far below the stack's low end counts as a stack overflow.
constexpr uintptr_t overflow_zone = uintptr_t{1} << 20;

thread_local constinit uintptr_t stack_low = 0;
thread_local constinit void* signal_stack = nullptr;
thread_local constinit size_t signal_stack_size = 0;

bool is_stack_overflow(uintptr_t address) {
    return stack_low != 0 && address < stack_low && stack_low - address <= overflow_zone;
}

void on_fault(int signal, siginfo_t* info, void* context) {
    const auto* uc = static_cast<const ucontext_t*>(context);
    const auto& regs = uc->uc_mcontext.gregs;
    runtime::record.fault = {static_cast<uintptr_t>(regs[REG_RBP]),
                             static_cast<uintptr_t>(regs[REG_RSP])};
    bool overflow =
        signal == SIGSEGV && is_stack_overflow(reinterpret_cast<uintptr_t>(info->si_addr));
    runtime::error_exit_from_signal(fault_code(signal, info->si_code, overflow),
                                    static_cast<uintptr_t>(regs[REG_RIP]));
}

void on_interrupt(int, siginfo_t*, void*) {
    runtime::error_exit_from_signal(0, 0);
}

void install(int signal, void (*handler)(int, siginfo_t*, void*), int extra_flags) {
    struct sigaction action {};
    action.sa_sigaction = handler;
    action.sa_flags = SA_SIGINFO | SA_ONSTACK | extra_flags;
    sigfillset(&action.sa_mask);
    sigaction(signal, &action, nullptr);
}

} // namespace

uint32_t fault_code(int signal, int si_code, bool stack_overflow) {
    switch (signal) {
    case SIGSEGV:
        return stack_overflow ? 19 : 1;
    case SIGBUS:
        return 2;
    case SIGILL:
        return si_code == ILL_PRVOPC ? 15 : 17;
    case SIGFPE:
        switch (si_code) {
        case FPE_INTDIV:
            return 13;
        case FPE_INTOVF:
            return 14;
        case FPE_FLTDIV:
            return 7;
        case FPE_FLTOVF:
            return 10;
        case FPE_FLTUND:
            return 12;
        case FPE_FLTRES:
            return 8;
        case FPE_FLTINV:
            return 9;
        case FPE_FLTSUB:
            return 5;
        default:
            return 99;
        }
    default:
        return 99;
    }
}

void set_stack_low(uintptr_t low) {
    stack_low = low;
}

void install_signal_stack() {
    if (signal_stack) return;
    long minimum = sysconf(_SC_SIGSTKSZ);
    size_t size = std::max<size_t>(minimum > 0 ? static_cast<size_t>(minimum) : 0, 64 << 10);
    void* memory = mmap(nullptr, size, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (memory == MAP_FAILED) return;
    stack_t alternate{};
    alternate.ss_sp = memory;
    alternate.ss_size = size;
    if (sigaltstack(&alternate, nullptr) != 0) {
        munmap(memory, size);
        return;
    }
    signal_stack = memory;
    signal_stack_size = size;
}

void release_signal_stack() {
    if (!signal_stack) return;
    stack_t off{};
    off.ss_flags = SS_DISABLE;
    sigaltstack(&off, nullptr);
    munmap(signal_stack, signal_stack_size);
    signal_stack = nullptr;
}

void install_fault_handlers() {
    install_signal_stack();
    // A second fault inside the handler falls back to the default action.
    for (int signal : {SIGSEGV, SIGBUS, SIGFPE, SIGILL}) install(signal, on_fault, SA_RESETHAND);
    install(SIGINT, on_interrupt, 0);
}

} // namespace zep::platform
