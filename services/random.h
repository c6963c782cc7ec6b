// The random number generator behind `random`: a reproducible generator that
// can be seeded, and a secure one from the operating system.
#pragma once
#include <cstdint>

namespace zep::random {

// Start-up: the reproducible generator starts from its default seed, so a
// fresh interpreter draws the same sequence until something seeds it.
void init();
// Restarts the reproducible generator from the seed.
void seed(uint32_t seed);
// The next output of the reproducible generator: 0 to 2,147,483,647.
uint32_t next();
// A 31-bit random integer (0 to 2,147,483,647) from the system's
// cryptographic generator.
uint32_t secure_next();

} // namespace zep::random

namespace zep::random {

// A random integer in 1..n for n > 0 and in n..-1 for n < 0 (n is never 0),
// drawn from next() or, when secure, from secure_next(); draws that would
// bias the result are redrawn.
int32_t int_range(int32_t n, bool secure);

} // namespace zep::random
