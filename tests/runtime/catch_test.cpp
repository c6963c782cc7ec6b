#include "runtime/catch.h"

#include <gtest/gtest.h>

using namespace zep;

namespace {

// Throws `code` under a receiver of `threshold`; answers what the receiver
// took (0: nothing) and what passed outward (0: nothing).
std::pair<uint32_t, uint32_t> throw_through(uint32_t threshold, uint32_t code) {
    uint32_t received = 0, passed = 0;
    try {
        received = catch_::receive(threshold, [&] { catch_::throw_code(code); });
    } catch (const catch_::Unwind& u) {
        passed = u.code;
    }
    return {received, passed};
}

} // namespace

TEST(Catch, ReceiverTakesCodesUpToItsThreshold) {
    struct Case {
        uint32_t threshold, code;
        bool received;
    };
    const Case cases[] = {
        {catch_::threshold_memory, catch_::code_vm_reserve_failed, true},
        {catch_::threshold_memory, catch_::code_vm_release_failed, true},
        {catch_::threshold_memory, catch_::code_throw, false},
        {catch_::threshold_catch, catch_::code_throw, true},
        {catch_::threshold_catch, catch_::code_exit, false},
        {catch_::threshold_loop, catch_::code_break, true},
        {catch_::threshold_loop, catch_::code_error, false},
        {catch_::threshold_call, catch_::code_error, true},
        // Unsigned comparison: the quiet exit passes everything but the outermost.
        {catch_::threshold_call, 0xBADCAFE, true},
        {catch_::threshold_outermost, 0xFFFFFFFF, true},
    };
    for (const Case& c : cases) {
        catch_::exception_slot = 0;
        auto [received, passed] = throw_through(c.threshold, c.code);
        EXPECT_EQ(received, c.received ? c.code : 0) << std::hex << c.threshold << " " << c.code;
        EXPECT_EQ(passed, c.received ? 0 : c.code) << std::hex << c.threshold << " " << c.code;
        EXPECT_EQ(catch_::exception_slot, c.code) << "the slot holds the thrown code";
    }
}

TEST(Catch, NestedReceiversAndRethrow) {
    std::vector<std::string> trail;
    uint32_t outer = catch_::receive(catch_::threshold_call, [&] {
        uint32_t loop = catch_::receive(catch_::threshold_loop, [&] {
            uint32_t inner = catch_::receive(catch_::threshold_memory,
                                             [&] { catch_::throw_code(catch_::code_break); });
            trail.push_back("inner took " + std::to_string(inner));
        });
        trail.push_back("loop took break");
        EXPECT_EQ(loop, catch_::code_break);
        // A receiver may throw again: unwind throws what the slot holds.
        catch_::exception_slot = catch_::code_error;
        catch_::unwind();
    });
    EXPECT_EQ(outer, catch_::code_error);
    EXPECT_EQ(trail, std::vector<std::string>{"loop took break"});
    EXPECT_EQ(catch_::receive(catch_::threshold_call, [] {}), 0u) << "no throw, nothing received";
}
