#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

namespace qm {

// Receives the loading progress of the sound engine as a percentage.
using TGSoundProgress = std::function<void(int percent)>;

// All sound of the game goes through one engine reached through this interface: game code names
// music, effects and ambient loops, and sets the volumes (0..100) and mute. Two engines implement
// it: the one that plays, and a silent one that only remembers the volumes and the mute flag.
class IGBassEngine {
public:
    virtual ~IGBassEngine() = default;

    // Reads and opens every track, sound and sound library of the core configuration; runs on
    // the loading thread.
    virtual void LoadSounds(const TGSoundProgress& progress) = 0;
    virtual std::string GetMusicName() = 0;
    virtual int GetMusicVolume() = 0;
    virtual int GetSoundVolume() = 0;
    virtual int GetAmbientVolume() = 0;
    virtual bool IsMusicPlaying() = 0;
    virtual bool IsSoundPlaying(const std::string& name) = 0;
    virtual bool IsMuted() = 0;
    virtual void SetMusicVolume(int volume) = 0;
    virtual void SetSoundVolume(int volume) = 0;
    virtual void SetAmbientVolume(int volume) = 0;
    virtual void SetPaused(bool paused) = 0;
    virtual void SetMuted(bool muted) = 0;
    virtual void PlayAmbientSound(const std::string& name, double fadeIn, double hold, double fadeOut) = 0;
    virtual void PlayMusic(const std::string& name, bool loop, double fadeTime, bool fadeIn,
                           int64_t startPosition) = 0;
    virtual void SetMusicPosition(int64_t position) = 0;
    virtual int64_t GetMusicPosition() = 0;
    virtual void FadeOutMusic(double seconds) = 0;
    virtual void PlayModSound(const std::string& name) = 0;
    virtual void StopModSound(const std::string& name) = 0;
    virtual void PlaySound(const std::string& name) = 0;
    virtual void StopSound(const std::string& name) = 0;
    virtual void SlideMusicVolume(int volume, double seconds) = 0;
    virtual void SlideSoundVolume(int volume, double seconds) = 0;
    virtual void RestartMusic() = 0;
    virtual void PauseSound(const std::string& name, bool pause) = 0;
    virtual void PauseMusic(bool pause) = 0;
    // Main-thread work, once per frame: volume slides, the end of an ambient sound's hold, the
    // end of loading. Sound changes no faster than this is called.
    virtual void Update() = 0;
};

// Volumes are 0..100; anything else is a range error raised with `context`.
void CheckVolume(const std::string& context, int volume);

using PGBassEngine = std::shared_ptr<IGBassEngine>;

} // namespace qm
