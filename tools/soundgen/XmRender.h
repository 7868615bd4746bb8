#pragma once

// Plays modules into memory through libxmp, the module player the game uses, so that the
// generator and the tests hear what the game will play.

#include <cstddef>
#include <cstdint>
#include <vector>

namespace soundgen {

constexpr int RenderRate = 44100;

// Interleaved stereo, 16-bit, at RenderRate.
struct TStereo {
    std::vector<int16_t> Samples;

    size_t Frames() const { return Samples.size() / 2; }
};

// The orders `first` to `last` (inclusive) of the module, played once from the first row of
// `first` until the song leaves that range or jumps back. Throws std::runtime_error when libxmp
// refuses the module or the range.
TStereo RenderOrders(const std::vector<uint8_t>& module, int first, int last);

// The module from its first order to its end, played once.
TStereo RenderModule(const std::vector<uint8_t>& module);

// Loudness figures of a piece of sound, in full-scale units (1.0 = 32768).
struct TLevels {
    double Peak = 0;
    double Rms = 0;
};
TLevels MeasureLevels(const std::vector<int16_t>& samples);

} // namespace soundgen
