// Decodes UTF-8 input so that a Python check can compare the results with
// Python's own codec.
//
//   utf8_probe [strict|step] [--hex-lines]
//
// strict: the strict decoder; prints the code points in hex, then "ok" or
//         "error <byte offset of the offending sequence>".
// step:   the tolerant stepper; prints each step's code point in hex, "-1" for
//         a rejected sequence, then "n=<count_utf8_chars>".
// The whole of stdin is one text, or with --hex-lines each line is one text
// written in hex, answered by one output line.
#include <cstdio>
#include <cstring>
#include <iostream>
#include <string>
#include <vector>

#include "runtime/catch.h"
#include "runtime/unicode/utf8.h"

using namespace zep;

namespace {

std::string decode_strict(const std::vector<unsigned char>& text) {
    std::string out;
    char buf[16];
    uint32_t pos = 0;
    while (pos < text.size()) {
        uint32_t count = static_cast<uint32_t>(text.size()) - pos;
        int32_t cp = -1;
        uint32_t code = catch_::receive(catch_::threshold_call,
                                        [&] { cp = unicode::decode_utf8_char(&text[pos], count); });
        if (code != 0 || cp < 0) {
            catch_::exception_slot = 0;
            std::snprintf(buf, sizeof buf, "error %u", pos);
            return out + buf;
        }
        std::snprintf(buf, sizeof buf, "%x ", static_cast<unsigned>(cp));
        out += buf;
        pos += count;
    }
    return out + "ok";
}

std::string decode_steps(const std::vector<unsigned char>& text) {
    std::string out;
    char buf[16];
    const unsigned char* p = text.data();
    const unsigned char* end = p + text.size();
    while (p < end) {
        int32_t cp;
        p = unicode::decode_utf8_step(p, end, cp);
        if (cp < 0) {
            out += "-1 ";
        } else {
            std::snprintf(buf, sizeof buf, "%x ", static_cast<unsigned>(cp));
            out += buf;
        }
    }
    std::snprintf(buf, sizeof buf, "n=%u", unicode::count_utf8_chars(text.data(), end));
    return out + buf;
}

std::vector<unsigned char> from_hex(const std::string& line) {
    std::vector<unsigned char> bytes;
    for (size_t i = 0; i + 1 < line.size(); i += 2) {
        bytes.push_back(static_cast<unsigned char>(std::stoul(line.substr(i, 2), nullptr, 16)));
    }
    return bytes;
}

} // namespace

int main(int argc, char** argv) {
    bool steps = false;
    bool hex_lines = false;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "step") == 0) steps = true;
        if (std::strcmp(argv[i], "--hex-lines") == 0) hex_lines = true;
    }
    auto run = [&](const std::vector<unsigned char>& text) {
        std::cout << (steps ? decode_steps(text) : decode_strict(text)) << '\n';
    };
    if (hex_lines) {
        std::string line;
        while (std::getline(std::cin, line)) run(from_hex(line));
    } else {
        std::vector<unsigned char> text((std::istreambuf_iterator<char>(std::cin)),
                                        std::istreambuf_iterator<char>());
        run(text);
    }
    return 0;
}
