// Reads lines of hexadecimal UTF-8 text from standard input and writes, for
// each, three hexadecimal lines: the url-mode encoding, the unreserved-mode
// encoding and the decoding (as UTF-8) of the text.
#include <cstdio>
#include <iostream>
#include <string>

#include "datatypes/url.h"
#include "runtime/unicode/utf8.h"

namespace {

std::string from_hex(const std::string& hex) {
    std::string out;
    for (size_t i = 0; i + 1 < hex.size(); i += 2)
        out.push_back(static_cast<char>(std::stoi(hex.substr(i, 2), nullptr, 16)));
    return out;
}

std::string to_hex(const std::string& bytes) {
    static const char digits[] = "0123456789abcdef";
    std::string out;
    for (unsigned char c : bytes) {
        out.push_back(digits[c >> 4]);
        out.push_back(digits[c & 15]);
    }
    return out;
}

} // namespace

int main() {
    using namespace zep;
    std::string line;
    while (std::getline(std::cin, line)) {
        std::string text = from_hex(line);
        std::cout << to_hex(url::encode_bytes(text, url::mode::url)) << '\n';
        std::cout << to_hex(url::encode_bytes(text, url::mode::unreserved)) << '\n';
        std::u32string decoded =
            url::decode_text(reinterpret_cast<const unsigned char*>(text.data()), text.size());
        std::string utf8;
        unsigned char bytes[4];
        for (char32_t cp : decoded)
            utf8.append(reinterpret_cast<char*>(bytes), unicode::encode_utf8(cp, bytes));
        std::cout << to_hex(utf8) << '\n';
    }
    return 0;
}
