#pragma once

#include <cstdint>

namespace qm {

// The process-wide random generator: a 32-bit linear congruential generator
// (seed := seed * 134775813 + 1 mod 2^32). It is seeded with 0 at start-up and never reseeded,
// so two runs with the same input draw the same numbers. All game randomness draws from it.
extern uint32_t RandSeed;

void SetRandomSeed(uint32_t seed);

// An integer in [0, n): the high 32 bits of the advanced seed times n.
uint32_t Random(uint32_t n);

// A real in [0, 1): the advanced seed divided by 2^32.
double RandomFloat();

} // namespace qm
