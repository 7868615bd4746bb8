#pragma once

#include <functional>
#include <string>
#include <vector>

namespace qm {

class TGameData;

// A scene for hearing the sound engine (opened with --scene sound-test): once the sounds are
// loaded it plays every configured track in turn, each change a cross-fade, while every sample
// effect and every module effect sounds once, one after the other, with an ambient loop that
// fades in and out; at the end the music fades out. The screen says what is playing. Together
// with --audio-wav, what the engine produced can be measured.
class TSoundTestScene {
public:
    static constexpr const char* SceneName = "sound-test";
    // The timeline, in seconds of the interface clock after loading ended.
    static constexpr double MusicInterval = 8.0;
    static constexpr double CrossFade = 2.0;
    static constexpr double EffectInterval = 0.5;
    static constexpr int MusicVolume = 70;
    static constexpr int SoundVolume = 80;

    // `soundsLoaded` tells when the loading thread has ended.
    TSoundTestScene(TGameData& data, std::function<bool()> soundsLoaded);
    void Draw();

    // The moment (seconds after loading ended) the whole timeline has played out.
    double Length() const;

private:
    struct TCue {
        double At;
        std::string What;
        std::function<void()> Play;
    };
    void BuildTimeline();
    void PlayDueCues();
    void DrawLines();

    TGameData& FData;
    std::function<bool()> FSoundsLoaded;
    std::vector<TCue> FCues;
    size_t FNextCue = 0;
    double FTime = 0.0;
    bool FStarted = false;
    std::string FMusicLine;
    std::string FEffectLine;
    std::vector<std::string> FProblems;
};

} // namespace qm
