// Drives the checksum and compression services for system_services_check.py.
// Reads one request a line from standard input and answers one line each:
//   digest METHOD HEX            -> the digest in hex
//   hmac METHOD KEYHEX HEX       -> the HMAC in hex ("none" when refused)
//   crc32|adler32|tcp HEX        -> the checksum in decimal
//   encode|decode FORMAT ROOM HEX -> "code size hex" (ROOM -1: measure only)
// An empty byte string is written as "-".
#include <cstdio>
#include <iostream>
#include <sstream>
#include <string>
#include <vector>

#include "services/checksum.h"
#include "services/compression.h"

using namespace zep;

namespace {

std::string from_hex(const std::string& hex) {
    std::string bytes;
    if (hex == "-") return bytes;
    for (size_t i = 0; i + 1 < hex.size(); i += 2) {
        bytes.push_back(static_cast<char>(std::stoi(hex.substr(i, 2), nullptr, 16)));
    }
    return bytes;
}

std::string to_hex(const std::string& bytes) {
    if (bytes.empty()) return "-";
    static const char digits[] = "0123456789abcdef";
    std::string hex;
    for (unsigned char c : bytes) {
        hex.push_back(digits[c >> 4]);
        hex.push_back(digits[c & 15]);
    }
    return hex;
}

const unsigned char* data_of(const std::string& s) {
    return reinterpret_cast<const unsigned char*>(s.data());
}

} // namespace

int main() {
    std::string line;
    while (std::getline(std::cin, line)) {
        std::istringstream words(line);
        std::string op;
        words >> op;
        if (op == "digest" || op == "hmac") {
            std::string method_name, key_hex, hex;
            words >> method_name;
            if (op == "hmac") words >> key_hex;
            words >> hex;
            auto method = checksum::method_of(method_name);
            std::string data = from_hex(hex);
            if (!method) {
                std::cout << "unknown\n";
            } else if (op == "digest") {
                std::cout << to_hex(checksum::digest(*method, data_of(data), data.size())) << "\n";
            } else {
                std::string key = from_hex(key_hex);
                auto mac =
                    checksum::hmac(*method, data_of(data), data.size(), data_of(key), key.size());
                std::cout << (mac ? to_hex(*mac) : "none") << "\n";
            }
        } else if (op == "crc32" || op == "adler32" || op == "tcp") {
            std::string hex;
            words >> hex;
            std::string data = from_hex(hex);
            uint32_t sum = op == "crc32" ? checksum::crc32(data_of(data), data.size())
                           : op == "tcp" ? checksum::tcp(data_of(data), data.size())
                                         : checksum::adler32(data_of(data), data.size());
            std::cout << sum << "\n";
        } else if (op == "encode" || op == "decode") {
            std::string format_name, hex;
            long long room = 0;
            words >> format_name >> room >> hex;
            auto format = compress::format_of(format_name);
            std::string data = from_hex(hex);
            std::vector<unsigned char> out(room > 0 ? static_cast<size_t>(room) : 1);
            uint64_t size = room > 0 ? static_cast<uint64_t>(room) : 0;
            unsigned char* target = room >= 0 ? out.data() : nullptr;
            int code = op == "encode"
                           ? compress::encode(*format, target, &size, data_of(data), data.size())
                           : compress::decode(*format, target, &size, data_of(data), data.size());
            std::string produced;
            if (code == compress::done && target)
                produced.assign(reinterpret_cast<const char*>(out.data()), size);
            std::cout << code << " " << size << " " << to_hex(produced) << "\n";
        } else {
            std::cout << "bad request\n";
        }
    }
    return 0;
}
