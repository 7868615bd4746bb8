#pragma once

#include <cstdint>
#include <string>
#include <vector>

// Small sound files made by code, for the tests and the fuzzers' seeds.
namespace qm::test {

// A ProTracker module whose order list plays patterns 0, 1, ... once each. Every pattern holds
// one steady square tone on its first row, at the volume given for it (0..64), so that the
// loudness of the rendered sound tells which pattern plays; a pattern lasts PatternSeconds.
std::string MakeTestModule(const std::vector<int>& patternVolumes);
constexpr double PatternSeconds = 0.48;

// A ProTracker module of `patterns` patterns, each a steady tone over all its 64 rows at 31 ticks
// a row and 32 beats a minute: a pattern lasts SlowPatternSeconds.
std::string MakeSlowModule(int patterns);
constexpr double SlowPatternSeconds = 64 * 31 * 2.5 / 32;

// A WAV file's header with the given format fields, and the data bytes after it.
std::string MakeWave(uint16_t tag, uint16_t channels, uint32_t rate, uint16_t bits, const std::string& data);

// A WAV file of a steady square tone of the given amplitude (of 32767) and length.
std::string MakeToneWave(double seconds, int amplitude);

} // namespace qm::test
