// libFuzzer target for the lexer. Every input is transcoded as a whole text,
// value by value in the one-value mode, and token by token in the scan mode.
// A syntax error is an expected answer; a crash, a hang, a sanitizer report
// or any other non-local exit is a failure. The scan mode must answer a
// position inside the input and advance whenever it recognises a token.
#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "boot/startup.h"
#include "evaluator/runtime_words.h"
#include "evaluator/stack.h"
#include "runtime/catch.h"
#include "runtime/memory.h"
#include "runtime/value_make.h"
#include "services/lexer.h"

using namespace zep;

namespace {

void check(bool ok) {
    if (!ok) std::abort();
}

// Runs body under a try frame; syntax (and too-deep) errors are received.
template <class Body> void guarded(Body&& body) {
    stack::ArgumentStack saved_arguments = stack::arguments;
    stack::Frame* saved_frames = stack::frames.top;
    stack::mark_try(words::global_word(words::global::body));
    try {
        body();
    } catch (const catch_::Unwind& u) {
        check(u.code == catch_::code_error);
        catch_::exception_slot = 0;
    }
    stack::arguments = saved_arguments;
    stack::frames.top = saved_frames;
}

// Inputs between fresh starts of the runtime: nothing is collected yet, so
// the memory of old results is given back this way.
constexpr int inputs_per_start = 2000;
int inputs_since_start = inputs_per_start;

void fresh_start() {
    if (inputs_since_start < inputs_per_start) return;
    if (stack::argument_block) {
        boot::forget_core();
        memory::free_all();
    }
    boot::init_core();
    inputs_since_start = 0;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size > 1 << 16) return 0;
    fresh_start();
    ++inputs_since_start;
    uint32_t length = static_cast<uint32_t>(size);

    guarded([&] {
        Cell* out = stack::push_slot();
        value::set_none(out);
        lexer::transcode(out, data, length, lexer::Options{});
    });

    // One value at a time: each step must move on, or the input is done.
    guarded([&] {
        uint32_t at = 0;
        lexer::Options options;
        options.mode = lexer::Mode::one;
        while (at < length) {
            Cell* out = stack::push_slot();
            lexer::Result r = lexer::transcode(out, data + at, length - at, options);
            stack::pop(1);
            check(r.consumed <= length - at);
            if (r.count == 0 || r.consumed == 0) break;
            at += r.consumed;
        }
    });

    for (lexer::Mode mode : {lexer::Mode::scan, lexer::Mode::prescan}) {
        guarded([&] {
            uint32_t at = 0;
            lexer::Options options;
            options.mode = mode;
            while (at < length) {
                Cell out;
                value::set_none(&out);
                lexer::Result r = lexer::transcode(&out, data + at, length - at, options);
                check(r.consumed <= length - at);
                if (r.type <= 0 || r.consumed == 0) break;
                at += r.consumed;
            }
        });
    }
    check(lexer::active == nullptr);
    return 0;
}
