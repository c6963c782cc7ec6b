#include "services/random.h"

#include <sys/random.h>

#include <cerrno>
#include <optional>
#include <random>

#include "runtime/error_exit.h"

namespace zep::random {

namespace {
// Empty until the first draw or seed: seeding writes the generator's 2.5 KB
// of state, which start-up would otherwise pay for every script. Empty means
// the default seed.
std::optional<std::mt19937> generator;
} // namespace

void init() {
    generator.reset();
}

void seed(uint32_t seed) {
    generator.emplace(seed);
}

uint32_t next() {
    if (!generator) generator.emplace(std::mt19937::default_seed);
    return static_cast<uint32_t>((*generator)()) >> 1;
}

uint32_t secure_next() {
    uint32_t bits = 0;
    for (;;) {
        ssize_t got = getrandom(&bits, sizeof bits, 0);
        if (got == static_cast<ssize_t>(sizeof bits)) return bits >> 1;
        // A secure number that is not secure would be worse than stopping:
        // anything but an interruption is fatal.
        if (got >= 0 || errno != EINTR) runtime::error_exit(99, 0);
    }
}

} // namespace zep::random

namespace zep::random {

int32_t int_range(int32_t n, bool secure) {
    constexpr uint32_t draw_max = 0x7FFFFFFF; // draws are 0..2^31 - 1
    uint32_t magnitude = n < 0 ? 0u - static_cast<uint32_t>(n) : static_cast<uint32_t>(n);
    if (magnitude == 0) return 0;
    // Draws at or above the largest multiple of the magnitude are redrawn.
    // The magnitude 2^31 (n = -2^31) divides the draw range exactly.
    uint64_t limit =
        magnitude > draw_max ? uint64_t{draw_max} + 1 : uint64_t{draw_max} / magnitude * magnitude;
    uint32_t draw;
    do {
        draw = secure ? secure_next() : next();
    } while (draw >= limit);
    int64_t picked = int64_t{draw % magnitude} + 1;
    return static_cast<int32_t>(n < 0 ? -picked : picked);
}

} // namespace zep::random
