// Catch records: every non-local exit at native level travels as one C++
// exception carrying a 32-bit code. A receiver takes every code up to and
// including its threshold (unsigned comparison) and rethrows the others.
#pragma once
#include <cstdint>
#include <new>
#include <utility>

namespace zep::catch_ {

// Codes in use (unsigned; receivers take every code up to their threshold).
constexpr uint32_t code_vm_release_failed = 0x7FFFFFF6;
constexpr uint32_t code_vm_reserve_failed = 0x7FFFFFF7;
constexpr uint32_t code_power_overflow = 0x7FFFFFF9;
constexpr uint32_t code_throw = 0x7FFFFFFA;
constexpr uint32_t code_exit = 0x7FFFFFFB;
constexpr uint32_t code_return = 0x7FFFFFFC;
constexpr uint32_t code_continue = 0x7FFFFFFD;
constexpr uint32_t code_break = 0x7FFFFFFE;
constexpr uint32_t code_error = 0x7FFFFFFF;
constexpr uint32_t code_quiet_exit = 0xBADCAFE;

// Thresholds of the receivers.
constexpr uint32_t threshold_memory = 0x7FFFFFF8;
constexpr uint32_t threshold_catch = 0x7FFFFFFA;
constexpr uint32_t threshold_loop = 0x7FFFFFFE;
constexpr uint32_t threshold_call = 0x7FFFFFFF;
constexpr uint32_t threshold_outermost = 0xFFFFFFFF;

// The exception that carries a code through the native stack.
struct Unwind {
    uint32_t code;
};

// The code being thrown; the thrower stores it, the receiver reads and clears it.
extern uint32_t exception_slot;

// Throws the code held in the exception slot. Never returns.
[[noreturn]] void unwind();

// Stores the code in the exception slot and throws it.
[[noreturn]] void throw_code(uint32_t code);

// Runs body under a catch record with the given threshold. Answers 0 when the
// body completes, or the received code (left in the exception slot for the
// receiver to inspect and clear). Codes above the threshold pass outward.
template <class Body> uint32_t receive(uint32_t threshold, Body&& body) {
    try {
        std::forward<Body>(body)();
        return 0;
    } catch (const Unwind& u) {
        if (u.code > threshold) throw;
        exception_slot = u.code;
        return u.code;
    }
}

// The handler of the outermost record: a quiet exit for code_quiet_exit,
// otherwise runtime error 95 "no CATCH for THROW".
[[noreturn]] void on_uncaught_throw(uint32_t code);

// Ends the process for a C++ exception that is not a code: runtime error 94
// "out of memory" for an allocation failure, else 99 "unknown error".
[[noreturn]] void on_foreign_exception(bool out_of_memory);

// Runs body under the outermost record (threshold 0xFFFFFFFF): whatever it
// throws ends the process through on_uncaught_throw.
template <class Body> void run_outermost(Body&& body) {
    try {
        std::forward<Body>(body)();
    } catch (const Unwind& u) {
        on_uncaught_throw(u.code);
    } catch (const std::bad_alloc&) {
        on_foreign_exception(true);
    } catch (...) {
        on_foreign_exception(false);
    }
}

} // namespace zep::catch_
