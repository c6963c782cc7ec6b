// Opens a url or a file with the desktop's preferred application, through
// xdg-open when it is installed.
#pragma once
#include <string>

namespace zep::browse {

// Starts xdg-open on the target without waiting for it (its output goes
// nowhere). False when xdg-open is not on the PATH or cannot be started.
bool open(const std::string& target);

} // namespace zep::browse
