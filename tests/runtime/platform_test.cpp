#include "runtime/platform.h"

#include <cfenv>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <gtest/gtest.h>
#include <pthread.h>
#include <string>

#include "runtime/heap.h"
#include "runtime/record.h"

using namespace zep;

TEST(Platform, ArgumentsAndCommandLine) {
    const char* argv[] = {"zep", "my script.zep", "", "--catch", "tab\there", nullptr};
    platform::get_args(5, argv);
    const auto& r = runtime::record;
    ASSERT_EQ(r.arg_count, 5);
    for (int i = 0; i < 5; ++i) EXPECT_STREQ(r.args[i], argv[i]);
    EXPECT_EQ(r.args[5], nullptr);
    EXPECT_STREQ(r.command_line, "zep \"my script.zep\" \"\" --catch \"tab\there\"");

    platform::get_args(0, nullptr);
    EXPECT_EQ(runtime::record.arg_count, 0);
    EXPECT_EQ(runtime::record.args[0], nullptr);
    EXPECT_STREQ(runtime::record.command_line, "");
}

TEST(Platform, ZonePacking) {
    struct Case {
        long offset_seconds;
        uint32_t zone;
    };
    const Case cases[] = {
        {0, 0},
        {3600, 1 << 2},
        {-5 * 3600, 0x40 | 5 << 2},
        {5 * 3600 + 45 * 60, 5 << 2 | 3},
        {-(3 * 3600 + 30 * 60), 0x40 | 3 << 2 | 2},
        {14 * 3600, 14 << 2},
    };
    for (const Case& c : cases) EXPECT_EQ(platform::pack_zone(c.offset_seconds), c.zone);
    EXPECT_EQ(platform::pack_date(2024, 2, 29, 0x4E), 2024u << 17 | 2u << 12 | 29u << 7 | 0x4E);
}

TEST(Platform, LocalTimeUsesTheZone) {
    std::string saved = std::getenv("TZ") ? std::getenv("TZ") : "";
    bool had = std::getenv("TZ") != nullptr;
    // POSIX zone strings count west as positive: this is UTC-03:30.
    setenv("TZ", "XXX+3:30", 1);
    tzset();
    uint32_t local = platform::local_time(false);
    uint32_t utc = platform::local_time(true);
    time_t now = time(nullptr) - (3 * 3600 + 30 * 60);
    tm expected{};
    gmtime_r(&now, &expected);
    if (had)
        setenv("TZ", saved.c_str(), 1);
    else
        unsetenv("TZ");
    tzset();
    EXPECT_EQ(local & 0x7F, 0x40u | 3 << 2 | 2);
    EXPECT_EQ(utc & 0x7F, 0u);
    EXPECT_EQ(local >> 7, platform::pack_date(expected.tm_year + 1900, expected.tm_mon + 1,
                                              expected.tm_mday, 0) >>
                              7);
}

TEST(Platform, NowUtcIsTheSecondOfTheDay) {
    double precise = platform::now_utc(true);
    double whole = platform::now_utc(false);
    auto expected = static_cast<double>(time(nullptr) % 86400);
    EXPECT_GE(precise, 0.0);
    EXPECT_LT(precise, 86400.0);
    EXPECT_EQ(whole, std::floor(whole));
    // Tolerates a second boundary and midnight between the readings.
    EXPECT_TRUE(std::fabs(whole - expected) <= 1 || std::fabs(whole - expected) >= 86399);
}

TEST(Platform, LargeStackThread) {
    struct Seen {
        size_t stack_size = 0;
        bool guard_at_start = true;
        int masked = 0;
    } seen;
    // The creating thread's unmasked exception does not reach the interpreter.
    feenableexcept(FE_DIVBYZERO);
    int result = platform::run_on_large_stack(
        [](void* context) {
            auto* s = static_cast<Seen*>(context);
            pthread_attr_t attr;
            pthread_getattr_np(pthread_self(), &attr);
            void* low;
            pthread_attr_getstack(&attr, &low, &s->stack_size);
            pthread_attr_destroy(&attr);
            s->guard_at_start = platform::stack_guard_exceeded();
            s->masked = fegetexcept();
            return 7;
        },
        &seen);
    platform::reset_floating_point();
    EXPECT_EQ(fegetexcept(), 0);
    EXPECT_EQ(result, 7);
    EXPECT_GE(seen.stack_size, platform::large_stack_size);
    EXPECT_FALSE(seen.guard_at_start);
    EXPECT_EQ(seen.masked, 0);
}

TEST(Platform, EnvironmentAndCurrentDirectory) {
    ASSERT_TRUE(platform::set_env("ZEP_PLATFORM_TEST", "value é"));
    char* value = platform::get_env("ZEP_PLATFORM_TEST");
    ASSERT_NE(value, nullptr);
    EXPECT_STREQ(value, "value é");
    heap::free(value);
    ASSERT_TRUE(platform::set_env("ZEP_PLATFORM_TEST", nullptr));
    EXPECT_EQ(platform::get_env("ZEP_PLATFORM_TEST"), nullptr);
    EXPECT_FALSE(platform::set_env("A=B", "x"));

    size_t length = 0;
    char* before = platform::get_current_dir(&length);
    ASSERT_NE(before, nullptr);
    EXPECT_EQ(length, std::strlen(before));
    ASSERT_TRUE(platform::set_current_dir("/tmp"));
    char* now = platform::get_current_dir(nullptr);
    EXPECT_STREQ(now, "/tmp");
    EXPECT_FALSE(platform::set_current_dir("/no/such/folder/here"));
    EXPECT_TRUE(platform::set_current_dir(before));
    heap::free(now);
    heap::free(before);
}
