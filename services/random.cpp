#include "services/random.h"

#include <sys/random.h>

#include <cerrno>
#include <random>

#include "runtime/error_exit.h"

namespace zep::random {

namespace {
std::mt19937 generator;
} // namespace

void seed(uint32_t seed) {
    generator.seed(seed);
}

uint32_t next() {
    return static_cast<uint32_t>(generator()) >> 1;
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
