// Reading and writing the code points of a text buffer, whose units are 1, 2
// or 4 bytes wide. Unit 2 is little-endian; unit 4 is a host-order 32-bit word.
#pragma once
#include <cstdint>
#include <cstring>

namespace zep::unicode {

// A unit size other than 1, 2 or 4 in a text buffer is an internal fault: the
// process ends through the runtime error exit with code 101.
[[noreturn]] void unit_fault();

inline uint32_t read_unit(const unsigned char* p, uint32_t unit) {
    switch (unit) {
    case 1:
        return p[0];
    case 2:
        return static_cast<uint32_t>(p[1]) << 8 | p[0];
    case 4: {
        uint32_t v;
        std::memcpy(&v, p, 4);
        return v;
    }
    default:
        unit_fault();
    }
}

// Stores the low bits of cp that fit the unit; callers widen first.
inline void write_unit(unsigned char* p, uint32_t unit, uint32_t cp) {
    switch (unit) {
    case 1:
        p[0] = static_cast<unsigned char>(cp);
        return;
    case 2:
        p[0] = static_cast<unsigned char>(cp);
        p[1] = static_cast<unsigned char>(cp >> 8);
        return;
    case 4:
        std::memcpy(p, &cp, 4);
        return;
    default:
        unit_fault();
    }
}

// log2 of a text unit, for turning unit counts into byte counts.
inline uint32_t unit_shift(uint32_t unit) {
    switch (unit) {
    case 1:
        return 0;
    case 2:
        return 1;
    case 4:
        return 2;
    default:
        unit_fault();
    }
}

// The narrowest text unit that holds cp.
inline uint32_t unit_for(uint32_t cp) {
    return cp <= 0xFF ? 1 : cp <= 0xFFFF ? 2 : 4;
}

} // namespace zep::unicode
