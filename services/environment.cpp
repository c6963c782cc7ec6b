#include "services/environment.h"

#include <cstring>

extern char** environ;

namespace zep::os {

std::vector<std::pair<std::string, std::string>> list_env() {
    std::vector<std::pair<std::string, std::string>> variables;
    for (char** entry = environ; entry && *entry; ++entry) {
        const char* text = *entry;
        const char* equals = std::strchr(text, '=');
        if (!equals) {
            variables.emplace_back(text, std::string());
            continue;
        }
        variables.emplace_back(std::string(text, equals), std::string(equals + 1));
    }
    return variables;
}

} // namespace zep::os
