#include "UGRandom.h"

namespace qm {

uint32_t RandSeed = 0;

namespace {

uint32_t NextSeed() {
    RandSeed = RandSeed * 134775813u + 1u;
    return RandSeed;
}

} // namespace

void SetRandomSeed(uint32_t seed) {
    RandSeed = seed;
}

uint32_t Random(uint32_t n) {
    return static_cast<uint32_t>((static_cast<uint64_t>(NextSeed()) * n) >> 32);
}

double RandomFloat() {
    return static_cast<double>(NextSeed()) / 4294967296.0;
}

} // namespace qm
