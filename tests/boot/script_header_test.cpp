// The search for a script's Zep header in its text.
#include <gtest/gtest.h>

#include "boot/script.h"

namespace {

using zep::boot::script::find_header;

TEST(ScriptHeader, FoundWhereTheWordIsFollowedByBlanksAndABracket) {
    struct Case {
        const char* text;
        bool found;
        bool system;
        size_t offset;
    } cases[] = {
        {"Zep []", true, false, 0},
        {"Zep[]", true, false, 0},
        {"#!/usr/bin/zep\nZep [Title: \"x\"]", true, false, 15},
        {"Zep \t\n\n [", true, false, 0},
        {"Zep/System [", true, true, 0},
        {"Zep/System[", true, true, 0},
        // The first place that qualifies wins, even inside another word.
        {"MyZep [] Zep []", true, false, 2},
        // A word that is not followed by a bracket is passed over.
        {"Zep is here; Zep [", true, false, 13},
        // Case-sensitive; a carriage return stops the header from being found.
        {"zep []", false, false, 0},
        {"ZEP []", false, false, 0},
        {"Zep\r\n[", false, false, 0},
        {"Zep/system [", false, false, 0},
        {"Zep", false, false, 0},
        {"", false, false, 0},
        {"print 1", false, false, 0},
    };
    for (const Case& c : cases) {
        auto header = find_header(c.text);
        EXPECT_EQ(header.found, c.found) << c.text;
        if (!c.found) continue;
        EXPECT_EQ(header.system, c.system) << c.text;
        EXPECT_EQ(header.offset, c.offset) << c.text;
    }
}

} // namespace
