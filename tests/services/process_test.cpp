// Child processes: command splitting, stream redirection in every form, and
// large transfers in both directions at once (which deadlock when the pipes
// are not served together). The shell and coreutils are the oracles.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdio>
#include <fstream>
#include <sstream>

#include "services/process.h"

using namespace zep;

namespace {

using Kind = call::Stream::Kind;

call::Request shell(const std::string& command) {
    call::Request request;
    request.command = command;
    request.shell = true;
    request.wait = true;
    return request;
}

std::string temp_path(const char* name) {
    return testing::TempDir() + "zep_process_" + std::to_string(getpid()) + "_" + name;
}

std::string read_file(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

} // namespace

TEST(ProcessTest, SplitsCommandWords) {
    struct Case {
        const char* command;
        std::vector<std::string> words;
    };
    const Case cases[] = {
        {"", {}},
        {"  ls   -l\t/tmp ", {"ls", "-l", "/tmp"}},
        {R"(echo "a b" 'c "d"' e\ f)", {"echo", "a b", "c \"d\"", "e f"}},
        {R"(x"y z"w "q\"r\\s")", {"xy zw", "q\"r\\s"}},
        {R"('')", {""}},
    };
    for (const Case& c : cases) {
        auto words = call::split_command(c.command);
        ASSERT_TRUE(words) << c.command;
        EXPECT_EQ(*words, c.words) << c.command;
    }
    EXPECT_FALSE(call::split_command("echo 'open"));
    EXPECT_FALSE(call::split_command("echo \"open"));
}

TEST(ProcessTest, ExitStatusesAndFailures) {
    call::Request ok = shell("exit 3");
    EXPECT_EQ(call::run_command(ok), 3);
    call::Request killed = shell("kill -9 $$");
    EXPECT_EQ(call::run_command(killed), 128 + 9);
    // Direct runs find programs on the PATH and pass the words unchanged.
    call::Request direct;
    direct.command = "printf '%s|' 'a b' c";
    direct.wait = true;
    direct.output.kind = Kind::buffer;
    EXPECT_EQ(call::run_command(direct), 0);
    EXPECT_EQ(direct.output.bytes, "a b|c|");
    call::Request missing;
    missing.command = "/no/such/program";
    missing.wait = true;
    EXPECT_EQ(call::run_command(missing), -1);
    call::Request unterminated;
    unterminated.command = "echo 'x";
    EXPECT_EQ(call::run_command(unterminated), -1);
    // Without waiting the answer is the child's process id.
    call::Request background;
    background.command = "true";
    EXPECT_GT(call::run_command(background), 1);
}

TEST(ProcessTest, CapturesOutputErrorAndFeedsInput) {
    call::Request request = shell("cat; echo oops >&2; printf 'é'");
    request.input.kind = Kind::buffer;
    request.input.bytes = "line 1\nline 2\n";
    request.output.kind = Kind::buffer;
    request.output.bytes = "kept:";
    request.error.kind = Kind::buffer;
    EXPECT_EQ(call::run_command(request), 0);
    EXPECT_EQ(request.output.bytes, "kept:line 1\nline 2\n\xC3\xA9");
    EXPECT_EQ(request.error.bytes, "oops\n");
}

TEST(ProcessTest, RedirectsToAndFromFiles) {
    std::string in_path = temp_path("in"), out_path = temp_path("out");
    std::ofstream(in_path) << "from a file\n";
    std::ofstream(out_path) << "old contents that must go away\n";
    call::Request request = shell("tr a-z A-Z");
    request.input.kind = Kind::file;
    request.input.path = in_path;
    request.output.kind = Kind::file;
    request.output.path = out_path;
    EXPECT_EQ(call::run_command(request), 0);
    EXPECT_EQ(read_file(out_path), "FROM A FILE\n");
    request.input.path = temp_path("missing");
    EXPECT_EQ(call::run_command(request), -1);
    std::remove(in_path.c_str());
    std::remove(out_path.c_str());
}

TEST(ProcessTest, LargeTransfersDoNotDeadlock) {
    // Several megabytes each way through cat, both pipes full at once.
    std::string big;
    big.reserve(6 << 20);
    for (int i = 0; big.size() < (6u << 20); ++i) big += std::to_string(i) + "\n";
    call::Request echo_back = shell("cat; cat /dev/null >&2");
    echo_back.input.kind = Kind::buffer;
    echo_back.input.bytes = big;
    echo_back.output.kind = Kind::buffer;
    echo_back.error.kind = Kind::buffer;
    EXPECT_EQ(call::run_command(echo_back), 0);
    EXPECT_EQ(echo_back.output.bytes.size(), big.size());
    EXPECT_TRUE(echo_back.output.bytes == big);

    // Both output streams large and interleaved.
    call::Request both = shell("head -c 5000000 /dev/zero; head -c 4000000 /dev/zero >&2; "
                               "head -c 3000000 /dev/zero");
    both.output.kind = Kind::buffer;
    both.error.kind = Kind::buffer;
    EXPECT_EQ(call::run_command(both), 0);
    EXPECT_EQ(both.output.bytes.size(), 8000000u);
    EXPECT_EQ(both.error.bytes.size(), 4000000u);

    // A child that stops reading its input early does not stop the caller.
    call::Request early = shell("head -c 3");
    early.input.kind = Kind::buffer;
    early.input.bytes = big;
    early.output.kind = Kind::buffer;
    EXPECT_EQ(call::run_command(early), 0);
    EXPECT_EQ(early.output.bytes, big.substr(0, 3));
}
