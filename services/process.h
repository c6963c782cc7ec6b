// Child processes for the `call` native: runs a command directly (split into
// words) or through /bin/sh -c, feeds its standard input, and captures its
// standard output and error into buffers or files. Pipes are served together
// with poll, so a child that writes a lot while its input is still being
// fed never deadlocks.
#pragma once
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace zep::call {

// Where one standard stream of the child comes from or goes to.
struct Stream {
    enum class Kind : uint8_t {
        none,   // not redirected: see Request::console
        buffer, // input: the bytes of `bytes`; output: appended to `bytes`
        file,   // the file named by `path` (output files are truncated)
    };
    Kind kind = Kind::none;
    std::string bytes;
    std::string path;
};

struct Request {
    std::string command;
    bool wait = false;
    bool show = false;    // a window to show: nothing to do on a terminal
    bool console = false; // share the terminal: streams not redirected are inherited
    bool shell = false;   // run through /bin/sh -c
    Stream input;
    Stream output;
    Stream error;
};

// Runs the request. Streams that are not redirected are inherited with
// /console and connected to /dev/null without it. The call waits for the
// child with /wait, with /console and whenever a stream is a buffer (it is
// only complete when the child ends); it then answers the exit status (128 +
// the signal's number for a child ended by a signal). Otherwise it answers
// the child's process id. -1 when the command cannot be started (no such
// program, a file that cannot be opened) or is empty.
int32_t run_command(Request& request);

// The words of a command run without the shell: blanks separate words;
// "..." groups (with \" and \\ escapes inside), '...' groups literally, and
// a backslash outside quotes takes the next character as it is. Nothing
// for an unterminated quote.
std::optional<std::vector<std::string>> split_command(std::string_view command);

} // namespace zep::call
