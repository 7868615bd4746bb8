#pragma once

#include "TestHelpers.h"
#include "TestSounds.h"
#include "UGAudioOutput.h"
#include "UGBassEngine.h"
#include "UGMemoryAudioOutput.h"
#include "UGTimer.h"

#include <memory>
#include <string>
#include <vector>

namespace qm::test {

// The root-mean-square level of a stretch of rendered stereo sound, 0..32768.
double Rms(const std::vector<int16_t>& samples, double fromSeconds, double toSeconds);

// A sound engine over the in-memory mixer, with a manual clock and files in a temporary
// folder. Run() advances the clock in 10 ms frames as the game does, updating the engine and
// recording what the mixer plays.
class TSoundRig {
public:
    // `soundXml` is the inside of the core configuration element: Track, Sound, ModSoundLib.
    TSoundRig(const std::string& soundXml, const std::vector<std::pair<std::string, std::string>>& files,
              int soundVolume = 100, int musicVolume = 100, int ambientVolume = 100);

    // Loads synchronously (as if the loading thread had ended).
    void Load();
    // Plays `seconds` of game time; the sound is appended to Recorded().
    void Run(double seconds);
    double Now() const { return static_cast<double>(Recording.size()) / AudioChannels / AudioRate; }
    double RecordedRms(double fromSeconds, double toSeconds) const {
        return Rms(Recording, fromSeconds, toSeconds);
    }

    TempDir Folder;
    TGManualTickSource Ticks;
    TGMemoryAudioOutput Output;
    std::unique_ptr<TGBassEngine> Engine;
    std::vector<int16_t> Recording;
};

} // namespace qm::test
