#include "boot/script.h"

namespace zep::boot::script {

namespace {

bool is_header_blank(char c) {
    return c == ' ' || c == '\t' || c == '\n';
}

} // namespace

Header find_header(std::string_view text) {
    Header header;
    for (size_t at = text.find("Zep"); at != std::string_view::npos;
         at = text.find("Zep", at + 1)) {
        size_t p = at + 3;
        bool system = text.substr(p, 7) == "/System";
        if (system) p += 7;
        while (p < text.size() && is_header_blank(text[p])) ++p;
        if (p < text.size() && text[p] == '[') {
            header.found = true;
            header.system = system;
            header.offset = at;
            return header;
        }
    }
    return header;
}

} // namespace zep::boot::script
