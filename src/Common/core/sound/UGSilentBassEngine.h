#pragma once

#include "UGSoundEngine.h"

namespace qm {

// Stands in for the sound engine when sound is off or no audio output exists: plays nothing,
// but keeps the music and sound volumes and the mute flag, so that the options screens work.
class TGSilentBassEngine : public IGBassEngine {
public:
    TGSilentBassEngine(int soundVolume, int musicVolume);

    void LoadSounds(const TGSoundProgress&) override {}
    std::string GetMusicName() override { return {}; }
    int GetMusicVolume() override { return FMusicVolume; }
    int GetSoundVolume() override { return FSoundVolume; }
    int GetAmbientVolume() override { return 0; }
    bool IsMusicPlaying() override { return false; }
    bool IsSoundPlaying(const std::string&) override { return false; }
    bool IsMuted() override { return FMuted; }
    void SetMusicVolume(int volume) override;
    void SetSoundVolume(int volume) override;
    void SetAmbientVolume(int) override {}
    void SetPaused(bool) override {}
    void SetMuted(bool muted) override { FMuted = muted; }
    void PlayAmbientSound(const std::string&, double, double, double) override {}
    void PlayMusic(const std::string&, bool, double, bool, int64_t) override {}
    void SetMusicPosition(int64_t) override {}
    int64_t GetMusicPosition() override { return -1; }
    void FadeOutMusic(double) override {}
    void PlayModSound(const std::string&) override {}
    void StopModSound(const std::string&) override {}
    void PlaySound(const std::string&) override {}
    void StopSound(const std::string&) override {}
    void SlideMusicVolume(int, double) override {}
    void SlideSoundVolume(int, double) override {}
    void RestartMusic() override {}
    void PauseSound(const std::string&, bool) override {}
    void PauseMusic(bool) override {}
    void Update() override {}

private:
    int FSoundVolume;
    int FMusicVolume;
    bool FMuted = false;
};

} // namespace qm
