// The process environment: every variable as name and value, read from the
// environment block (entries NAME=value). Reading and changing one variable
// goes through the platform layer (runtime/platform.h).
#pragma once
#include <string>
#include <utility>
#include <vector>

namespace zep::os {

// Every variable of the process, in the environment block's order. An entry
// without "=" has an empty value.
std::vector<std::pair<std::string, std::string>> list_env();

} // namespace zep::os
