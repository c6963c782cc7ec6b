#include "runtime/gc_roots.h"

#include <gtest/gtest.h>

#include <memory>
#include <vector>

using namespace zep;

namespace {

std::vector<const void*> registered_slots() {
    std::vector<const void*> slots;
    for (const gc::RootEntry* e = gc::detail::roots_begin(); e < gc::detail::roots_end(); ++e)
        slots.push_back(e->slot);
    return slots;
}

} // namespace

// More guards than the first room of the shadow stack: every one stays
// registered in order through the growth, and dropping them leaves the stack
// as it was.
TEST(GcRoots, GuardsSurviveGrowthInOrderAndUnwindToTheStart) {
    std::vector<const void*> before = registered_slots();
    constexpr size_t n = 1000;
    std::vector<Ref> refs(n, 0);
    {
        std::vector<std::unique_ptr<gc::RootRef>> guards;
        for (size_t i = 0; i < n; ++i) guards.push_back(std::make_unique<gc::RootRef>(refs[i]));
        std::vector<const void*> slots = registered_slots();
        ASSERT_EQ(slots.size(), before.size() + n);
        for (size_t i = 0; i < n; ++i) EXPECT_EQ(slots[before.size() + i], &refs[i]);
        while (!guards.empty()) guards.pop_back();
    }
    EXPECT_EQ(registered_slots(), before);
}

// A guard dropped out of order is removed where it stands; the others keep
// their places.
TEST(GcRoots, AGuardDroppedOutOfOrderLeavesTheOthers) {
    std::vector<const void*> before = registered_slots();
    Cell a{};
    Cell b{};
    Cell c{};
    gc::Root keep_a(&a);
    auto keep_b = std::make_unique<gc::Root>(&b);
    gc::Root keep_c(&c);
    keep_b.reset();
    std::vector<const void*> slots = registered_slots();
    ASSERT_EQ(slots.size(), before.size() + 2);
    EXPECT_EQ(slots[before.size()], &a);
    EXPECT_EQ(slots[before.size() + 1], &c);
}
