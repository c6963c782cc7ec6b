#include "services/browse.h"

#include <unistd.h>

#include <cstdlib>
#include <string_view>

#include "services/process.h"

namespace zep::browse {

namespace {

// The full name of the program in a PATH folder, or empty.
std::string find_on_path(std::string_view program) {
    const char* path = std::getenv("PATH");
    std::string_view folders = path ? path : "/usr/local/bin:/usr/bin:/bin";
    while (!folders.empty()) {
        size_t colon = folders.find(':');
        std::string_view folder = folders.substr(0, colon);
        folders = colon == std::string_view::npos ? std::string_view() : folders.substr(colon + 1);
        if (folder.empty()) folder = ".";
        std::string candidate = std::string(folder) + "/" + std::string(program);
        if (access(candidate.c_str(), X_OK) == 0) return candidate;
    }
    return {};
}

// Quotes a word for split_command: inside single quotes every character but
// the quote itself stands for itself.
std::string quoted(const std::string& word) {
    std::string out = "'";
    for (char c : word) {
        if (c == '\'') {
            out += "'\\''";
        } else {
            out += c;
        }
    }
    return out + "'";
}

} // namespace

bool open(const std::string& target) {
    std::string program = find_on_path("xdg-open");
    if (program.empty()) return false;
    call::Request request;
    request.command = quoted(program) + " " + quoted(target);
    return call::run_command(request) > 0;
}

} // namespace zep::browse
