#include "runtime/output_hooks.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <string>
#include <unistd.h>

#include "runtime/print.h"

using namespace zep;

namespace {

std::string seen;

// Sends standard output to /dev/null while a test prints.
class QuietStdout : public ::testing::Test {
  protected:
    void SetUp() override {
        fflush(stdout);
        saved_ = dup(STDOUT_FILENO);
        int null = open("/dev/null", O_WRONLY);
        dup2(null, STDOUT_FILENO);
        close(null);
        output::init_hooks();
        seen.clear();
    }
    void TearDown() override {
        dup2(saved_, STDOUT_FILENO);
        close(saved_);
        output::init_hooks();
    }
    int saved_ = -1;
};

} // namespace

TEST_F(QuietStdout, BufferHooksSeeWhatTheTypedPrinterWrites) {
    output::add_hooks(nullptr, [](const char* buffer, size_t length, int flag) {
        seen.append(buffer, length);
        seen += flag == 0 ? "|" : "?";
    });
    using namespace print::item;
    print::line({text("n="), integer(7), logic(false), address_of(255)});
    EXPECT_EQ(seen, "n=|7|false|000000FF|\n|");
}

TEST_F(QuietStdout, ValueHooksRunInRegistrationOrderAndListsGrow) {
    // Twelve hooks on each list: both grow twice past their first five.
    for (int i = 0; i < 12; ++i)
        output::add_hooks([](const output::TextView& t, bool) { seen += char('0' + t.unit_size); },
                          [](const char*, size_t, int) { seen += 'b'; });
    output::fire_value_hooks({u"ab", 4, 2}, false);
    EXPECT_EQ(seen, std::string(12, '2'));
    seen.clear();
    output::fire_buffer_hooks("x", 1, 0);
    EXPECT_EQ(seen, std::string(12, 'b'));
}
