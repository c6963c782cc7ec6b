// Decodes UTF-8 input so that a Python check can compare the results with
// Python's own codec.
//
//   utf8_probe [strict|step|load|load-crlf|load16|load16-crlf] [--hex-lines]
//
// strict: the strict decoder; prints the code points in hex, then "ok" or
//         "error <byte offset of the offending sequence>".
// step:   the tolerant stepper; prints each step's code point in hex, "-1" for
//         a rejected sequence, then "n=<count_utf8_chars>".
// load:   loads the text as UTF-8 into a new string (load16: as UTF-16LE;
//         -crlf: with line-end handling) and prints "u<unit> left=<bytes
//         unread>", the code points, then the value converted back to UTF-8
//         and to UTF-16LE in hex; or "error <id>".
// The whole of stdin is one text, or with --hex-lines each line is one text
// written in hex, answered by one output line.
#include <cstdio>
#include <cstring>
#include <iostream>
#include <string>
#include <vector>

#include "runtime/catch.h"
#include "runtime/memory.h"
#include "runtime/raise.h"
#include "runtime/unicode/conversion.h"
#include "runtime/unicode/text_cell.h"
#include "runtime/unicode/text_load.h"
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

std::string hex(const unsigned char* p, size_t n) {
    std::string out;
    char buf[4];
    for (size_t i = 0; i < n; ++i) {
        std::snprintf(buf, sizeof buf, "%02x", p[i]);
        out += buf;
    }
    return out;
}

std::string load(const std::vector<unsigned char>& text, bool utf16, bool crlf) {
    static const unsigned char empty[1] = {0};
    const unsigned char* bytes = text.empty() ? empty : text.data();
    std::string out;
    char buf[32];
    Cell cell{};
    uint32_t unread = 0;
    uint32_t code = catch_::receive(catch_::threshold_call, [&] {
        if (utf16) {
            SeriesBuffer* b =
                unicode::load_utf16le(bytes, static_cast<uint32_t>(text.size() / 2), nullptr, crlf);
            unicode::make_text_cell(&cell, b->node);
        } else {
            Ref node = unicode::load_utf8(bytes, static_cast<uint32_t>(text.size()), nullptr,
                                          &unread, crlf);
            unicode::make_text_cell(&cell, node);
        }
        unicode::TextRange r = unicode::text_range(&cell);
        std::snprintf(buf, sizeof buf, "u%u left=%u ", r.unit, unread);
        out += buf;
        for (uint32_t i = 0; i < r.length; ++i) {
            std::snprintf(buf, sizeof buf, "%x ", unicode::read_unit(r.start + i * r.unit, r.unit));
            out += buf;
        }
        int32_t length = -1;
        unsigned char* utf8 = unicode::to_utf8_cstr(&cell, length);
        out += "| " + hex(utf8, length) + " | ";
        int32_t count = -1;
        unsigned char* utf16_text = unicode::to_utf_buffer(&cell, count, false);
        out += hex(utf16_text, 2 * static_cast<size_t>(count));
    });
    if (code != 0) {
        catch_::exception_slot = 0;
        return std::string("error ") + error::last_raised.id;
    }
    return out;
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
    std::string mode = "strict";
    bool hex_lines = false;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--hex-lines") == 0)
            hex_lines = true;
        else
            mode = argv[i];
    }
    bool crlf = mode.ends_with("-crlf");
    if (mode.starts_with("load")) memory::init();
    auto run = [&](const std::vector<unsigned char>& text) {
        std::string result = mode == "step"               ? decode_steps(text)
                             : mode.starts_with("load16") ? load(text, true, crlf)
                             : mode.starts_with("load")   ? load(text, false, crlf)
                                                          : decode_strict(text);
        std::cout << result << '\n';
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
