// Reads lines "seed hex-bytes" and prints the MurmurHash3 x86 32-bit hash of
// each, in hexadecimal, for the Python cross-check.
#include <cstdint>
#include <cstdio>
#include <iostream>
#include <sstream>
#include <string>
#include <vector>

#include "runtime/hashtable.h"

int main() {
    std::string line;
    while (std::getline(std::cin, line)) {
        std::istringstream in(line);
        uint32_t seed = 0;
        std::string hex;
        in >> seed >> hex;
        std::vector<unsigned char> bytes;
        for (size_t i = 0; i + 1 < hex.size(); i += 2)
            bytes.push_back(static_cast<unsigned char>(std::stoul(hex.substr(i, 2), nullptr, 16)));
        uint32_t h =
            zep::hash::murmur3_seeded(bytes.data(), static_cast<uint32_t>(bytes.size()), seed);
        std::printf("%08x\n", h);
    }
    return 0;
}
