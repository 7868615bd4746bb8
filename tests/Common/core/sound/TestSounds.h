#pragma once

#include <string>
#include <vector>

// Small sound files made by code, for the tests and the fuzzers' seeds.
namespace qm::test {

// A ProTracker module whose order list plays patterns 0, 1, ... once each. Every pattern holds
// one steady square tone on its first row, at the volume given for it (0..64), so that the
// loudness of the rendered sound tells which pattern plays; a pattern lasts PatternSeconds.
std::string MakeTestModule(const std::vector<int>& patternVolumes);
constexpr double PatternSeconds = 0.48;

// A WAV file of a steady square tone of the given amplitude (of 32767) and length.
std::string MakeToneWave(double seconds, int amplitude);

} // namespace qm::test
