#pragma once

// The game's sound effects and jingles, each made by synthesis and written as a WAV file.

#include "Synth.h"

#include <functional>
#include <string>
#include <vector>

namespace soundgen {

struct TEffect {
    // The name game code plays it by.
    std::string Name;
    // The file under the data folder's "sounds" folder.
    std::string File;
    std::function<TBuffer()> Make;
    // The RMS of the loudest 50 ms the finished sound is brought to (full scale 1.0).
    double Loudness = 0.15;
};

// Every effect, in the order the configuration lists them.
const std::vector<TEffect>& Effects();

// The effect made, brought to its loudness, with no peak above -1 dBFS.
TBuffer RenderEffect(const TEffect& effect);

// The highest peak any effect may reach: -1 dBFS.
constexpr double EffectPeak = 0.89;

} // namespace soundgen
